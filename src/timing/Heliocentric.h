// Heliocentric and barycentric corrections of a time of minimum.
#pragma once

#include "store/Records.h"

namespace ombrane {

// The star's right ascension and declination in degrees (SexagesimalAngle: the sign of the
// leading number as written, also on zero).
long double RightAscensionDegrees(const Star& star);
long double DeclinationDegrees(const Star& star);

// HJD - JD in days at the Julian Day t for the star's coordinates: the light time along the
// projection of the Earth-Sun vector on the direction of the star, from the low-precision
// position of the Sun of the Astronomical Almanac (p. C5; good to about 0.01 degree from 1950 to
// 2050): mean anomaly g, ecliptic longitude lambda, obliquity epsilon and distance R,
//   delta = -0.0057755 R (cos lambda cos alpha cos delta
//                         + sin lambda (sin epsilon sin delta + cos epsilon cos delta sin alpha)).
// Writes star.raDecimalDegrees and star.decDecimalDegrees. The coordinates enter as they are
// (no check of their ranges).
long double ComputeHeliocentricCorrection(Star& star, long double t);

}  // namespace ombrane
