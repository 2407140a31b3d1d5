#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <utility>

#include "Batch.h"
#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "common/QuotedText.h"
#include "common/TextToFloat.h"
#include "io/Import.h"
#include "project/OpenProject.h"
#include "services/LoadFile.h"

namespace ombrane::batch {
namespace {

// Longest part of an argument echoed in a message.
constexpr size_t kQuotedArgumentLength = 60;

// Severity of an exit code, for Worst.
int Severity(int code) {
  switch (code) {
    case kExitOk:
      return 0;
    case kExitPartial:
      return 1;
    case kExitFailed:
      return 2;
    default:
      return 3;
  }
}

// A path as it is named in the output: as given, or quoted when it holds characters that
// would not show as themselves.
std::string Shown(std::string_view path) {
  std::string quoted = QuotedText(path, path.size());
  return quoted.size() == path.size() + 2 ? std::string(path) : quoted;
}

constexpr OptionSpec kImportOptionList[] = {
    {"--columns", true}, {"--skip", true},        {"--separator", true}, {"--band", true},
    {"--flux", true},    {"--zero-point", true},  {"--bin", true},       {"--time-offset", true},
    {"--values", true},  {"--error-column", true}};
// Reading plain pairs of a file whose every line holds three or more numbers: the user says the
// numbers really are pairs written across the lines.
constexpr OptionSpec kPairsOption = {"--pairs", false};
// The time scale of the files' times, over what a file says: it does not make a plain file an
// import.
constexpr OptionSpec kTimeScaleOption = {"--time-scale", true};
constexpr OptionSpec kFileOptionList[] = {kImportOptionList[0], kImportOptionList[1], kImportOptionList[2],
                                          kImportOptionList[3], kImportOptionList[4], kImportOptionList[5],
                                          kImportOptionList[6], kImportOptionList[7], kImportOptionList[8],
                                          kImportOptionList[9], kPairsOption,         kTimeScaleOption};

// A whole number from `least` on, given with an option.
int32_t WholeNumber(std::string_view option, std::string_view text, int32_t least) {
  int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < least)
    throw UsageError(std::string(option) + ": " + Quoted(text) + " is not a whole number from " +
                     std::to_string(least) + " on");
  return value;
}

// The import choices of the command line; nothing when none is given.
std::optional<io::ImportOptions> ImportChoices(const Invocation& invocation) {
  bool any = false;
  for (const OptionSpec& option : kImportOptionList) any = any || invocation.Has(option.name);
  if (!any) return std::nullopt;
  io::ImportOptions options;
  if (const auto columns = invocation.Text("--columns")) {
    const size_t comma = columns->find(',');
    if (comma == std::string_view::npos)
      throw UsageError("--columns needs T,M: the time and magnitude columns");
    options.timeColumn = WholeNumber("--columns", columns->substr(0, comma), 1) - 1;
    options.magColumn = WholeNumber("--columns", columns->substr(comma + 1), 1) - 1;
  }
  if (const auto error = invocation.Text("--error-column"))
    options.errorColumn = *error == "none" ? -1 : WholeNumber("--error-column", *error, 1) - 1;
  if (const auto skip = invocation.Text("--skip")) options.skipLines = WholeNumber("--skip", *skip, 0);
  if (const auto separator = invocation.Text("--separator")) {
    const std::pair<std::string_view, io::FieldSeparator> names[] = {
        {"blanks", io::FieldSeparator::Blanks},
        {"blank", io::FieldSeparator::Blanks},
        {"tabs", io::FieldSeparator::Tabs},
        {"tab", io::FieldSeparator::Tabs},
        {"commas", io::FieldSeparator::Commas},
        {"comma", io::FieldSeparator::Commas},
        {",", io::FieldSeparator::Commas},
        {"semicolons", io::FieldSeparator::Semicolons},
        {"semicolon", io::FieldSeparator::Semicolons},
        {";", io::FieldSeparator::Semicolons}};
    const auto found = std::find_if(std::begin(names), std::end(names),
                                    [&](const auto& n) { return n.first == *separator; });
    if (found == std::end(names))
      throw UsageError("--separator: " + Quoted(*separator) +
                       " is not one of blanks, tabs, commas, semicolons");
    options.separator = found->second;
  }
  if (const auto band = invocation.Text("--band")) options.band = std::string(*band);
  if (const auto flux = invocation.Text("--flux")) {
    if (*flux == "sap")
      options.flux = io::FluxColumn::Sap;
    else if (*flux == "pdcsap")
      options.flux = io::FluxColumn::Pdcsap;
    else
      throw UsageError("--flux: " + Quoted(*flux) + " is not sap or pdcsap");
  }
  options.zeroPoint = invocation.Number("--zero-point");
  options.timeOffset = invocation.Number("--time-offset");
  if (const auto values = invocation.Text("--values")) {
    if (*values == "flux")
      options.valuesAreFlux = true;
    else if (*values == "magnitudes" || *values == "magnitude")
      options.valuesAreFlux = false;
    else
      throw UsageError("--values: " + Quoted(*values) + " is not flux or magnitudes");
  }
  if (const auto bin = invocation.Text("--bin")) {
    if (*bin == "auto") {
      options.binning = io::Binning::Auto;
    } else {
      options.binning = io::Binning::Cadences;
      options.binCadences = WholeNumber("--bin", *bin, 1);
    }
  }
  return options;
}

// The table run of this thread, and the messages of the file whose row is being made.
thread_local TableRun* currentRun = nullptr;
thread_local std::vector<std::string>* fileMessages = nullptr;

// Collects the messages of one file for its row while it lives.
class MessageCollector {
 public:
  explicit MessageCollector(std::vector<std::string>& messages) : previous_(fileMessages) {
    fileMessages = &messages;
  }
  ~MessageCollector() { fileMessages = previous_; }
  MessageCollector(const MessageCollector&) = delete;
  MessageCollector& operator=(const MessageCollector&) = delete;

