#include "timing/Barycentric.h"

#include <cmath>

#include "timing/Erfa.h"

namespace ombrane {

namespace {

constexpr long double kSecondsPerDay = 86400;

// The date split at the preceding 0h, so that the fraction keeps every digit.
erfa::TwoPartDate Split(long double jd) {
  const long double whole = std::floor(jd - 0.5L) + 0.5L;
  return {.whole = static_cast<double>(whole), .fraction = static_cast<double>(jd - whole)};
}

double Dot(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

}  // namespace

BarycentricTime ComputeBarycentricTime(long double jdUtc, long double raDegrees, long double decDegrees) {
  BarycentricTime result;
  const erfa::TwoPartDate utc = Split(jdUtc);
  const erfa::Offset tt = erfa::TtMinusUtc(utc);
  if (tt.status == erfa::DateStatus::Unacceptable || !std::isfinite(static_cast<double>(jdUtc))) {
    result.status = BarycentricTime::Status::OutOfRange;
    return result;
  }
  result.ttMinusUtc = tt.seconds;
  const long double jdTt = jdUtc + tt.seconds / kSecondsPerDay;
  result.tdbMinusTt = erfa::TdbMinusTt(Split(jdTt), utc.fraction);
  const long double jdTdb = jdTt + result.tdbMinusTt / kSecondsPerDay;

  const erfa::EarthPosition earth = erfa::Earth(Split(jdTdb));
  const auto star = erfa::Direction(static_cast<double>(raDegrees), static_cast<double>(decDegrees));
  result.roemerDelay = Dot(earth.barycentric, star) * erfa::AuLightTimeDays();
  result.heliocentricDelay = Dot(earth.heliocentric, star) * erfa::AuLightTimeDays();
  result.bjdTdb = jdTdb + result.roemerDelay;
  if (tt.status == erfa::DateStatus::Dubious || earth.status != erfa::DateStatus::Ok)
    result.status = BarycentricTime::Status::Dubious;
  return result;
}

}  // namespace ombrane
