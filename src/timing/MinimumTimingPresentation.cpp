#include "timing/MinimumTimingPresentation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/FloatingPoint.h"
#include "common/NumberFormat.h"
#include "phase/FoldPresentation.h"
#include "timing/Barycentric.h"
#include "timing/Heliocentric.h"

namespace ombrane {

// The "bjd_tdb = " line of the UTC Julian Day t, or the line saying why there is none.
static void AppendBarycentricLine(std::vector<std::string>& lines, const Star& star, long double t,
                                  char separator);

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

// The picked points must still name points of the data (a selection outlives a new load) and
// must be two: otherwise the one line saying why.
bool PickedPointsUsable(const Data& data, MinimumMode mode, int32_t i1, int32_t i2, MinimumOutcome& outcome) {
  const int32_t n = std::max<int32_t>(data.pointCount, 0);
  const int32_t limit = mode == MinimumMode::LightCurve ? n : 2 * n - 1;
  if (i1 < 0 || i2 < 0 || i1 >= limit || i2 >= limit) {
    outcome.lines.push_back(
        "Minimum not computed: the picked points are not in the data; pick the eclipse again");
    return false;
  }
  if (i1 == i2) {
    outcome.lines.push_back("Minimum not computed: both clicks fell on the same point");
    return false;
  }
  return true;
}

// The epoch of a selection on the JD average diagram and the shift of the diagram it brings,
// with the line of its first and last Julian Day (its form depends on the order of the clicks).
void TakeSelectionEpoch(Data& data, const Star& star, int32_t i1, int32_t i2, char sep,
                        MinimumOutcome& outcome) {
  const SelectionSpan span = SelectionSpanOf(data, star, std::min(i1, i2), std::max(i1, i2));
  data.selectionEpoch = span.epoch;
  data.minimumShift = data.meanEpoch - data.selectionEpoch;
  if (i1 < i2)
    outcome.lines.push_back("First point:  " + FormatFixed(span.smallestJd, 12, 5, sep) +
                            "  Last point:" + FormatFixed(span.largestJd, 12, 5, sep));
  else
    outcome.lines.push_back("First point  " + FormatFixed(span.smallestJd, 10, 3, sep) + "Last point  " +
                            FormatFixed(span.largestJd, 10, 3, sep));
}

// The red marker of the minimum at time t, halfway between the brightest and the faintest point
// of the picture, alone in kMarkerSeries.
void MarkMinimum(ChartModel& chart, MinimumMode mode, long double t) {
  ChartSeries& markers = chart.Series(kMarkerSeries);
  markers.Clear();
  const ChartSeries& picture =
      chart.Series(mode == MinimumMode::LightCurve ? kLightCurveSeries : kPhaseSeries);
  const double middle = std::fabs((picture.MaxY() + picture.MinY()) * 0.5);
  markers.Add(ToDouble(t), middle, kRed, "min");
}

// The picture again with the two picked points in lime: on the phase diagram it is redrawn
// with its JD-average abscissae shifted to the selection's epoch, keeping the markers.
void ShowPickedPoints(Data& data, const Star& star, ViewState& view, ChartModel& chart,
                      const MinimumRequest& request, MinimumMode mode) {
  const int32_t i1 = view.areaIndex1;
  const int32_t i2 = view.areaIndex2;
  ChartSeries& markers = chart.Series(kMarkerSeries);
  if (mode == MinimumMode::LightCurve) {
    for (int32_t i : {i1, i2}) markers.Add(ToDouble(data.jd[i]), ToDouble(data.mag[i]), kLime, "min");
    return;
  }
  PlotPhaseDiagram(data, star.period, request.axis, chart, view,
                   PhaseDrawing{.keepMarkers = true, .shift = data.minimumShift});
  for (int32_t k : {i1, i2}) {
    const long double x =
        mode == MinimumMode::Phase ? data.sortedPhase[k] : data.jdAverage[k] + data.minimumShift;
    markers.Add(ToDouble(x), ToDouble(data.mag[data.sortIndex[k]]), kLime, "min");
  }
}

// The corrections: only for a Julian Day (a phase has none), and only for coordinates given for
// this star (after a load they are zeros nobody typed).
void AddCorrections(Star& star, const MinimumRequest& request, MinimumMode mode, long double t,
                    TimeScale scale, MinimumOutcome& outcome) {
  if (mode == MinimumMode::Phase) {
    outcome.lines.push_back(kCorrectionNeedsJulianDayLine);
  } else if (!star.coordinatesGiven) {
    outcome.lines.push_back(kCoordinatesMissingLine);
  } else {
    for (std::string& line : CorrectionLines(star, t, request.barycentric, request.separator,
                                             &outcome.heliocentricCorrection, scale))
      outcome.lines.push_back(std::move(line));
  }
}

}  // namespace

