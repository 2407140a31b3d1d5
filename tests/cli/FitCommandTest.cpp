// Runs the built ombrane-batch's fourier and sincos commands on small files written into a
// fresh folder: the printed lines, the exit status and the output files.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BatchRun.h"

namespace ombrane {
namespace {

using namespace test;

class FitCommands : public BatchRun {
 protected:
  void SetUp() override {
    BatchRun::SetUp();
    // 10 + 0.3 sin(w t) + 0.1 cos(w t), w = 2 pi / 0.61, t the Julian Day: 240 observations over
    // 12 nights, magnitudes with nine decimals.
    std::ofstream sine(dir_ / "sine.txt");
    const double pi = std::acos(-1.0);
    for (int i = 0; i < 240; ++i) {
      const double jd = 2450001.0 + i / 20 + 0.015 * (i % 20);
      const double x = 2 * pi * jd / 0.61;
      char line[64];
      std::snprintf(line, sizeof line, "%.6f  %.9f\n", jd, 10 + 0.3 * std::sin(x) + 0.1 * std::cos(x));
      sine << line;
    }
    std::ofstream three(dir_ / "three.txt");
    three << "2450000.1 10\n2450000.35 11\n2450001.3 12\n";
  }

  struct Result {
    int exit = -1;
    std::vector<std::string> lines;  // standard output, one entry per line
    std::string err;
  };

