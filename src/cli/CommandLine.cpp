// ombrane-batch: the analyses of the window without the window, for scripts. Each command lives
// in a file of its own and is one row of the table below; this file reads the command line,
// prints the usage and the help, gathers the files (a list, a shard of it) and runs the command,
// printing the window's lines or writing a result table.
#include "CommandLine.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "TableOutput.h"
#include "common/TextToFloat.h"
#include "common/WholeFile.h"

namespace ombrane::batch {

// The commands, one file each.
extern const Command kFoldCommand;
extern const Command kSearchCommand;
extern const Command kMinimumCommand;
extern const Command kHelioCommand;
extern const Command kLookupCommand;
extern const Command kFourierCommand;
extern const Command kSinCosCommand;
extern const Command kEphemerisCommand;
extern const Command kMinimaCommand;

namespace {

constexpr std::array kCommands = {&kFoldCommand,   &kSearchCommand,  &kFourierCommand,
                                  &kSinCosCommand, &kMinimumCommand, &kHelioCommand,
                                  &kLookupCommand, &kMinimaCommand,  &kEphemerisCommand};

constexpr std::string_view kIntroduction =
    "Runs the analyses of the Ombrane window on photometry files and prints what the window\n"
    "would show.\n"
    "\n"
    "FILE is a photometry file: plain text, numbers separated by blanks, tabs or line ends, taken\n"
    "two at a time as a pair of Julian Day and magnitude, so one observation per line is usual. A\n"
    "pair with a zero in it is skipped. Reading stops at the first word that is not a number, and\n"
    "at most 10 000 000 observations are read; both are said on standard error. Files of other\n"
    "layouts are imported (see Importing below). Numbers on the command line and in the output\n"
    "use \".\" as the decimal separator. Given several files, a command runs on each in turn and\n"
    "prints a line \"== FILE\" before each file's lines. FILE \"-\" is standard input; a pipe, a FIFO\n"
    "or standard input is read once, as a file is (a FITS light curve, though, is read from a\n"
    "file on disk only). A file of more than 256 MB is refused.\n";

constexpr std::string_view kExitStatus =
    "Exit status (for several files, the worst of them: 2, then 1, then 3):\n"
    "    0  done\n"
    "    1  a computation failed or was refused (a floating-point fault, a refused search range,\n"
    "       a file without observations, DataPhase.txt not writable), after printing what was\n"
    "       done; a fault's message is followed by a line saying what was being computed\n"
    "    2  bad arguments, or a file that cannot be read\n"
    "    3  done, but a file was read only in part (a word that is not a number, more\n"
    "       observations than fit); or a plain file of three or more columns, refused\n"
    "       without --columns or --pairs\n";

std::string Usage() {
  std::string usage;
  for (const Command* command : kCommands)
    usage += std::string(usage.empty() ? "usage: " : "       ") + "ombrane-batch " +
             std::string(command->synopsis) + "\n";
  usage +=
      "       (the commands that read FILE also take the import options: --columns T,M --skip N\n"
      "        --error-column K --separator S --band B --flux sap|pdcsap --zero-point Z --bin auto|K\n"
      "        --time-scale jd|hjd|bjd_tdb)\n";
  usage += "       ombrane-batch --help\n";
  return usage;
}

// Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "\n" + std::string.
std::string Help() {
  std::string help = Usage();
  help.append("\n").append(kIntroduction);
  for (const Command* command : kCommands) help.append("\n").append(command->help);
  help.append("\n").append(kImportHelp).append("\n").append(kRunHelp).append("\n").append(kExitStatus);
  return help;
}

const OptionSpec* FindOption(const Command& command, std::string_view name) {
  for (const OptionSpec& option : command.options)
    if (option.name == name) return &option;
  if (command.readsFiles) {
    for (const OptionSpec& option : kImportOptions)
      if (option.name == name) return &option;
    for (const OptionSpec& option : kRunOptions)
      if (option.name == name) return &option;
  }
  return nullptr;
}

// A negative number where an operand is expected ("helio -2451545.0"): no option starts so.
bool IsNumber(std::string_view arg) {
  try {
    TextToFloat(arg, '.');
    return true;
  } catch (const ConversionError&) {
    return false;
  }
}

}  // namespace

const Command* FindCommand(std::string_view name) {
  for (const Command* command : kCommands)
    if (command->name == name) return command;
  return nullptr;
}

const Command& ParseCommandLine(const std::vector<std::string_view>& args, Invocation& invocation) {
  if (args.empty()) throw UsageError("a command is needed");
  const Command* found = FindCommand(args[0]);
  if (!found) throw UsageError("unknown command " + Quoted(args[0]));
  const Command& command = *found;
  invocation.command = command.name;
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-' && !IsNumber(arg)) {
      const OptionSpec* option = FindOption(command, arg);
      if (!option) throw UsageError("unknown option " + Quoted(arg) + " for " + std::string(command.name));
      if (!option->takesValue) {
        invocation.Set(option->name, {});
      } else if (i + static_cast<size_t>(option->valueCount) < args.size()) {
        const auto first = args.begin() + static_cast<std::ptrdiff_t>(i) + 1;
        invocation.SetValues(option->name, {first, first + option->valueCount});
        i += static_cast<size_t>(option->valueCount);
      } else {
        throw UsageError(std::string(option->name) + " needs " +
                         (option->valueCount == 1 ? std::string("a value")
                                                  : std::to_string(option->valueCount) + " values"));
      }
    } else {
      if (arg.empty()) throw UsageError("an empty argument names no file");
      invocation.operands.push_back(arg);
    }
  }
  return command;
}

