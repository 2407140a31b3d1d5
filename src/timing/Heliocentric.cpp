#include "timing/Heliocentric.h"

#include <cmath>

namespace ombrane {

namespace {

constexpr long double kJ2000 = 2451545.0L;
constexpr long double kLightTimePerAu = 0.0057755L;  // days

// Sine and cosine of an angle in degrees, taken of the double-precision radian value.
double SinDeg(long double degrees) {
  return std::sin(static_cast<double>(DegreesToRadians(degrees)));
}
double CosDeg(long double degrees) {
  return std::cos(static_cast<double>(DegreesToRadians(degrees)));
}

}  // namespace

long double RightAscensionDegrees(const Star& star) {
  return star.rightAscension.Degrees(AngleForm::Hours);
}

long double DeclinationDegrees(const Star& star) {
  return star.declination.Degrees(AngleForm::Degrees);
}

long double ComputeHeliocentricCorrection(Star& star, long double t) {
  const long double n = t - kJ2000;
  const long double g = 0.9856003L * n + 357.528L;
  const long double lambda = (0.9856474L * n + 280.46L) + 1.915L * SinDeg(g) + 0.02L * SinDeg(2 * g);
  const long double epsilon = 23.439L - 0.0000004L * n;
  const long double r = 1.00014L - 0.01671L * CosDeg(g) - 0.00014L * CosDeg(2 * g);

  star.raDecimalDegrees = RightAscensionDegrees(star);
  star.decDecimalDegrees = DeclinationDegrees(star);
  const long double alpha = star.raDecimalDegrees;
  const long double delta = star.decDecimalDegrees;
  const long double k = kLightTimePerAu * r;

  const long double a = CosDeg(delta) * (static_cast<long double>(CosDeg(alpha)) * CosDeg(lambda)) * k;
  const long double b = (SinDeg(alpha) * (static_cast<long double>(CosDeg(delta)) * CosDeg(epsilon)) +
                         static_cast<long double>(SinDeg(delta)) * SinDeg(epsilon)) *
                        SinDeg(lambda) * k;
  return -(b + a);
}

}  // namespace ombrane
