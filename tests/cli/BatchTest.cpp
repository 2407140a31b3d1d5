// Runs the built ombrane-batch on small files written into a fresh folder and checks its lines,
// its exit status and the phase file.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <chrono>
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

using Result = BatchResult;

class Batch : public BatchRun {
 protected:
  void SetUp() override {
    BatchRun::SetUp();
    // Twenty observations, two per tenth of a cycle at P = 1 about 2450000: phases 0.1 k + 0.03
    // and 0.1 k + 0.07 with magnitudes 10 + k/4 -+ 0.25 (k = 0..9); loading repeats the last.
    std::ofstream twenty(dir_ / "twenty.txt");
    const char* lines[] = {
        "2450000.03  9.75",  "2450000.07  10.25", "2450001.13  10.00", "2450001.17  10.50",
        "2450002.23  10.25", "2450002.27  10.75", "2450003.33  10.50", "2450003.37  11.00",
        "2450004.43  10.75", "2450004.47  11.25", "2450005.53  11.00", "2450005.57  11.50",
        "2450006.63  11.25", "2450006.67  11.75", "2450007.73  11.50", "2450007.77  12.00",
        "2450008.83  11.75", "2450008.87  12.25", "2450009.93  12.00", "2450009.97  12.50"};
    for (const char* line : lines) twenty << line << "\n";
    std::ofstream three(dir_ / "three.txt");
    three << "2450000.1 10\n2450000.35 11\n2450001.3 12\n";
    std::ofstream empty(dir_ / "empty.txt");
  }

};

// By hand for twenty.txt at P = 1 (N = 21 with the repeat of (0.97, 12.5)):
//  SL = 10 sqrt(0.04^2 + 0.5^2) + 9 sqrt(0.06^2 + 0.25^2) + 0 = 7.3298673...  -> "7.329870";
//  AoV: grand mean 235/21, bins 0..8 two entries at 10 + k/4, bin 9 three entries (12, 12.5,
//  12.5); B = 12.0714285..., W = 1.2916666..., Θ = (B / 9) / (W / 11) = 11.4224270353...
//  -> Θ 10^8 = 1142242703.53 -> "1.14224E9".
TEST_F(Batch, FoldPrintsBothLabels) {
  const Result run = Exec("fold twenty.txt --period 1");
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, "SL: 7.329870\nAoV: 1.14224E9\n");
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(fs::exists(dir_ / "DataPhase.txt"));
}

TEST_F(Batch, EpochMovesThePhases) {
  // Shifting the epoch by a whole period changes nothing; by half a period the same curve is
  // cut elsewhere, which changes the string length.
  EXPECT_EQ(Exec("fold twenty.txt --period 1 --epoch 2449990").out, "SL: 7.329870\nAoV: 1.14224E9\n");
  EXPECT_NE(Exec("fold twenty.txt --period 1 --epoch 2450000.5").out, "SL: 7.329870\nAoV: 1.14224E9\n");
}

TEST_F(Batch, PhaseFileGetsOneBlockPerRun) {
  ASSERT_EQ(Exec("fold twenty.txt --period 1 --phase-file").exit, 0);
  const std::string block = ReadFile(dir_ / "DataPhase.txt");
  // Every one of the twenty observations once (the loader's repeat of the last is left out),
  // from phase 0.03 of 2450000.03 to phase 0.97 of 2450009.97.
  EXPECT_EQ(block.substr(0, block.find("\r\n") + 2), "0.03  9.75  2450000.03\r\n");
  size_t lines = 0;
  for (size_t at = block.find("\r\n"); at != std::string::npos; at = block.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 20u + 1u);
  EXPECT_TRUE(block.ends_with("\r\n0.97  12.5  2450009.97\r\n\r\n")) << block;
  EXPECT_EQ(block.substr(block.size() - 4), "\r\n\r\n");

  // JD average: meanJd = (49000100 + 2450009.97) / 21 = 2450005.2367..., the next instant of
  // phase 0 is 2450006, so the first observation, at phase 0.03, stands at 2450006.03.
  ASSERT_EQ(Exec("fold twenty.txt --period 1 --phase-file --jd-average").exit, 0);
  const std::string both = ReadFile(dir_ / "DataPhase.txt");
  ASSERT_EQ(both.size() > block.size(), true);
  EXPECT_EQ(both.substr(0, block.size()), block);
  const std::string second = both.substr(block.size());
  EXPECT_EQ(second.substr(0, second.find("\r\n") + 2), "2450006.03  9.75  2450000.03\r\n");
}

