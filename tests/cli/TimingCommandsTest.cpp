// ombrane-batch minimum, helio and lookup on small files with results worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "BatchRun.h"

namespace ombrane {
namespace {

using namespace test;

using Result = BatchResult;

class TimingCommands : public BatchRun {
 protected:
  void SetUp() override {
    BatchRun::SetUp();
    // A V-shaped minimum: entry 0 (never a candidate) and then magnitudes 10 + 0.1 |i - 4| at
    // JD 2459000.0 + 0.1 i, i = 0 .. 9.
    std::ofstream v(dir_ / "v.txt");
    v << "2458999.9  10.9\n";
    for (int i = 0; i <= 9; ++i) {
      char line[64];
      std::snprintf(line, sizeof line, "%.1f  %.1f\n", 2459000.0 + 0.1 * i, 10.0 + 0.1 * std::abs(i - 4));
      v << line;
    }
    std::ofstream catalogue(dir_ / "stars.txt");
    catalogue << "ExampleEB Ori\n"
                 "05 35 17.3 +05 23 28 EA  11.25-12.05  (0.834712)2459215.43127\n";
  }
};

TEST_F(TimingCommands, MinimumOfAVWorkedByHand) {
  // Entries 1 .. 10 are i = 0 .. 9; entry 10 (i = 9) is the upper end and stays out, so the range
  // is i = 0 .. 8: n = 9, G = 17, the grid from i = 0 to 7. The reflection sums at the grid
  // points 3.5, 3.9375 and 4.375 (in units of i) are 6.765625, 0.109375 and 3.375 (times 0.01
  // mag^2); the parabola through them has its vertex at i = 4.012253937 and
  // sigma = 0.0369887927 (Z = 2): T = 2459000.0 + 0.1 x 4.012253937 = 2459000.40123,
  // sigma = 0.00370 d.
  const Result r = Exec("minimum v.txt --from 1 --to 10");
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out, "Points:  9\nMinimum: 2459000.40123 +/- 0.00370\n");
  // The click order does not matter.
  EXPECT_EQ(Exec("minimum v.txt --from 10 --to 1").out, r.out);
}

TEST_F(TimingCommands, MinimumWithCorrections) {
  const Result r = Exec("minimum v.txt --from 1 --to 10 --ra 13 42 11.6208 --dec 28 22 38.208 --bjd");
  EXPECT_EQ(r.exit, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  std::vector<std::string> all;
  while (std::getline(lines, line)) all.push_back(line);
  ASSERT_EQ(all.size(), 5u) << r.out;
  EXPECT_EQ(all[2].rfind("hjd-jd = ", 0), 0u);
  EXPECT_EQ(all[3].rfind("minimum+(hjd-jd) = 2459000.40", 0), 0u);
  EXPECT_EQ(all[4].rfind("bjd_tdb = 2459000.40", 0), 0u);
}

// --time-scale says the scale of plain pairs: the minimum names it, and only the corrections the
// scale still needs are printed.
TEST_F(TimingCommands, MinimumInTheScaleTheUserSays) {
  const std::string where = "minimum v.txt --from 1 --to 10 --ra 13 42 11.6208 --dec 28 22 38.208 --bjd";
  const Result bjd = Exec(where + " --time-scale bjd_tdb");
  EXPECT_EQ(bjd.exit, 0) << bjd.err;
  EXPECT_EQ(bjd.out,
            "Points:  9\n"
            "Minimum: 2459000.40123 +/- 0.00370 BJD_TDB\n"
            "hjd-jd: the times are barycentric (BJD_TDB); no heliocentric correction\n"
            "bjd_tdb: the times are already BJD_TDB; no correction\n");
  const Result hjd = Exec(where + " --time-scale HJD");
  EXPECT_EQ(hjd.exit, 0) << hjd.err;
  EXPECT_EQ(hjd.out.rfind("Points:  9\nMinimum: 2459000.40123 +/- 0.00370 HJD\n"
                          "hjd-jd: the times are already heliocentric (HJD); no correction\n"
                          "bjd_tdb = 2459000.40",
                          0),
            0u)
      << hjd.out;
  const Result bad = Exec("minimum v.txt --from 1 --to 10 --time-scale tcb");
  EXPECT_EQ(bad.exit, 2);
  EXPECT_NE(bad.err.find("--time-scale: 'tcb' is not jd, hjd or bjd_tdb"), std::string::npos) << bad.err;
}

TEST_F(TimingCommands, HelioOfOneTime) {
  // M3 (13 42 11.6208 +28 22 38.208 = 205.54842, 28.37728 degrees) at JD 2451545.0: the
  // low-precision correction of the shared test vectors is -0.00007679 d, and BJD_TDB from an
  // independent computation (leap seconds, Fairhead-Bretagnon TDB, Astronomy Engine's Earth)
  // is 2451545.000702336.
  const Result r = Exec("helio 2451545.0 --ra 13 42 11.6208 --dec 28 22 38.208");
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out,
            "hjd-jd = -0.00008\n"
            "minimum+(hjd-jd) = 2451544.99992\n"
            "bjd_tdb = 2451545.0007023\n");
}

// A negative Julian Day is a number, not an option: it needs no "--". At t = -2451545
// (n = -4903090 d) with RA 1 2 3 and Dec 4 5 6 the low-precision Sun gives, computed apart with
// the same constants, HJD - JD = 0.0057998 d; the barycentric time lies before the calendar.
TEST_F(TimingCommands, ANegativeJulianDayNeedsNoDoubleDash) {
  const char* expected =
      "hjd-jd = 0.00580\nminimum+(hjd-jd) = -2451544.99420\n"
      "bjd_tdb: the time lies outside the calendar of the time scales\n";
  for (const char* args : {"helio -2451545.0 --ra 1 2 3 --dec 4 5 6", "helio --ra 1 2 3 --dec 4 5 6 -2451545.0",
                           "helio --ra 1 2 3 --dec 4 5 6 -- -2451545.0", "helio -2.451545e6 --ra 1 2 3 --dec 4 5 6"}) {
    SCOPED_TRACE(args);
    const Result r = Exec(args);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "");
  }
  // What is not a number stays an option, and an unknown one is refused.
  const Result unknown = Exec("helio -2451545x --ra 1 2 3 --dec 4 5 6");
  EXPECT_EQ(unknown.exit, 2);
  EXPECT_EQ(unknown.err.rfind("ombrane-batch: unknown option '-2451545x' for helio\n", 0), 0u) << unknown.err;
}

