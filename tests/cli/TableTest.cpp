// The batch's result tables: one row per file over good and failing files, the lists of files,
// the shards, the output file and its resumption after a crash, and the row made in-process.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>

#include "BatchRun.h"
#include "cli/Batch.h"
#include "cli/Table.h"

namespace ombrane {
namespace {

using namespace test;
using nlohmann::ordered_json;

// The columns of the fold's table.
const std::vector<std::string> kFoldTable = {"file",          "n",         "span",   "time_scale",
                                             "string_length", "aov_theta", "status", "message"};

// Values worked out by hand for twenty.txt folded at P = 1 (the same fixture as BatchTest's):
// SL = 10 sqrt(0.04^2 + 0.5^2) + 9 sqrt(0.06^2 + 0.25^2), AoV Θ = 11.4224270353 (bins of two
// entries at 10 + k/4, the last three; between and within sums over 9 and 11 degrees of freedom).
const double kTwentySl = 10 * std::sqrt(0.04 * 0.04 + 0.25) + 9 * std::sqrt(0.06 * 0.06 + 0.0625);
const double kTwentyTheta = 11.4224270353;

// The upper tail of the F distribution with (d1, d2) degrees of freedom at x, as the regularised
// incomplete beta I_z(d2/2, d1/2) with z = d2 / (d2 + d1 x), by Simpson's rule on the beta density.
double FTail(double x, double d1, double d2) {
  const double a = d2 / 2, b = d1 / 2, z = d2 / (d2 + d1 * x);
  const double logBeta = std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b);
  auto density = [&](double t) {
    return t <= 0 ? 0.0 : std::exp((a - 1) * std::log(t) + (b - 1) * std::log1p(-t) - logBeta);
  };
  const int steps = 20000;
  const double h = z / steps;
  double sum = density(0) + density(z);
  for (int i = 1; i < steps; ++i) sum += density(i * h) * (i % 2 ? 4 : 2);
  return sum * h / 3;
}

class Table : public BatchRun {
 protected:
  void SetUp() override {
    BatchRun::SetUp();
    std::string twenty;
    for (int k = 0; k < 10; ++k) {
      // Phases 0.1 k + 0.03 and 0.1 k + 0.07 of P = 1 about 2450000, magnitudes 10 + k/4 -+ 0.25.
      const double day = 2450000 + k * 1.1;
      twenty.append(std::to_string(day + 0.03))
          .append(" ")
          .append(std::to_string(9.75 + k * 0.25))
          .append("\n");
      twenty.append(std::to_string(day + 0.07))
          .append(" ")
          .append(std::to_string(10.25 + k * 0.25))
          .append("\n");
    }
    Write("twenty.txt", twenty);
    Write("three.txt", "2450000.1 10\n2450000.35 11\n2450001.3 12\n");
    Write("empty.txt", "");
  }

  // The rows of a CSV table (header first) split at commas; the tables here quote nothing
  // unless a test says so.
  static std::vector<std::vector<std::string>> Csv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Lines(text)) {
      std::vector<std::string> values;
      size_t start = 0;
      for (size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
        values.push_back(line.substr(start, comma - start));
      values.push_back(line.substr(start));
      rows.push_back(values);
    }
    return rows;
  }

  // Writes n small light curves lc00.txt ... (their periods differ) and a list of them.
  void WriteCurves(int n) {
    std::string list;
    for (int f = 0; f < n; ++f) {
      std::string text;
      for (int i = 0; i < 40; ++i) {
        const double t = 2450000 + i * 0.37;
        text.append(std::to_string(t))
            .append(" ")
            .append(std::to_string(10 + std::sin(t * (3 + f))))
            .append("\n");
      }
      const std::string name =
          std::string("lc").append(f < 10 ? "0" : "").append(std::to_string(f)).append(".txt");
      Write(name, text);
      list.append(name).append("\n");
    }
    Write("list.txt", list);
  }
};

