#include "common/SkyAngle.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ombrane {
namespace {

// Worked by hand: hours count 15 degrees; the sign of the leading number, also of a zero, is the
// angle's; minutes and seconds count away from zero on that side.
TEST(SexagesimalAngle, DegreesOfBothForms) {
  struct Case {
    AngleForm form;
    long double whole, minutes, seconds;
    long double degrees;
  };
  const Case cases[] = {
      {AngleForm::Hours, 5, 35, 8.3L, (5 + 35.0L / 60 + 8.3L / 3600) * 15},  // 83.784583...
      {AngleForm::Hours, 0, 0, 0, 0},
      {AngleForm::Hours, 23, 59, 59, 359.99583333333333333L},
      {AngleForm::Degrees, 12, 0, 36, 12.01L},
      {AngleForm::Degrees, -5, 30, 0, -5.5L},
      {AngleForm::Degrees, -0.0L, 30, 0, -0.5L},  // a minus on zero degrees counts
      {AngleForm::Degrees, 0, 30, 0, 0.5L},
      {AngleForm::Degrees, 0, -30, 0, -0.5L},  // a minus on the minutes counts back
      {AngleForm::Degrees, -0.0L, 17, 57, -(17.0L / 60 + 57.0L / 3600)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<double>(c.whole) << " " << static_cast<double>(c.minutes)
                                    << " " << static_cast<double>(c.seconds));
    const SexagesimalAngle angle{c.whole, c.minutes, c.seconds};
    EXPECT_NEAR(static_cast<double>(angle.Degrees(c.form)), static_cast<double>(c.degrees), 1e-13);
  }
}

TEST(SexagesimalAngle, RadiansUseTheOnePi) {
  EXPECT_DOUBLE_EQ(static_cast<double>(DegreesToRadians(180)), M_PI);
  EXPECT_DOUBLE_EQ(static_cast<double>(DegreesToRadians(-90)), -M_PI / 2);
  EXPECT_EQ(kPi, M_PI);
}

}  // namespace
}  // namespace ombrane
