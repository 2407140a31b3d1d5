// Small records for the phase tests: observations given as (Julian Day, magnitude) pairs,
// optionally with the repeat of the last pair that loading adds.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "store/Records.h"

namespace ombrane::test {

struct Observation {
  long double jd;
  long double mag;
  int32_t night = 0;
  uint8_t mark = 0;
};

inline std::unique_ptr<Data> MakeData(const std::vector<Observation>& entries) {
  auto data = std::make_unique<Data>();
  data->Resize(static_cast<int32_t>(entries.size()));
  int32_t i = 0;
  for (const Observation& o : entries) {
    data->jd[i] = o.jd;
    data->mag[i] = o.mag;
    data->fileJd[i] = o.jd;
    data->fileMag[i] = o.mag;
    data->night[i] = o.night;
    data->markFlag[i] = o.mark;
    ++i;
  }
  data->pointCount = i;
  data->fileName = "test.dat";
  return data;
}

// Observations with the last one repeated, as loading stores them.
inline std::unique_ptr<Data> MakeLoaded(std::vector<Observation> observations) {
  observations.push_back(observations.back());
  return MakeData(observations);
}

// Random light curve of `count` entries over `nights` nights, each observed for `nightLength`
// days; magnitudes drawn from `levels` values so that many are equal. Julian Days on a grid of
// `jdGrid` days, so phases tie often.
inline std::vector<Observation> RandomCurve(uint32_t seed, int32_t count, int32_t nights, long double jdGrid,
                                            int32_t levels, long double nightLength = 0.3L) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int32_t> night(0, nights - 1);
  std::uniform_int_distribution<int32_t> slot(0, static_cast<int32_t>(nightLength / jdGrid));
  std::uniform_int_distribution<int32_t> level(0, levels - 1);
  std::vector<Observation> out;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t n = night(random);
    out.push_back({2450000.0L + n + slot(random) * jdGrid, 12.0L + level(random) * 0.01L, n, 0});
  }
  return out;
}

}  // namespace ombrane::test
