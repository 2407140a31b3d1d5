// ombrane-batch fourier and sincos: the harmonic fits of the window on every file.
#include "Batch.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "common/OutputFile.h"
#include "common/TextToFloat.h"
#include "fit/FourierPresentation.h"
#include "phase/Fold.h"
#include "phase/FoldPresentation.h"

namespace ombrane::batch {
namespace {

constexpr OptionSpec kFourierOptions[] = {
    {"--period", true},        {"--epoch", true},      {"--harmonics", true}, {"--jd-average", false},
    {"--fourier-file", false}, {"--data-file", false}, {"--weighted", false}};

constexpr OptionSpec kSinCosOptions[] = {
    {"--period", true}, {"--harmonics", true}, {"--epoch", true}, {"--sincos-file", false}};

// The period (> 0) and, when given, the harmonics (a count a fit can hold, truncated as the
// window's harmonics box truncates it); UsageError otherwise.
std::string_view CheckedPeriod(const Invocation& invocation, std::string_view command) {
  const std::optional<std::string_view> periodText = invocation.Text("--period");
  if (!periodText) throw UsageError(std::string(command) + " needs --period");
  if (!(*invocation.Number("--period") > 0)) throw UsageError("--period must be greater than 0");
  return *periodText;
}

std::optional<std::string> CheckedHarmonics(const Invocation& invocation) {
  const std::optional<std::string_view> text = invocation.Text("--harmonics");
  if (!text) return std::nullopt;
  invocation.Number("--harmonics");  // UsageError when it is not a number
  try {
    CheckHarmonicsBox(*text, '.');
  } catch (const InputError& error) {
    throw UsageError("--harmonics " + Quoted(*text) + ": " + error.what());
  }
  return std::string(*text);
}

// What the period box does with P: the period, then the fold and its picture (the AoV statistic
// is left out: it has nothing to do with the fits and faults on ten observations or fewer).
void ApplyPeriod(std::string_view periodText, bool jdAverage, Records& r) {
  r.star->period = TextToFloat(periodText, '.');
  FoldOutcome fold;
  RunFold(*r.data, *r.star, *r.view, r.chart,
          FoldRequest{.axis = jdAverage ? PhaseAxis::JdAverage : PhaseAxis::Phase, .separator = '.'}, fold);
}

// Prints the pane's lines; appends to the output files the options name. A file that cannot be
// written is said on standard error and makes the exit code 1.
struct BatchSink {
  bool fourierFile = false;
  bool dataFile = false;
  bool sinCosFile = false;
  OutputFiles files;
  int code = kExitOk;

