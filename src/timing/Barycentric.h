// Barycentric Julian Date in the TDB time scale (BJD_TDB), the time standard of published times
// of minimum (Eastman, Siverd & Gaudi 2010, PASP 122, 935): the UTC Julian Date moved to TT by
// the leap seconds, to TDB by the periodic terms, and to the solar-system barycentre by the
// light time along the projection of the Earth's barycentric position on the star's direction
// (the Roemer delay). The star's coordinates are taken as ICRS (J2000) and the observer at the
// Earth's centre; the Shapiro delay (below 0.1 ms) and the observatory's place (below 21 ms)
// are left out.
#pragma once

namespace ombrane {

struct BarycentricTime {
  enum class Status { Ok, Dubious, OutOfRange };
  Status status = Status::Ok;    // Dubious: outside the leap-second table or 1900-2100
  long double bjdTdb = 0;        // the barycentric Julian Date, TDB
  double ttMinusUtc = 0;         // seconds
  double tdbMinusTt = 0;         // seconds
  double roemerDelay = 0;        // days, to the barycentre
  double heliocentricDelay = 0;  // days, the same light time to the Sun's centre
};

// For the UTC Julian Date `jdUtc` and the direction (right ascension, declination) in degrees.
BarycentricTime ComputeBarycentricTime(long double jdUtc, long double raDegrees, long double decDegrees);

}  // namespace ombrane
