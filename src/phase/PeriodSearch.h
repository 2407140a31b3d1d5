// Period search by string length or by the AoV statistic over the trial periods
// searchMin, searchMin + increment, ... below searchMax (repeated addition). Besides its best
// period a search hands back its periodogram, the scores of the trials (Periodogram.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "phase/Fold.h"
#include "phase/Periodogram.h"
#include "store/Records.h"

namespace ombrane {

struct SearchRequest {
  long double searchMin = 0;
  long double searchMax = 0;
  long double increment = 0;
  SearchMethod method = SearchMethod::StringLength;
  // The increment steps the trial frequency (cycles per day) from 1/searchMax up to 1/searchMin,
  // the trials then taken in ascending period, instead of the trial period.
  bool frequencyStep = false;
  unsigned threads = 0;  // 0: every core of the machine
  // Called on the caller's thread now and then with (trials done, trials in all); returning
  // false cancels the search.
  std::function<bool(int64_t done, int64_t total)> progress;
  // The most points the periodogram keeps; with more trials each point is the best of a slice.
  int64_t keepAtMost = kMaxKeptScores;
};

struct SearchResult {
  // AllUndefined: an AoV search none of whose trials has a defined statistic.
  enum class Status { NotRun, Done, Cancelled, AllUndefined } status = Status::NotRun;
  long double best = 0;        // smallest string length, or largest AoV statistic
  long double bestPeriod = 0;  // trial period of the best score (ties keep the earlier trial)
  int64_t trials = 0;
  int64_t skipped = 0;  // AoV: trials whose statistic is undefined, left out of the comparison
  AovUndefined skippedBecause = AovUndefined::None;  // the reason of the first one skipped
  Periodogram periodogram;                           // Done: the scores of the trials; otherwise empty
};

// Number of trial periods of a range (0 for an empty range).
int64_t CountTrials(long double searchMin, long double searchMax, long double increment);

// The search. NotRun when N < 1 or searchMin >= searchMax. Refuses (InputError, nothing
// changed) an increment that is not positive or a range starting below 0. On Done it sets
// star.period = searchMin and star.bestPeriod; a cancelled search changes nothing. An AoV
// search skips the trials whose statistic is undefined (an empty phase bin, 10 points or
// fewer): they cannot be best. When no trial is defined it ends AllUndefined and changes
// nothing. A trial that faults otherwise leaves the records as the plain sequential search
// would (period = searchMin, the fold arrays as the failing fold wrote them) and raises its
// FloatingPointError.
SearchResult SearchPeriod(Data& data, Star& star, const SearchRequest& request);

// The result line of the notes pane: "Mesurment String - Length: ... Best Period:..." or
// "AoV: ... Best Period:...".
std::string SearchResultLine(SearchMethod method, const SearchResult& result, char separator);

// The line after the result line when trials were skipped ("AoV undefined at 3 of 120 trial
// periods (empty phase bin); they were skipped."), or the one line of an AllUndefined search;
// empty when nothing was skipped.
std::string SearchSkippedLine(const SearchResult& result);

// Why a search did nothing (no data, Min not below Max), as one line of the notes pane; empty
// when it has work.
std::string SearchNotRunLine(const Data& data, const SearchRequest& request, char separator);

}  // namespace ombrane