TEST_F(Batch, SearchPrintsTheResultLineThenTheLabels) {
  // String length by an independent computation over the trials 0.995, 0.996, ... 1.004: the
  // shortest string is 7.32116671599 at 1.004 (SL label 7.32117); the AoV statistic there puts
  // three entries into bin 6: Θ 10^8 = 1619929453.26 -> "1.61993E9".
  const Result sl = Exec("search twenty.txt --min 0.995 --max 1.0045 --step 0.001");
  EXPECT_EQ(sl.exit, 0) << sl.err;
  const std::string head = "Mesurment String - Length: 7.3211667159";
  EXPECT_EQ(sl.out.substr(0, head.size()), head);
  const std::string tail = " Best Period:1.004\nSL: 7.321170\nAoV: 1.61993E9\n";
  ASSERT_GE(sl.out.size(), tail.size());
  EXPECT_EQ(sl.out.substr(sl.out.size() - tail.size()), tail);

  // AoV over trials a ten-thousandth apart: every bin keeps its entries, so all five trials
  // score the Θ of P = 1 and the first one wins.
  const Result aov = Exec("search twenty.txt --min 1 --max 1.00045 --step 0.0001 --method aov");
  EXPECT_EQ(aov.exit, 0) << aov.err;
  EXPECT_EQ(aov.out.substr(0, 19), "AoV: 1142242703.533");
  const std::string aovTail = " Best Period:1\nSL: 7.329870\nAoV: 1.14224E9\n";
  ASSERT_GE(aov.out.size(), aovTail.size());
  EXPECT_EQ(aov.out.substr(aov.out.size() - aovTail.size()), aovTail);
}

// An undefined AoV statistic is said and the run goes on. Three observations (four entries):
// by hand SL = sqrt(0.4^2 + 2^2) + 0 + sqrt(0.1^2 + 1^2) = 3.04461...
TEST_F(Batch, AnUndefinedAovStatisticIsSaidAndTheRunGoesOn) {
  const Result fold = Exec("fold three.txt --period 0.5");
  EXPECT_EQ(fold.exit, 0) << fold.err;
  EXPECT_EQ(fold.out, "SL: 3.044600\nAoV: undefined (fewer than 10 observations)\n");
  EXPECT_EQ(fold.err, "");
  // twenty.txt holds pairs 1.1 days apart: folded at 1.1 days all of them fall into bin 0.
  const Result empty = Exec("fold twenty.txt --period 1.1");
  EXPECT_EQ(empty.exit, 0) << empty.err;
  EXPECT_EQ(empty.out.substr(empty.out.find('\n') + 1), "AoV: undefined (empty phase bin)\n");
  // A string-length search over them finds its period and folds there as any fold.
  const Result search = Exec("search three.txt --min 0.4 --max 0.6 --step 0.05");
  EXPECT_EQ(search.exit, 0) << search.err;
  EXPECT_EQ(search.out.substr(0, 27), "Mesurment String - Length: ");
  EXPECT_NE(search.out.find("\nAoV: undefined (fewer than 10 observations)\n"), std::string::npos)
      << search.out;
}