TEST_F(Table, AFoldRowHoldsTheValuesWorkedOutByHand) {
  const BatchResult run = Exec("fold twenty.txt --period 1 --table csv");
  ASSERT_EQ(run.exit, 0) << run.err;
  const auto rows = Csv(run.out);
  ASSERT_EQ(rows.size(), 2u) << run.out;
  EXPECT_EQ(rows[0], kFoldTable);
  const std::vector<std::string>& row = rows[1];
  ASSERT_EQ(row.size(), kFoldTable.size());
  EXPECT_EQ(row[0], "twenty.txt");
  EXPECT_EQ(row[1], "20");
  EXPECT_NEAR(std::stod(row[2]), 9.94, 1e-9);  // 2450009.97 - 2450000.03
  EXPECT_EQ(row[3], "JD");
  EXPECT_NEAR(std::stod(row[4]), kTwentySl, 1e-12);
  EXPECT_NEAR(std::stod(row[5]), kTwentyTheta, 1e-9);
  EXPECT_EQ(row[6], "ok");
  EXPECT_EQ(row[7], "");
}

// One row per file whatever becomes of it, the run going on after a failure, and the exit
// status the worst of the files (2 unreadable, then 1 failed).
TEST_F(Table, EveryFileGivesItsRowAndTheExitSaysWhetherOneFailed) {
  struct Case {
    const char* files;
    int exit;
    std::vector<std::string> statuses;
    std::vector<std::string> messages;  // a part of each row's message
  };
  const Case cases[] = {
      {"twenty.txt", 0, {"ok"}, {""}},
      {"twenty.txt empty.txt", 1, {"ok", "failed"}, {"", "No observations in empty.txt."}},
      {"missing.txt twenty.txt", 2, {"unreadable", "ok"}, {"missing.txt could not be opened", ""}},
      {"empty.txt missing.txt", 2, {"failed", "unreadable"}, {"No observations", "could not be opened"}},
      // Three observations: no AoV statistic, which the message says; the fold itself is done.
      {"three.txt", 0, {"ok"}, {"AoV: undefined (fewer than 10 observations)"}},
  };
  for (const Case& c : cases) {
    for (const char* format : {"csv", "json"}) {
      SCOPED_TRACE(std::string(c.files).append(" ").append(format));
      const BatchResult run =
          Exec(std::string("fold ").append(c.files).append(" --period 1 --table ").append(format));
      EXPECT_EQ(run.exit, c.exit) << run.err;
      std::vector<std::string> lines = Lines(run.out);
      if (std::string(format) == "csv") {
        ASSERT_FALSE(lines.empty());
        lines.erase(lines.begin());
      }
      ASSERT_EQ(lines.size(), c.statuses.size()) << run.out;
      for (size_t i = 0; i < lines.size(); ++i) {
        std::string status, message, file;
        if (std::string(format) == "json") {
          const ordered_json row = ordered_json::parse(lines[i]);
          std::vector<std::string> keys;
          for (const auto& item : row.items()) keys.push_back(item.key());
          EXPECT_EQ(keys, kFoldTable);
          status = row["status"];
          message = row["message"];
          // A failed file has no numbers: null, not 0.
          if (status != "ok") {
            EXPECT_TRUE(row["string_length"].is_null()) << lines[i];
          } else {
            EXPECT_EQ(row["n"].get<int>(), row["file"] == "three.txt" ? 3 : 20);
          }
        } else {
          // The messages hold no comma here, so the last two values are status and message.
          const std::vector<std::string> values = Csv(lines[i])[0];
          ASSERT_EQ(values.size(), kFoldTable.size()) << lines[i];
          status = values[6];
          message = values[7];
          if (status != "ok") {
            EXPECT_EQ(values[4], "") << lines[i];
          }
        }
        EXPECT_EQ(status, c.statuses[i]);
        if (c.messages[i].empty()) {
          EXPECT_EQ(message, "");
        } else {
          EXPECT_NE(message.find(c.messages[i]), std::string::npos) << message;
        }
      }
    }
  }
}

