// ombrane-batch ephemeris on small tables of minima whose fits are worked out by hand.
#include <gtest/gtest.h>

#include <string>

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