  FitSink Sink() {
    return FitSink{.note = [](const std::string& line) { Print(line); },
                   .open = {},
                   .append =
                       [this](const std::string& file, const std::string& text) {
                         const bool wanted = (file == kFourierFileName && fourierFile) ||
                                             (file == kDataFileName && dataFile) ||
                                             (file == kSinCosFileName && sinCosFile);
                         if (!wanted) return;
                         if (auto message = files.Append(file, text)) {
                           PrintError(*message);
                           code = kExitFailed;
                         }
                       }};
  }
};

// The table's columns of a Fourier fit: the harmonics fitted, A0, the first amplitude and phase,
// R21, phi21, R31, phi31 (each with its error), the extremes of the fitted curve and the rising
// time.
const std::vector<std::string> kFourierColumns = {
    "harmonics",   "a0",        "a0_error", "a1",          "a1_error", "phi1",       "phi1_error",
    "r21",         "r21_error", "phi21",    "phi21_error", "r31",      "r31_error",  "phi31",
    "phi31_error", "max_x",     "max_mag",  "min_x",       "min_mag",  "rising_time"};

// A fit's results into the file's row: a term only when the fit has the harmonics it needs.
void PutFourier(const FitOutcome& outcome, Records& r) {
  const FourierResults& f = r.star->fourierResults;
  const int32_t h = outcome.harmonics;
  auto put = [&r](std::string_view name, const ValueAndError& v) {
    r.Put(name, ExactNumber(v.value));
    r.Put(std::string(name).append("_error"), ExactNumber(v.error));
  };
  r.Put("harmonics", std::to_string(h));
  put("a0", f.a0);
  if (h >= 1) {
    put("a1", f.amplitude[0]);
    put("phi1", f.phase[0]);
  }
  if (h >= 2) {
    put("r21", f.amplitudeRatio[0]);
    put("phi21", f.phaseDifference[0]);
  }
  if (h >= 3) {
    put("r31", f.amplitudeRatio[1]);
    put("phi31", f.phaseDifference[1]);
  }
  if (outcome.extremes) {
    const FitExtremes& e = *outcome.extremes;
    r.Put("max_x", ExactNumber(e.maximumX));
    r.Put("max_mag", ExactNumber(e.maximumMag));
    r.Put("min_x", ExactNumber(e.minimumX));
    r.Put("min_mag", ExactNumber(e.minimumMag));
    r.Put("rising_time", ExactNumber(e.risingTime));
  }
}

// The table's columns of a sin+cos fit of n harmonics: a_k, a_k_error, b_k, b_k_error for k = 1
// .. n, as SinCosOut.txt writes them (six decimals).
std::vector<std::string> SinCosColumns(int n) {
  std::vector<std::string> columns = {"harmonics"};
  for (int k = 1; k <= n; ++k) {
    const std::string i = std::to_string(k);
    for (const char* name : {"a", "a_error", "b", "b_error"}) {
      std::string column(name);
      column.insert(1, std::string("_").append(i));
      columns.push_back(column);
    }
  }
  return columns;
}

int RunFourier(const Invocation& invocation) {
  const std::string_view periodText = CheckedPeriod(invocation, "fourier");
  const std::optional<std::string> harmonics = CheckedHarmonics(invocation);
  const std::optional<long double> epoch = invocation.Number("--epoch");
  const bool jdAverage = invocation.Has("--jd-average");
  return ForEachPhotometryFile(invocation, kFourierColumns, [&](Records& r) {
    if (epoch) r.star->epoch = *epoch;
    r.view->openPath = r.data->fileName;
    r.activity = "folding at period " + std::string(periodText);
    ApplyPeriod(periodText, jdAverage, r);
    r.activity = "fitting at period " + std::string(periodText);
    BatchSink sink;
    sink.fourierFile = invocation.Has("--fourier-file");
    sink.dataFile = invocation.Has("--data-file");
    const FitRequest request{.axis = jdAverage ? PhaseAxis::JdAverage : PhaseAxis::Phase,
                             .linesToNotes = true,
                             .fourierFile = sink.fourierFile,
                             .dataFile = sink.dataFile,
                             .openFiles = false,
                             .separator = '.',
                             .weighted = invocation.Has("--weighted")};
    FitOutcome outcome;
    if (harmonics)
      RunFixedFit(*harmonics, *r.data, *r.star, *r.view, r.chart, request, sink.Sink(), outcome);
    else
      RunAutomaticFit(*r.data, *r.star, *r.view, r.chart, request, sink.Sink(), outcome);
    if (outcome.extremes) {
      const FitExtremes& e = *outcome.extremes;
      Print("MAX " + FormatGeneral(e.maximumX) + " " + FormatGeneral(e.maximumMag) + "  MIN " +
            FormatGeneral(e.minimumX) + " " + FormatGeneral(e.minimumMag) + "  Rising Time " +
            FormatGeneral(e.risingTime));
    }
    if (r.row && outcome.ran) PutFourier(outcome, r);
    return sink.code;
  });
}

// The numbers of the sin+cos line into the file's row: k, a_k, sigma(a_k), b_k, sigma(b_k) for
// each harmonic, separated by blanks, then the file's name.
void PutSinCos(std::string_view line, int count, Records& r) {
  std::vector<std::string> words;
  for (size_t at = 0; at < line.size();) {
    const size_t start = line.find_first_not_of(' ', at);
    if (start == std::string_view::npos) break;
    const size_t end = std::min(line.find(' ', start), line.size());
    words.emplace_back(line.substr(start, end - start));
    at = end;
  }
  r.Put("harmonics", std::to_string(count));
  const std::vector<std::string> columns = SinCosColumns(count);
  for (int k = 0; k < count; ++k)
    for (int v = 0; v < 4; ++v) {
      const size_t word = static_cast<size_t>(5 * k + 1 + v);
      if (word < words.size()) r.Put(columns[static_cast<size_t>(1 + 4 * k + v)], words[word]);
    }
}

int RunSinCos(const Invocation& invocation) {
  const std::string_view periodText = CheckedPeriod(invocation, "sincos");
  const std::optional<std::string> harmonics = CheckedHarmonics(invocation);
  if (!harmonics) throw UsageError("sincos needs --harmonics");
  const std::optional<long double> epoch = invocation.Number("--epoch");
  const int count = static_cast<int>(*invocation.Number("--harmonics"));
  return ForEachPhotometryFile(invocation, SinCosColumns(count), [&](Records& r) {
    if (epoch) r.star->epoch = *epoch;
    r.view->openPath = r.data->fileName;
    r.activity = "folding at period " + std::string(periodText);
    ApplyPeriod(periodText, false, r);
    r.activity = "fitting at period " + std::string(periodText);
    BatchSink sink;
    sink.sinCosFile = invocation.Has("--sincos-file");
    // The line is formed as with "Save Fourier To File" ticked, and printed; the option decides
    // whether it is also appended to the file.
    FitOutcome outcome;
    RunSinCosFit(*harmonics, *r.data, *r.star, *r.view,
                 FitRequest{.fourierFile = true, .openFiles = false, .separator = '.'},
                 FitSink{.note = {}, .open = {}, .append = {}}, outcome);
    if (outcome.sinCosLine) {
      std::string line = *outcome.sinCosLine;
      line.resize(line.size() - kLineEnd.size());
      Print(line);
      if (r.row) PutSinCos(line, count, r);
      sink.Sink().append(kSinCosFileName, *outcome.sinCosLine);
    }
    return sink.code;
  });
}

}  // namespace

extern const Command kFourierCommand;
const Command kFourierCommand{
    .name = "fourier",
    .synopsis =
        "fourier FILE... --period P [--epoch M0] [--harmonics N] [--jd-average]\n"
        "                             [--fourier-file] [--data-file] [--weighted]",
    .help =
        "fourier FILE... --period P [--harmonics N]\n"
        "    Folds each file at period P as the period box does, then fits a Fourier series in\n"
        "    time: without --harmonics the number of harmonics is chosen as the window's NJD\n"
        "    button chooses it (every amplitude, phase, R_k1 and phi_k1 larger than its error;\n"
        "    at most 49) and observations beyond 2.5 sigma are marked; with --harmonics N (0 to\n"
        "    49, a fraction cut off) N harmonics are fitted as the \"sin\" button does. Prints the\n"
        "    lines the window's notes pane receives with \"Fourier To Edit\" ticked (FOURIER, nr\n"
        "    fit, Sigma, A0, one line per harmonic \"k A sigA PH sigPH\", one per Fourier\n"
        "    parameter \"k rk sigrk fi sigfi\" with phases in radians from Julian Day 0, the\n"
        "    extremes and the rising time), then one line\n"
        "        MAX <x> <mag>  MIN <x> <mag>  Rising Time <cycles>\n"
        "    with the abscissa (phase, or averaged Julian Day) and magnitude of maximum and\n"
        "    minimum light of the fitted curve, where the window draws its markers.\n"
        "    --epoch M0       epoch of phase 0 (Julian Day); default 2450000\n"
        "    --jd-average     abscissa in averaged Julian Days instead of phase\n"
        "    --fourier-file   append the line of results to FourierOut.txt in the current folder\n"
        "    --data-file      append the folded curve with fitted values and residuals to\n"
        "                     DataOut.txt in the current folder\n"
        "    --weighted       weigh each observation by 1/sigma^2 when the file gives the\n"
        "                     magnitudes' errors (the errors then scaled by the reduced\n"
        "                     chi-square; one more line says so); without errors, as without it\n"
        "    Table columns (--table): harmonics, a0, a1, phi1, r21, phi21, r31, phi31, each\n"
        "    but harmonics followed by its _error column (empty where the fit has too few\n"
        "    harmonics), max_x, max_mag, min_x, min_mag, rising_time.\n",
    .options = kFourierOptions,
    .run = &RunFourier,
};

extern const Command kSinCosCommand;
const Command kSinCosCommand{
    .name = "sincos",
    .synopsis = "sincos FILE... --period P --harmonics N [--epoch M0] [--sincos-file]",
    .help =
        "sincos FILE... --period P --harmonics N\n"
        "    Fits N harmonics (0 to 49) at period P as the window's sin+cos button does and prints\n"
        "    the line SinCosOut.txt receives: for k = 1 .. N, k, a_k, sigma(a_k), b_k, sigma(b_k)\n"
        "    of a_k sin(k w t) + b_k cos(k w t) (t the Julian Day), then the file's name.\n"
        "    --epoch M0       epoch of phase 0 of the fold (the fit does not depend on it)\n"
        "    --sincos-file    also append the line to SinCosOut.txt in the current folder\n"
        "    Table columns (--table): harmonics, then a_k, a_k_error, b_k, b_k_error for k = 1 .. N\n"
        "    as the line writes them (six decimals).\n",
    .options = kSinCosOptions,
    .run = &RunSinCos,
};

}  // namespace ombrane::batch
