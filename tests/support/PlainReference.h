// The plain references of the fold and of the period search, for the tests and the benchmarks:
// the same results as the program's fast paths, computed the simplest way (the library's stable
// sort, ten passes over the positions for the AoV bins, one fold after the other for the search),
// so that a fast path that slips shows against them.
#pragma once

#include "phase/Fold.h"
#include "phase/PeriodSearch.h"
#include "store/Records.h"

namespace ombrane {

// FoldPhases with std::stable_sort in place of the bucket sort: exactly the arrays FoldPhases
// leaves, faults included.
void FoldPhasesPlain(Data& data, const Star& star, long double period);

// AovStatistic by ten passes over all positions, one per bin, as the definition reads: the same
// value, tables and faults.
double AovStatisticPlain(Data& data);

// AovStatisticIfDefined the same way.
AovValue AovStatisticIfDefinedPlain(Data& data);

// The sequential search, one plain fold after the other on `data` itself: the same contract as
// SearchPeriod without progress and cancellation.
SearchResult SearchPeriodSequential(Data& data, Star& star, const SearchRequest& request);

}  // namespace ombrane