namespace {

// Most bytes of a --files-from list.
constexpr size_t kFileListLimit = size_t{1} << 30;

// The paths of a --files-from list, one a line (a CR before the line end dropped, empty lines
// skipped); "-" reads standard input. nullopt, with the reason on standard error, when the list
// cannot be read.
std::optional<std::vector<std::string>> ReadFileList(std::string_view list) {
  std::string text;
  if (list == "-") {
    std::ostringstream in;
    in << std::cin.rdbuf();
    text = in.str();
  } else {
    WholeFileRead read = ReadWholeFile(std::string(list), kFileListLimit);
    if (!read.ok) {
      PrintError("Cannot read the list " + Quoted(list) + ": " + read.why);
      return std::nullopt;
    }
    text = std::move(read.bytes);
  }
  std::vector<std::string> paths;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) paths.push_back(std::move(line));
  }
  return paths;
}

// --shard I/N: the shard I of N (0 <= I < N).
struct Shard {
  int64_t index = 0;
  int64_t count = 1;
};

Shard ParseShard(std::string_view text) {
  const size_t slash = text.find('/');
  Shard shard;
  auto whole = [](std::string_view part, int64_t& value) {
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    return !part.empty() && ec == std::errc() && end == part.data() + part.size();
  };
  if (slash == std::string_view::npos || !whole(text.substr(0, slash), shard.index) ||
      !whole(text.substr(slash + 1), shard.count) || shard.count < 1 || shard.index < 0 ||
      shard.index >= shard.count)
    throw UsageError("--shard " + Quoted(text) + ": give I/N, whole numbers with 0 <= I < N");
  return shard;
}

