// Angles on the sky as observers write them: a right ascension in hours, minutes and seconds of
// time, a declination in degrees, minutes and seconds of arc. One type owns the two forms, the
// sign rule and the conversions to decimal degrees and radians, so that no other file repeats
// them.
#pragma once

namespace ombrane {

// pi as the double closest to it; every angle conversion and every harmonic of the fits uses
// this one value.
inline constexpr double kPi = 3.141592653589793;

// Which unit the leading number of a sexagesimal angle counts: hours (15 degrees each) for a
// right ascension, degrees for a declination.
enum class AngleForm { Hours, Degrees };

// A sexagesimal angle as written: the leading number carries the sign, also on zero ("-0 30 0"
// is half a degree south); the minutes and seconds count away from zero on that side (a minus
// on them counts back: "0 -30 0" is -0.5 as well).
struct SexagesimalAngle {
  long double whole = 0;  // hours or degrees
  long double minutes = 0;
  long double seconds = 0;

  // The angle in its own unit (hours or degrees) as one signed number.
  long double Decimal() const;
  // The angle in degrees for the given form.
  long double Degrees(AngleForm form) const;
};

// An angle in degrees as radians, formed in extended precision with kPi.
inline long double DegreesToRadians(long double degrees) {
  return degrees * kPi * (1.0L / 180);
}

}  // namespace ombrane
