// ombrane-batch: the fold and the period search without the window, for scripts. It reads a
// photometry file as the window's Open does, then runs the same core operations as the period
// box and the Search button, and prints what the window would show.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "common/OutputFile.h"
#include "common/TextToFloat.h"
#include "phase/Fold.h"
#include "phase/PeriodSearch.h"
#include "store/Loading.h"
#include "store/NightIndex.h"
#include "store/Photometry.h"
#include "store/Records.h"
#include "view/ChartModel.h"

namespace ombrane {
namespace {

constexpr int kExitFailed = 1;  // a floating-point fault, a refused search, nothing to fold
constexpr int kExitUsage = 2;   // bad arguments or an unreadable file

constexpr std::string_view kUsage =
    "usage: ombrane-batch fold FILE --period P [--epoch M0] [--jd-average] [--phase-file]\n"
    "       ombrane-batch search FILE --min A --max B --step S [--method sl|aov] [--epoch M0]\n"
    "                            [--jd-average] [--phase-file]\n"
    "       ombrane-batch --help\n";

constexpr std::string_view kHelp =
    "Folds a light curve or searches its period, as the window's period box and Search button do.\n"
    "\n"
    "FILE is a photometry file: white-space separated pairs of Julian Day and magnitude, read as\n"
    "the window's Open reads it (pairs with a zero are skipped, the last pair is stored twice).\n"
    "Numbers on the command line and in the output use \".\" as the decimal separator.\n"
    "\n"
    "fold FILE --period P\n"
    "    Folds at period P (days, > 0) about the epoch and prints\n"
    "        SL: <string length of the fold, marked pairs left out>\n"
    "        AoV: <analysis-of-variance statistic x 10^8>\n"
    "    in the fixed format of the window's labels (six significant digits, six decimals).\n"
    "\n"
    "search FILE --min A --max B --step S [--method sl|aov]\n"
    "    Tries the periods A, A + S, A + 2S, ... below B (S > 0, e.g. 0.000001) on every core\n"
    "    and scores each fold by its string length (sl, the default: shortest wins) or by the AoV\n"
    "    statistic (aov: largest wins); equal scores keep the smaller period. The best period,\n"
    "    written with 15 significant digits, is then folded as by the fold command. Prints\n"
    "        Mesurment String - Length: <best> Best Period:<period>   (sl)\n"
    "        AoV: <best x 10^8> Best Period:<period>                  (aov)\n"
    "    followed by the SL: and AoV: lines of the final fold.\n"
    "\n"
    "Options of both commands:\n"
    "    --epoch M0     epoch of phase 0 (Julian Day); default 2450000\n"
    "    --jd-average   abscissa of the phase file in averaged Julian Days instead of phase\n"
    "    --phase-file   append the folded curve as a block to DataPhase.txt in the current\n"
    "                   folder (abscissa, magnitude, Julian Day; never truncated)\n"
    "\n"
    "Exit status: 0 on success; 1 when the computation fails (a floating-point fault such as an\n"
    "empty phase bin of the AoV statistic with 10 observations or fewer, a refused search range,\n"
    "a file without observations, DataPhase.txt not writable), after printing what was done;\n"
    "2 for bad arguments or a file that cannot be read.\n";

struct Arguments {
  std::string command;
  std::string file;
  std::optional<std::string> periodText;
  std::optional<long double> epoch;
  std::optional<long double> searchMin;
  std::optional<long double> searchMax;
  std::optional<long double> step;
  SearchMethod method = SearchMethod::StringLength;
  bool jdAverage = false;
  bool phaseFile = false;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

long double Number(std::string_view option, std::string_view text) {
  try {
    return TextToFloat(text, '.');
  } catch (const ConversionError& error) {
    throw UsageError(std::string(option) + ": " + error.what());
  }
}

Arguments Parse(const std::vector<std::string_view>& args) {
  Arguments a;
  if (args.size() < 2) throw UsageError("a command and a file are needed");
  a.command = args[0];
  if (a.command != "fold" && a.command != "search") throw UsageError("unknown command '" + a.command + "'");
  a.file = args[1];
  for (size_t i = 2; i < args.size(); ++i) {
    const std::string_view option = args[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= args.size()) throw UsageError(std::string(option) + " needs a value");
      return args[++i];
    };
    if (option == "--jd-average") {
      a.jdAverage = true;
    } else if (option == "--phase-file") {
      a.phaseFile = true;
    } else if (option == "--epoch") {
      a.epoch = Number(option, value());
    } else if (option == "--period" && a.command == "fold") {
      const std::string_view text = value();
      if (!(Number(option, text) > 0)) throw UsageError("--period must be greater than 0");
      a.periodText = std::string(text);
    } else if (option == "--min" && a.command == "search") {
      a.searchMin = Number(option, value());
    } else if (option == "--max" && a.command == "search") {
      a.searchMax = Number(option, value());
    } else if (option == "--step" && a.command == "search") {
      a.step = Number(option, value());
    } else if (option == "--method" && a.command == "search") {
      const std::string_view method = value();
      if (method == "sl")
        a.method = SearchMethod::StringLength;
      else if (method == "aov")
        a.method = SearchMethod::Aov;
      else
        throw UsageError("--method must be sl or aov");
    } else {
      throw UsageError("unknown option '" + std::string(option) + "' for " + a.command);
    }
  }
  if (a.command == "fold" && !a.periodText) throw UsageError("fold needs --period");
  if (a.command == "search") {
    if (!a.searchMin || !a.searchMax || !a.step) throw UsageError("search needs --min, --max and --step");
    if (!(*a.searchMin < *a.searchMax)) throw UsageError("--min must be below --max");
  }
  return a;
}

// The records of the window, on the heap (Data is large).
struct Records {
  std::unique_ptr<Data> data = std::make_unique<Data>();
  std::unique_ptr<Star> star = std::make_unique<Star>();
  std::unique_ptr<ViewState> view = std::make_unique<ViewState>();
  ChartModel chart;
};

// Loads FILE as the window's Open does. False when the file cannot be read.
bool Load(const Arguments& a, Records& r) {
  ClearStoreForLoad(*r.data, *r.star, *r.view);
  const std::string name = std::filesystem::path(a.file).filename().string();
  const PhotometryReadResult read = ReadPhotometryFile(a.file, name, *r.data);
  for (const std::string& message : read.messages) std::cerr << message << '\n';
  if (!read.opened) return false;
  r.data->fileName = name;
  SplitNights(r.data->fileJd, *r.data, *r.view);
  CopyLoadedToWorking(*r.data);
  ApplyNewObjectDefaults(*r.star, *r.view);
  ApplyLoadedNightState(*r.view);
  r.star->increment = a.step.value_or(0.000001L);
  if (a.epoch) r.star->epoch = *a.epoch;
  return true;
}

// The period box with `text`. Prints `heading` (when given) and the two label lines; when a step
// faults, only the labels computed before it, without the heading, as the window shows them.
// Appends the phase-file block; returns false when it could not be written.
bool FoldAt(std::string_view text, const std::optional<std::string>& heading, const Arguments& a,
            Records& r) {
  FoldRequest request;
  request.axis = a.jdAverage ? PhaseAxis::JdAverage : PhaseAxis::Phase;
  request.writePhaseFile = a.phaseFile;
  request.computeAov = true;
  request.separator = '.';
  FoldOutcome outcome;
  auto printLabels = [&] {
    if (outcome.label11) std::cout << "SL: " << *outcome.label11 << '\n';
    if (outcome.label13) std::cout << "AoV: " << *outcome.label13 << '\n';
    std::cout.flush();
  };
  try {
    ApplyPeriodBox(text, *r.data, *r.star, *r.view, r.chart, request, outcome);
  } catch (...) {
    printLabels();
    throw;
  }
  if (heading) std::cout << *heading << '\n';
  printLabels();
  if (outcome.phaseFileBlock) {
    OutputFiles files;
    if (auto message = WritePhaseFile(*outcome.phaseFileBlock, files)) {
      std::cerr << *message << '\n';
      return false;
    }
  }
  return true;
}

int Fold(const Arguments& a, Records& r) {
  return FoldAt(*a.periodText, std::nullopt, a, r) ? 0 : kExitFailed;
}

int Search(const Arguments& a, Records& r) {
  Star& star = *r.star;
  star.searchMin = *a.searchMin;
  star.searchMax = *a.searchMax;
  SearchRequest request;
  request.searchMin = star.searchMin;
  request.searchMax = star.searchMax;
  request.increment = star.increment;
  request.method = a.method;
  const SearchResult result = SearchPeriod(*r.data, star, request);
  if (result.status != SearchResult::Status::Done) {
    std::cerr << "Nothing to search.\n";
    return kExitFailed;
  }
  // The best period goes through the period box as its 15-digit text.
  const std::string line = SearchResultLine(a.method, result, '.');
  return FoldAt(FormatGeneral(result.bestPeriod), line, a, r) ? 0 : kExitFailed;
}

int Main(const std::vector<std::string_view>& args) {
  for (std::string_view arg : args)
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << '\n' << kHelp;
      return 0;
    }
  Arguments a;
  try {
    a = Parse(args);
  } catch (const UsageError& error) {
    std::cerr << "ombrane-batch: " << error.what() << '\n' << kUsage;
    return kExitUsage;
  }
  Records r;
  if (!Load(a, r)) {
    std::cerr << kUsage;
    return kExitUsage;
  }
  if (r.data->pointCount < 1) {
    std::cerr << "No observations in " << a.file << ".\n";
    return kExitFailed;
  }
  try {
    return a.command == "fold" ? Fold(a, r) : Search(a, r);
  } catch (const FloatingPointError& error) {
    std::cerr << error.what() << '\n';
  } catch (const InputError& error) {
    std::cerr << error.what() << '\n';
  }
  return kExitFailed;
}

}  // namespace
}  // namespace ombrane

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  return ombrane::Main(args);
}