// Runs a command that reads files: the files of the command line, then those of --files-from,
// the shard of them --shard names, printing the window's lines or, with --table, a table.
int RunOnFiles(const Command& command, Invocation& invocation) {
  std::vector<std::string> listed;
  if (const std::optional<std::string_view> list = invocation.Text("--files-from")) {
    if (*list == "-" &&
        std::find(invocation.operands.begin(), invocation.operands.end(), "-") != invocation.operands.end())
      throw UsageError("standard input cannot be both the list of files and a file");
    std::optional<std::vector<std::string>> paths = ReadFileList(*list);
    if (!paths) return kExitUsage;
    listed = std::move(*paths);
  } else if (invocation.operands.empty()) {
    throw UsageError(std::string(command.name) + " needs a file");
  }
  std::vector<std::string_view> files = invocation.operands;
  files.insert(files.end(), listed.begin(), listed.end());
  if (const std::optional<std::string_view> text = invocation.Text("--shard")) {
    const Shard shard = ParseShard(*text);
    std::vector<std::string_view> taken;
    for (size_t i = static_cast<size_t>(shard.index); i < files.size(); i += static_cast<size_t>(shard.count))
      taken.push_back(files[i]);
    files = std::move(taken);
  }

  const std::optional<std::string_view> table = invocation.Text("--table");
  const std::optional<std::string_view> output = invocation.Text("--output");
  const bool resume = invocation.Has("--resume");
  if (output && !table) throw UsageError("--output writes a table: give --table csv or --table json");
  if (output && output->empty()) throw UsageError("--output needs a file name");
  if (resume && !output) throw UsageError("--resume goes on with the table of --output FILE");
  invocation.operands = files;
  if (!table) return command.run(invocation);
  if (*table != "csv" && *table != "json")
    throw UsageError("--table must be csv or json, not " + Quoted(*table));

  // The columns first: this also checks the arguments before any file is read or written.
  std::vector<std::string> columns;
  {
    TableRun columnsRun{.emit =
                            [&columns](TableRow&& row) {
                              for (const TableField& field : row.fields) columns.push_back(field.name);
                              return true;
                            },
                        .columnsOnly = true,
                        .echoMessages = true};
    ScopedTableRun scope(columnsRun);
    command.run(invocation);
  }
  TableOutput out(*table == "csv" ? TableFormat::Csv : TableFormat::Json, columns,
                  output ? std::optional<std::string>(*output) : std::nullopt, resume);
  std::vector<std::string_view> left;
  for (std::string_view file : files)
    if (!out.Done(std::string(file))) left.push_back(file);
  invocation.operands = std::move(left);
  if (!out.Begin()) return kExitFailed;
  TableRun run{
      .emit = [&out](TableRow&& row) { return out.Write(row); }, .columnsOnly = false, .echoMessages = true};
  ScopedTableRun scope(run);
  return command.run(invocation);
}

}  // namespace

constexpr OptionSpec kRunOptionList[] = {
    {"--table", true}, {"--files-from", true}, {"--shard", true}, {"--output", true}, {"--resume", false}};
const std::span<const OptionSpec> kRunOptions = kRunOptionList;

const std::string_view kRunHelp =
    "Many files (every command that reads FILE):\n"
    "    --files-from LIST  also the files named in LIST, one path a line (empty lines are\n"
    "                       skipped; \"-\" reads the list from standard input), after those\n"
    "                       given as FILE\n"
    "    --shard I/N        only every N-th file of the files, starting at the I-th (counted\n"
    "                       from 0, 0 <= I < N): N runs with I = 0 .. N-1 share the files out\n"
    "                       with no coordination (a Slurm job array, an HTCondor queue)\n"
    "    --table csv|json   one row per file instead of the lines above, in this order:\n"
    "                       file (as given), n (observations), span (latest minus earliest\n"
    "                       time, days), time_scale, the command's columns (named in its\n"
    "                       paragraph), status (ok, partial, refused, failed or unreadable) and\n"
    "                       message (the file's messages, joined by \"; \"). A file that cannot\n"
    "                       be read or computed gives its row and the run goes on; the exit\n"
    "                       status is the worst of the files, as without --table. csv: a header\n"
    "                       line, then the rows (RFC 4180). json: JSON Lines, one object a\n"
    "                       line with the columns as keys, numbers bare and null where empty;\n"
    "                       a table a line per file is what a run can append to and resume.\n"
    "                       Numbers are written exactly (the shortest text that reads back as\n"
    "                       the value), with \".\". The messages still go to standard error.\n"
    "    --output FILE      append the table's rows to FILE, each row written whole as its\n"
    "                       file is done, instead of to standard output; a FILE that already\n"
    "                       holds rows is refused without --resume\n"
    "    --resume           go on with the table in FILE: the files that have a row there\n"
    "                       are skipped (failed ones too), and a last row cut short by a\n"
    "                       crash is cut off and made again. The columns must be the same.\n";

int RunBatch(const std::vector<std::string_view>& args) {
  for (std::string_view arg : args)
    if (arg == "--help" || arg == "-h") {
      Print(Help());
      return kExitOk;
    }
  try {
    Invocation invocation;
    const Command& command = ParseCommandLine(args, invocation);
    if (command.readsFiles) return RunOnFiles(command, invocation);
    if (invocation.operands.empty()) throw UsageError(std::string(command.name) + " needs a file");
    return command.run(invocation);
  } catch (const UsageError& error) {
    PrintError("ombrane-batch: " + std::string(error.what()) + "\n" + Usage());
    return kExitUsage;
  }
}

}  // namespace ombrane::batch