 private:
  std::vector<std::string>* previous_;
};

// The time scale of the loaded times, as the table names it.
std::string TimeScaleText(const Data& data) {
  return std::string(TimeScaleName(data.timeScale));
}

// The number of observations and their time span (the latest time minus the earliest, days).
void PutObservations(const Data& data, TableRow& row) {
  const int32_t n = RealCount(data);
  long double first = n > 0 ? data.jd[0] : 0, last = first;
  for (int32_t e = 1; e < n; ++e) {
    first = std::min(first, data.jd[static_cast<size_t>(e)]);
    last = std::max(last, data.jd[static_cast<size_t>(e)]);
  }
  for (TableField& field : row.fields) {
    if (field.name == "n") field.value = std::to_string(n);
    if (field.name == "span") field.value = ExactNumber(last - first);
    if (field.name == "time_scale") field.value = TimeScaleText(data);
  }
}

// The row of a file with the given result columns, every value empty but the file's.
TableRow EmptyRow(std::string_view file, const std::vector<std::string>& resultColumns) {
  TableRow row;
  row.fields.push_back({"file", std::string(file), false});
  row.fields.push_back({"n", "", true});
  row.fields.push_back({"span", "", true});
  row.fields.push_back({"time_scale", "", false});
  for (const std::string& column : resultColumns) row.fields.push_back({column, "", true});
  row.fields.push_back({"status", "", false});
  row.fields.push_back({"message", "", false});
  return row;
}

void SetField(TableRow& row, std::string_view column, std::string value) {
  for (TableField& field : row.fields)
    if (field.name == column) {
      field.value = std::move(value);
      return;
    }
  throw std::logic_error("the table has no column " + std::string(column));
}

// The status of a file's row from its exit code.
std::string_view StatusOf(int code) {
  switch (code) {
    case kExitOk:
      return "ok";
    case kExitPartial:
      return "partial";
    case kExitFailed:
      return "failed";
    default:
      return "unreadable";
  }
}

// A project file in place of FILE: its data file loaded as the project was (the saved reading,
// the file checked by size and CRC-32) with the data operations applied, the object as saved.
// The project carries its own import options: given ones are refused for it.
LoadReport ReplayProjectFile(const std::string& path, const std::string& shown,
                             const std::optional<io::ImportOptions>& choices, Records& r) {
  if (choices)
    throw InputError(shown + " is a project file: it is read with its own import options, not those given.");
  const Project project = ReadProjectFile(path, shown);
  ReplayOutcome outcome = ReplayProject(project, SourcePathOf(project.sources.front(), path), '.');
  *r.data = std::move(outcome.data);
  *r.star = std::move(outcome.star);
  *r.view = std::move(outcome.view);
  return outcome.load;
}

// Loads one file, as plain pairs or imported, or a project file's replay, and runs the command
// on it; returns the file's exit code. With a row, the file's observations and the command's
// results go into it.
int RunOnFile(std::string_view file, const std::optional<io::ImportOptions>& choices, bool pairs,
              std::optional<TimeScale> timeScale, const std::function<int(Records&)>& each, TableRow* row) {
  Records r;
  r.row = row;
  const std::string path(file);
  const std::string shown = path == "-" ? std::string("standard input") : Shown(file);
  const std::string name = std::filesystem::path(path).filename().string();
  const std::string fileName = name.empty() ? path : name;
  LoadReport report;
  try {
    if (IsProjectPath(path))
      report = ReplayProjectFile(path, shown, choices, r);
    else
      report = LoadFile({.path = path,
                         .fileName = fileName,
                         .shownName = shown,
                         .importOptions = choices,
                         .decimalSeparator = '.',
                         .timeScale = timeScale},
                        *r.data, *r.star, *r.view);
  } catch (const InputError& error) {
    PrintError(error.what());
    return kExitUsage;
  }
  for (const std::string& note : report.importNotes) PrintError(note);
  if (report.observationsImported > io::kStoreRoom && report.autoBinCadences > 1)
    PrintError(shown + ": " + std::to_string(report.observationsImported) +
               " observations; --bin auto bins them to " + std::to_string(report.autoBinCadences) +
               " cadences, the shortest bin that fits.");
  const PhotometryReadResult& read = report.read;
  for (const std::string& message : read.messages) PrintError(message);
  if (!read.opened) return kExitUsage;
  // A table of three or more columns read two numbers at a time pairs a time with an error or a
  // magnitude with a time: its results would be garbage, so it is refused unless --pairs says
  // the numbers really are pairs.
  if (read.columnsMixed && !pairs) {
    PrintError(shown +
               ": every line holds three or more numbers, so it is not read as pairs; --columns T,M "
               "reads the two columns you choose, --pairs reads the numbers two at a time.");
    if (row) SetField(*row, "status", "refused");
    return kExitPartial;
  }
  if (r.data->pointCount < 1) {
    PrintError("No observations in " + shown + ".");
    return kExitFailed;  // worse than a partial read
  }
  if (row) PutObservations(*r.data, *row);
  // A file read only in part gives its own code after its results, so that scripts notice.
  const int readCode = read.partial ? kExitPartial : kExitOk;
  try {
    return Worst(each(r), readCode);
  } catch (const FloatingPointError& error) {
    PrintError(error.what());
    if (!r.activity.empty())
      PrintError("while " + r.activity + (error.detail().empty() ? "" : ": " + error.detail()));
  } catch (const InputError& error) {
    PrintError(error.what());
  }
  return kExitFailed;
}

}  // namespace

