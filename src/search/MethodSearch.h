// The period search by the methods on arrays (Methods.h) over the records of a star: the
// observations taken from the store, the grid from the search range, the periodogram with the
// method's extras and significance, the best trial, and the lines that report it.
#pragma once

#include <string>
#include <vector>

#include "phase/PeriodSearch.h"
#include "phase/Periodogram.h"
#include "search/Methods.h"
#include "search/TrialGrid.h"
#include "store/Records.h"

namespace ombrane {

// The settings of the methods beyond the request's range and step.
struct MethodSettings {
  GridStep step = GridStep::Period;  // what the request's increment steps: days or cycles per day
  int harmonics = 2;                 // multi-harmonic AoV
  int bins = 10;                     // PDM
  int covers = 2;                    // PDM
  std::vector<double> durations{0.02, 0.05, 0.1, 0.15, 0.2};  // BLS, fractions of the period
  // Weigh each observation by 1/σ² when the records carry errors (HasErrors); without errors
  // every observation weighs the same either way.
  bool weighted = true;
};

// The durations of box least squares as the user types them: fractions of the period separated
// by commas ("0.02, 0.05,0.1"), each above 0 and at most 0.5; InputError otherwise. And back.
std::vector<double> ParseDurations(const std::string& text);
std::string DurationsText(const std::vector<double>& durations);

// True for the methods of this folder (GLS, MHAOV, PDM, BLS).
bool IsArrayMethod(SearchMethod method);

// The short name of a method: "SL", "AoV", "GLS", "MHAOV", "PDM", "BLS".
std::string MethodName(SearchMethod method);

// The working observations of the records (Julian Day and magnitude), without the loader's
// repeat of the last observation: a last entry equal in time and magnitude to the one before.
// With `weighted` and errors in the records, the weights 1/σ²; otherwise no weights.
Observations ObservationsOf(const Data& data, bool weighted = false);

// The grid of a request: the trial periods from searchMin below searchMax stepped by the
// increment, or the trial frequencies from 1/searchMax to 1/searchMin.
TrialGrid GridOf(const SearchRequest& request, GridStep step);

// The search. NotRun when there are no observations or searchMin >= searchMax; refuses
// (InputError) what the grid and the method refuse. Done: the periodogram (at most
// request.keepAtMost points, each the best trial of its slice), the best score and period
// (ties keep the earlier trial), star.bestPeriod set to it; the records are otherwise left as
// they are (the caller applies the period). AllUndefined when no trial has a score.
SearchResult SearchByMethod(const Data& data, Star& star, const SearchRequest& request,
                            const MethodSettings& settings);

// "GLS: 0.912 FAP 1.2E-30 Best Period:0.5143": the method, its best score, the significance of
// the best peak, and the best period.
std::string MethodResultLine(const SearchResult& result, char separator);

}  // namespace ombrane
