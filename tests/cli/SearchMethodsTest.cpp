// ombrane-batch search with the methods on arrays: --method gls|mhaov|pdm|bls with their
// options, the frequency step and the suggested grid, the result line, the peaks and the CSV.
#include <cmath>
#include <cstdio>
#include <numbers>

#include "cli/BatchRun.h"

namespace ombrane::test {
namespace {

class SearchMethods : public BatchRun {
 protected:
  void SetUp() override {
    BatchRun::SetUp();
    // 200 observations of a 0.43-day sine with a harmonic over 20 nights.
    std::string text;
    for (int i = 0; i < 200; ++i) {
      const double t = (i % 20) + 0.25 * std::sin(i * 2.3) + 0.0007 * i;
      const double x = 2 * std::numbers::pi * t / 0.43;
      char line[80];
      std::snprintf(line, sizeof line, "%.6f %.5f\n", 2455000 + t,
                    11 + 0.4 * std::sin(x) + 0.1 * std::sin(2 * x) + 0.01 * std::cos(i * 5.1));
      text += line;
    }
    Write("sine.txt", text);
  }
};

TEST_F(SearchMethods, EachMethodFindsThePeriodAndWritesItsColumns) {
  const struct {
    const char* method;
    const char* prefix;
    const char* header;
    const char* peakWords;
  } cases[] = {
      {"gls", "GLS: ", "period,frequency,gls_power", " power "},
      {"mhaov --harmonics 3", "MHAOV: ", "period,frequency,mhaov_theta", " theta "},
      {"pdm --bins 8 --covers 3", "PDM: ", "period,frequency,pdm_theta", " theta "},
      {"bls --durations 0.1,0.2,0.3", "BLS: ", "period,frequency,bls_power,duration,depth,epoch", " depth "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method);
    const BatchResult run = Exec(std::string("search sine.txt --min 0.3 --max 0.6 --step 0.0005 --peaks 2 "
                                             "--periodogram p.csv --method ")
                                     .append(c.method));
    ASSERT_EQ(run.exit, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind(c.prefix, 0), 0u) << lines[0];
    const size_t at = lines[0].rfind(" Best Period:");
    ASSERT_NE(at, std::string::npos) << lines[0];
    const double best = std::stod(lines[0].substr(at + 13));
    // BLS fits a box to a sine: near the period, within a peak width (P²/T ≈ 0.01 d).
    EXPECT_NEAR(best, 0.43, std::string(c.method).rfind("bls", 0) == 0 ? 0.01 : 0.001);
    EXPECT_EQ(lines[1].rfind("Peak 1: period ", 0), 0u);
    EXPECT_NE(lines[1].find(c.peakWords), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2].rfind("Peak 2: period ", 0), 0u);
    const std::vector<std::string> csv = Lines(ReadFile(dir_ / "p.csv"));
    ASSERT_EQ(csv.size(), 601u);  // 0.3 + 600·0.0005 = 0.6 is not below 0.6
    EXPECT_EQ(csv[0], c.header);
    const size_t columns = std::count(csv[0].begin(), csv[0].end(), ',');
    EXPECT_EQ(std::count(csv[1].begin(), csv[1].end(), ','), static_cast<long>(columns));
    EXPECT_EQ(csv[1].rfind("0.3,", 0), 0u) << csv[1];
  }
}

TEST_F(SearchMethods, FrequencyStepAndSuggestedGrid) {
  // 1/0.6 .. 1/0.3 per day by 0.005: 1.6667 + 333·0.005 = 3.3317, 334 trials.
  const BatchResult stepped =
      Exec("search sine.txt --method gls --min 0.3 --max 0.6 --frequency-step 0.005 --periodogram f.csv");
  ASSERT_EQ(stepped.exit, 0) << stepped.err;
  EXPECT_EQ(Lines(ReadFile(dir_ / "f.csv")).size(), 335u);
  // Six times 0, 0.125, 0.25, 1, 1.125, 5 d (from JD 2455000): median interval 0.125 d, upper
  // frequency 4 /d, T = 5 d, step 1/(2·5) = 0.1 /d: (4 − 0.2)/0.1 = 38 steps, 39 trials.
  Write("six.txt",
        "2455000 10\n2455000.125 10.3\n2455000.25 10.1\n2455001 10.4\n2455001.125 10.2\n2455005 10\n");
  const BatchResult suggested =
      Exec("search six.txt --method pdm --bins 2 --covers 1 --suggest --oversampling 2");
  ASSERT_EQ(suggested.exit, 0) << suggested.err;
  EXPECT_EQ(Lines(suggested.out)[0],
            "Suggested grid: periods 0.25 to 5 d, frequency step 0.1 /d (T = 5 d, oversampling 2, upper "
            "frequency 0.5/median interval 0.125 d): 39 trials.");
  // The string length searches the same suggested grid: its first line is the same, and the
  // search runs (the fold lines follow the result line).
  const BatchResult folds = Exec("search six.txt --suggest --oversampling 2");
  ASSERT_EQ(folds.exit, 0) << folds.err;
  EXPECT_EQ(Lines(folds.out)[0], Lines(suggested.out)[0]);
  EXPECT_NE(folds.out.find("Best Period:"), std::string::npos) << folds.out;
}

TEST_F(SearchMethods, OptionsThatDoNotFitAreRefused) {
  const char* cases[] = {
      "search sine.txt --min 0.3 --max 0.6 --step 0.01 --method gls --harmonics 2",
      "search sine.txt --min 0.3 --max 0.6 --step 0.01 --method mhaov --harmonics 0",
      "search sine.txt --min 0.3 --max 0.6 --step 0.01 --method pdm --bins 1",
      "search sine.txt --min 0.3 --max 0.6 --step 0.01 --method bls --durations 0.1,0.7",
      "search sine.txt --min 0.3 --max 0.6 --step 0.01 --method bls --durations 0.1,,0.2",
      "search sine.txt --min 0.3 --max 0.6 --step 0.01 --method aov --bins 5",
      "search sine.txt --min 0.3 --max 0.6 --step 0.01 --method aov --unweighted",
      "search sine.txt --min 0.3 --max 0.6 --step 0.01 --frequency-step 0.01 --method gls",
      "search sine.txt --suggest --min 0.3 --method gls",
      "search sine.txt --min 0.3 --max 0.6 --step 0.01 --method gls --oversampling 3",
      "search sine.txt --min 0.3 --max 0.6 --step 0.01 --method lomb",
  };
  for (const char* args : cases) {
    SCOPED_TRACE(args);
    const BatchResult run = Exec(args);
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("usage: ombrane-batch"), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace ombrane::test
