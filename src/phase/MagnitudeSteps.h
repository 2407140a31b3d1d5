// The magnitude steps of single nights: "+" and "-" move every magnitude of the night shown by
// one step, so that a night with another zero point can be slid against the others until the
// folded curve is smooth; the phase diagram of the last fold is redrawn with the new magnitudes
// and the string length recomputed. "Bright" reports the shift accumulated for the night picked
// last.
#pragma once

#include <string>

#include "store/Records.h"
#include "view/ChartModel.h"

namespace ombrane {

struct MagnitudeStepOutcome {
  bool redrawn = false;  // one night was shown: its magnitudes moved and the diagram is new
};

// With one night shown (currentNight >= 0): mag[i] += sign * magnitudeStep for every entry of
// that night (its repeated last entry too), nightShift grows by the same (the StepOperation of
// that night), and the phase diagram of the last fold is drawn again without folding (phases
// always, the second cycle in kSecondCycleSeries). In every case the string length of the
// current arrays goes into star.stringLength.
MagnitudeStepOutcome ShiftNightMagnitudes(Data& data, Star& star, ViewState& view, ChartModel& chart,
                                          int sign);

// The picture and the string length of a magnitude step whose magnitudes are already in the
// store (the step applied through the list of operations, or its undo): with one night shown
// the phase diagram of the last fold drawn again as ShiftNightMagnitudes draws it; in every
// case the string length into star.stringLength.
MagnitudeStepOutcome ShowMagnitudeStep(Data& data, Star& star, ViewState& view, ChartModel& chart);

// The report of "Bright": "Night " + selectedNightDay + " was change " + nightShift (general
// format) + " mag".
std::string NightShiftLine(const Data& data, char separator);

}  // namespace ombrane
