#include "timing/MinimumTiming.h"

#include <algorithm>

#include "common/FloatingPoint.h"

namespace ombrane {

MinimumMode MinimumModeOf(const ViewState& view, PhaseAxis axis) {
  if (view.areaOnLightCurve) return MinimumMode::LightCurve;
  return axis == PhaseAxis::JdAverage ? MinimumMode::JdAverage : MinimumMode::Phase;
}

int32_t DayOffset(const Data& data, MinimumMode mode) {
  if (mode == MinimumMode::LightCurve) return TruncToInt32(data.jd[0]);
  if (mode == MinimumMode::JdAverage) return TruncToInt32(data.jdAverage[0]);
  return 0;
}

double MinimumAbscissa(const Data& data, MinimumMode mode, int32_t q, int32_t k) {
  switch (mode) {
    case MinimumMode::LightCurve:
      return ToDouble(data.jd[k] - q);
    case MinimumMode::Phase:
      return ToDouble(data.sortedPhase[k]);
    case MinimumMode::JdAverage:
      return ToDouble(data.jdAverage[k] - q);
  }
  return 0;
}

SelectionSpan SelectionSpanOf(const Data& data, const Star& star, int32_t a, int32_t b) {
  SelectionSpan span;
  long double sum = 0;
  int32_t count = 0;
  bool haveSmallest = false;
  for (int32_t k = a; k < b; ++k) {
    const long double jd = data.jd[data.sortIndex[k]];
    sum = Add(sum, jd);
    ++count;
    if (count == 1 || jd > span.largestJd) span.largestJd = jd;
    if (jd != 0 && (!haveSmallest || jd < span.smallestJd)) {
      span.smallestJd = jd;
      haveSmallest = true;
    }
  }
  const long double mean = Divide(sum, static_cast<long double>(count));
  const long double cycles = Divide(mean - star.epoch, star.period);
  const int32_t c = TruncToInt32(cycles);
  span.epoch = (1 - (cycles - c)) * star.period + mean;
  return span;
}

MinimumCandidates MinimumCandidatesOf(const Data& data, MinimumMode mode, int32_t q) {
  const int32_t n = std::max<int32_t>(data.pointCount, 0);
  MinimumCandidates c;
  if (mode == MinimumMode::LightCurve) {
    c.x.reserve(static_cast<size_t>(n));
    c.y.reserve(c.x.capacity());
    for (int32_t i = 1; i < RepeatIndex(data); ++i) {
      if (data.markFlag[i] != 0) continue;
      c.x.push_back(ToDouble(data.jd[i] - q));
      c.y.push_back(ToDouble(data.mag[i]));
    }
    return c;
  }
  const int32_t last = std::min(2 * n - 3 - data.markCount, static_cast<int32_t>(data.sortIndex.size()) - 1);
  c.x.reserve(static_cast<size_t>(std::max(last, 0)));
  c.y.reserve(c.x.capacity());
  for (int32_t k = 1; k <= last; ++k) {
    if (k == n - 1 || k == n) continue;
    const int32_t e = data.sortIndex[k];
    if (!HoldsEntry(data, e) || data.markFlag[e] != 0) continue;
    c.x.push_back(mode == MinimumMode::Phase ? ToDouble(data.sortedPhase[k])
                                             : ToDouble(data.jdAverage[k] - q));
    c.y.push_back(ToDouble(data.mag[e]));
  }
  return c;
}

}  // namespace ombrane
