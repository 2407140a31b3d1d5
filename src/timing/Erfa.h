// The one door to ERFA (Essential Routines for Fundamental Astronomy, the C library derived from
// the IAU's SOFA): time scales and the Earth's position. No other code includes its header.
#pragma once

#include <array>

namespace ombrane::erfa {

// A Julian Date held as two doubles whose sum is the date, so that no precision is lost.
struct TwoPartDate {
  double whole = 0;     // a date at 0h (a .5 value)
  double fraction = 0;  // the rest, in days
};

enum class DateStatus { Ok, Dubious, Unacceptable };

// TT - UTC in seconds at the UTC date: the leap seconds of ERFA's table (TAI - UTC) plus
// 32.184 s. Dubious for dates before 1960 or later than the table is trusted; Unacceptable
// for dates ERFA's calendar cannot convert.
struct Offset {
  double seconds = 0;
  DateStatus status = DateStatus::Ok;
};
Offset TtMinusUtc(TwoPartDate utc);

// TDB - TT in seconds at the TT date for a geocentric observer (Fairhead & Bretagnon 1990
// series, as ERFA's eraDtdb); `utFraction` is the fraction of the day of universal time.
double TdbMinusTt(TwoPartDate tt, double utFraction);

// The Earth's position in astronomical units (ICRS axes) at the TDB date, from the VSOP2000
// based series of ERFA's eraEpv00: relative to the Sun and to the solar-system barycentre.
// Dubious outside 1900-2100, where the series loses accuracy.
struct EarthPosition {
  std::array<double, 3> heliocentric{};
  std::array<double, 3> barycentric{};
  DateStatus status = DateStatus::Ok;
};
EarthPosition Earth(TwoPartDate tdb);

// Unit vector of the direction (right ascension, declination) given in degrees.
std::array<double, 3> Direction(double raDegrees, double decDegrees);

// Light travel time for one astronomical unit, in days.
double AuLightTimeDays();

}  // namespace ombrane::erfa
