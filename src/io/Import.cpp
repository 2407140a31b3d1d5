#include "io/Import.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "io/TextTable.h"

namespace ombrane::io {
namespace {

// The median of the values (the mean of the middle two for an even count).
long double Median(std::vector<long double> values) {
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
  const long double upper = values[middle];
  if (values.size() % 2 == 1) return upper;
  const long double lower =
      *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
  return (lower + upper) / 2;
}

// The bin of a time: whole bin widths from the first time. A time so far from the first that
// its bin number leaves the 64-bit range (a typo such as 5e22) shares the last bin instead of
// overflowing the conversion; such bins are meaningless anyway, as a long double's 64-bit
// significand no longer tells neighbouring bins apart there.
int64_t BinOf(long double time, long double first, long double width) {
  const long double bins = std::floor((time - first) / width);
  constexpr long double kLimit = 0x1p62L;         // well inside int64_t, exactly representable
  if (!(bins < kLimit)) return int64_t{1} << 62;  // also a NaN
  if (bins < -kLimit) return -(int64_t{1} << 62);
  return static_cast<int64_t>(bins);
}

// Bins that `width` gives the sorted times (empty bins do not count), the edges half a cadence
// before the first time.
int64_t BinCount(const std::vector<long double>& sorted, long double cadence, long double width) {
  int64_t count = 0;
  int64_t last = -1;
  for (long double time : sorted) {
    const int64_t bin = BinOf(time, sorted.front() - cadence / 2, width);
    if (bin != last) ++count, last = bin;
  }
  return count;
}

std::string Minutes(long double days, char separator) {
  return FormatGeneralDigits(days * 1440, 4, separator) + " min";
}

}  // namespace

long double MedianStep(const std::vector<long double>& time) {
  // Times in order (the usual light curve) are stepped through as they are, others sorted first.
  std::vector<long double> copy;
  if (!std::is_sorted(time.begin(), time.end())) {
    copy = time;
    std::sort(copy.begin(), copy.end());
  }
  const std::vector<long double>& sorted = copy.empty() ? time : copy;
  std::vector<long double> steps;
  steps.reserve(sorted.size());
  for (size_t i = 1; i < sorted.size(); ++i)
    if (sorted[i] > sorted[i - 1]) steps.push_back(sorted[i] - sorted[i - 1]);
  return steps.empty() ? 0 : Median(std::move(steps));
}

int32_t ShortestBinning(const std::vector<long double>& time, long double cadence, int32_t room) {
  if (static_cast<int64_t>(time.size()) <= room) return 1;
  if (!(cadence > 0)) return 0;  // times that do not advance cannot be binned
  std::vector<long double> sorted = time;
  std::sort(sorted.begin(), sorted.end());
  auto fits = [&](int64_t cadences) {
    return BinCount(sorted, cadence, cadence * static_cast<long double>(cadences)) <= room;
  };
  // Doubling to a width that fits, then halving the interval down to the shortest one.
  int64_t high = 2;
  while (!fits(high)) {
    if (high > (int64_t{1} << 30)) return 0;
    high *= 2;
  }
  int64_t low = high / 2;  // does not fit (or is 1)
  while (high - low > 1) {
    const int64_t middle = low + (high - low) / 2;
    (fits(middle) ? high : low) = middle;
  }
  return static_cast<int32_t>(high);
}

void BinRows(std::vector<long double>& time, std::vector<long double>& value, long double cadence,
             int32_t cadences, std::vector<long double>* error) {
  const bool withErrors = error != nullptr && error->size() == time.size() && !time.empty();
  const long double width = cadence * static_cast<long double>(cadences);
  if (time.empty() || !(width > 0)) return;
  const long double first = *std::min_element(time.begin(), time.end());
  // The edges half a cadence before the first time, so that times on the cadence's grid never
  // fall on an edge, where rounding would decide their bin.
  std::vector<int64_t> bin(time.size());
  for (size_t i = 0; i < time.size(); ++i) bin[i] = BinOf(time[i], first - cadence / 2, width);
  std::vector<size_t> order(time.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return bin[a] < bin[b]; });
  std::vector<long double> binnedTime;
  std::vector<long double> binnedValue;
  std::vector<long double> binnedError;
  for (size_t start = 0; start < order.size();) {
    size_t end = start;
    // Means of the offsets from the first time keep the Julian Day's digits.
    long double sumTime = 0;
    long double sumValue = 0;
    long double sumVariance = 0;
    while (end < order.size() && bin[order[end]] == bin[order[start]]) {
      sumTime += time[order[end]] - first;
      sumValue += value[order[end]];
      if (withErrors) sumVariance += (*error)[order[end]] * (*error)[order[end]];
      ++end;
    }
    const auto count = static_cast<long double>(end - start);
    binnedTime.push_back(first + sumTime / count);
    binnedValue.push_back(sumValue / count);
    // The error of the mean of independent values: sqrt(sum of the variances) / n.
    if (withErrors) binnedError.push_back(std::sqrt(sumVariance) / count);
    start = end;
  }
  time = std::move(binnedTime);
  value = std::move(binnedValue);
  if (withErrors) *error = std::move(binnedError);
}

