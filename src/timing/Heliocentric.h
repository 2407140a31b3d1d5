// Heliocentric and barycentric corrections of a time of minimum.
#pragma once

#include "store/Records.h"

namespace ombrane {

// Right ascension in degrees from star.raHours, raMinutes, raSeconds, and declination in signed
// degrees from star.decDegrees, decArcMinutes, decArcSeconds; the sign is carried by the degrees
// alone (a minus sign counts, also on zero degrees: -0 30 0 is -0.5), minutes and seconds are taken as magnitudes.
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
