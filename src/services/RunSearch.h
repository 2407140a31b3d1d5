// The period search as one service for every front end: the search itself (method, range,
// threads, progress and cancel), then the lines that report it. The caller shows the
// periodogram, folds at the best period and shows the lines its own way.
#pragma once

#include <string>
#include <vector>

#include "phase/PeriodSearch.h"
#include "search/MethodSearch.h"
#include "store/Records.h"

namespace ombrane {

struct SearchReport {
  SearchResult result;  // status, best score and period, periodogram
  // Done: the result line, then the line of skipped trials when there are any. NotRun: why the
  // search did nothing. AllUndefined: why no trial counts. Cancelled: nothing.
  std::vector<std::string> lines;
};

// The request of a search over the range and step the star's boxes hold.
SearchRequest SearchRequestOf(const Star& star, SearchMethod method);

// Runs the search (SearchPeriod: its contract on the records and its errors) and words its
// outcome with `separator` as the decimal separator.
SearchReport RunSearch(Data& data, Star& star, const SearchRequest& request, char separator);

// The same for every method: the string length and AoV as above (stepping in frequency when
// settings.step says so), the methods on arrays by SearchByMethod with `settings` (weighted by
// the errors when the records carry them and settings.weighted).
SearchReport RunSearch(Data& data, Star& star, const SearchRequest& request, const MethodSettings& settings,
                       char separator);

}  // namespace ombrane
