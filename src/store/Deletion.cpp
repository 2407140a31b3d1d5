#include "store/Deletion.h"

#include <algorithm>

#include "store/Loading.h"
#include "store/NightIndex.h"

namespace ombrane {

void DeleteEntries(Data& data, ViewState& view, int32_t a, int32_t b) {
  // Cleared for the rebuild, both halves of the two-cycle arrays included.
  data.jd.fill(0);
  data.mag.fill(0);
  ClearNightsAndMarks(data, view);

  const int32_t lo = std::min(a, b);
  const int32_t hi = std::max(a, b);
  const int32_t n = std::clamp<int32_t>(data.pointCount, 0, kMaxEntries);
  int32_t k = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (i >= lo && i <= hi) continue;
    data.jd[static_cast<size_t>(k)] = data.fileJd[static_cast<size_t>(i)];
    data.mag[static_cast<size_t>(k)] = data.fileMag[static_cast<size_t>(i)];
    ++k;
  }
  data.pointCount = k;
  SplitNights(data.jd, data, view);
  std::copy_n(data.jd.begin(), k, data.fileJd.begin());
  std::copy_n(data.mag.begin(), k, data.fileMag.begin());
  ApplyLoadedNightState(view);
}

}  // namespace ombrane
