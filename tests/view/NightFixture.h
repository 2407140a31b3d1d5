// A small store built night by night for the view tests: night k gets counts[k] observations
// at Julian Days 2450000 + k + 0.1 + 0.01 j (ascending), magnitudes 10 + k + 0.001 j, and the
// loader's repeat of the last observation closes the last night. The night tables are filled
// by hand from the counts, independently of the night splitting.
#pragma once

#include <memory>
#include <vector>

#include "store/Records.h"

namespace ombrane::test {

struct NightStore {
  std::unique_ptr<Data> data = std::make_unique<Data>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();
};

inline NightStore MakeNights(const std::vector<int>& observationsPerNight) {
  NightStore s;
  Data& d = *s.data;
  ViewState& v = *s.view;
  int32_t total = 1;  // the repeat
  for (int count : observationsPerNight) total += count;
  d.Resize(total);
  v.nightFirst.assign(observationsPerNight.size(), 0);
  v.nightEnd.assign(observationsPerNight.size(), 0);
  v.nightCount.assign(observationsPerNight.size(), 0);
  int32_t n = 0;
  for (size_t k = 0; k < observationsPerNight.size(); ++k) {
    const auto night = static_cast<int32_t>(k);
    v.nightFirst[k] = n;
    for (int j = 0; j < observationsPerNight[k]; ++j, ++n) {
      d.jd[static_cast<size_t>(n)] = 2450000.0L + night + 0.1L + 0.01L * j;
      d.mag[static_cast<size_t>(n)] = 10.0L + night + 0.001L * j;
      d.night[static_cast<size_t>(n)] = night;
    }
    v.nightCount[k] = observationsPerNight[k];
    v.nightEnd[k] = n;
  }
  // The repeat of the last observation belongs to the last night.
  const auto last = static_cast<size_t>(n - 1);
  d.jd[last + 1] = d.jd[last];
  d.mag[last + 1] = d.mag[last];
  d.night[last + 1] = d.night[last];
  ++n;
  v.nightCount[observationsPerNight.size() - 1] += 1;
  v.nightEnd[observationsPerNight.size() - 1] = n;
  d.pointCount = n;
  v.lastNight = static_cast<int32_t>(observationsPerNight.size()) - 1;
  d.fileName = "star.txt";
  return s;
}

}  // namespace ombrane::test