int Worst(int a, int b) {
  return Severity(a) >= Severity(b) ? a : b;
}

std::string Quoted(std::string_view argument) {
  return QuotedText(argument, kQuotedArgumentLength);
}

void Invocation::Set(std::string_view option, std::string_view value) {
  SetValues(option, {value});
}

void Invocation::SetValues(std::string_view option, std::vector<std::string_view> values) {
  for (auto& [name, texts] : options_)
    if (name == option) {
      texts = std::move(values);
      return;
    }
  options_.emplace_back(option, std::move(values));
}

std::vector<std::string_view> Invocation::Values(std::string_view option) const {
  for (const auto& [name, texts] : options_)
    if (name == option) return texts;
  return {};
}

bool Invocation::Has(std::string_view option) const {
  return Text(option).has_value();
}

std::optional<std::string_view> Invocation::Text(std::string_view option) const {
  for (const auto& [name, texts] : options_)
    if (name == option) return texts.empty() ? std::string_view() : texts.front();
  return std::nullopt;
}

std::optional<long double> Invocation::Number(std::string_view option) const {
  const std::optional<std::string_view> text = Text(option);
  if (!text) return std::nullopt;
  try {
    return TextToFloat(*text, '.');
  } catch (const ConversionError&) {
    throw UsageError(std::string(option) + ": " + Quoted(*text) + " is not a valid floating point value");
  }
}

void Print(std::string_view line) {
  if (currentRun) return;
  std::cout << line << '\n' << std::flush;
}

void PrintError(std::string_view line) {
  if (fileMessages) fileMessages->emplace_back(line);
  if (!currentRun || currentRun->echoMessages) std::cerr << line << '\n' << std::flush;
}

void NoteInRow(std::string_view line) {
  if (currentRun && fileMessages) fileMessages->emplace_back(line);
}

ScopedTableRun::ScopedTableRun(TableRun& run) : previous_(currentRun) {
  currentRun = &run;
}

ScopedTableRun::~ScopedTableRun() {
  currentRun = previous_;
}

bool MakingTable() {
  return currentRun != nullptr;
}

std::string ExactNumber(long double x) {
  return FormatFileExact(x);
}

std::string ExactNumber(double x) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, x);
  return ec == std::errc() ? std::string(text, end) : std::string();
}

void Records::Put(std::string_view column, std::string value) const {
  if (row) SetField(*row, column, std::move(value));
}

const std::span<const OptionSpec> kImportOptions = kFileOptionList;