  Result Exec(const std::string& args) {
    const BatchResult run = BatchRun::Exec(args);
    return {run.exit, Lines(run.out), run.err};
  }
};

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

TEST_F(FitCommands, FourierPrintsThePaneLinesAndTheExtremes) {
  const Result run = Exec("fourier sine.txt --period 0.61 --harmonics 1");
  ASSERT_EQ(run.exit, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 8u);
  EXPECT_EQ(run.lines[0], "FOURIER  ");
  EXPECT_EQ(run.lines[1], "nr fit 1");
  EXPECT_TRUE(StartsWith(run.lines[2], "Sigma"));
  EXPECT_TRUE(StartsWith(run.lines[3], "A0   sigA0"));
  // A_1 = sqrt(0.3^2 + 0.1^2) = 0.316228, phi_1 = atan2(0.1, 0.3) = 0.321751 from Julian Day 0.
  const std::string harmonic = "k A sigA PH sigPH     : 1  ";
  ASSERT_TRUE(StartsWith(run.lines[4], harmonic));
  double amplitude = 0, phase = 0, error = 0;
  ASSERT_EQ(std::sscanf(run.lines[4].c_str() + harmonic.size(), "%lf %lf %lf", &amplitude, &error, &phase),
            3);
  EXPECT_NEAR(amplitude, std::sqrt(0.1), 1e-7);
  EXPECT_NEAR(phase, std::atan2(0.1, 0.3), 1e-6);
  EXPECT_TRUE(StartsWith(run.lines[5], "Max   : JD "));
  EXPECT_TRUE(StartsWith(run.lines[6], " Rising Time: "));
  // Maximum light where sin(w t + phi_1) = -1: t / P = 3/4 - phi_1 / 2 pi = 0.698792 cycles from
  // Julian Day 0, that is 0.698792 - frac(2450000 / 0.61) = 0.256169 in the phase of the fold
  // about the default epoch; minimum light half a cycle earlier or later; rising time 0.5.
  double maxX = 0, maxMag = 0, minX = 0, minMag = 0, rising = 0;
  ASSERT_EQ(std::sscanf(run.lines[7].c_str(), "MAX %lf %lf  MIN %lf %lf  Rising Time %lf", &maxX, &maxMag,
                        &minX, &minMag, &rising),
            5)
      << run.lines[7];
  const double epochPhase = 2450000 / 0.61 - std::floor(2450000 / 0.61);
  double maximum = 0.75 - std::atan2(0.1, 0.3) / (2 * std::acos(-1.0)) - epochPhase;
  if (maximum < 0) maximum += 1;
  EXPECT_NEAR(maxX, maximum, 0.5e-4);
  EXPECT_NEAR(minX, maximum < 0.5 ? maximum + 0.5 : maximum - 0.5, 0.5e-4);
  EXPECT_NEAR(maxMag, 10 - std::sqrt(0.1), 1e-8);
  EXPECT_NEAR(minMag, 10 + std::sqrt(0.1), 1e-8);
  EXPECT_NEAR(rising, 0.5, 1e-9);
  // No file without the options.
  EXPECT_FALSE(fs::exists(dir_ / "FourierOut.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "DataOut.txt"));
}

// --weighted weighs by the errors of a file that gives them (an error column here): one more
// line says so and the noiseless sine is found all the same; a file without errors is fitted
// exactly as without the option.
TEST_F(FitCommands, WeightedFourierUsesTheErrorColumn) {
  {
    std::ifstream sine(dir_ / "sine.txt");
    std::ofstream errors(dir_ / "errors.txt");
    errors << "JD mag err\n";
    std::string jd, mag;
    for (int i = 0; sine >> jd >> mag; ++i) errors << jd << ' ' << mag << (i % 2 ? " 0.01\n" : " 0.03\n");
  }
  const Result run = Exec("fourier errors.txt --error-column 3 --period 0.61 --harmonics 1 --weighted");
  ASSERT_EQ(run.exit, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 9u);
  EXPECT_TRUE(StartsWith(run.lines[2], "Weighted by 1/")) << run.lines[2];
  const std::string harmonic = "k A sigA PH sigPH     : 1  ";
  ASSERT_TRUE(StartsWith(run.lines[5], harmonic)) << run.lines[5];
  double amplitude = 0;
  ASSERT_EQ(std::sscanf(run.lines[5].c_str() + harmonic.size(), "%lf", &amplitude), 1);
  EXPECT_NEAR(amplitude, std::sqrt(0.1), 1e-7);

  EXPECT_EQ(Exec("fourier sine.txt --period 0.61 --harmonics 1 --weighted").lines,
            Exec("fourier sine.txt --period 0.61 --harmonics 1").lines);
}

TEST_F(FitCommands, AutomaticFourierRepeatsTheCountLines) {
  const Result run = Exec("fourier sine.txt --period 0.61");
  ASSERT_EQ(run.exit, 0) << run.err;
  ASSERT_GE(run.lines.size(), 4u);
  EXPECT_EQ(run.lines[0], "FOURIER  ");
  EXPECT_TRUE(StartsWith(run.lines[1], "nr fit "));
  EXPECT_EQ(run.lines[2], "FOURIER  ");
  EXPECT_EQ(run.lines[3], run.lines[1]);
  int n = -1;
  std::from_chars(run.lines[1].data() + 7, run.lines[1].data() + run.lines[1].size(), n);
  ASSERT_GE(n, 1);
  // FOURIER, nr fit twice, Sigma, A0, n harmonics, n - 1 parameters, extremes, rising time, MAX.
  ASSERT_EQ(run.lines.size(), static_cast<size_t>(4 + 2 + n + (n - 1) + 2 + 1));
  EXPECT_TRUE(StartsWith(run.lines.back(), "MAX "));
  EXPECT_NE(run.lines.back().find("  MIN "), std::string::npos);
  EXPECT_NE(run.lines.back().find("  Rising Time "), std::string::npos);
}

TEST_F(FitCommands, FileOptionsAppend) {
  ASSERT_EQ(Exec("fourier sine.txt --period 0.61 --harmonics 1 --fourier-file --data-file").exit, 0);
  ASSERT_EQ(Exec("fourier sine.txt --period 0.61 --harmonics 1 --fourier-file").exit, 0);
  const std::vector<std::string> fourier = Lines(ReadFile(dir_ / "FourierOut.txt"));
  ASSERT_EQ(fourier.size(), 2u);
  EXPECT_EQ(fourier[0], fourier[1]);
  EXPECT_TRUE(StartsWith(fourier[0], "-0.214670  10.000000  "));  // log10 0.61, A0
  EXPECT_EQ(fourier[0].substr(fourier[0].size() - 11), "  sine.txt\r");
  const std::vector<std::string> data = Lines(ReadFile(dir_ / "DataOut.txt"));
  ASSERT_EQ(data.size(), 240u - 1u + 1u);  // positions 1 .. N - 2 and the empty line
  EXPECT_EQ(data.back(), "\r");
}

TEST_F(FitCommands, SinCosPrintsTheFileLine) {
  Result run = Exec("sincos sine.txt --period 0.61 --harmonics 1");
  ASSERT_EQ(run.exit, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_EQ(run.lines[0], "1  0.300000  0.000000  0.100000  0.000000  sine.txt");
  EXPECT_FALSE(fs::exists(dir_ / "SinCosOut.txt"));
  run = Exec("sincos sine.txt --period 0.61 --harmonics 0 --sincos-file");
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.lines, std::vector<std::string>{"sine.txt"});
  EXPECT_EQ(ReadFile(dir_ / "SinCosOut.txt"), "sine.txt\r\n");
}

TEST_F(FitCommands, BadArgumentsExitWithTwo) {
  for (const char* args :
       {"fourier sine.txt", "fourier sine.txt --period 0.61 --harmonics 50",
        "fourier sine.txt --period 0.61 --harmonics x", "sincos sine.txt --period 0.61",
        "sincos sine.txt --period 0 --harmonics 2", "sincos sine.txt --period 0.61 --harmonics -1"}) {
    const Result run = Exec(args);
    EXPECT_EQ(run.exit, 2) << args;
    EXPECT_TRUE(run.lines.empty()) << args;
  }
  EXPECT_NE(Exec("fourier sine.txt --period 0.61 --harmonics 50").err.find("A fit takes 0 to 49 harmonics"),
            std::string::npos);
}

TEST_F(FitCommands, TooFewObservationsFaultInTheSearch) {
  const Result run = Exec("fourier three.txt --period 0.5");
  EXPECT_EQ(run.exit, 1);
  EXPECT_EQ(run.lines, std::vector<std::string>{"FOURIER  "});
  EXPECT_NE(run.err.find("while fitting at period 0.5"), std::string::npos) << run.err;
}

TEST_F(FitCommands, HelpNamesBothCommands) {
  const Result run = Exec("--help");
  ASSERT_EQ(run.exit, 0);
  std::string all;
  for (const std::string& line : run.lines) all += line + "\n";
  EXPECT_NE(all.find("ombrane-batch fourier FILE... --period P"), std::string::npos);
  EXPECT_NE(all.find("ombrane-batch sincos FILE... --period P --harmonics N"), std::string::npos);
}

}  // namespace
}  // namespace ombrane
