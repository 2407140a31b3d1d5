#include "search/TrialGrid.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/InputError.h"
#include "common/NumberFormat.h"

namespace ombrane {

namespace {

void CheckRange(double periodMin, double periodMax, double step) {
  if (!(step > 0) || !std::isfinite(step))
    throw InputError("The step of the trial grid must be greater than 0.");
  if (!(periodMin > 0) || !std::isfinite(periodMax))
    throw InputError("The trial periods must start above 0.");
  if (!(periodMin < periodMax)) throw InputError("The lowest trial period must be below the highest.");
}

int64_t CheckedCount(long double count) {
  if (!(count <= static_cast<long double>(kMaxGridTrials)))
    throw InputError("The trial grid holds more than " + FormatGeneral(kMaxGridTrials) +
                     " trials; choose a larger step.");
  return static_cast<int64_t>(count);
}

}  // namespace

double TrialGrid::Frequency(int64_t k) const {
  const double x = first + static_cast<double>(k) * increment;
  return step == GridStep::Frequency ? x : 1 / x;
}

double TrialGrid::Period(int64_t k) const {
  const double x = first + static_cast<double>(k) * increment;
  return step == GridStep::Period ? x : 1 / x;
}

double TrialGrid::LowestFrequency() const {
  if (count < 1) return 0;
  return step == GridStep::Frequency ? Frequency(0) : Frequency(count - 1);
}

double TrialGrid::HighestFrequency() const {
  if (count < 1) return 0;
  return step == GridStep::Frequency ? Frequency(count - 1) : Frequency(0);
}

TrialGrid PeriodGrid(double periodMin, double periodMax, double step) {
  CheckRange(periodMin, periodMax, step);
  // Trials strictly below periodMax.
  int64_t count = CheckedCount(std::ceil((static_cast<long double>(periodMax) - periodMin) / step));
  while (count > 0 && periodMin + static_cast<double>(count - 1) * step >= periodMax) --count;
  while (periodMin + static_cast<double>(count) * step < periodMax) count = CheckedCount(count + 1);
  if (count > 1 && !(periodMin + step > periodMin))
    throw InputError("The period step is too small to change the trial period.");
  return TrialGrid{.step = GridStep::Period, .first = periodMin, .increment = step, .count = count};
}

TrialGrid FrequencyGrid(double periodMin, double periodMax, double step) {
  CheckRange(periodMin, periodMax, step);
  const double low = 1 / periodMax;
  const double high = 1 / periodMin;
  const long double span = (static_cast<long double>(high) - low) / step;
  const int64_t count = CheckedCount(std::floor(span + 1e-6L) + 1);
  if (count > 1 && !(low + step > low))
    throw InputError("The frequency step is too small to change the trial frequency.");
  return TrialGrid{.step = GridStep::Frequency, .first = low, .increment = step, .count = count};
}

SuggestedGrid SuggestGrid(const std::vector<double>& times, double oversampling, double highestFrequency) {
  if (!(oversampling >= 1)) throw InputError("The oversampling factor must be at least 1.");
  std::vector<double> sorted(times);
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  if (sorted.size() < 3) throw InputError("A grid needs at least three distinct observation times.");
  std::vector<double> gaps(sorted.size() - 1);
  for (size_t i = 1; i < sorted.size(); ++i) gaps[i - 1] = sorted[i] - sorted[i - 1];
  const size_t middle = gaps.size() / 2;
  std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(middle), gaps.end());
  double median = gaps[middle];
  if (gaps.size() % 2 == 0) {
    const double below = *std::max_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(middle));
    median = (median + below) / 2;
  }
  SuggestedGrid g;
  g.timeSpan = sorted.back() - sorted.front();
  g.medianInterval = median;
  g.lowestFrequency = 1 / g.timeSpan;
  g.highestFrequency = 0.5 / median;
  if (highestFrequency > 0) g.highestFrequency = std::min(g.highestFrequency, highestFrequency);
  g.highestFrequency = std::max(g.highestFrequency, 2 * g.lowestFrequency);
  g.periodMin = 1 / g.highestFrequency;
  g.periodMax = g.timeSpan;
  g.frequencyStep = 1 / (oversampling * g.timeSpan);
  // Counted as FrequencyGrid counts, without its refusal of a large grid: the user is told the
  // number and may widen the step.
  const long double span = (static_cast<long double>(1 / g.periodMin) - 1 / g.periodMax) / g.frequencyStep;
  g.trials = static_cast<int64_t>(std::floor(span + 1e-6L)) + 1;
  return g;
}

std::string SuggestionLine(const SuggestedGrid& grid, double oversampling, char separator) {
  auto number = [&](double x) { return FormatGeneralDigits(x, 6, separator); };
  std::string line = "Suggested grid: periods ";
  line.append(number(grid.periodMin))
      .append(" to ")
      .append(number(grid.periodMax))
      .append(" d, frequency step ")
      .append(number(grid.frequencyStep))
      .append(" /d (T = ")
      .append(number(grid.timeSpan))
      .append(" d, oversampling ")
      .append(number(oversampling))
      .append(", upper frequency 0.5/median interval ")
      .append(number(grid.medianInterval))
      .append(" d): ")
      .append(FormatGeneral(static_cast<long double>(grid.trials)))
      .append(grid.trials == 1 ? " trial." : " trials.");
  return line;
}

}  // namespace ombrane
