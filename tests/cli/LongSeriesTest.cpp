// ombrane-batch on a 200 000-point light curve written here: an eclipsing binary of known
// period and epoch observed on 400 nights. fold, search, fourier and minimum each run on the
// whole file and find the numbers the curve was made with.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "BatchRun.h"

namespace ombrane {
namespace {

using namespace test;

constexpr double kPeriod = 0.8372;
constexpr double kEpoch = 2459000.70;  // a primary minimum
constexpr int kNights = 400;
constexpr int kPerNight = 500;
constexpr double kStep = 0.0008;  // days between observations of a night (0.4 d a night)

// Primary (0.7 mag) and secondary (0.3 mag) eclipses, Gaussian in phase with a width of 0.05.
double Magnitude(double time) {
  const double phase = (time - kEpoch) / kPeriod - std::floor((time - kEpoch) / kPeriod);
  auto dip = [&](double centre, double depth) {
    double d = std::fabs(phase - centre);
    d = std::min(d, 1 - d);
    return depth * std::exp(-d * d / (2 * 0.05 * 0.05));
  };
  return 12.0 + dip(0.0, 0.7) + dip(0.5, 0.3);
}

double Time(int night, int j) {
  return 2459000.55 + night * 1.0027 + j * kStep;
}

// The number after `key` in `text`, NaN when there is none.
double NumberAfter(const std::string& text, const std::string& key) {
  const size_t at = text.find(key);
  if (at == std::string::npos) return std::nan("");
  size_t start = at + key.size();
  while (start < text.size() && text[start] == ' ') ++start;
  double value = std::nan("");
  std::from_chars(text.data() + start, text.data() + text.size(), value);
  return value;
}

class LongSeries : public BatchRun {};

TEST_F(LongSeries, FoldSearchFitAndTimeTwoHundredThousandPoints) {
  std::string text;
  text.reserve(size_t{kNights} * kPerNight * 28);
  // A night that holds a whole primary eclipse, 0.15 to 0.25 d after its start: its entries
  // from 0.12 d before the minimum to 0.12 d after.
  int from = -1;
  int to = -1;
  double minimum = 0;
  char line[64];
  for (int night = 0; night < kNights; ++night) {
    const double start = Time(night, 0);
    const double cycles = std::ceil((start + 0.15 - kEpoch) / kPeriod);
    const double eclipse = kEpoch + cycles * kPeriod;
    const bool timed = from < 0 && eclipse <= start + 0.25;
    for (int j = 0; j < kPerNight; ++j) {
      const double time = Time(night, j);
      const int written = std::snprintf(line, sizeof line, "%.6f %.5f\n", time, Magnitude(time));
      text.append(line, static_cast<size_t>(written));
    }
    if (timed) {
      minimum = eclipse;
      from = night * kPerNight + static_cast<int>(std::lround((eclipse - 0.12 - start) / kStep));
      to = night * kPerNight + static_cast<int>(std::lround((eclipse + 0.12 - start) / kStep));
    }
  }
  ASSERT_GE(from, 0);
  Write("curve.txt", text);
  text.clear();
  text.shrink_to_fit();
  // The commands with the epoch of the primary minimum.
  auto run = [&](std::string command) {
    return Exec(command.append(" --epoch ").append(std::to_string(kEpoch)));
  };

  // The fold at the period: a shorter string and a larger AoV than 1 % off it.
  const BatchResult fold = run("fold curve.txt --period 0.8372");
  ASSERT_EQ(fold.exit, 0) << fold.err;
  const BatchResult off = run("fold curve.txt --period 0.845572");
  ASSERT_EQ(off.exit, 0) << off.err;
  EXPECT_LT(NumberAfter(fold.out, "SL:"), NumberAfter(off.out, "SL:")) << fold.out << off.out;
  EXPECT_GT(NumberAfter(fold.out, "AoV:"), NumberAfter(off.out, "AoV:")) << fold.out << off.out;

  // 200 trials around the period, 0.00001 d apart: the best is the period within a step.
  const BatchResult search = run("search curve.txt --min 0.8362 --max 0.8382 --step 0.00001");
  ASSERT_EQ(search.exit, 0) << search.err;
  EXPECT_NEAR(NumberAfter(search.out, "Best Period:"), kPeriod, 0.00001) << search.out;

  // Twelve harmonics fit the 0.05-wide dips to better than 0.001 mag: the faintest light is the
  // primary eclipse, 0.7 mag below 12, at phase 0 (or 1).
  const BatchResult fourier = run("fourier curve.txt --period 0.8372 --harmonics 12");
  ASSERT_EQ(fourier.exit, 0) << fourier.err;
  const std::vector<std::string> lines = Lines(fourier.out);
  ASSERT_FALSE(lines.empty());
  const std::string& extremes = lines.back();
  const double minimumPhase = NumberAfter(extremes, "MIN");
  EXPECT_LT(std::min(std::fabs(minimumPhase), std::fabs(1 - minimumPhase)), 0.002) << extremes;
  const size_t at = extremes.find("MIN");
  ASSERT_NE(at, std::string::npos) << extremes;
  std::string afterPhase = extremes.substr(at + 3);
  afterPhase = afterPhase.substr(afterPhase.find_first_not_of(' '));
  afterPhase = afterPhase.substr(afterPhase.find(' '));
  EXPECT_NEAR(NumberAfter(afterPhase, ""), 12.7, 0.002) << extremes;

  // Kwee & van Woerden over the eclipse of one night: the time the curve was made with.
  const BatchResult timing = Exec(std::string("minimum curve.txt --from ")
                                      .append(std::to_string(from))
                                      .append(" --to ")
                                      .append(std::to_string(to)));
  ASSERT_EQ(timing.exit, 0) << timing.err;
  EXPECT_NEAR(NumberAfter(timing.out, "Minimum:"), minimum, 0.0001) << timing.out;
}

}  // namespace
}  // namespace ombrane
