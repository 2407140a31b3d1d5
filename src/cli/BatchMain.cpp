// ombrane-batch: the analyses of the window without the window, for scripts. Each command lives
// in a file of its own and is one row of the table below; this file reads the command line,
// prints the usage and the help, and runs the command.
#include <array>
#include <csignal>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Batch.h"
#include "common/TextToFloat.h"

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
      "        --error-column K --separator S --band B --flux sap|pdcsap --zero-point Z --bin auto|K)\n";
  usage += "       ombrane-batch --help\n";
  return usage;
}

// Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "\n" + std::string.
std::string Help() {
  std::string help = Usage();
  help.append("\n").append(kIntroduction);
  for (const Command* command : kCommands) help.append("\n").append(command->help);
  help.append("\n").append(kImportHelp).append("\n").append(kExitStatus);
  return help;
}

const OptionSpec* FindOption(const Command& command, std::string_view name) {
  for (const OptionSpec& option : command.options)
    if (option.name == name) return &option;
  if (command.readsFiles)
    for (const OptionSpec& option : kImportOptions)
      if (option.name == name) return &option;
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

// The command and its options and operands; UsageError for anything it does not accept. An
// argument after "--", "-" (standard input) and a negative number are operands.
const Command& Parse(const std::vector<std::string_view>& args, Invocation& invocation) {
  if (args.empty()) throw UsageError("a command is needed");
  const Command* found = nullptr;
  for (const Command* command : kCommands)
    if (command->name == args[0]) found = command;
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
  if (invocation.operands.empty()) throw UsageError(std::string(command.name) + " needs a file");
  return command;
}

int Main(const std::vector<std::string_view>& args) {
  for (std::string_view arg : args)
    if (arg == "--help" || arg == "-h") {
      Print(Help());
      return kExitOk;
    }
  try {
    Invocation invocation;
    const Command& command = Parse(args, invocation);
    return command.run(invocation);
  } catch (const UsageError& error) {
    PrintError("ombrane-batch: " + std::string(error.what()) + "\n" + Usage());
    return kExitUsage;
  }
}

}  // namespace
}  // namespace ombrane::batch

int main(int argc, char** argv) {
  // A file-size limit (ulimit -f) would otherwise kill the program mid-write without a word;
  // ignored, the write fails with "File too large", the partial record is cut back and the
  // failure reported like any other.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  return ombrane::batch::Main(args);
}