// An AoV search of the trials 1, 1.0001, ... below 1.00045: every trial keeps the bins of P = 1,
// so the first wins with Θ of P = 1; its p is the upper tail of F(9, 21 - 10) at Θ (N = 21
// entries with the loader's repeat) and, the band being narrower than one peak, FAP = p.
TEST_F(Table, AnAovSearchRowGivesTheBestPeriodAndItsSignificance) {
  const BatchResult run =
      Exec("search twenty.txt --min 1 --max 1.00045 --step 0.0001 --method aov --table json");
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1u) << run.out;
  const ordered_json row = ordered_json::parse(lines[0]);
  std::vector<std::string> keys;
  for (const auto& item : row.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"file", "n", "span", "time_scale", "best_period", "aov_theta",
                                            "p", "fap", "trials", "status", "message"}));
  EXPECT_EQ(row["best_period"].get<double>(), 1.0);
  EXPECT_NEAR(row["aov_theta"].get<double>(), kTwentyTheta, 1e-9);
  const double p = FTail(kTwentyTheta, 9, 11);
  EXPECT_NEAR(row["p"].get<double>() / p, 1.0, 1e-6) << p;
  EXPECT_NEAR(row["fap"].get<double>() / p, 1.0, 1e-6);
  EXPECT_EQ(row["trials"].get<int>(), 5);
}

TEST_F(Table, FilesComeFromAListOrStandardInput) {
  Write("names.txt", "twenty.txt\n\nthree.txt\r\n");
  const std::vector<std::string> expected = {"twenty.txt", "three.txt"};
  for (const char* args : {"--files-from names.txt", "--files-from - < names.txt"}) {
    SCOPED_TRACE(args);
    const BatchResult run = Exec(std::string("fold --period 1 --table csv ").append(args));
    ASSERT_EQ(run.exit, 0) << run.err;
    const auto rows = Csv(run.out);
    ASSERT_EQ(rows.size(), 3u) << run.out;
    EXPECT_EQ(rows[1][0], expected[0]);
    EXPECT_EQ(rows[2][0], expected[1]);
  }
  // The files of the command line come first; a list that cannot be read is an error of its own.
  const BatchResult both = Exec("fold empty.txt --period 1 --table csv --files-from names.txt");
  EXPECT_EQ(both.exit, 1);
  ASSERT_EQ(Csv(both.out).size(), 4u) << both.out;
  EXPECT_EQ(Csv(both.out)[1][0], "empty.txt");
  const BatchResult missing = Exec("fold --period 1 --table csv --files-from nolist.txt");
  EXPECT_EQ(missing.exit, 2);
  EXPECT_NE(missing.err.find("nolist.txt"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, "");
  // Lines mode takes the list too.
  const BatchResult lines = Exec("fold --period 1 --files-from names.txt");
  EXPECT_EQ(lines.exit, 0);
  EXPECT_NE(lines.out.find("== three.txt\n"), std::string::npos) << lines.out;
}

// Shards I/3 take the files I, I + 3, ...; together they are the whole table, row for row.
TEST_F(Table, ThreeShardsMakeTheWholeTable) {
  WriteCurves(8);
  const std::string search =
      "search --files-from list.txt --method aov --min 0.5 --max 3 --step 0.01 --table csv";
  const BatchResult whole = Exec(search);
  ASSERT_EQ(whole.exit, 0) << whole.err;
  std::vector<std::string> wholeRows = Lines(whole.out);
  ASSERT_EQ(wholeRows.size(), 9u);
  const std::string header = wholeRows[0];
  wholeRows.erase(wholeRows.begin());
  std::vector<std::string> joined;
  const std::vector<std::vector<int>> expected = {{0, 3, 6}, {1, 4, 7}, {2, 5}};
  for (int i = 0; i < 3; ++i) {
    const BatchResult shard = Exec(search + " --shard " + std::to_string(i) + "/3");
    ASSERT_EQ(shard.exit, 0) << shard.err;
    std::vector<std::string> rows = Lines(shard.out);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], header);
    ASSERT_EQ(rows.size(), expected[static_cast<size_t>(i)].size() + 1);
    for (size_t k = 1; k < rows.size(); ++k) {
      EXPECT_EQ(
          rows[k].substr(0, 8),
          std::string("lc0").append(std::to_string(expected[static_cast<size_t>(i)][k - 1])).append(".txt"));
      joined.push_back(rows[k]);
    }
  }
  std::sort(joined.begin(), joined.end());
  std::sort(wholeRows.begin(), wholeRows.end());
  EXPECT_EQ(joined, wholeRows);
  // A shard beyond the files is an empty table.
  WriteCurves(2);
  const BatchResult none = Exec("fold --files-from list.txt --period 1 --table csv --shard 4/5");
  EXPECT_EQ(none.exit, 0);
  EXPECT_EQ(Lines(none.out).size(), 1u) << none.out;
}

