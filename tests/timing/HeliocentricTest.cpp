#include "timing/Heliocentric.h"

#include <gtest/gtest.h>

#include <cmath>

#include "timing/Barycentric.h"
#include "timing/MinimumTimingPresentation.h"

namespace ombrane {
namespace {

Star StarAt(long double raDegrees, long double decDegrees) {
  Star star;
  star.rightAscension.whole = raDegrees / 15;
  star.declination.whole = decDegrees;
  return star;
}

// Heliocentric corrections HJD - JD (days) of four stars at five dates: the low-precision Sun
// with the star's J2000 coordinates used directly, and astropy 5.2 (ERFA's ephemeris, geocentric
// observer), from the project's shared data file hjd_test_vectors.txt. The low-precision column
// is the same formula computed independently; astropy bounds its error.
struct Vector {
  const char* star;
  double ra, dec, jd, astropy, lowPrecision;
};
constexpr Vector kVectors[] = {
    {"RR Lyr", 291.36623, 42.78436, 2451545.0, -0.00226728, -0.00226718},
    {"RR Lyr", 291.36623, 42.78436, 2455000.5, +0.00200280, +0.00200663},
    {"RR Lyr", 291.36623, 42.78436, 2461000.5, -0.00094216, -0.00095673},
    {"CM Dra", 248.58471, 57.16233, 2458739.9291169, -0.00100431, -0.00100874},
    {"CM Dra", 248.58471, 57.16233, 2460000.5, +0.00072989, +0.00073624},
    {"M3", 205.54842, 28.37728, 2455000.5, +0.00119408, +0.00118378},
    {"M3", 205.54842, 28.37728, 2458739.9291169, -0.00438507, -0.00439313},
    {"HD 23642", 56.87271, 24.28833, 2451545.0, +0.00431671, +0.00431680},
    {"HD 23642", 56.87271, 24.28833, 2460000.5, -0.00057193, -0.00060392},
    {"HD 23642", 56.87271, 24.28833, 2461000.5, +0.00568882, +0.00568920},
};

TEST(Heliocentric, LowPrecisionSunAgreesWithTheIndependentVectors) {
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(testing::Message() << v.star << " at " << v.jd);
    Star star = StarAt(v.ra, v.dec);
    const long double delta = ComputeHeliocentricCorrection(star, v.jd);
    EXPECT_NEAR(static_cast<double>(delta), v.lowPrecision, 6e-8);  // the vectors' last digit
    // The formula's own error, mostly the precession of the J2000 coordinates: up to 3 s.
    EXPECT_NEAR(static_cast<double>(delta), v.astropy, 4e-5);
    EXPECT_NEAR(static_cast<double>(star.raDecimalDegrees), v.ra, 1e-12);
  }
}

TEST(Heliocentric, ZeroCoordinatesProjectOnTheSunsLongitude) {
  // alpha = delta = 0: delta = -0.0057755 R cos(lambda). At J2000.0 (n = 0) by hand:
  // g = 357.528, lambda = 280.46 + 1.915 sin g + 0.02 sin 2g = 280.3680..., R = 0.98333...
  Star star;
  const double g = 357.528 * M_PI / 180;
  const double lambda = (280.46 + 1.915 * std::sin(g) + 0.02 * std::sin(2 * g)) * M_PI / 180;
  const double r = 1.00014 - 0.01671 * std::cos(g) - 0.00014 * std::cos(2 * g);
  EXPECT_NEAR(static_cast<double>(ComputeHeliocentricCorrection(star, 2451545.0L)),
              -0.0057755 * r * std::cos(lambda), 1e-15);
}

TEST(Heliocentric, StarAtTheEclipticPoleStaysNearZero) {
  Star star;
  star.rightAscension.whole = 18;
  star.declination.whole = 66;
  star.declination.minutes = 33.6;  // 66.56 degrees
  for (long double jd = 2459000.5L; jd < 2459366.0L; jd += 30) {
    EXPECT_LT(std::fabs(static_cast<double>(ComputeHeliocentricCorrection(star, jd))), 2e-5) << jd;
  }
}

TEST(Heliocentric, DeclinationTakesItsSignFromTheDegrees) {
  struct Case {
    long double degrees, minutes, seconds, expected;
  };
  const Case cases[] = {{-5, 30, 0, -5.5L},
                        {-0.0L, 30, 0, -0.5L},  // "-0 30 0": the minus sign of the degrees counts
                        {0.0L, 30, 0, 0.5L},
                        {45, 12, 34, 45 + 12 / 60.0L + 34 / 3600.0L},
                        {0, -30, 0, -0.5L}};
  for (const Case& c : cases) {
    Star star;
    star.declination.whole = c.degrees;
    star.declination.minutes = c.minutes;
    star.declination.seconds = c.seconds;
    ComputeHeliocentricCorrection(star, 2451545);
    EXPECT_NEAR(static_cast<double>(star.decDecimalDegrees), static_cast<double>(c.expected), 1e-15)
        << static_cast<double>(c.degrees) << " " << static_cast<double>(c.minutes);
  }
}

TEST(Heliocentric, CorrectedTimeKeepsFiveDecimals) {
  Star star;
  const auto lines = CorrectionLines(star, 2451234.564891L, false, '.');
  ASSERT_EQ(lines.size(), 2u);
  const long double delta = ComputeHeliocentricCorrection(star, 2451234.564891L);
  EXPECT_EQ(lines[0].rfind("hjd-jd = ", 0), 0u);
  // The corrected Julian Day keeps five real decimals (not 2451234.56500).
  char expected[64];
  std::snprintf(expected, sizeof expected, "minimum+(hjd-jd) = %.5f",
                static_cast<double>(2451234.564891L + delta));
  EXPECT_EQ(lines[1], expected);
}

// BJD_TDB of four stars, computed independently of ERFA: TT - UTC from the leap seconds of IERS
// Bulletin C (32, 34 and 37 s plus 32.184 s), TDB - TT from the two leading terms of Fairhead &
// Bretagnon (1990), 0.001657 sin g + 0.000014 sin 2g s, and the Roemer delay from the Earth's
// barycentric position of Astronomy Engine 2.1.19 (VSOP87 with its own barycentre) projected on
// the star, with the IAU 2012 light time of 499.004783836 s per au. Values minus 2400000.
struct BjdCase {
  const char* star;
  double ra, dec;
  long double jdUtc;
  double ttMinusUtc, tdbMinusTt, heliocentric;
  long double bjdMinus2400000;
};
constexpr BjdCase kBjd[] = {
    {"CM Dra", 248.58471, 57.16233, 2458738.6613L, 69.184, -0.0015222, -0.000984285, 58738.661114043L},
    {"RR Lyr", 291.36623, 42.78436, 2455000.5L, 66.184, 0.0004692, 0.002002818, 55000.502756108L},
    {"HD 23642", 56.87271, 24.28833, 2460000.5L, 69.184, 0.0013064, -0.000571932, 60000.500201089L},
    {"M3", 205.54842, 28.37728, 2451545.0L, 64.184, -0.0000726, -0.000076551, 51545.000702336L},
};

TEST(Barycentric, AgreesWithAnIndependentComputationToMilliseconds) {
  for (const BjdCase& c : kBjd) {
    SCOPED_TRACE(c.star);
    const BarycentricTime b = ComputeBarycentricTime(c.jdUtc, c.ra, c.dec);
    EXPECT_EQ(b.status, BarycentricTime::Status::Ok);
    EXPECT_NEAR(b.ttMinusUtc, c.ttMinusUtc, 1e-6);
    EXPECT_NEAR(b.tdbMinusTt, c.tdbMinusTt, 5e-5);           // the terms the two-term series leaves out
    EXPECT_NEAR(b.heliocentricDelay, c.heliocentric, 3e-8);  // 2.6 ms
    EXPECT_NEAR(static_cast<double>(b.bjdTdb - 2400000.0L), static_cast<double>(c.bjdMinus2400000),
                6e-8);  // 5 ms, far under the 0.1 s asked
  }
}

TEST(Barycentric, DatesOutsideTheTimeScales) {
  // Before 1960 UTC has no leap-second table: computed, but flagged as uncertain.
  EXPECT_EQ(ComputeBarycentricTime(2430000.5L, 10, 10).status, BarycentricTime::Status::Dubious);
  // So is a relative time such as JD - 2450000; a date before ERFA's calendar is refused.
  EXPECT_EQ(ComputeBarycentricTime(8738.66L, 10, 10).status, BarycentricTime::Status::Dubious);
  EXPECT_EQ(ComputeBarycentricTime(-100000.0L, 10, 10).status, BarycentricTime::Status::OutOfRange);
}

// Values as typed into the window that are too large for the double-precision sines give no
// number: a line says so, and no line shows a NaN. A right ascension of 1e308 h is still a
// double (1.5e309 degrees is not: the barycentric direction fails), 1e4000 h is not at all;
// a time of 1e400 fails both, the barycentric one as outside the calendar.
TEST(Heliocentric, NoNumberIsSaidNotPrinted) {
  const std::string hjdNotComputed =
      "hjd-jd: not computed, the time or the coordinates are too large to give a direction";
  const std::string bjdNotComputed =
      "bjd_tdb: not computed, the coordinates are too large to give the star's direction";
  const struct {
    long double raHours;
    long double decDegrees;
    long double t;
    bool hjd;  // the two heliocentric lines hold numbers
    std::string last;
  } cases[] = {
      {1e308L, 0, 2451545, true, bjdNotComputed},
      {1e4000L, 0, 2451545, false, bjdNotComputed},
      {0, 1e4000L, 2451545, false, bjdNotComputed},
      {0, 0, 1e400L, false, "bjd_tdb: the time lies outside the calendar of the time scales"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<double>(c.t));
    Star star;
    star.rightAscension.whole = c.raHours;
    star.declination.whole = c.decDegrees;
    const std::vector<std::string> lines = CorrectionLines(star, c.t, true, '.');
    ASSERT_EQ(lines.size(), c.hjd ? 3u : 2u);
    if (c.hjd) {
      EXPECT_EQ(lines[0].rfind("hjd-jd = ", 0), 0u) << lines[0];
      EXPECT_EQ(lines[1].rfind("minimum+(hjd-jd) = ", 0), 0u) << lines[1];
    } else {
      EXPECT_EQ(lines[0], hjdNotComputed);
    }
    EXPECT_EQ(lines.back(), c.last);
    for (const std::string& line : lines) {
      EXPECT_EQ(line.find("NAN"), std::string::npos) << line;
      EXPECT_EQ(line.find("nan"), std::string::npos) << line;
    }
  }
}

TEST(Barycentric, LineFollowsTheHeliocentricLines) {
  Star star;
  star.rightAscension.whole = 248.58471L / 15;
  star.declination.whole = 57.16233L;
  const auto lines = CorrectionLines(star, 2458738.6613L, true, ',');
  ASSERT_EQ(lines.size(), 3u);
  // Seven decimals, the user's separator.
  const BarycentricTime b = ComputeBarycentricTime(2458738.6613L, 248.58471L, 57.16233L);
  char expected[64];
  std::snprintf(expected, sizeof expected, "bjd_tdb = %.7Lf", b.bjdTdb);
  std::string text = expected;
  text[text.find('.')] = ',';
  EXPECT_EQ(lines[2], text);
  EXPECT_EQ(lines[2].substr(0, 22), "bjd_tdb = 2458738,6611");
}

}  // namespace
}  // namespace ombrane
