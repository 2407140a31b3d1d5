// What loading a photometry file does to the records, apart from the dialog and the boxes.
#pragma once

#include "store/Records.h"

namespace ombrane {

// Empties the store before the dialog opens: N = 0; every array of Data (both halves) and the
// night tables zeroed; fourierResult[0..19] = 0; currentNight = -1; shownNightFirst = 0;
// markCount = 0; harmonicCount = 3. (The left axis of the chart is the caller's.)
void ClearStoreForLoad(Data& data, Star& star, ViewState& view);

// Copies fileJd / fileMag into jd / mag for entries 0 .. N-1 after the night split.
void CopyLoadedToWorking(Data& data);

// Defaults for a new object after loading (also after a cancelled dialog): measurement state
// zeroed; period = 0, epoch = 2450000, magnitudeStep = 0.005, raDecimalDegrees = 0,
// decDecimalDegrees = 0; phaseView = 0. The boxes are written by the window.
void ApplyNewObjectDefaults(Star& star, ViewState& view);

// The navigation state after loading or Delete (button states are the window's): with fewer
// than three nights currentNight = 1 and minNightPoints = 1.
void ApplyLoadedNightState(ViewState& view);

}  // namespace ombrane