TEST_F(Table, BadRunOptionsAreUsageErrors) {
  const struct {
    const char* options;
    const char* said;
  } cases[] = {
      {"--shard 3/3", "--shard"},
      {"--shard -1/3", "--shard"},
      {"--shard 1/0", "--shard"},
      {"--shard a/3", "--shard"},
      {"--shard 1", "--shard"},
      {"--shard 1/3/4", "--shard"},
      {"--shard /3", "--shard"},
      {"--shard 1.5/3", "--shard"},
      {"--table xml", "--table"},
      {"--output t.csv", "--output writes a table"},
      {"--table csv --resume", "--resume"},
      {"--table csv --output ''", "--output needs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const BatchResult run = Exec(std::string("fold twenty.txt --period 1 ").append(c.options));
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
  }
  // Peaks have no place in a row; commands that read no photometry take no run options.
  EXPECT_EQ(Exec("search twenty.txt --min 0.5 --max 2 --step 0.1 --peaks 2 --table csv").exit, 2);
  EXPECT_EQ(Exec("helio 2450000 --ra 1 0 0 --dec 1 0 0 --table csv").exit, 2);
  EXPECT_FALSE(fs::exists(dir_ / "t.csv"));
}

// The output file: rows appended as files are done; a second run refuses it without --resume;
// with --resume the files done are skipped and a row cut short by a crash is made again.
TEST_F(Table, ResumeRedoesOnlyTheFilesWithoutAWholeRow) {
  WriteCurves(4);
  for (const char* format : {"csv", "json"}) {
    SCOPED_TRACE(format);
    const std::string table = std::string("table.").append(format);
    const std::string run = std::string("fold --period 1.3 --files-from list.txt --table ")
                                .append(format)
                                .append(" --output ")
                                .append(table);
    // The whole table in one run, for comparison.
    const BatchResult whole =
        Exec(std::string("fold --period 1.3 --files-from list.txt --table ").append(format));
    ASSERT_EQ(whole.exit, 0) << whole.err;

    // Two files first, then the last row torn as by a crash in the middle of its write.
    Write("two.txt", "lc00.txt\nlc01.txt\n");
    ASSERT_EQ(Exec(std::string("fold --period 1.3 --files-from two.txt --table ")
                       .append(format)
                       .append(" --output ")
                       .append(table))
                  .exit,
              0);
    std::string text = ReadFile(dir_ / table);
    const std::string third = std::string(format) == "csv" ? "lc02.txt," : "{\"file\":\"lc02.txt\"";
    ASSERT_NE(whole.out.find(third), std::string::npos) << whole.out;
    EXPECT_EQ(text, whole.out.substr(0, whole.out.find(third)));
    const BatchResult refused = Exec(run);
    EXPECT_EQ(refused.exit, 2);
    EXPECT_NE(refused.err.find("--resume"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFile(dir_ / table), text);
    Write(table, text.substr(0, text.size() - 12));

    // lc00.txt is gone: were its row made again, it would say so.
    fs::rename(dir_ / "lc00.txt", dir_ / "gone.txt");
    const BatchResult resumed = Exec(run + " --resume");
    EXPECT_EQ(resumed.exit, 0) << resumed.err;
    EXPECT_NE(resumed.err.find("unfinished"), std::string::npos) << resumed.err;
    EXPECT_EQ(ReadFile(dir_ / table), whole.out);
    // Done already: a further run adds nothing.
    EXPECT_EQ(Exec(run + " --resume").exit, 0);
    EXPECT_EQ(ReadFile(dir_ / table), whole.out);
    fs::rename(dir_ / "gone.txt", dir_ / "lc00.txt");
  }
}

TEST_F(Table, ResumeKnowsQuotedNamesAndRefusesOtherColumns) {
  // A name with a comma and a quote is quoted in the CSV, and found again on resuming.
  Write("a, \"b\".txt", ReadFile(dir_ / "twenty.txt"));
  Write("names.txt", "a, \"b\".txt\nthree.txt\n");
  ASSERT_EQ(Exec("fold --period 1 --files-from names.txt --table csv --output t.csv").exit, 0);
  const std::string text = ReadFile(dir_ / "t.csv");
  EXPECT_NE(text.find("\n\"a, \"\"b\"\".txt\",20,"), std::string::npos) << text;
  fs::remove(dir_ / "a, \"b\".txt");
  ASSERT_EQ(Exec("fold --period 1 --files-from names.txt --table csv --output t.csv --resume").exit, 0);
  EXPECT_EQ(ReadFile(dir_ / "t.csv"), text);
  // A table of another command is not gone on with.
  const BatchResult other =
      Exec("search twenty.txt --min 0.5 --max 2 --step 0.1 --table csv --output t.csv --resume");
  EXPECT_EQ(other.exit, 2);
  EXPECT_NE(other.err.find("other columns"), std::string::npos) << other.err;
  EXPECT_EQ(ReadFile(dir_ / "t.csv"), text);
  // A header cut short counts for nothing: it is written again whole.
  Write("u.csv", "file,n,sp");
  ASSERT_EQ(Exec("fold --period 1 three.txt --table csv --output u.csv --resume").exit, 0);
  const std::vector<std::string> lines = Lines(ReadFile(dir_ / "u.csv"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], batch::TableCsvHeader(kFoldTable));
}

// The row made in-process is the batch's row, also from several threads at once.
TEST_F(Table, TheRowOfOneFileIsTheBatchRow) {
  const std::vector<std::string> arguments = {"fold", "--period", "1"};
  const std::string path = (dir_ / "twenty.txt").string();
  const BatchResult run = Exec(std::string("fold '").append(path).append("' --period 1 --table csv"));
  ASSERT_EQ(run.exit, 0);
  const batch::TableRow row = batch::TableRowOf(arguments, path);
  EXPECT_FALSE(row.failed);
  EXPECT_EQ(batch::TableCsvHeader(batch::TableColumns(arguments)) + "\n" + batch::TableCsvLine(row) + "\n",
            run.out);
  std::vector<std::string> lines(4);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < lines.size(); ++i)
    threads.emplace_back([&, i] { lines[i] = batch::TableJsonLine(batch::TableRowOf(arguments, path)); });
  for (std::thread& t : threads) t.join();
  for (const std::string& line : lines) EXPECT_EQ(line, batch::TableJsonLine(row));

  const batch::TableRow missing = batch::TableRowOf(arguments, (dir_ / "missing.txt").string());
  EXPECT_TRUE(missing.failed);
  EXPECT_EQ(*missing.Value("status"), "unreadable");
  EXPECT_EQ(missing.exitCode, 2);

  const std::vector<std::vector<std::string>> refused = {
      {"fold"},
      {"fold", "--period", "1", "x.txt"},
      {"fold", "--period", "1", "--table", "csv"},
      {"helio", "--ra", "1", "0", "0", "--dec", "1", "0", "0"},
      {"nothing"}};
  for (const auto& args : refused) {
    EXPECT_THROW(batch::TableRowOf(args, path), batch::UsageError) << args[0];
    EXPECT_THROW(batch::TableColumns(args), batch::UsageError) << args[0];
  }
}

// A pure sine 10 + 0.3 sin(2 pi t / 0.7), t the Julian Day (2450000 / 0.7 is a whole number of
// cycles, so phase and JD agree): the fits give A0 = 10, A1 = 0.3, phase 0, no second harmonic,
// the brightest point (9.7) at phase 0.75 and the faintest (10.3) at 0.25, half a cycle apart;
// sin+cos gives a_1 = 0.3, b_1 = 0. A V-shaped eclipse symmetric about 2450000.15 is timed there.
TEST_F(Table, FitAndMinimumRowsHoldTheValuesWorkedOutByHand) {
  std::string sine;
  for (int i = 0; i < 60; ++i) {
    const double t = 2450000 + 0.123 * i;
    char text[64];
    const int n =
        std::snprintf(text, sizeof text, "%.3f %.10f\n", t, 10 + 0.3 * std::sin(2 * M_PI * t / 0.7));
    sine.append(text, static_cast<size_t>(n));
  }
  Write("sine.txt", sine);
  const BatchResult fourier = Exec("fourier sine.txt --period 0.7 --harmonics 2 --table json");
  ASSERT_EQ(fourier.exit, 0) << fourier.err;
  const ordered_json fit = ordered_json::parse(Lines(fourier.out).at(0));
  EXPECT_EQ(fit["harmonics"].get<int>(), 2);
  EXPECT_NEAR(fit["a0"].get<double>(), 10, 1e-8);
  EXPECT_NEAR(fit["a1"].get<double>(), 0.3, 1e-8);
  EXPECT_NEAR(fit["phi1"].get<double>(), 0, 1e-7);
  EXPECT_NEAR(fit["r21"].get<double>(), 0, 1e-7);
  EXPECT_TRUE(fit["r31"].is_null());  // two harmonics have no R31
  EXPECT_NEAR(fit["max_x"].get<double>(), 0.75, 1e-3);
  EXPECT_NEAR(fit["max_mag"].get<double>(), 9.7, 1e-6);
  EXPECT_NEAR(fit["min_x"].get<double>(), 0.25, 1e-3);
  EXPECT_NEAR(fit["min_mag"].get<double>(), 10.3, 1e-6);
  EXPECT_NEAR(fit["rising_time"].get<double>(), 0.5, 1e-3);

  const BatchResult sincos = Exec("sincos sine.txt --period 0.7 --harmonics 1 --table csv");
  ASSERT_EQ(sincos.exit, 0) << sincos.err;
  const auto rows = Csv(sincos.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"file", "n", "span", "time_scale", "harmonics", "a_1",
                                               "a_1_error", "b_1", "b_1_error", "status", "message"}));
  EXPECT_EQ(rows[1][5], "0.300000");
  EXPECT_EQ(rows[1][7], "0.000000");

  std::string v;
  for (int i = 0; i <= 30; ++i) {
    char text[64];
    const int n =
        std::snprintf(text, sizeof text, "%.2f %.4f\n", 2450000 + 0.01 * i, 10 + 0.02 * std::abs(i - 15));
    v.append(text, static_cast<size_t>(n));
  }
  Write("v.txt", v);
  const BatchResult minimum =
      Exec("minimum v.txt --from 0 --to 30 --ra 5 0 0 --dec 20 0 0 --bjd --table json");
  ASSERT_EQ(minimum.exit, 0) << minimum.err;
  const ordered_json m = ordered_json::parse(Lines(minimum.out).at(0));
  EXPECT_EQ(m["points"].get<int>(), 30);
  EXPECT_NEAR(m["minimum"].get<double>(), 2450000.15, 1e-4);
  EXPECT_LT(m["minimum_error"].get<double>(), 1e-4);
  // The light time across the Earth's orbit is at most 499 s (0.00578 d). The barycentric time
  // adds TT - UTC (29 s of leap seconds + 32.184 s in 1995) and the light time between the Sun's
  // centre and the barycentre, which stay within about 0.01 AU (5 s) of each other.
  const double correction = m["hjd_correction"].get<double>();
  EXPECT_LT(std::fabs(correction), 0.00578);
  EXPECT_NEAR(m["hjd_minimum"].get<double>(), m["minimum"].get<double>() + correction, 1e-9);
  EXPECT_NEAR((m["bjd_tdb"].get<double>() - m["hjd_minimum"].get<double>()) * 86400, 61.184, 5.0);
}

