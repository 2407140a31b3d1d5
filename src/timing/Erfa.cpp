#include "timing/Erfa.h"

#include <erfa.h>
#include <erfam.h>

namespace ombrane::erfa {

namespace {

DateStatus Status(int code) {
  if (code < 0) return DateStatus::Unacceptable;
  if (code > 0) return DateStatus::Dubious;
  return DateStatus::Ok;
}

}  // namespace

Offset TtMinusUtc(TwoPartDate utc) {
  double tai1 = 0, tai2 = 0;
  const int code = eraUtctai(utc.whole, utc.fraction, &tai1, &tai2);
  if (code < 0) return {.seconds = 0, .status = DateStatus::Unacceptable};
  double tt1 = 0, tt2 = 0;
  eraTaitt(tai1, tai2, &tt1, &tt2);
  // Both results keep the first part; the offset is in the second parts.
  const double seconds = ((tt1 - utc.whole) + (tt2 - utc.fraction)) * ERFA_DAYSEC;
  return {.seconds = seconds, .status = Status(code)};
}

double TdbMinusTt(TwoPartDate tt, double utFraction) {
  return eraDtdb(tt.whole, tt.fraction, utFraction, 0.0, 0.0, 0.0);
}

EarthPosition Earth(TwoPartDate tdb) {
  double pvh[2][3];
  double pvb[2][3];
  const int code = eraEpv00(tdb.whole, tdb.fraction, pvh, pvb);
  EarthPosition p;
  for (int i = 0; i < 3; ++i) {
    p.heliocentric[i] = pvh[0][i];
    p.barycentric[i] = pvb[0][i];
  }
  p.status = Status(code);
  return p;
}

std::array<double, 3> Direction(double raDegrees, double decDegrees) {
  double c[3];
  eraS2c(raDegrees * ERFA_DD2R, decDegrees * ERFA_DD2R, c);
  return {c[0], c[1], c[2]};
}

double AuLightTimeDays() {
  return ERFA_AULT / ERFA_DAYSEC;
}

}  // namespace ombrane::erfa
