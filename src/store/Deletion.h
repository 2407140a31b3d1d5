// Deleting a run of consecutive entries picked with two area clicks: the store is rebuilt from
// the kept copies of the loaded values without the run, and the night index is built anew.
#pragma once

#include <cstdint>
#include <string>

#include "store/Records.h"

namespace ombrane {

// Drops entries min(a, b) .. max(a, b) (the repeated last entry counts as an entry) and rebuilds
// the working arrays from fileJd / fileMag, so every magnitude shift made since loading is undone
// too; then the night index over jd, and the kept copies become the compacted store. Marks are
// cleared; currentNight = -1 and shownNightFirst = 0 (currentNight = 1 and minNightPoints = 1
// when fewer than three nights remain). Indexes outside the store drop nothing there. The derived
// arrays of the fold and the fit are left alone.
void DeleteEntries(Data& data, ViewState& view, int32_t a, int32_t b);

// The notes pane's line of a Delete, written before it: which entries go (indexes counted from
// 0, as a saved analysis names them) and their Julian Days, in the general format with
// `separator`: "Deleted entry 4: JD 2450002.5" or "Deleted entries 3 .. 5 (3 entries): JD
// 2450002.25 .. 2450002.75". The run is min(a, b) .. max(a, b), within the store.
std::string DeletionNote(const Data& data, int32_t a, int32_t b, char separator);

}  // namespace ombrane
