// Synthetic light curves for the fit tests: a Fourier series in time with chosen amplitudes and
// phases, sampled at chosen Julian Days, stored as loading stores observations (the last one
// repeated).
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "fit/HarmonicCore.h"
#include "store/Records.h"

namespace ombrane::test {

struct Harmonic {
  int32_t k;
  long double amplitude;  // A_k of A_k sin(k w t + phi_k)
  long double phase;      // phi_k, radians
};

// The frequency of harmonic k as the fits form it: k * (2 pi / P), 2 pi the double constant.
inline long double FrequencyOf(int32_t k, long double period) {
  return k * (static_cast<long double>(kTwoPi) / period);
}

// A0 + sum of A_k sin(k w t + phi_k), written as a_k sin + b_k cos with a_k = A cos(phi),
// b_k = A sin(phi), each sine and cosine of the extended argument taken in double precision as
// the fits take them, so that a noise-free curve is exactly of the fitted form.
inline long double SeriesValue(long double a0, const std::vector<Harmonic>& terms, long double period,
                               long double t) {
  long double y = a0;
  for (const Harmonic& h : terms) {
    const double argument = static_cast<double>(FrequencyOf(h.k, period) * t);
    y += h.amplitude * std::cos(h.phase) * std::sin(argument) +
         h.amplitude * std::sin(h.phase) * std::cos(argument);
  }
  return y;
}

// The record of the given observations, the last one repeated as loading does.
inline std::unique_ptr<Data> MakeCurve(const std::vector<long double>& jd,
                                       const std::vector<long double>& mag) {
  auto data = std::make_unique<Data>();
  const auto n = static_cast<int32_t>(jd.size());
  data->Resize(n + 1);
  for (int32_t i = 0; i < n; ++i) {
    data->jd[static_cast<size_t>(i)] = jd[static_cast<size_t>(i)];
    data->mag[static_cast<size_t>(i)] = mag[static_cast<size_t>(i)];
  }
  data->jd[static_cast<size_t>(n)] = jd.back();
  data->mag[static_cast<size_t>(n)] = mag.back();
  data->pointCount = n + 1;
  data->fileName = "synthetic.dat";
  return data;
}

// `count` observations evenly spaced over `cycles` whole cycles from t0: the harmonics are then
// exactly orthogonal over the samples, up to half the samples per cycle.
inline std::vector<long double> EvenTimes(int32_t count, int32_t cycles, long double period,
                                          long double t0 = 2450000.0L) {
  std::vector<long double> t;
  for (int32_t i = 0; i < count; ++i) t.push_back(t0 + cycles * period * i / count);
  return t;
}

// `count` observations at random moments of `nights` nights (a few hours each), as a campaign
// gives them.
inline std::vector<long double> CampaignTimes(uint32_t seed, int32_t count, int32_t nights,
                                              long double t0 = 2452000.3L) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int32_t> night(0, nights - 1);
  std::uniform_real_distribution<double> hour(0.0, 0.3);
  std::vector<long double> t;
  for (int32_t i = 0; i < count; ++i) t.push_back(t0 + night(random) + hour(random));
  return t;
}

// Magnitudes of the series at the given times, with Gaussian noise of `noise` magnitudes.
inline std::vector<long double> CurveMagnitudes(const std::vector<long double>& t, long double a0,
                                                const std::vector<Harmonic>& terms, long double period,
                                                double noise = 0, uint32_t seed = 1) {
  std::mt19937 random(seed);
  std::normal_distribution<double> gauss(0.0, noise > 0 ? noise : 1.0);
  std::vector<long double> mag;
  for (const long double time : t) {
    long double y = SeriesValue(a0, terms, period, time);
    if (noise > 0) y += gauss(random);
    mag.push_back(y);
  }
  return mag;
}

}  // namespace ombrane::test
