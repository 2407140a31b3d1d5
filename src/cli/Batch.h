// What the commands of ombrane-batch share: the exit codes, the parsed command line, numbers and
// quoting of what the user typed, the records of one photometry file and the loop that runs a
// command over every file. A command is one source file that defines a `Command` and one row
// of the table in CommandLine.cpp.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Table.h"
#include "store/Records.h"
#include "view/ChartModel.h"

namespace ombrane::batch {

// Exit codes. A run over several files exits with the worst code of its files (Worst).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;   // a computation failed or was refused, after what was done
inline constexpr int kExitUsage = 2;    // bad arguments, or a file that cannot be read
inline constexpr int kExitPartial = 3;  // results printed, but a file was read only in part

// The worse of two exit codes: 2 (nothing could be done) before 1 (a computation failed) before
// 3 (done on part of a file) before 0.
int Worst(int a, int b);

// Bad arguments: the message is printed with the usage and the program exits with kExitUsage.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command-line argument quoted in a message: shortened and escaped (QuotedText).
std::string Quoted(std::string_view argument);

// An option a command accepts: "--period" with a value, "--jd-average" without, "--ra H M S"
// with three.
struct OptionSpec {
  std::string_view name;
  bool takesValue = false;
  int valueCount = 1;  // values that follow an option that takes values
};

// The command line after the command name: options (the last of a repeated one counts) and
// operands (the files), in the order given.
class Invocation {
 public:
  std::string_view command;
  std::vector<std::string_view> operands;

  void Set(std::string_view option, std::string_view value);
  void SetValues(std::string_view option, std::vector<std::string_view> values);
  bool Has(std::string_view option) const;
  // Every value of an option that takes several; empty when the option is not given.
  std::vector<std::string_view> Values(std::string_view option) const;
  std::optional<std::string_view> Text(std::string_view option) const;
  // The option's value as a number with "." as the decimal separator; UsageError when it is
  // not a number.
  std::optional<long double> Number(std::string_view option) const;

 private:
  std::vector<std::pair<std::string_view, std::vector<std::string_view>>> options_;
};

// One command: its name, the synopsis line(s) of the usage, its paragraph of --help, the options
// it accepts and the function that runs it (returns the exit code; may throw UsageError before
// it does anything).
struct Command {
  std::string_view name;
  std::string_view synopsis;
  std::string_view help;
  std::span<const OptionSpec> options;
  int (*run)(const Invocation&);
  // The command reads photometry files: it also takes the import options (kImportOptions).
  bool readsFiles = true;
};

// The options of every command that reads files: how a file other than plain pairs is
// imported (--columns, --skip, --separator, --band, --flux, --zero-point, --bin), and their
// paragraph of --help.
extern const std::span<const OptionSpec> kImportOptions;
extern const std::string_view kImportHelp;

// The options of every command that reads files that shape the run rather than a file's
// reading: --table, --files-from, --shard, --output, --resume (CommandLine.cpp), and their
// paragraph of --help.
extern const std::span<const OptionSpec> kRunOptions;
extern const std::string_view kRunHelp;

// Output: results to standard output, messages to standard error, one line each. While a table
// is made (TableRun) the result lines are left out and a file's messages go into its row.
void Print(std::string_view line);
void PrintError(std::string_view line);

// A note for the message column of the file whose row is being made (a line the table leaves
// out that says why a column is empty); nothing without a table.
void NoteInRow(std::string_view line);

// A table being made in this thread (ScopedTableRun): ForEachPhotometryFile makes one row per
// file and hands it to `emit` instead of printing the window's lines.
struct TableRun {
  // Receives each file's row; false stops the run (the table could not be written).
  std::function<bool(TableRow&&)> emit;
  bool columnsOnly = false;  // emit one row of the columns with empty values, and read no file
  bool echoMessages = true;  // a file's messages also go to standard error
};

// Sets `run` as this thread's table run for its lifetime.
class ScopedTableRun {
 public:
  explicit ScopedTableRun(TableRun& run);
  ~ScopedTableRun();
  ScopedTableRun(const ScopedTableRun&) = delete;
  ScopedTableRun& operator=(const ScopedTableRun&) = delete;

 private:
  TableRun* previous_;
};

// Whether this thread is making a table.
bool MakingTable();

// A number written exactly: the shortest text that reads back as the same value, with ".".
std::string ExactNumber(long double x);
std::string ExactNumber(double x);

// The records of the window for one file, on the heap (Data is large). `activity` says what is
// being computed ("folding at period 0.5"), for the second line of a floating-point fault.
struct Records {
  std::unique_ptr<Data> data = std::make_unique<Data>();
  std::unique_ptr<Star> star = std::make_unique<Star>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();
  ChartModel chart;
  std::string activity;
  TableRow* row = nullptr;  // the file's row while a table is made

  // Sets a result column of the file's row (nothing without a table); the column must be one
  // the command named to ForEachPhotometryFile.
  void Put(std::string_view column, std::string value) const;
};

// Loads every photometry file of the invocation through the load service (LoadFile: plain pairs,
// or an AAVSO export, a FITS light curve or a file given import options imported) and runs `each` on its
// records; with more than one file a line "== FILE" comes before each file's lines. Reading
// messages go to standard error. A file that cannot be read gives kExitUsage, one without
// observations or whose computation faults gives kExitFailed (the fault's message, then what
// was being computed), one read only in part kExitPartial after its results. Returns the worst
// code of the files; `each` returns the code of its own results.
// While a table is made, each file gives a row of the columns file, n, span, time_scale,
// `resultColumns` (set by `each` through Records::Put), status and message.
int ForEachPhotometryFile(const Invocation& invocation, const std::vector<std::string>& resultColumns,
                          const std::function<int(Records&)>& each);

// The fold of the period box at `periodText` on loaded records, printed as the window's labels
// show it ("SL: ..." and "AoV: ..."), after `heading` when given; with --phase-file the block
// is appended to DataPhase.txt. Shared by fold and search. Returns the exit code.
struct FoldOptions {
  bool jdAverage = false;
  bool phaseFile = false;
  bool tableColumns = false;  // put the fold's columns into the table row (the fold command's)
};
// The fold command's result columns: string_length, aov_theta.
extern const std::vector<std::string> kFoldColumns;
// --ra H M S and --dec D M S into the star's coordinate fields, as the window's six coordinate
// boxes take them; false when neither is given, UsageError when only one is or a value is not a
// number. Shared by minimum and helio.
bool ReadCoordinates(const Invocation& invocation, Star& star);

int PrintFold(std::string_view periodText, const std::optional<std::string>& heading,
              const FoldOptions& options, Records& records);

}  // namespace ombrane::batch
