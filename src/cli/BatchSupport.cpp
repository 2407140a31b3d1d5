#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iostream>
#include <utility>

#include "Batch.h"
#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "common/QuotedText.h"
#include "common/TextToFloat.h"
#include "io/Import.h"
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
constexpr OptionSpec kFileOptionList[] = {kImportOptionList[0], kImportOptionList[1], kImportOptionList[2],
                                          kImportOptionList[3], kImportOptionList[4], kImportOptionList[5],
                                          kImportOptionList[6], kImportOptionList[7], kImportOptionList[8],
                                          kImportOptionList[9], kPairsOption};

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

// Loads one file, as plain pairs or imported, and runs the command on it; returns the file's
// exit code.
int RunOnFile(std::string_view file, const std::optional<io::ImportOptions>& choices, bool pairs,
              const std::function<int(Records&)>& each) {
  Records r;
  const std::string path(file);
  const std::string shown = path == "-" ? std::string("standard input") : Shown(file);
  const std::string name = std::filesystem::path(path).filename().string();
  const std::string fileName = name.empty() ? path : name;
  LoadReport report;
  try {
    report = LoadFile({.path = path, .fileName = fileName, .shownName = shown, .importOptions = choices},
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
    return kExitPartial;
  }
  if (r.data->pointCount < 1) {
    PrintError("No observations in " + shown + ".");
    return kExitFailed;  // worse than a partial read
  }
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
  std::cout << line << '\n' << std::flush;
}

void PrintError(std::string_view line) {
  std::cerr << line << '\n' << std::flush;
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
    "    --pairs           read a plain file whose every line holds three or more numbers\n"
    "                      two numbers at a time, as pairs (without it such a file is\n"
    "                      refused with exit status 3: use --columns)\n"
    "    What was left out is said on standard error; a file that cannot be read as asked\n"
    "    (ragged rows, a truncated FITS file, a column that is not numbers) loads nothing\n"
    "    and gives exit status 2.\n";

int ForEachPhotometryFile(const Invocation& invocation, const std::function<int(Records&)>& each) {
  const std::optional<io::ImportOptions> choices = ImportChoices(invocation);
  int worst = kExitOk;
  const bool several = invocation.operands.size() > 1;
  for (std::string_view file : invocation.operands) {
    if (several) Print("== " + Shown(file));
    worst = Worst(worst, RunOnFile(file, choices, invocation.Has(kPairsOption.name), each));
  }
  return worst;
}

}  // namespace ombrane::batch
