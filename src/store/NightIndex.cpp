#include "store/NightIndex.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace ombrane {
namespace {

// The nineteen colours of the first nights, 0x00BBGGRR, in the order every later run follows.
constexpr std::array<uint32_t, 19> kBaseColours = {
    0x008000,  // green
    0x008080,  // olive
    0x800000,  // navy
    0x800080,  // purple
    0x808000,  // teal
    0x00FF00,  // lime
    0x00FFFF,  // yellow
    0xFF00FF,  // fuchsia
    0xFFFF00,  // aqua
    0x0000FF,  // red
    0x000080,  // maroon
    0xFF0000,  // blue
    0x000000,  // black
    0xC0C0C0,  // silver
    0xFFFFFF,  // white
    0xC0DCC0,  // money green
    0xF0CAA6,  // sky blue
    0xF0FBFF,  // cream
    0xA4A0A0,  // medium grey
};

// Nights from this index on are drawn black.
constexpr int32_t kColouredNights = 980;

// The runs after the first nineteen nights, as positions in kBaseColours. Every run starts with
// green: most go green .. cream, one adds medium grey, one goes back over fuchsia .. red once.
constexpr std::array<int32_t, 18> kPlainRun = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
constexpr std::array<int32_t, 19> kGreyRun = {0,  1,  2,  3,  4,  5,  6,  7,  8, 9,
                                              10, 11, 12, 13, 14, 15, 16, 17, 18};
constexpr std::array<int32_t, 22> kRepeatRun = {0, 1, 2,  3,  4,  5,  6,  7,  8,  9,  7,
                                                8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};

constexpr std::array<uint32_t, kNightColourCount> BuildNightColours() {
  std::array<uint32_t, kNightColourCount> colours{};  // zero: black from kColouredNights on
  int32_t next = 0;
  for (uint32_t colour : kBaseColours) colours[next++] = colour;
  // A cycle of seven runs (plain, plain, grey, plain, plain, plain, repeat), cut at 980.
  int32_t runNumber = 0;
  while (next < kColouredNights) {
    const int32_t kind = runNumber % 7;
    auto append = [&](const auto& run) {
      for (int32_t position : run) {
        if (next == kColouredNights) return;
        colours[next++] = kBaseColours[position];
      }
    };
    if (kind == 2) {
      append(kGreyRun);
    } else if (kind == 6) {
      append(kRepeatRun);
    } else {
      append(kPlainRun);
    }
    ++runNumber;
  }
  return colours;
}

}  // namespace

constexpr std::array<uint32_t, kNightColourCount> nightColours = BuildNightColours();

// The integer part of a Julian Day is compared as the truncated extended value itself, so
// negative days truncate toward zero and days beyond any integer range stay exact; no
// conversion can overflow.
void SplitNights(std::span<const long double> t, Data& data, ViewState& view) {
  const int32_t n = std::clamp<int32_t>(data.pointCount, 0, static_cast<int32_t>(t.size()));
  // One night an entry; past N (after a deletion) the night is 0, as a night table row that
  // no longer exists is.
  data.night.assign(std::max(data.night.size(), static_cast<size_t>(std::max<int32_t>(data.pointCount, 0))),
                    0);
  view.nightFirst.clear();
  view.nightEnd.clear();
  view.nightCount.clear();
  if (n == 0) {
    view.lastNight = 0;
    return;
  }
  long double key = std::trunc(t[0]);
  int32_t k = 0;
  int32_t count = 1;
  auto close = [&](int32_t m) {
    view.nightFirst.push_back(m - count);
    view.nightEnd.push_back(m);
    view.nightCount.push_back(count);
  };
  for (int32_t m = 1; m < n; ++m) {
    const long double day = std::trunc(t[static_cast<size_t>(m)]);
    if (day == key) {
      ++count;
    } else {
      close(m);
      ++k;
      key = day;
      count = 1;
    }
    data.night[static_cast<size_t>(m)] = k;
  }
  close(n);
  // The tables were built row by row: a load of many one-entry nights gives back the room of
  // the doubling.
  for (auto* table : {&view.nightFirst, &view.nightEnd, &view.nightCount})
    if (table->capacity() > table->size() + table->size() / 4) table->shrink_to_fit();
  // The repeat shares the night of the last observation, which the night count follows.
  view.lastNight = n >= 2 ? data.night[static_cast<size_t>(RealCount(data) - 1)] : 0;
}

}  // namespace ombrane
