#include "common/SkyAngle.h"

#include <cmath>

namespace ombrane {

long double SexagesimalAngle::Decimal() const {
  const long double fraction = (minutes + seconds / 60) / 60;
  // The sign is the sign of the leading number as written: "-0 30 0" is -0.5.
  return std::signbit(whole) ? whole - fraction : whole + fraction;
}

long double SexagesimalAngle::Degrees(AngleForm form) const {
  return form == AngleForm::Hours ? Decimal() * 15 : Decimal();
}

}  // namespace ombrane
