#include "phase/Ephemeris.h"

#include <gtest/gtest.h>

#include "Tolerance.h"
#include "common/FloatingPoint.h"

namespace ombrane {
namespace {

using test::Close;

TEST(StepPeriodAboutMeanJd, MovesTheEpochWithThePeriod) {
  const struct {
    const char* name;
    long double meanJd, epoch, period, increment;
    int sign;
    long double newEpoch, newPeriod;
  } cases[] = {
      // c = 2000.25 / 0.5 = 4000.5; "+": epoch - 0.001 * 4000.5, period + 0.001.
      {"step up", 2452000.25L, 2450000, 0.5L, 0.001L, +1, 2449995.9995L, 0.501L},
      {"step down", 2452000.25L, 2450000, 0.5L, 0.001L, -1, 2450004.0005L, 0.499L},
      {"zero increment", 2452000.25L, 2450000, 0.5L, 0, +1, 2450000, 0.5L},
      {"zero increment down", 2452000.25L, 2450000, 0.5L, 0, -1, 2450000, 0.5L},
      // The mean Julian Day before the epoch: c = -2 / 0.25 = -8.
      {"mean before epoch", 2449998, 2450000, 0.25L, 0.01L, +1, 2450000.08L, 0.26L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Data data;
    data.meanJd = c.meanJd;
    Star star;
    star.epoch = c.epoch;
    star.period = c.period;
    star.increment = c.increment;
    StepPeriodAboutMeanJd(star, data, c.sign);
    EXPECT_TRUE(Close(star.epoch, c.newEpoch)) << static_cast<double>(star.epoch);
    EXPECT_TRUE(Close(star.period, c.newPeriod)) << static_cast<double>(star.period);
    // The mean Julian Day keeps its cycle count, up to the rounding of the new epoch: half an
    // extended ulp near 2.45e6 (2^-43 days) over a period of 0.25 is 2^-41 cycles, some 2000
    // double epsilons of a count near 1.
    const double before = static_cast<double>((c.meanJd - c.epoch) / c.period);
    const double after = static_cast<double>((c.meanJd - star.epoch) / star.period);
    EXPECT_TRUE(Close<double>(after, before, 4096)) << after;
  }
}

TEST(StepPeriodAboutMeanJd, CycleCountIsRoundedToDouble) {
  // c = 1 / 3; with increment 1 the new epoch is exactly -c, and c is the double nearest 1/3,
  // not the extended one.
  Data data;
  data.meanJd = 1;
  Star star;
  star.epoch = 0;
  star.period = 3;
  star.increment = 1;
  StepPeriodAboutMeanJd(star, data, +1);
  EXPECT_EQ(star.epoch, -static_cast<long double>(1.0 / 3.0));
  EXPECT_NE(star.epoch, -1.0L / 3.0L);
  EXPECT_EQ(star.period, 4.0L);
}

TEST(StepPeriodAboutMeanJd, ZeroPeriodFaultsBeforeChangingAnything) {
  const struct {
    long double meanJd;
    FloatingPointFault fault;
  } cases[] = {
      {2452000.25L, FloatingPointFault::DivisionByZero},
      {2450000, FloatingPointFault::InvalidOperation},  // 0 / 0
  };
  for (const auto& c : cases) {
    Data data;
    data.meanJd = c.meanJd;
    Star star;
    star.epoch = 2450000;
    star.period = 0;
    star.increment = 0.001L;
    try {
      StepPeriodAboutMeanJd(star, data, +1);
      ADD_FAILURE() << "no fault";
    } catch (const FloatingPointError& error) {
      EXPECT_EQ(error.fault(), c.fault);
    }
    EXPECT_EQ(star.epoch, 2450000.0L);
    EXPECT_EQ(star.period, 0.0L);
  }
}

}  // namespace
}  // namespace ombrane
