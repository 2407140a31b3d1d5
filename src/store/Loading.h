// What loading a photometry file does to the records, apart from the dialog and the boxes.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "store/Photometry.h"
#include "store/Records.h"

namespace ombrane {

// Clears what a new set of entries (a load, a deletion) rebuilds: the night of every entry, the
// marks, the night tables (emptied); currentNight = -1, shownNightFirst = 0.
void ClearNightsAndMarks(Data& data, ViewState& view);

// Empties the store before the dialog opens: N = 0; every array of Data and the night tables
// emptied, their memory given back; Fourier result slots 0..19 = 0; currentNight = -1; shownNightFirst = 0;
// markCount = 0; harmonicCount = 3. (The left axis of the chart is the caller's.)
void ClearStoreForLoad(Data& data, Star& star, ViewState& view);

// Copies fileJd / fileMag into jd / mag for entries 0 .. N-1 after the night split, and the
// errors fileMagError into magError when the store has them.
void CopyLoadedToWorking(Data& data);

// The file a load reads.
struct PhotometrySource {
  std::string path;       // opened as given (the window passes the bare name in the current folder)
  std::string fileName;   // data.fileName: the name without its folder, the chart's title
  std::string shownName;  // names the file in the reading messages
  // The file's content when it is already read (a pipe can be read only once): the pairs are
  // then read from it, and `path` is not opened.
  std::optional<std::string_view> text{};
};

// One load of a photometry file, for the window's Open and for ombrane-batch alike, in the
// window's order: the store emptied (ClearStoreForLoad), fileName set, the pairs read into
// fileJd / fileMag (ReadPhotometryFile), the nights split over fileJd (SplitNights), and the
// entries copied into jd / mag. The caller then reports the messages, draws the curve, sets
// the navigation state and the defaults of a new object. A file that cannot be opened leaves an
// empty store (N = 0) and says why in the messages.
PhotometryReadResult LoadPhotometry(const PhotometrySource& source, Data& data, Star& star, ViewState& view);

// The same load for observations an importer has read from a file of another layout: the store
// emptied, fileName set, the observations stored (StorePairs, with the limits and messages of
// the reading), the nights split and the entries copied into jd / mag.
PhotometryReadResult LoadObservations(std::span<const Observation> observations, const std::string& fileName,
                                      std::string_view shownName, Data& data, Star& star, ViewState& view);

// Defaults for a new object after loading (also after a cancelled dialog): measurement state
// zeroed; period = 0, epoch = 2450000, magnitudeStep = 0.005, raDecimalDegrees = 0,
// decDecimalDegrees = 0; phaseView = false. The boxes are written by the window.
void ApplyNewObjectDefaults(Star& star, ViewState& view);

// The navigation state after loading or Delete (button states are the window's): with fewer
// than three nights currentNight = 1 and minNightPoints = 1.
void ApplyLoadedNightState(ViewState& view);

}  // namespace ombrane
