// The two-click measurements on the light curve and the phase diagram: time interval, magnitude
// difference, eclipse length, flat-bottom length, O'Connell effect and the two amplitudes. A
// first click stores a point; the second stores the other one and yields the result line for
// the notes pane.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "store/Records.h"

namespace ombrane {

// The items of the "Data" radio group, in their order.
enum class Measurement {
  TimeInterval = 0,
  DeltaMag = 1,
  EclipseTotalLength = 2,
  FlatBottomLength = 3,
  OConnellEffect = 4,
  PrimaryAmplitude = 5,
  SecondaryAmplitude = 6,
};
inline constexpr int kMeasurementCount = 7;

// The two points of a measurement (abscissa and magnitude of each click, as doubles).
struct MeasuredPair {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The result line of a completed pair. `phaseForm` is true when the second click fell on the
// phase diagram (the abscissae are phases, and the time lengths are dX times `period`). Every
// number is in the general format with `separator`. Raises the overflow of a difference that
// leaves the double range.
std::string MeasurementLine(Measurement item, bool phaseForm, const MeasuredPair& pair, long double period,
                            char separator);

// The abscissa and magnitude a clicked point stands for in a measurement, or nullopt for a
// series whose points are no observations. kPhaseSeries point r is sorted position r + 1 (its phase,
// also while the diagram is drawn against averaged time); kSecondCycleSeries point r is the second cycle of
// sorted position r (phase + 1); a kLightCurveSeries point r is entry r + shownNightFirst.
struct MeasuredPoint {
  double x = 0;
  double y = 0;
  bool onPhaseDiagram = false;
};
std::optional<MeasuredPoint> MeasuredPointOf(const Data& data, const ViewState& view, int series, int r);

// One click of a measurement with `item` chosen: the first click of a pair stores its point;
// the second stores the other and returns the line. A click on a series that stands for no
// observations changes nothing.
std::optional<std::string> MeasureClick(Measurement item, const Data& data, const Star& star, ViewState& view,
                                        int series, int r, char separator);

}  // namespace ombrane
