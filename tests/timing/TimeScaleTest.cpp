// The time scale of a series: its names, and the corrections a time of minimum gets in each
// scale, checked against the heliocentric and barycentric computations of a UTC Julian Day.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "store/TimeScale.h"
#include "timing/Barycentric.h"
#include "timing/Heliocentric.h"
#include "timing/MinimumTimingPresentation.h"

namespace ombrane {
namespace {

TEST(TimeScale, NamesAndTheirParsing) {
  struct Case {
    const char* text;
    std::optional<TimeScale> scale;
  } cases[] = {{"jd", TimeScale::Jd},          {"JD", TimeScale::Jd},
               {"hjd", TimeScale::Hjd},        {"bjd_tdb", TimeScale::BjdTdb},
               {"BJD_TDB", TimeScale::BjdTdb}, {"bjd", TimeScale::BjdTdb},
               {"mjd", std::nullopt},          {"", std::nullopt},
               {"bjd_tcb", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(ParseTimeScale(c.text), c.scale) << c.text;
  EXPECT_EQ(TimeScaleName(TimeScale::Jd), "JD");
  EXPECT_EQ(TimeScaleName(TimeScale::Hjd), "HJD");
  EXPECT_EQ(TimeScaleName(TimeScale::BjdTdb), "BJD_TDB");
  EXPECT_EQ(TimeAxisTitle(TimeScale::Jd), "Julian Day");
  EXPECT_EQ(TimeAxisTitle(TimeScale::BjdTdb), "Barycentric Julian Day (BJD_TDB)");
}

// CM Dra (RA 248.58471°, Dec +57.16233°) and a star near the ecliptic, at times across the year.
struct Sky {
  long double raDegrees;
  long double decDegrees;
};
constexpr Sky kStars[] = {{248.58471L, 57.16233L}, {83.0L, 22.0L}};
constexpr long double kTimes[] = {2451545.25L, 2455197.6L, 2458738.6613L, 2459400.9L};

Star StarAt(const Sky& sky) {
  Star star;
  star.rightAscension.whole = sky.raDegrees / 15;
  star.declination.whole = sky.decDegrees;
  star.coordinatesGiven = true;
  return star;
}

std::string BjdLine(long double bjd) {
  char text[64];
  std::snprintf(text, sizeof text, "bjd_tdb = %.7Lf", bjd);
  return text;
}

// An HJD made from a UTC Julian Day gets back that day, and so the BJD_TDB of the day itself.
TEST(TimeScale, HeliocentricTimesGetTheBarycentricTimeOfTheirUtcDay) {
  for (const Sky& sky : kStars) {
    for (long double jd : kTimes) {
      SCOPED_TRACE(static_cast<double>(jd));
      Star star = StarAt(sky);
      const long double hjd = jd + ComputeHeliocentricCorrection(star, jd);
      // 1e-9 d is 86 µs, far below any timing's error.
      EXPECT_NEAR(static_cast<double>(UtcOfHeliocentric(star, hjd) - jd), 0, 1e-9);
      long double correction = -1;
      const std::vector<std::string> lines =
          CorrectionLines(star, hjd, true, '.', &correction, TimeScale::Hjd);
      ASSERT_EQ(lines.size(), 2u);
      EXPECT_EQ(lines[0], "hjd-jd: the times are already heliocentric (HJD); no correction");
      EXPECT_EQ(correction, 0);
      const BarycentricTime direct = ComputeBarycentricTime(jd, sky.raDegrees, sky.decDegrees);
      ASSERT_EQ(direct.status, BarycentricTime::Status::Ok);
      EXPECT_EQ(lines[1], BjdLine(direct.bjdTdb));
      // Without the barycentric request only the first line.
      EXPECT_EQ(CorrectionLines(star, hjd, false, '.', nullptr, TimeScale::Hjd).size(), 1u);
    }
  }
}

TEST(TimeScale, BarycentricTimesGetNoCorrection) {
  Star star = StarAt(kStars[0]);
  long double correction = -1;
  const std::vector<std::string> lines =
      CorrectionLines(star, 2458738.6607358L, true, '.', &correction, TimeScale::BjdTdb);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "hjd-jd: the times are barycentric (BJD_TDB); no heliocentric correction",
                       "bjd_tdb: the times are already BJD_TDB; no correction"}));
  EXPECT_EQ(correction, 0);
}

// JD, the scale of every file before scales were known, keeps its lines as they were.
TEST(TimeScale, UtcJulianDaysKeepTheirCorrections) {
  Star star = StarAt(kStars[0]);
  const long double jd = 2458738.6613L;
  EXPECT_EQ(CorrectionLines(star, jd, true, '.', nullptr, TimeScale::Jd),
            CorrectionLines(star, jd, true, '.'));
  const std::vector<std::string> lines = CorrectionLines(star, jd, true, '.');
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], BjdLine(ComputeBarycentricTime(jd, 248.58471L, 57.16233L).bjdTdb));
}

}  // namespace
}  // namespace ombrane