long double UtcOfHeliocentric(Star& star, long double hjd) {
  const long double first = hjd - ComputeHeliocentricCorrection(star, hjd);
  return hjd - ComputeHeliocentricCorrection(star, first);
}

std::vector<std::string> CorrectionLines(Star& star, long double t, bool barycentric, char separator,
                                         long double* heliocentricCorrection, TimeScale scale) {
  std::vector<std::string> lines;
  if (heliocentricCorrection != nullptr) *heliocentricCorrection = 0;
  if (scale == TimeScale::BjdTdb) {
    lines.emplace_back("hjd-jd: the times are barycentric (BJD_TDB); no heliocentric correction");
    if (barycentric) lines.emplace_back("bjd_tdb: the times are already BJD_TDB; no correction");
    return lines;
  }
  if (scale == TimeScale::Hjd) {
    lines.emplace_back("hjd-jd: the times are already heliocentric (HJD); no correction");
    if (barycentric) AppendBarycentricLine(lines, star, UtcOfHeliocentric(star, t), separator);
    return lines;
  }
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
  if (barycentric) AppendBarycentricLine(lines, star, t, separator);
  return lines;
}

static void AppendBarycentricLine(std::vector<std::string>& lines, const Star& star, long double t,
                                  char separator) {
  {
    const BarycentricTime bjd = ComputeBarycentricTime(t, star.raDecimalDegrees, star.decDecimalDegrees);
    if (bjd.status != BarycentricTime::Status::OutOfRange && !std::isfinite(bjd.bjdTdb)) {
      lines.push_back("bjd_tdb: not computed, the coordinates are too large to give the star's direction");
      return;
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
}

void TimeMinimum(Data& data, Star& star, ViewState& view, ChartModel& chart, const MinimumRequest& request,
                 MinimumOutcome& outcome) {
  outcome = MinimumOutcome{};
  const MinimumMode mode = MinimumModeOf(view, request.axis);
  outcome.mode = mode;
  const int32_t i1 = view.areaIndex1;
  const int32_t i2 = view.areaIndex2;

  // 1. The count of the selection.
  data.minimumShift = 0;
  outcome.lines.push_back("Points:  " + std::to_string(std::llabs(static_cast<long long>(i1) - i2)));
  if (!PickedPointsUsable(data, mode, i1, i2, outcome)) return;

  // The positions of the phase diagram reach into its second cycle.
  if (mode != MinimumMode::LightCurve) data.AddSecondCycle();

  // 2. Integer day offset q; 3. the range ends.
  const int32_t q = DayOffset(data, mode);
  const double xLo = MinimumAbscissa(data, mode, q, std::min(i1, i2));
  const double xHi = MinimumAbscissa(data, mode, q, std::max(i1, i2));

  // 4. JD average: the epoch of the selection, the phase-0 instant after its mean Julian Day.
  if (mode == MinimumMode::JdAverage) TakeSelectionEpoch(data, star, i1, i2, request.separator, outcome);

  // 5. The candidates; 6 - 12. Kwee & van Woerden on those of the range.
  const MinimumCandidates candidates = MinimumCandidatesOf(data, mode, q);
  outcome.kwee = KweeVanWoerden(candidates.x, candidates.y, xLo, xHi);
  if (outcome.kwee.status != KweeStatus::Done) {
    outcome.lines.push_back(KweeFailureLine(outcome.kwee));
    return;
  }
  const long double t = static_cast<long double>(q) + outcome.kwee.t0 + data.minimumShift;
  outcome.time = t;

  // 13. The red marker and the line.
  MarkMinimum(chart, mode, t);
  const char sep = request.separator;
  // A time in another scale than UTC Julian Days says so after its error.
  std::string minimumLine =
      "Minimum: " + FormatFixed(t, 12, 5, sep) + " +/- " + FormatFixed(outcome.kwee.sigma, 12, 5, sep);
  if (mode != MinimumMode::Phase && data.timeScale != TimeScale::Jd)
    minimumLine.append(" ").append(TimeScaleName(data.timeScale));
  outcome.lines.push_back(std::move(minimumLine));

  // 14. The picture again with the two picked points in lime.
  ShowPickedPoints(data, star, view, chart, request, mode);

  // 15.
  view.phaseView = true;

  // 16. The corrections.
  if (request.heliocentric) AddCorrections(star, request, mode, t, data.timeScale, outcome);
  outcome.finished = true;
}

}  // namespace ombrane
