#include "timing/MinimumTiming.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/FloatingPoint.h"
#include "common/NumberFormat.h"
#include "phase/FoldPresentation.h"
#include "timing/Barycentric.h"
#include "timing/Heliocentric.h"

namespace ombrane {

namespace {

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kLime = 0x00FF00;

std::string KweeFailureLine(const KweeResult& r) {
  switch (r.status) {
    case KweeStatus::TooFewPoints:
      return "Minimum not computed: " + std::to_string(std::max(r.n, 0)) + (r.n == 1 ? " point" : " points") +
             " in the range, at least 9 are needed";
    case KweeStatus::SingularParabola:
      return "Error solving parabola";
    case KweeStatus::NoSmallestSum:
      return "Minimum not computed: no reflection sum below 1E10";
    case KweeStatus::NotAscending:
      return "Minimum not computed: the points of the range are not in ascending order";
    case KweeStatus::Done:
      break;
  }
  return {};
}

}  // namespace

MinimumMode MinimumModeOf(const ViewState& view, PhaseAxis axis) {
  if (view.areaOnLightCurve) return MinimumMode::LightCurve;
  return axis == PhaseAxis::JdAverage ? MinimumMode::JdAverage : MinimumMode::Phase;
}

std::vector<std::string> CorrectionLines(Star& star, long double t, bool barycentric, char separator,
                                         long double* heliocentricCorrection) {
  std::vector<std::string> lines;
  const long double delta = ComputeHeliocentricCorrection(star, t);
  if (heliocentricCorrection != nullptr) *heliocentricCorrection = delta;
  // The coordinates enter as typed; a value too large for the double-precision sines (a right
  // ascension of 1e4000 h, a time of 1e400) gives no number, which is said instead of a NaN.
  if (std::isfinite(delta)) {
    lines.push_back("hjd-jd = " + FormatFixed(delta, 10, 5, separator));
    // Written like the "Minimum:" line: ten significant digits would keep only three decimals of
    // a Julian Day.
    lines.push_back("minimum+(hjd-jd) = " + FormatFixed(t + delta, 12, 5, separator));
  } else {
    lines.push_back("hjd-jd: not computed, the time or the coordinates are too large to give a direction");
  }
  if (barycentric) {
    const BarycentricTime bjd = ComputeBarycentricTime(t, star.raDecimalDegrees, star.decDecimalDegrees);
    if (bjd.status != BarycentricTime::Status::OutOfRange && !std::isfinite(bjd.bjdTdb)) {
      lines.push_back("bjd_tdb: not computed, the coordinates are too large to give the star's direction");
      return lines;
    }
    switch (bjd.status) {
      case BarycentricTime::Status::Ok:
        lines.push_back("bjd_tdb = " + FormatFixed(bjd.bjdTdb, 15, 7, separator));
        break;
      case BarycentricTime::Status::Dubious:
        lines.push_back("bjd_tdb = " + FormatFixed(bjd.bjdTdb, 15, 7, separator) +
                        " (uncertain: the date lies outside the leap-second table or 1900-2100)");
        break;
      case BarycentricTime::Status::OutOfRange:
        lines.push_back("bjd_tdb: the time lies outside the calendar of the time scales");
        break;
    }
  }
  return lines;
}

void TimeMinimum(Data& data, Star& star, ViewState& view, ChartModel& chart, const MinimumRequest& request,
                 MinimumOutcome& outcome) {
  outcome = MinimumOutcome{};
  const MinimumMode mode = MinimumModeOf(view, request.axis);
  outcome.mode = mode;
  const char sep = request.separator;
  const int32_t n = std::max<int32_t>(data.pointCount, 0);
  const int32_t i1 = view.areaIndex1;
  const int32_t i2 = view.areaIndex2;

  // 1. The count of the selection.
  data.minimumShift = 0;
  outcome.lines.push_back("Points:  " + std::to_string(std::llabs(static_cast<long long>(i1) - i2)));

  // The picked points must still name points of the data (a selection outlives a new load).
  const int32_t limit = mode == MinimumMode::LightCurve ? n : 2 * n - 1;
  if (i1 < 0 || i2 < 0 || i1 >= limit || i2 >= limit) {
    outcome.lines.push_back(
        "Minimum not computed: the picked points are not in the data; pick the eclipse again");
    return;
  }
  if (i1 == i2) {
    outcome.lines.push_back("Minimum not computed: both clicks fell on the same point");
    return;
  }

  // The positions of the phase diagram reach into its second cycle.
  if (mode != MinimumMode::LightCurve) data.AddSecondCycle();

  // 2. Integer day offset q, which keeps the fraction of the day in double precision.
  int32_t q = 0;
  if (mode == MinimumMode::LightCurve) q = TruncToInt32(data.jd[0]);
  if (mode == MinimumMode::JdAverage) q = TruncToInt32(data.jdAverage[0]);

  // 3. Range ends.
  const int32_t a = std::min(i1, i2);
  const int32_t b = std::max(i1, i2);
  auto abscissa = [&](int32_t k) -> double {
    switch (mode) {
      case MinimumMode::LightCurve:
        return ToDouble(data.jd[k] - q);
      case MinimumMode::Phase:
        return ToDouble(data.sortedPhase[k]);
      case MinimumMode::JdAverage:
        return ToDouble(data.jdAverage[k] - q);
    }
    return 0;
  };
  const double xLo = abscissa(a);
  const double xHi = abscissa(b);

  // 4. JD average: the epoch of the selection, the phase-0 instant after its mean Julian Day.
  if (mode == MinimumMode::JdAverage) {
    long double sum = 0;
    int32_t count = 0;
    long double largest = 0;
    long double smallest = 0;
    bool haveSmallest = false;
    for (int32_t k = a; k < b; ++k) {
      const long double jd = data.jd[data.sortIndex[k]];
      sum = Add(sum, jd);
      ++count;
      if (count == 1 || jd > largest) largest = jd;
      if (jd != 0 && (!haveSmallest || jd < smallest)) {
        smallest = jd;
        haveSmallest = true;
      }
    }
    const long double mean = Divide(sum, static_cast<long double>(count));
    const long double cycles = Divide(mean - star.epoch, star.period);
    const int32_t c = TruncToInt32(cycles);
    data.selectionEpoch = (1 - (cycles - c)) * star.period + mean;
    data.minimumShift = data.meanEpoch - data.selectionEpoch;
    if (i1 < i2)
      outcome.lines.push_back("First point:  " + FormatFixed(smallest, 12, 5, sep) +
                              "  Last point:" + FormatFixed(largest, 12, 5, sep));
    else
      outcome.lines.push_back("First point  " + FormatFixed(smallest, 10, 3, sep) + "Last point  " +
                              FormatFixed(largest, 10, 3, sep));
  }

  // 5. The candidates, in scan order; marked entries never enter.
  std::vector<double> xs;
  std::vector<double> ys;
  if (mode == MinimumMode::LightCurve) {
    xs.reserve(static_cast<size_t>(std::max(n, 0)));
    ys.reserve(xs.capacity());
    for (int32_t i = 1; i <= n - 2; ++i) {
      if (data.markFlag[i] != 0) continue;
      xs.push_back(ToDouble(data.jd[i] - q));
      ys.push_back(ToDouble(data.mag[i]));
    }
  } else {
    const int32_t last =
        std::min(2 * n - 3 - data.markCount, static_cast<int32_t>(data.sortIndex.size()) - 1);
    xs.reserve(static_cast<size_t>(std::max(last, 0)));
    ys.reserve(xs.capacity());
    for (int32_t k = 1; k <= last; ++k) {
      if (k == n - 1 || k == n) continue;
      const int32_t e = data.sortIndex[k];
      if (!HoldsEntry(data, e) || data.markFlag[e] != 0) continue;
      xs.push_back(mode == MinimumMode::Phase ? ToDouble(data.sortedPhase[k])
                                              : ToDouble(data.jdAverage[k] - q));
      ys.push_back(ToDouble(data.mag[e]));
    }
  }

  // 6 - 12. Kwee & van Woerden on the candidates of the range.
  outcome.kwee = KweeVanWoerden(xs, ys, xLo, xHi);
  if (outcome.kwee.status != KweeStatus::Done) {
    outcome.lines.push_back(KweeFailureLine(outcome.kwee));
    return;
  }
  const long double t = static_cast<long double>(q) + outcome.kwee.t0 + data.minimumShift;
  outcome.time = t;

  // 13. The red marker halfway between the brightest and the faintest point of the picture.
  ChartSeries& markers = chart.Series(kMarkerSeries);
  markers.Clear();
  const ChartSeries& picture =
      chart.Series(mode == MinimumMode::LightCurve ? kLightCurveSeries : kPhaseSeries);
  const double middle = std::fabs((picture.MaxY() + picture.MinY()) * 0.5);
  markers.Add(ToDouble(t), middle, kRed, "min");
  outcome.lines.push_back("Minimum: " + FormatFixed(t, 12, 5, sep) + " +/- " +
                          FormatFixed(outcome.kwee.sigma, 12, 5, sep));

  // 14. Redraw with the two picked points in lime.
  if (mode == MinimumMode::LightCurve) {
    for (int32_t i : {i1, i2}) markers.Add(ToDouble(data.jd[i]), ToDouble(data.mag[i]), kLime, "min");
  } else {
    PlotPhaseDiagram(data, star.period, request.axis, chart, view,
                     PhaseDrawing{.keepMarkers = true, .shift = data.minimumShift});
    for (int32_t k : {i1, i2}) {
      const long double x =
          mode == MinimumMode::Phase ? data.sortedPhase[k] : data.jdAverage[k] + data.minimumShift;
      markers.Add(ToDouble(x), ToDouble(data.mag[data.sortIndex[k]]), kLime, "min");
    }
  }

  // 15.
  view.phaseView = true;

  // 16. The corrections: only for a Julian Day (a phase has none), and only for coordinates
  // given for this star (after a load they are zeros nobody typed).
  if (request.heliocentric) {
    if (mode == MinimumMode::Phase) {
      outcome.lines.push_back(kCorrectionNeedsJulianDayLine);
    } else if (!star.coordinatesGiven) {
      outcome.lines.push_back(kCoordinatesMissingLine);
    } else {
      for (std::string& line :
           CorrectionLines(star, t, request.barycentric, sep, &outcome.heliocentricCorrection))
        outcome.lines.push_back(std::move(line));
    }
  }
  outcome.finished = true;
}

}  // namespace ombrane