long double MagnitudeErrorOfFlux(long double flux, long double fluxError) {
  return 2.5L / std::log(10.0L) * fluxError / flux;
}

int32_t ErrorColumnOfNames(const std::vector<std::string>& names, int32_t timeColumn, int32_t magColumn) {
  for (size_t c = 0; c < names.size(); ++c) {
    const auto column = static_cast<int32_t>(c);
    if (column != timeColumn && column != magColumn && NamesError(names[c])) return column;
  }
  return -1;
}

ImportPreview InspectImport(const Input& input, std::string_view shownName, const ImportOptions& options) {
  return input.format->Inspect(input, shownName, options);
}

ImportPreview InspectImport(const std::string& path, std::string_view shownName,
                            const ImportOptions& options) {
  return InspectImport(ReadInput(path, shownName), shownName, options);
}

ImportResult ReadImport(const std::string& path, std::string_view shownName, const ImportOptions& options) {
  return ReadImport(ReadInput(path, shownName), shownName, options);
}

ImportResult ReadImport(const Input& input, std::string_view shownName, const ImportOptions& options) {
  const ImportFormat& format = *input.format;
  ImportFormat::Rows rows = format.Read(input, shownName, options);
  ImportResult result;
  result.format = std::string(format.Name());
  result.notes = std::move(rows.notes);
  result.timeScale = options.timeScale.value_or(rows.timeScale);
  if (rows.time.empty()) {
    throw InputError(std::string(shownName) + ": no observations to load" +
                     (result.notes.empty() ? std::string() : " (" + result.notes.front() + ")") +
                     ". Nothing loaded.");
  }
  result.rowsRemaining = static_cast<int64_t>(rows.time.size());
  result.cadence = rows.cadence > 0 ? rows.cadence : MedianStep(rows.time);
  result.autoBinCadences = ShortestBinning(rows.time, result.cadence, kStoreRoom);

  // The zero point from all rows kept, before any binning, so that it does not change with it.
  if (rows.fluxes) result.zeroPoint = options.zeroPoint.value_or(10 + 2.5L * std::log10(Median(rows.value)));

  // Errors count only when every row has a usable one (finite, above 0): the weights of a search
  // or a fit must not come from some observations alone. Otherwise every observation is kept and
  // the file is read as one without errors.
  bool errors = !rows.error.empty() && rows.error.size() == rows.time.size();
  if (errors) {
    const auto unusable = std::count_if(rows.error.begin(), rows.error.end(),
                                        [](long double e) { return !(std::isfinite(e) && e > 0); });
    errors = unusable == 0;
    // A file whose rows all lack an error (visual estimates) simply has none; a file where only
    // some lack one is told why its errors are not used.
    if (unusable > 0 && unusable < static_cast<std::ptrdiff_t>(rows.error.size())) {
      result.notes.push_back(std::string(shownName) + ": " + std::to_string(unusable) +
                             (unusable == 1 ? " row has" : " rows have") +
                             " no usable error (missing, not a number or not above 0); the errors are "
                             "not used: every observation weighs the same and no error bars are drawn.");
    }
  }
  if (!errors) rows.error.clear();
  result.errors = errors;

  int32_t cadences = 1;
  if (options.binning == Binning::Auto) cadences = result.autoBinCadences;
  if (options.binning == Binning::Cadences) cadences = options.binCadences;
  if (options.binning != Binning::None && cadences != 1) {
    if (cadences < 1 || !(result.cadence > 0)) {
      throw InputError(std::string(shownName) +
                       ": the times do not advance, so they cannot be binned. Nothing loaded.");
    }
    BinRows(rows.time, rows.value, result.cadence, cadences, errors ? &rows.error : nullptr);
    result.notes.push_back(std::string(shownName) + ": binned to " + std::to_string(cadences) +
                           " cadences (" + Minutes(result.cadence * cadences, options.decimalSeparator) +
                           "): " + std::to_string(result.rowsRemaining) + " rows give " +
                           std::to_string(rows.time.size()) + (rows.time.size() == 1 ? " point" : " points") +
                           " (mean time and mean " + (rows.fluxes ? "flux" : "magnitude") + " per bin" +
                           (errors ? ", with the error of the mean" : "") + ").");
  }

  result.observations.resize(rows.time.size());
  for (size_t i = 0; i < rows.time.size(); ++i) {
    const long double value = rows.value[i];
    result.observations[i] = {
        .time = rows.time[i],
        .magnitude = rows.fluxes ? -2.5L * std::log10(value) + *result.zeroPoint : value};
    if (errors)
      result.observations[i].error = rows.fluxes ? MagnitudeErrorOfFlux(value, rows.error[i]) : rows.error[i];
  }
  if (rows.fluxes) {
    result.notes.push_back(std::string(shownName) + ": magnitude = -2.5 log10(flux) + " +
                           FormatGeneral(*result.zeroPoint, options.decimalSeparator) +
                           (options.zeroPoint ? "." : " (the median flux at 10 mag)."));
  }
  return result;
}

void AddLeftOutClause(std::string& note, int64_t count, std::string_view singular, std::string_view plural) {
  if (count <= 0) return;
  note.append("; ").append(std::to_string(count)).append(" ");
  note.append(count == 1 ? singular : plural).append(" left out");
}

}  // namespace ombrane::io
