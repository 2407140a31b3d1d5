// The night index: observations grouped into nights by the integer part of the Julian Day
// (truncation toward zero), in file order, and the constant table of night colours.
#pragma once

#include <array>
#include <cstdint>

#include "store/Records.h"

namespace ombrane {

// Colour (0x00BBGGRR) of each night index: green, olive, navy, ... for nights 0..18, runs that
// start again with green up to 979, black from 980 on.
extern const std::array<uint32_t, kMaxNights> nightColours;

// Builds data.night, view.nightFirst / nightEnd / nightCount and view.lastNight from the Julian
// Days t[0 .. data.pointCount - 1]. What it does not write it clears: night[] from entry N on
// and the table rows after the last night, so a split after a deletion leaves no stale rows.
// N = 0 leaves all of them 0 and sets lastNight = 0.
void SplitNights(const std::array<long double, kMaxEntries>& t, Data& data, ViewState& view);
void SplitNights(const std::array<long double, kTwoCycle>& t, Data& data, ViewState& view);

}  // namespace ombrane
