// The time of minimum as the button runs it: the lines for the notes pane, the markers on the
// chart, the redrawn phase diagram and, on request, the heliocentric and barycentric
// corrections, around the numbers of timing/MinimumTiming.h and timing/KweeVanWoerden.h.
#pragma once

#include <string>
#include <vector>

#include "phase/Fold.h"
#include "store/Records.h"
#include "timing/KweeVanWoerden.h"
#include "timing/MinimumTiming.h"
#include "view/ChartModel.h"

namespace ombrane {

// The one line of a heliocentric request that cannot be corrected: a minimum timed on the phase
// diagram is a phase, and coordinates not given since the load are not the star's.
inline constexpr const char* kCorrectionNeedsJulianDayLine =
    "Heliocentric correction: the minimum is a phase; the correction needs a Julian Day (time it on "
    "the light curve or the JD average diagram)";
inline constexpr const char* kCoordinatesMissingLine =
    "Heliocentric correction: the star's coordinates are missing; type them (REC, DEC) or look them "
    "up (Name) for this file";

struct MinimumRequest {
  PhaseAxis axis = PhaseAxis::Phase;  // the diagram's abscissa when the area was picked on it
  bool heliocentric = false;          // "Calculate Hel Corr" is ticked
  bool barycentric = false;           // and the BJD_TDB line follows the heliocentric lines
  char separator = '.';               // decimal separator of the lines
};

// Filled step by step, so that after a floating-point fault the caller still has the lines
// written before it.
struct MinimumOutcome {
  std::vector<std::string> lines;
  bool finished = false;  // the run went through to the end: the selection has been timed
  MinimumMode mode = MinimumMode::LightCurve;
  KweeResult kwee;
  long double time = 0;  // T = q + T0 + minimumShift
  long double heliocentricCorrection = 0;
};

// Times the minimum between view.areaIndex1 and view.areaIndex2 by Kwee & van Woerden, marks it
// in kMarkerSeries (red, with the two picked points in lime), redraws the phase diagram in the phase
// modes (the JD-average abscissae shifted by data.minimumShift) and sets phaseView. Selections
// that cannot be timed (both clicks on one point, fewer than five points in the range, a
// singular parabola, points out of order or out of the data) end with one line saying so and
// change nothing on the chart. Floating-point faults (5 to 8 points, a = 0) propagate after the
// lines written before them.
void TimeMinimum(Data& data, Star& star, ViewState& view, ChartModel& chart, const MinimumRequest& request,
                 MinimumOutcome& outcome);

// The two heliocentric lines ("hjd-jd = ", "minimum+(hjd-jd) = ") and, with `barycentric`, the
// "bjd_tdb = " line for the time t (a UTC Julian Day) and the star's coordinates. Where a
// correction is no number (coordinates or a time too large for its sines), one line says it
// was not computed instead: no line shows a NaN.
// A time already in another scale gets only the corrections that make sense: an HJD gets no
// heliocentric correction (a line says so) and its BJD_TDB from the UTC Julian Day it was
// corrected from (t - Δ(t - Δ(t)), Δ the heliocentric correction); a BJD_TDB gets neither (a
// line says so for each).
std::vector<std::string> CorrectionLines(Star& star, long double t, bool barycentric, char separator,
                                         long double* heliocentricCorrection = nullptr,
                                         TimeScale scale = TimeScale::Jd);

// The UTC Julian Day whose heliocentric correction gives the HJD `hjd` (two fixed-point steps:
// Δ changes by under 1e-6 d in the 0.006 d of a correction, so the second step is exact to
// far below a millisecond).
long double UtcOfHeliocentric(Star& star, long double hjd);

}  // namespace ombrane