const std::string_view kImportHelp =
    "Importing (every command that reads FILE):\n"
    "    A FITS light curve of Kepler, K2 or TESS (.fits, .fit, .fts, .fits.gz) and an AAVSO\n"
    "    export (a CSV whose header names JD, Magnitude and Band) are imported by themselves;\n"
    "    any of the options below imports a text file of other columns. The layout is found\n"
    "    as the window's File > Import finds it; the options set what it should not guess.\n"
    "    --columns T,M     the time (Julian Day) and magnitude columns, counted from 1\n"
    "    --error-column K|none\n"
    "                      the column of the magnitude's error (sigma), counted from 1;\n"
    "                      default: a column named like err, error, sigma, e_mag,\n"
    "                      uncertainty, else none. AAVSO exports give their Uncertainty,\n"
    "                      FITS light curves the flux's error. Rows without a usable\n"
    "                      error (missing, not above 0) make the file read without errors\n"
    "    --skip N          lines skipped at the top (a header among them); comment lines\n"
    "                      (#, %, ;) and empty lines are always skipped\n"
    "    --separator S     blanks, tabs, commas or semicolons\n"
    "    --band B          the band kept of an AAVSO export (needed when it holds several);\n"
    "                      fainter-than estimates (\"<\") are left out\n"
    "    --flux sap|pdcsap the flux of a FITS light curve (default pdcsap); rows with a\n"
    "                      QUALITY flag or a NaN are left out\n"
    "    --zero-point Z    magnitude = -2.5 log10(flux) + Z; default: the median flux at 10 mag\n"
    "    --time-offset D   added to every time of a text file (2400000, 2400000.5 for MJD,\n"
    "                      2450000, 2457000 for TESS's BTJD); default: what the time column's\n"
    "                      name says (\"BJD-2450000\", \"MJD\"), else none\n"
    "    --values flux|magnitudes\n"
    "                      the second column of a text file holds flux (turned into\n"
    "                      magnitudes as a FITS flux) or magnitudes; default: flux when the\n"
    "                      column's name says so\n"
    "    --bin auto|K      mean time and mean flux (or magnitude) in bins of K cadences;\n"
    "                      auto: the shortest bin that fits the 10000000 observations the\n"
    "                      store holds. Without it every row is read\n"
    "    --time-scale jd|hjd|bjd_tdb\n"
    "                      the time scale of the files' times (UTC Julian Days, heliocentric\n"
    "                      or barycentric in TDB); default: what the file says (a FITS light\n"
    "                      curve is bjd_tdb, a time column named HJD or BJD that scale), else\n"
    "                      jd. Timing lines and tables name it; corrections use it\n"
    "    --pairs           read a plain file whose every line holds three or more numbers\n"
    "                      two numbers at a time, as pairs (without it such a file is\n"
    "                      refused with exit status 3: use --columns)\n"
    "    What was left out is said on standard error; a file that cannot be read as asked\n"
    "    (ragged rows, a truncated FITS file, a column that is not numbers) loads nothing\n"
    "    and gives exit status 2.\n";

int ForEachPhotometryFile(const Invocation& invocation, const std::vector<std::string>& resultColumns,
                          const std::function<int(Records&)>& each) {
  const std::optional<io::ImportOptions> choices = ImportChoices(invocation);
  const bool pairs = invocation.Has(kPairsOption.name);
  std::optional<TimeScale> timeScale;
  if (const auto scale = invocation.Text(kTimeScaleOption.name)) {
    timeScale = ParseTimeScale(*scale);
    if (!timeScale) throw UsageError("--time-scale: " + Quoted(*scale) + " is not jd, hjd or bjd_tdb");
  }
  int worst = kExitOk;
  if (currentRun && currentRun->columnsOnly) {
    currentRun->emit(EmptyRow("", resultColumns));
    return worst;
  }
  if (currentRun) {
    for (std::string_view file : invocation.operands) {
      TableRow row = EmptyRow(file, resultColumns);
      std::vector<std::string> messages;
      int code = kExitOk;
      {
        MessageCollector collector(messages);
        code = RunOnFile(file, choices, pairs, timeScale, each, &row);
      }
      row.exitCode = code;
      if (row.Value("status")->empty()) SetField(row, "status", std::string(StatusOf(code)));
      row.failed = *row.Value("status") != "ok" && *row.Value("status") != "partial";
      std::string message;
      for (const std::string& m : messages) {
        if (!message.empty()) message.append("; ");
        message.append(m);
      }
      std::replace(message.begin(), message.end(), '\n', ' ');
      SetField(row, "message", std::move(message));
      worst = Worst(worst, code);
      if (!currentRun->emit(std::move(row))) return kExitFailed;
    }
    return worst;
  }
  const bool several = invocation.operands.size() > 1;
  for (std::string_view file : invocation.operands) {
    if (several) Print("== " + Shown(file));
    worst = Worst(worst, RunOnFile(file, choices, pairs, timeScale, each, nullptr));
  }
  return worst;
}

}  // namespace ombrane::batch