// The Slurm example as its comments run it: two shards, then their tables joined under one
// header, which must be the table of one run over the whole list.
TEST_F(Table, TheSlurmExampleRunsItsShards) {
  const std::string examples = OMBRANE_EXAMPLES;
  Write("curves.list", examples + "/pulsating_star.txt\n" + examples + "/eclipsing_binary.txt\n" + examples +
                           "/short_night.txt\nmissing.txt\n");
  const std::string script = examples + "/search_shards.slurm";
  for (int shard = 0; shard < 2; ++shard) {
    const std::string env = std::string("SHARD=")
                                .append(std::to_string(shard))
                                .append(" SHARDS=2 OMBRANE_BATCH='")
                                .append(OMBRANE_BATCH)
                                .append("' bash '")
                                .append(script)
                                .append("' curves.list");
    const int status = std::system(std::string("cd '")
                                       .append(dir_.string())
                                       .append("' && ")
                                       .append(env)
                                       .append(" 2> /dev/null")
                                       .c_str());
    // The task's status is the worst of its files: short_night.txt (one night, 2.6 hours) has no
    // AoV statistic at any trial of the range (1), and missing.txt cannot be read (2).
    EXPECT_EQ(WEXITSTATUS(status), shard == 0 ? 1 : 2);
  }
  ASSERT_EQ(std::system(std::string("cd '")
                            .append(dir_.string())
                            .append("' && head -n 1 results/shard-0.csv > all.csv && tail -q -n +2 "
                                    "results/shard-*.csv >> all.csv")
                            .c_str()),
            0);
  const BatchResult whole = Exec(
      "search --files-from curves.list --method aov --min 0.2 --max 2 --frequency-step 0.0005 --table csv");
  EXPECT_EQ(whole.exit, 2);
  std::vector<std::string> joined = Lines(ReadFile(dir_ / "all.csv"));
  std::vector<std::string> rows = Lines(whole.out);
  ASSERT_EQ(rows.size(), 5u) << whole.out;
  ASSERT_EQ(joined.size(), 5u);
  EXPECT_EQ(joined[0], rows[0]);
  std::sort(joined.begin() + 1, joined.end());
  std::sort(rows.begin() + 1, rows.end());
  EXPECT_EQ(joined, rows);
}

TEST(TableText, ValuesAreQuotedAndNumbersWrittenBare) {
  batch::TableRow row;
  row.fields = {{"file", "a,\"b\"\nc", false}, {"n", "12", true}, {"x", "", true},
                {"y", "-1.5e-07", true},       {"m", "", false},  {"u", "caf\xc3\xa9", false}};
  EXPECT_EQ(batch::TableCsvLine(row), "\"a,\"\"b\"\"\nc\",12,,-1.5e-07,,caf\xc3\xa9");
  EXPECT_EQ(
      batch::TableJsonLine(row),
      "{\"file\":\"a,\\\"b\\\"\\nc\",\"n\":12,\"x\":null,\"y\":-1.5e-07,\"m\":\"\",\"u\":\"caf\xc3\xa9\"}");
  EXPECT_EQ(batch::TableCsvHeader({"file", "n"}), "file,n");
}

}  // namespace
}  // namespace ombrane
