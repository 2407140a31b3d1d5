// The trial grid of the period-search methods: trial periods stepped evenly in period or trial
// frequencies stepped evenly in frequency, and a grid suggested from the sampling of the data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ombrane {

enum class GridStep { Period = 0, Frequency = 1 };

// Trial k is first + k·increment in the stepped quantity (days or cycles per day), for
// k = 0 .. count − 1; computed by one multiplication, so every trial is exact to rounding.
struct TrialGrid {
  GridStep step = GridStep::Period;
  double first = 0;
  double increment = 0;
  int64_t count = 0;

  double Frequency(int64_t k) const;
  double Period(int64_t k) const;
  // True when the frequencies are evenly spaced (a frequency step), which lets the methods
  // advance the phase factors of the observations by one rotation per trial.
  bool EvenInFrequency() const { return step == GridStep::Frequency; }
  double LowestFrequency() const;
  double HighestFrequency() const;
};

// The most trials a grid may hold; a larger one is refused with the advice to widen the step.
inline constexpr int64_t kMaxGridTrials = 20'000'000;

// The trial periods periodMin, periodMin + step, ... below periodMax. Refuses (InputError)
// a step that is not positive, a range that does not start above 0 or is empty, and too many
// trials.
TrialGrid PeriodGrid(double periodMin, double periodMax, double step);

// The trial frequencies 1/periodMax, 1/periodMax + step, ... up to 1/periodMin (the end
// included when a step lands on it to within a millionth of a step). Same refusals.
TrialGrid FrequencyGrid(double periodMin, double periodMax, double step);

// A grid suggested from the data: frequencies from 1/T (T the time span) to a Nyquist-like
// upper frequency, half the inverse of the median interval between consecutive distinct
// times, stepped by 1/(oversampling·T); capped at `highestFrequency` when that is > 0.
struct SuggestedGrid {
  double timeSpan = 0;        // T, days
  double medianInterval = 0;  // of the sorted distinct times, days
  double lowestFrequency = 0;
  double highestFrequency = 0;
  double periodMin = 0;  // 1 / highestFrequency
  double periodMax = 0;  // 1 / lowestFrequency = T
  double frequencyStep = 0;
  int64_t trials = 0;  // of FrequencyGrid(periodMin, periodMax, frequencyStep)
};

// The oversampling a suggestion takes unless told otherwise: five grid points per peak width.
inline constexpr double kDefaultOversampling = 5;

// Needs at least three distinct times and an oversampling of at least 1 (InputError otherwise).
SuggestedGrid SuggestGrid(const std::vector<double>& times, double oversampling, double highestFrequency = 0);

// The suggestion in words: "Suggested grid: periods 0.25 to 5 d, frequency step 0.04 /d (T = 5 d,
// oversampling 5, upper frequency 0.5/median interval 0.125 d): 96 trials."
std::string SuggestionLine(const SuggestedGrid& grid, double oversampling, char separator);

}  // namespace ombrane