// Counts of one are said in the singular: three rows 0.01 d apart binned by ten cadences
// (144 min) make one point; a search of one trial period (1 below 1.05 in steps of 0.1) on
// three observations has no AoV statistic at it.
TEST_F(Batch, ACountOfOneIsSingular) {
  Write("close.txt", "2450000.00 10\n2450000.01 11\n2450000.02 12\n");
  const struct {
    const char* args;
    const char* err;
  } cases[] = {
      {"fold close.txt --period 1 --columns 1,2 --bin 10",
       "close.txt: binned to 10 cadences (144 min): 3 rows give 1 point (mean time and mean magnitude per bin).\n"},
      {"search three.txt --min 1 --max 1.05 --step 0.1 --method aov",
       "AoV undefined at the one trial period (fewer than 10 observations); nothing was changed.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(Exec(c.args).err, c.err);
  }
}

// A search of a million trial periods runs long enough to report its progress: on a terminal
// (a pseudo-terminal made by script(1)) standard error shows it in one line rewritten in place
// and wiped at the end; to a file, nothing but the results is written.
TEST_F(Batch, SearchProgressOnlyOnATerminal) {
  const std::string args = "search twenty.txt --min 0.1 --max 1.1 --step 0.000001";
  const Result toFile = Exec(args);
  EXPECT_EQ(toFile.exit, 0) << toFile.err;
  EXPECT_EQ(toFile.err, "");
  EXPECT_EQ(toFile.out.rfind("Mesurment String - Length: ", 0), 0u) << toFile.out;
  if (std::system("command -v script > /dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  // Standard output to a file, standard error to the pseudo-terminal that script copies out.
  // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "'" + std::string.
  std::string inner = "'";
  inner.append(OMBRANE_BATCH).append("' ").append(args).append(" > out.txt");
  std::string command = "cd '";
  command.append(dir_.string())
      .append("' && script -qec \"")
      .append(inner)
      .append("\" /dev/null > tty.txt 2>&1 < /dev/null");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto took = std::chrono::steady_clock::now() - start;
  const std::string tty = ReadFile(dir_ / "tty.txt");
  EXPECT_EQ(ReadFile(dir_ / "out.txt"), toFile.out);
  // How far the search has come at its first report depends on the machine; one with many
  // cores may even be done before it (the search reports every 50 ms).
  if (tty.empty() && took < std::chrono::milliseconds(300)) GTEST_SKIP() << "the search ended before its first report";
  EXPECT_EQ(tty.rfind("\rsearching: ", 0), 0u) << tty;
  EXPECT_NE(tty.find("% of 1000000 trial periods"), std::string::npos) << tty;
  EXPECT_EQ(tty.find('\n'), std::string::npos) << tty;
  // Wiped: the longest line shown overwritten with blanks, the cursor back at the start.
  ASSERT_EQ(tty.back(), '\r');
  const size_t wipe = tty.rfind('\r', tty.size() - 2);
  ASSERT_NE(wipe, std::string::npos);
  const std::string blanks = tty.substr(wipe + 1, tty.size() - wipe - 2);
  EXPECT_GE(blanks.size(), std::string("searching: 0% of 1000000 trial periods").size());
  EXPECT_EQ(blanks, std::string(blanks.size(), ' ')) << tty;
}

TEST_F(Batch, FailuresExitWithOneAfterWhatWasDone) {
  const struct {
    const char* args;
    std::string out;
    std::string err;
  } cases[] = {
      {"search three.txt --min 0.4 --max 0.6 --step 0.05 --method aov", "",
       "AoV undefined at all 4 trial periods (fewer than 10 observations); nothing was changed.\n"},
      // At period 1e-06 about epoch 0 the Julian Days are 2.45e12 cycles away.
      {"fold twenty.txt --period 1e-06 --epoch 0", "",
       "Invalid floating point operation\nwhile folding at period 1e-06: the cycle count leaves the 32-bit "
       "range\n"},
      {"search twenty.txt --min 0.5 --max 1 --step 0", "", "The period step must be greater than 0.\n"},
      {"fold empty.txt --period 1", "", "No observations in empty.txt.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const Result run = Exec(c.args);
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
    if (c.out.empty()) {
      EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(run.out.find("Best Period"), std::string::npos);
    EXPECT_EQ(run.err, c.err);
  }
}

TEST_F(Batch, BadArgumentsAndUnreadableFilesExitWithTwo) {
  const char* cases[] = {
      "",
      "fold",
      "turn twenty.txt --period 1",
      "fold twenty.txt",
      "fold twenty.txt --period",
      "fold twenty.txt --period abc",
      "fold twenty.txt --period 0",
      "fold twenty.txt --period 1 --min 0.5",
      "fold twenty.txt --period 1 --bogus",
      "search twenty.txt --min 1",
      "search twenty.txt --min 1 --max 0.5 --step 0.1",
      "search twenty.txt --min 0.5 --max 1",
      "search twenty.txt --min 0.5 --max 1 --step 0.1 --method fourier",
      "search twenty.txt --min 0 --max 1 --step 0.1",
      "search twenty.txt --min -0.5 --max 1 --step 0.1",
  };
  for (const char* args : cases) {
    SCOPED_TRACE(args);
    const Result run = Exec(args);
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("usage: ombrane-batch fold FILE... --period P"), std::string::npos) << run.err;
  }
}

TEST_F(Batch, AFileThatCannotBeReadExitsWithTwo) {
  fs::create_directory(dir_ / "sub");
  const struct {
    const char* args;
    const char* err;
  } cases[] = {
      {"fold missing.txt --period 1", "missing.txt could not be opened: No such file or directory\n"},
      // Paths without a file name are named as given.
      {"fold / --period 1", "/ could not be read: Is a directory\n"},
      {"fold sub/ --period 1", "sub/ could not be read: Is a directory\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const Result run = Exec(c.args);
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
  }
}

// Ten observations at phases 0.05, 0.15, ... 0.95 of P = 1 with their repeat: one magnitude per
// bin, so the within-bin sum is 0 and the AoV statistic divides by zero at trial period 1. The
// second line says what was computed and at which trial.
TEST_F(Batch, ASearchFaultNamesItsTrialPeriod) {
  {
    std::ofstream ten(dir_ / "ten.txt");
    const int days[] = {0, 17, 41, 58, 93, 110, 147, 171, 196, 230};
    for (int k = 0; k < 10; ++k) ten << 2450000 + days[k] << "." << k << "5 " << 10 + k % 3 << "\n";
  }
  const Result run = Exec("search ten.txt --min 1 --max 1.0001 --step 0.001 --method aov --epoch 2450000");
  EXPECT_EQ(run.exit, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "Floating point division by zero\nwhile searching the periods from 1 below 1.0001 in steps of "
            "0.001: at trial period 1\n");
}

TEST_F(Batch, ZeroMinimumIsRefusedWithTheReason) {
  const Result run = Exec("search twenty.txt --min 0 --max 1 --step 0.1");
  EXPECT_EQ(run.exit, 2);
  EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
            "ombrane-batch: --min must be greater than 0: a trial period of 0 or less cannot fold");
}

// A file read only in part still gives its results, then exit code 3; a worse code of another
// file wins.
TEST_F(Batch, AFileReadInPartExitsWithThreeAfterItsResults) {
  fs::copy_file(dir_ / "twenty.txt", dir_ / "cut.txt");
  std::ofstream(dir_ / "cut.txt", std::ios::app) << "2450010.03 n/a\n";
  const Result run = Exec("fold cut.txt --period 1");
  EXPECT_EQ(run.exit, 3);
  EXPECT_EQ(run.out, "SL: 7.329870\nAoV: 1.14224E9\n");
  EXPECT_EQ(run.err, "cut.txt, line 21: 'n/a' is not a number; reading stopped there.\n");
  EXPECT_EQ(Exec("fold cut.txt twenty.txt --period 1").exit, 3);
  EXPECT_EQ(Exec("fold cut.txt empty.txt --period 1").exit, 1);
}

TEST_F(Batch, SeveralFilesEachUnderTheirNameWithTheWorstExitCode) {
  const std::string twenty = "SL: 7.329870\nAoV: 1.14224E9\n";
  const Result two = Exec("fold twenty.txt --period 1 twenty.txt");
  EXPECT_EQ(two.exit, 0) << two.err;
  EXPECT_EQ(two.out, "== twenty.txt\n" + twenty + "== twenty.txt\n" + twenty);

  // A file without observations fails (1), one that cannot be read is worse (2); the files
  // after a failed one still run.
  const Result failed = Exec("fold empty.txt twenty.txt --period 1");
  EXPECT_EQ(failed.exit, 1);
  EXPECT_EQ(failed.out, "== empty.txt\n== twenty.txt\n" + twenty);
  EXPECT_EQ(failed.err, "No observations in empty.txt.\n");
  const Result unreadable = Exec("fold missing.txt empty.txt twenty.txt --period 1");
  EXPECT_EQ(unreadable.exit, 2);
  EXPECT_EQ(unreadable.out, "== missing.txt\n== empty.txt\n== twenty.txt\n" + twenty);

  const Result search = Exec("search twenty.txt twenty.txt --min 1 --max 1.00045 --step 0.0001 --method aov");
  EXPECT_EQ(search.exit, 0) << search.err;
  EXPECT_EQ(std::count(search.out.begin(), search.out.end(), '\n'), 8);
  EXPECT_EQ(search.out.substr(0, 20), "== twenty.txt\nAoV: 1");
}

TEST_F(Batch, ABadArgumentIsQuotedShortAndEscaped) {
  // A terminal escape sequence and a 120 kB argument: neither reaches the terminal raw.
  const Result escape = Exec("fold twenty.txt --period \"$(printf '\\033[2J')\"");
  EXPECT_EQ(escape.exit, 2);
  EXPECT_EQ(escape.err.substr(0, escape.err.find('\n')),
            "ombrane-batch: --period: '\\x1B[2J' is not a valid floating point value");
  const Result huge = Exec("fold twenty.txt \"--$(head -c 120000 /dev/zero | tr '\\0' x)\"");
  EXPECT_EQ(huge.exit, 2);
  EXPECT_EQ(huge.err.substr(0, huge.err.find('\n')),
            "ombrane-batch: unknown option '--" + std::string(58, 'x') + "...' for fold");
  const Result empty = Exec("fold '' --period 1");
  EXPECT_EQ(empty.exit, 2);
  EXPECT_EQ(empty.err.substr(0, empty.err.find('\n')), "ombrane-batch: an empty argument names no file");
}

TEST_F(Batch, HelpExplainsEveryOption) {
  const Result run = Exec("--help");
  EXPECT_EQ(run.exit, 0);
  for (const char* word : {"fold", "search", "--period", "--epoch", "--min", "--max", "--step", "--method",
                           "--jd-average", "--phase-file", "DataPhase.txt", "Exit status"})
    EXPECT_NE(run.out.find(word), std::string::npos) << word;
}

TEST_F(Batch, FindsThePeriodOfTheEclipsingExample) {
  const fs::path example = fs::path(OMBRANE_EXAMPLES) / "eclipsing_binary.txt";
  if (!fs::exists(example)) GTEST_SKIP() << "no example files";
  fs::copy_file(example, dir_ / "eclipsing_binary.txt");
  // The example's documented period is 0.834712 d.
  const Result run = Exec("search eclipsing_binary.txt --min 0.83 --max 0.84 --step 0.00001");
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::string key = "Best Period:";
  const size_t at = run.out.find(key);
  ASSERT_NE(at, std::string::npos);
  double period = 0;
  const std::string text = run.out.substr(at + key.size());
  std::from_chars(text.data(), text.data() + text.size(), period);
  EXPECT_NEAR(period, 0.834712, 0.0001);
}

// --peaks after the result line, --periodogram as the window's CSV. The string length at P = 1
// is 7.3298673053866 by hand (above); at the trials 0.995 ... 1.004 the string shortens towards
// the end of the range, so the one peak is its last trial. AoV over five trials of one Θ: one
// peak, the first trial; p = Q_F(11.4224270353; 9, 11) = 0.000211059941849 (mpmath betainc,
// 30 digits), and M = (1/1 − 1/1.00045) · 9.94 < 1 counts as 1, so the FAP is p.
TEST_F(Batch, SearchListsItsPeaksAndWritesThePeriodogram) {
  const Result sl =
      Exec("search twenty.txt --min 0.995 --max 1.0045 --step 0.001 --peaks 2 --periodogram pg.csv");
  ASSERT_EQ(sl.exit, 0) << sl.err;
  const std::string head = "Mesurment String - Length: 7.3211667159938 Best Period:1.004\n";
  EXPECT_EQ(sl.out, head +
                        "Peak 1: period 1.004 frequency 0.99601593625498 SL 7.3211667159938\n"
                        "SL: 7.321170\nAoV: 1.61993E9\n");
  const std::string csv = ReadFile(dir_ / "pg.csv");
  EXPECT_EQ(csv.substr(0, csv.find('\n') + 1), "period,frequency,string_length\n");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 11);
  EXPECT_NE(csv.find("\n1,1,7.3298673053866"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\n1.004,0.99601593625498,7.3211667159938\n"), std::string::npos) << csv;

  const Result aov = Exec("search twenty.txt --min 1 --max 1.00045 --step 0.0001 --method aov --peaks 3");
  ASSERT_EQ(aov.exit, 0) << aov.err;
  EXPECT_EQ(aov.out,
            "AoV: 1142242703.53303 Best Period:1\n"
            "Peak 1: period 1 frequency 1 theta 11.4224270353303 p 0.000211 FAP 0.000211\n"
            "SL: 7.329870\nAoV: 1.14224E9\n");
}

TEST_F(Batch, PeaksAndPeriodogramRefuseWhatTheyCannotDo) {
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"search twenty.txt --min 1 --max 1.1 --step 0.01 --peaks 0",
       "--peaks must be a whole number from 1 to 1000"},
      {"search twenty.txt --min 1 --max 1.1 --step 0.01 --peaks 2.5",
       "--peaks must be a whole number from 1 to 1000"},
      {"search twenty.txt --min 1 --max 1.1 --step 0.01 --peaks x",
       "--peaks: 'x' is not a valid floating point value"},
      {"search twenty.txt twenty.txt --min 1 --max 1.1 --step 0.01 --periodogram pg.csv",
       "--periodogram writes the periodogram of one photometry file; give one file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const Result run = Exec(c.args);
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(dir_ / "pg.csv"));
  // A CSV that cannot be written: the results are printed, the failure told, exit 1.
  const Result unwritable =
      Exec("search twenty.txt --min 1 --max 1.1 --step 0.01 --periodogram no/such/pg.csv");
  EXPECT_EQ(unwritable.exit, 1);
  EXPECT_EQ(unwritable.out.substr(0, 27), "Mesurment String - Length: ");
  EXPECT_EQ(unwritable.err, "Could not write 'no/such/pg.csv': No such file or directory\n");
}

}  // namespace
}  // namespace ombrane