TEST_F(TimingCommands, LookupPrintsTheBoxesInTheirOrder) {
  Result r = Exec("lookup stars.txt ExampleEB Ori");
  EXPECT_EQ(r.exit, 0) << r.err;
  EXPECT_EQ(r.out,
            "epoch: 2459215.43127\nperiod: 0.834712\nra_hours: 5\nra_minutes: 35\nra_seconds: 17.3\n"
            "dec_degrees: 5\ndec_arcminutes: 23\ndec_arcseconds: 28\n");
  r = Exec("lookup stars.txt ExampleEB Cyg");
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.out, "no star\n");
  r = Exec("lookup missing.txt ExampleEB Ori");
  EXPECT_EQ(r.exit, 2);
  EXPECT_EQ(r.err, "Cannot open or find file missing.txt\n");
  // A folder is a file that cannot be read, not a catalogue without the star.
  r = Exec("lookup . ExampleEB Ori");
  EXPECT_EQ(r.exit, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Cannot read .: Is a directory\n");
}

// Coordinates that name no star are refused with the usage's exit status, before anything is
// computed: no correction of no direction is printed (1e308 h once gave "bjd_tdb = NAN").
TEST_F(TimingCommands, CoordinatesOutOfRangeAreRefused) {
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"helio 2451545 --ra 1e308 0 0 --dec 1e308 0 0", "--ra '1e308 0 0': the right ascension must be from 0 to 24 h"},
      {"helio 2451545 --ra 1e4000 0 0 --dec 0 0 0", "--ra '1e4000 0 0': the right ascension must be from 0 to 24 h"},
      {"helio 2451545 --ra 24 0 1 --dec 0 0 0", "--ra '24 0 1': the right ascension must be from 0 to 24 h"},
      {"helio 2451545 --ra 0 -1 0 --dec 0 0 0", "--ra '0 -1 0': the right ascension must be from 0 to 24 h"},
      {"helio 2451545 --ra 1 60 0 --dec 0 0 0", "--ra '1 60 0': the minutes and seconds must be below 60"},
      {"helio 2451545 --ra 1 0 1e300 --dec 0 0 0", "--ra '1 0 1e300': the minutes and seconds must be below 60"},
      {"helio 2451545 --ra 0 0 0 --dec 1e308 0 0", "--dec '1e308 0 0': the declination must be from -90 to +90 degrees"},
      {"helio 2451545 --ra 0 0 0 --dec 90 0 1", "--dec '90 0 1': the declination must be from -90 to +90 degrees"},
      {"helio 2451545 --ra 0 0 0 --dec -90 0 1", "--dec '-90 0 1': the declination must be from -90 to +90 degrees"},
      {"helio 2451545 --ra 0 0 0 --dec -89 60 0", "--dec '-89 60 0': the arc minutes and seconds must be below 60"},
      {"minimum v.txt --from 1 --to 10 --ra 1 2 3 --dec 100 0 0",
       "--dec '100 0 0': the declination must be from -90 to +90 degrees"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const Result r = Exec(c.args);
    EXPECT_EQ(r.exit, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(std::string("ombrane-batch: ") + c.message + "\n", 0), 0u) << r.err;
  }
  // The limits themselves are coordinates. RA 24 h is RA 0 h, and at the south pole of the sky
  // the correction at J2000.0 is k R sin(eps) sin(lambda) with lambda = 280.37568 deg,
  // R = 0.98331 au, eps = 23.439 deg: -0.0057755 x 0.98331 x 0.39778 x 0.98365 = -0.00222 d.
  for (const char* args : {"helio 2451545 --ra 24 0 0 --dec -90 0 0", "helio 2451545 --ra 0 0 0 --dec -90 0 0"}) {
    SCOPED_TRACE(args);
    const Result r = Exec(args);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out.rfind("hjd-jd = -0.00222\nminimum+(hjd-jd) = 2451544.99778\nbjd_tdb = ", 0), 0u) << r.out;
  }
  // Minutes and seconds with a sign: "0 -30 0" is half a degree south, as "-0 30 0" is.
  EXPECT_EQ(Exec("helio 2451545 --ra 1 2 3 --dec 0 -30 0").out, Exec("helio 2451545 --ra 1 2 3 --dec -0 30 0").out);
}

