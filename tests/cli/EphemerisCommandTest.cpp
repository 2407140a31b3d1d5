// ombrane-batch ephemeris on small tables of minima whose fits are worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "BatchRun.h"

namespace ombrane {
namespace {

using namespace test;

using EphemerisCommand = BatchRun;

// Four minima without errors: P = 0.98, T0 = 100.03 (x̄ = t̄ = 1.5, Sxx = 5, Sxt = 4.9), residual
// variance 0.018/2, so σP = √(0.009/5) = 0.04242641 and σT0 = √(0.009·0.7) = 0.07937254; rms
// √(0.018/4) = 0.06708204 d. The table adds each minimum's O−C.
TEST_F(EphemerisCommand, LinearFitOfFourMinimaWorkedByHand) {
  Write("m.csv", "time,cycle\n100,0\n101.1,1\n101.9,2\n103,3\n");
  const BatchResult run = Exec("ephemeris m.csv --table");
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out,
            "minima: 4 (4 primary, 0 secondary)\n"
            "fit: linear, unweighted (not every minimum has an error); errors from the residuals\n"
            "epoch: 100.0300000 +- 0.0793725\n"
            "period: 0.98000000 +- 0.04242641\n"
            "chi2: 0.018, degrees of freedom 2\n"
            "rms O-C: 0.06708 d (5796 s)\n"
            "cycle,type,time,error,o_c\n"
            "0,P,100,0,-0.03000000\n"
            "1,P,101.1,0,0.09000000\n"
            "2,P,101.9,0,-0.09000000\n"
            "3,P,103,0,0.03000000\n");
}

// Exact times of T = 10 + 2E + 0.01E² (no cycles: numbered from --period 2): Q = 0.01,
// dP/dE = 0.02 d a cycle, dP/dt = 0.02/2 = 0.01 d a day = 315 576 s a year.
TEST_F(EphemerisCommand, QuadraticFitGivesThePeriodChange) {
  Write("m.csv", "hjd,error,type\n10,0.001,P\n12.01,0.001,P\n14.04,0.001,P\n16.09,0.001,P\n18.16,0.001,P\n");
  const BatchResult run = Exec("ephemeris m.csv --quadratic --period 2 --epoch 10");
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_NE(run.out.find("fit: quadratic, weighted by the errors\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("epoch: 10.0000000 +- 0.0"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("quadratic term: 0.01 +- "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("dP/dE: 0.02 +- "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("dP/dt: 3.156E5 +- "), std::string::npos) << run.out;
}

TEST_F(EphemerisCommand, FailuresSayWhy) {
  Write("one.csv", "time\n2459000.5\n");
  Write("bad.csv", "time,error\n2459000.5,x\n");
  const struct {
    const char* args;
    int exit;
    const char* message;
  } cases[] = {
      {"ephemeris one.csv", 1, "one.csv: the minima cannot be numbered"},
      {"ephemeris one.csv --period 1", 1, "one.csv: a linear ephemeris needs at least 2 minima"},
      {"ephemeris bad.csv", 2, "bad.csv line 2: the error 'x' is not a number"},
      {"ephemeris missing.csv", 2, "missing.csv"},
      {"ephemeris one.csv --secondary 1.5", 2, "ombrane-batch: --secondary must be a phase"},
  };
  for (const auto& c : cases) {
    const BatchResult run = Exec(c.args);
    EXPECT_EQ(run.exit, c.exit) << c.args;
    EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << c.args << "\n" << run.err;
    EXPECT_TRUE(run.out.empty()) << c.args;
  }
}

}  // namespace
}  // namespace ombrane

namespace ombrane {
namespace {

using namespace test;

using MinimaCommand = BatchRun;

// Twelve nights round the primaries of P = 0.9 d (a Gaussian dip 0.5 mag deep, σ 0.012 d,
// sampled every 0.002 d, noise-free but for a ripple of 0.5 mmag): the minima table names every
// eclipse at its time, and ephemeris reads the table back to the same period.
TEST_F(MinimaCommand, TimesEveryEclipseAndFeedsTheEphemeris) {
  std::string file;
  const double epoch = 2459100.25, period = 0.9;
  for (int n = 0; n < 12; ++n)
    for (int i = -50; i <= 50; ++i) {
      const double x = i * 0.002;
      const double mag = 10 + 0.5 * std::exp(-0.5 * (x / 0.012) * (x / 0.012)) + 0.0005 * std::sin(7.0 * i);
      char line[64];
      std::snprintf(line, sizeof line, "%.6f %.6f\n", epoch + n * period + x, mag);
      file += line;
    }
  Write("eb.txt", file);
  const BatchResult run =
      Exec("minima eb.txt --period 0.9 --epoch 2459100.2503 --primaries-only --width 0.1");
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 13u) << run.out;
  EXPECT_EQ(lines[0],
            "cycle,type,time,error,points,coverage,flag,method,error_chi2,error_bootstrap,error_kvw,noise,"
            "time_scale");
  for (int n = 0; n < 12; ++n) {
    const std::string& row = lines[static_cast<size_t>(n) + 1];
    EXPECT_EQ(row.rfind(std::to_string(n) + ",P,", 0), 0u) << row;
    EXPECT_NE(row.find(",50,both,,kvw,"), std::string::npos) << row;
    const size_t timeAt = row.find(",P,") + 3;
    const double time = std::stod(row.substr(timeAt));
    EXPECT_NEAR(time, epoch + n * period, 2e-5) << row;
  }
  for (size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(lines[i].ends_with(",JD")) << lines[i];
  Write("minima.csv", run.out);
  const BatchResult fit = Exec("ephemeris minima.csv");
  ASSERT_EQ(fit.exit, 0) << fit.err;
  EXPECT_NE(fit.out.find("period: 0.9000"), std::string::npos) << fit.out;
  // The series' scale goes through the table to the fitted epoch.
  const BatchResult barycentric = Exec(
      "minima eb.txt --period 0.9 --epoch 2459100.2503 --primaries-only --width 0.1 --time-scale bjd_tdb");
  ASSERT_EQ(barycentric.exit, 0) << barycentric.err;
  EXPECT_TRUE(Lines(barycentric.out)[1].ends_with(",BJD_TDB")) << barycentric.out;
  Write("minima.csv", barycentric.out);
  const BatchResult fitted = Exec("ephemeris minima.csv");
  ASSERT_EQ(fitted.exit, 0) << fitted.err;
  EXPECT_NE(fitted.out.find(" BJD_TDB\nperiod: "), std::string::npos) << fitted.out;
}

TEST_F(MinimaCommand, BadArgumentsAreRefused) {
  Write("eb.txt", "2459100.1 10\n2459100.2 10.3\n");
  for (const char* args :
       {"minima eb.txt --period 1", "minima eb.txt --period 0 --epoch 1",
        "minima eb.txt --period 1 --epoch 1 --secondary 1", "minima eb.txt --period 1 --epoch 1 --width 0"}) {
    const BatchResult run = Exec(args);
    EXPECT_EQ(run.exit, 2) << args;
    EXPECT_EQ(run.err.rfind("ombrane-batch: ", 0), 0u) << args << run.err;
  }
}

}  // namespace
}  // namespace ombrane
