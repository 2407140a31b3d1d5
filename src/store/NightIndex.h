// The night index: observations grouped into nights by the integer part of the Julian Day
// (truncation toward zero), in file order, and the constant table of night colours.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "store/Records.h"

namespace ombrane {

// Rows of the constant colour table.
inline constexpr int32_t kNightColourCount = 6000;

// Colour (0x00BBGGRR) of each night index: green, olive, navy, ... for nights 0..18, runs that
// start again with green up to 979, black from 980 on.
extern const std::array<uint32_t, kNightColourCount> nightColours;

// The colour a night is drawn in: its row of the table, and for a night past the table's end
// (or no night, below 0) the colour of its last rows (black).
inline uint32_t NightColour(int32_t night) {
  const int32_t row = night >= 0 && night < kNightColourCount ? night : kNightColourCount - 1;
  return nightColours[static_cast<size_t>(row)];
}

// Builds data.night, view.nightFirst / nightEnd / nightCount (one row a night) and
// view.lastNight from the Julian Days t[0 .. data.pointCount - 1]; night[] holds one value an
// entry, the tables one row a night, so a split after a deletion leaves no stale rows.
// N = 0 leaves the tables empty and sets lastNight = 0.
void SplitNights(std::span<const long double> t, Data& data, ViewState& view);

}  // namespace ombrane