TEST_F(TimingCommands, FailuresAndBadArguments) {
  struct Case {
    const char* args;
    int exit;
    const char* out;  // the standard output, or nullptr for a usage error
  };
  const Case cases[] = {
      {"minimum v.txt --from 2 --to 8", 1, "Points:  6\n"},  // 6 points: division by zero
      {"minimum v.txt --from 3 --to 5", 1,
       "Points:  2\nMinimum not computed: 2 points in the range, at least 9 are needed\n"},
      {"minimum v.txt --from 4 --to 4", 1,
       "Points:  0\nMinimum not computed: both clicks fell on the same point\n"},
      {"minimum v.txt --from 1 --to 10 --bjd", 2, nullptr},
      {"minimum v.txt --from 1 --to 10 --ra 1 2 3", 2, nullptr},
      {"minimum v.txt --from 1.5 --to 10", 2, nullptr},
      {"minimum v.txt --to 10", 2, nullptr},
      {"helio 2451545 --ra 1 2", 2, nullptr},
      {"helio x --ra 1 2 3 --dec 4 5 6", 2, nullptr},
      {"lookup stars.txt ExampleEB", 2, nullptr},
  };
  for (const Case& c : cases) {
    const Result r = Exec(c.args);
    EXPECT_EQ(r.exit, c.exit) << c.args;
    if (c.out)
      EXPECT_EQ(r.out, c.out) << c.args;
    else
      EXPECT_NE(r.err.find("usage:"), std::string::npos) << c.args;
  }
}

}  // namespace
}  // namespace ombrane
