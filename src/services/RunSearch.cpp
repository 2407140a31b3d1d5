#include "services/RunSearch.h"

#include <utility>

#include "common/InputError.h"

namespace ombrane {

SearchRequest SearchRequestOf(const Star& star, SearchMethod method) {
  return SearchRequest{.searchMin = star.searchMin,
                       .searchMax = star.searchMax,
                       .increment = star.increment,
                       .method = method,
                       .threads = 0,
                       .progress = {}};
}

SearchReport RunSearch(Data& data, Star& star, const SearchRequest& request, char separator) {
  SearchReport report;
  report.result = SearchPeriod(data, star, request);
  const SearchResult& result = report.result;
  switch (result.status) {
    case SearchResult::Status::NotRun:
      report.lines.push_back(SearchNotRunLine(data, request, separator));
      break;
    case SearchResult::Status::AllUndefined:
      report.lines.push_back(SearchSkippedLine(result));
      break;
    case SearchResult::Status::Done:
      report.lines.push_back(SearchResultLine(request.method, result, separator));
      if (result.skipped > 0) report.lines.push_back(SearchSkippedLine(result));
      break;
    case SearchResult::Status::Cancelled:
      break;
  }
  return report;
}

SearchReport RunSearch(Data& data, Star& star, const SearchRequest& request, const MethodSettings& settings,
                       char separator) {
  if (!IsArrayMethod(request.method)) {
    // The folds step in frequency as the methods on arrays do, over the same trials.
    SearchRequest folds = request;
    folds.frequencyStep = settings.step == GridStep::Frequency;
    return RunSearch(data, star, folds, separator);
  }
  SearchReport report;
  report.result = SearchByMethod(data, star, request, settings);
  const SearchResult& result = report.result;
  switch (result.status) {
    case SearchResult::Status::NotRun:
      report.lines.push_back(SearchNotRunLine(data, request, separator));
      break;
    case SearchResult::Status::AllUndefined:
      report.lines.push_back(MethodName(request.method) + " undefined at all " +
                             std::to_string(result.trials) +
                             " trials (too few observations spread over the phase); nothing was changed.");
      break;
    case SearchResult::Status::Done:
      report.lines.push_back(MethodResultLine(result, separator));
      break;
    case SearchResult::Status::Cancelled:
      break;
  }
  return report;
}

}  // namespace ombrane
