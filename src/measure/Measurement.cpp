#include "measure/Measurement.h"

#include <cmath>

#include "common/FloatingPoint.h"
#include "common/NumberFormat.h"
#include "measure/ClickedPoint.h"

namespace ombrane {
namespace {

// |b - a| of two stored doubles, taken as a double; a difference beyond the double range faults.
double Distance(double a, double b) {
  const double d = std::fabs(b - a);
  if (std::isinf(d)) CheckResult(static_cast<long double>(d));
  return d;
}

}  // namespace

std::string MeasurementLine(Measurement item, bool phaseForm, const MeasuredPair& pair, long double period,
                            char separator) {
  auto g = [separator](long double x) { return FormatGeneral(x, separator); };
  const double dx = Distance(pair.x1, pair.x2);
  const double dy = Distance(pair.y1, pair.y2);
  // The pieces after the result; the blanks inside the quoted pieces are part of the line.
  const std::string xs = "X1: " + g(pair.x1) + " X2: " + g(pair.x2);
  const std::string xys = xs + " -- Y1: " + g(pair.y1) + " Y2: " + g(pair.y2) + " ) ";
  const std::string dt = phaseForm ? " dt: " + g(Multiply(dx, period)) : std::string();
  switch (item) {
    case Measurement::TimeInterval:
      return phaseForm ? "dPh: " + g(dx) + dt + " ( " + xys : "dt: " + g(dx) + " ( " + xys;
    case Measurement::DeltaMag:
      return "dmag: " + g(dy) + " ( " + xys;
    case Measurement::EclipseTotalLength:
      return phaseForm ? "D (dPh): " + g(dx) + dt + "  ( " + xs + " ) "
                       : "D (dt): " + g(dx) + " day   ( " + xs + " ) ";
    case Measurement::FlatBottomLength:
      return phaseForm ? "d (dPh): " + g(dx) + dt + "  ( " + xs + " ) "
                       : "d (dt): " + g(dx) + " day  ( " + xs + " ) ";
    case Measurement::OConnellEffect:
      return "O'Connell Effect: " + g(dy) + (phaseForm ? " ( " : "  (") + xys;
    case Measurement::PrimaryAmplitude:
      return "A1: " + g(dy) + (phaseForm ? "  (" : "  ( ") + xys;
    case Measurement::SecondaryAmplitude:
      return "A2: " + g(dy) + (phaseForm ? "  (" : "  ( ") + xys;
  }
  return {};
}

std::optional<MeasuredPoint> MeasuredPointOf(const Data& data, const ViewState& view, int series, int r) {
  const std::optional<ClickedEntry> clicked = EntryOfClick(data, view, series, r);
  if (!clicked) return std::nullopt;
  MeasuredPoint point;
  point.onPhaseDiagram = clicked->onPhaseDiagram;
  point.x = clicked->onPhaseDiagram ? PhaseOfClick(data, *clicked)
                                    : ToDouble(data.jd[static_cast<size_t>(clicked->entry)]);
  point.y = ToDouble(data.mag[static_cast<size_t>(clicked->entry)]);
  return point;
}

std::optional<std::string> MeasureClick(Measurement item, const Data& data, const Star& star, ViewState& view,
                                        int series, int r, char separator) {
  const std::optional<MeasuredPoint> point = MeasuredPointOf(data, view, series, r);
  if (!point) return std::nullopt;
  if (!view.measureFirstDone) {
    view.measureX1 = point->x;
    view.measureY1 = point->y;
    view.measureFirstDone = true;
    return std::nullopt;
  }
  view.measureX2 = point->x;
  view.measureY2 = point->y;
  view.measureFirstDone = false;
  const MeasuredPair pair{view.measureX1, view.measureY1, view.measureX2, view.measureY2};
  return MeasurementLine(item, point->onPhaseDiagram, pair, star.period, separator);
}

}  // namespace ombrane
