// ombrane-batch search: the Search button of the window, on every file; with --periodogram the
// CSV of the periodogram window, with --peaks its list of peaks.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <string>

#include "Batch.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "common/WholeFile.h"
#include "phase/PeriodogramPresentation.h"
#include "search/TrialGrid.h"
#include "services/RunSearch.h"

namespace ombrane::batch {
namespace {

constexpr OptionSpec kOptions[] = {
    {"--min", true},         {"--max", true},          {"--step", true},        {"--frequency-step", true},
    {"--suggest", false},    {"--oversampling", true}, {"--method", true},      {"--harmonics", true},
    {"--bins", true},        {"--covers", true},       {"--durations", true},   {"--epoch", true},
    {"--jd-average", false}, {"--phase-file", false},  {"--periodogram", true}, {"--peaks", true},
    {"--unweighted", false}, {"--threads", true}};

// The methods by their names on the command line.
struct MethodChoice {
  std::string_view name;
  SearchMethod method;
};
constexpr MethodChoice kMethods[] = {{"sl", SearchMethod::StringLength}, {"aov", SearchMethod::Aov},
                                     {"gls", SearchMethod::Gls},         {"mhaov", SearchMethod::Mhaov},
                                     {"pdm", SearchMethod::Pdm},         {"bls", SearchMethod::Bls}};

std::string_view CommandName(SearchMethod method) {
  for (const MethodChoice& c : kMethods)
    if (c.method == method) return c.name;
  return {};
}

// A whole number option within [low, high], or `fallback` when not given.
int WholeNumber(const Invocation& invocation, std::string_view option, int low, int high, int fallback) {
  const std::optional<long double> value = invocation.Number(option);
  if (!value) return fallback;
  if (!(*value >= low && *value <= high && std::floor(*value) == *value))
    throw UsageError(std::string(option)
                         .append(" must be a whole number from ")
                         .append(std::to_string(low))
                         .append(" to ")
                         .append(std::to_string(high)));
  return static_cast<int>(*value);
}

// The table's result columns of a method: the best period, its score, the score's significance
// (where the method gives one), BLS's box, and the trials searched.
std::vector<std::string> SearchColumns(SearchMethod method) {
  switch (method) {
    case SearchMethod::StringLength:
      return {"best_period", "string_length", "trials"};
    case SearchMethod::Aov:
      return {"best_period", "aov_theta", "p", "fap", "trials"};
    case SearchMethod::Gls:
      return {"best_period", "gls_power", "fap", "trials"};
    case SearchMethod::Mhaov:
      return {"best_period", "mhaov_theta", "p", "fap", "trials"};
    case SearchMethod::Pdm:
      return {"best_period", "pdm_theta", "p", "fap", "trials"};
    case SearchMethod::Bls:
      return {"best_period", "bls_power", "duration", "depth", "epoch", "sde", "trials"};
  }
  return {};
}

// Puts a finished search's results into the file's row.
void PutSearch(SearchMethod method, const SearchResult& result, Records& r) {
  const std::vector<std::string> columns = SearchColumns(method);
  const Periodogram& periodogram = result.periodogram;
  r.Put("best_period", ExactNumber(result.bestPeriod));
  r.Put(columns[1], ExactNumber(result.best));
  r.Put("trials", std::to_string(result.trials));
  std::vector<long double> significance;
  if (method == SearchMethod::Aov) {
    if (const std::optional<AovSignificance> s = SignificanceOf(periodogram, result.best))
      significance = {s->probability, s->falseAlarm};
  } else if (periodogram.columns && periodogram.columns->significance) {
    significance = periodogram.columns->significance(result.best);
  }
  // The significance columns follow the score (and BLS's box) in the order the method gives them.
  const std::vector<std::string> names = method == SearchMethod::Bls   ? std::vector<std::string>{"sde"}
                                         : method == SearchMethod::Gls ? std::vector<std::string>{"fap"}
                                                                       : std::vector<std::string>{"p", "fap"};
  if (method != SearchMethod::StringLength)
    for (size_t i = 0; i < significance.size() && i < names.size(); ++i)
      r.Put(names[i], ExactNumber(significance[i]));
  if (method == SearchMethod::Bls && periodogram.columns) {
    // The box of the best kept point: the first that ranks before every other.
    const size_t extras = periodogram.columns->extraCsv.size();
    size_t best = 0;
    for (size_t j = 1; j < periodogram.points.size(); ++j)
      if (RanksBefore(method, periodogram.points[j], periodogram.points[best])) best = j;
    if (extras == 3 && periodogram.extras.size() >= (best + 1) * extras) {
      r.Put("duration", ExactNumber(periodogram.extras[best * extras]));
      r.Put("depth", ExactNumber(periodogram.extras[best * extras + 1]));
      r.Put("epoch", ExactNumber(periodogram.extras[best * extras + 2]));
    }
  }
}

// Most peaks --peaks lists: more would name the noise.
constexpr long double kMostPeaks = 1000;

// Writes the CSV whole: an existing file is replaced only by the complete new one. False, with
// the reason told, when it cannot (the old file then keeps its content).
bool WriteCsv(const std::string& path, const std::string& text) {
  const std::string reason = WriteWholeFile(path, text);
  if (reason.empty()) return true;
  PrintError("Could not write " + Quoted(path) + ": " + reason);
  return false;
}

// The progress of a search on standard error while it runs, when standard error is a terminal:
// one line rewritten in place ("searching: 42% of 10000000 trial periods") and wiped when the
// search ends, however it ends. Nothing at all when standard error is a file or a pipe, so that
// scripts read only the results and the messages.
class SearchProgress {
 public:
  SearchProgress() : terminal_(!MakingTable() && ::isatty(STDERR_FILENO) == 1) {}
  SearchProgress(const SearchProgress&) = delete;
  SearchProgress& operator=(const SearchProgress&) = delete;
  ~SearchProgress() {
    if (width_ > 0) std::cerr << '\r' << std::string(width_, ' ') << '\r' << std::flush;
  }

  // Shows the progress through `request` (a search that takes less than its first report shows
  // nothing).
  void Attach(SearchRequest& request) {
    if (!terminal_) return;
    request.progress = [this](int64_t done, int64_t total) {
      const int64_t percent = total > 0 ? done * 100 / total : 0;
      if (percent == percent_) return true;
      percent_ = percent;
      std::string line = "searching: ";
      line.append(std::to_string(percent))
          .append("% of ")
          .append(std::to_string(total))
          .append(" trial periods");
      std::cerr << '\r' << line << std::string(width_ > line.size() ? width_ - line.size() : 0, ' ')
                << std::flush;
      width_ = std::max(width_, line.size());
      return true;
    };
  }

 private:
  bool terminal_;
  int64_t percent_ = -1;
  size_t width_ = 0;  // of the longest line shown
};

int Run(const Invocation& invocation) {
  SearchMethod method = SearchMethod::StringLength;
  if (const std::optional<std::string_view> text = invocation.Text("--method")) {
    const auto* found = std::find_if(std::begin(kMethods), std::end(kMethods),
                                     [&](const MethodChoice& c) { return c.name == *text; });
    if (found == std::end(kMethods))
      throw UsageError("--method must be sl, aov, gls, mhaov, pdm or bls, not " + Quoted(*text));
    method = found->method;
  }
  const bool arrays = IsArrayMethod(method);
  MethodSettings settings;
  settings.harmonics = WholeNumber(invocation, "--harmonics", 1, 10, settings.harmonics);
  settings.bins = WholeNumber(invocation, "--bins", 2, 1000, settings.bins);
  settings.covers = WholeNumber(invocation, "--covers", 1, 100, settings.covers);
  if (const std::optional<std::string_view> text = invocation.Text("--durations")) {
    try {
      settings.durations = ParseDurations(std::string(*text));
    } catch (const InputError& error) {
      throw UsageError(std::string("--durations: ").append(error.what()));
    }
  }
  const auto only = [&](std::string_view option, SearchMethod owner) {
    if (invocation.Has(option) && method != owner)
      throw UsageError(std::string(option).append(" goes with --method ").append(CommandName(owner)));
  };
  only("--harmonics", SearchMethod::Mhaov);
  only("--bins", SearchMethod::Pdm);
  only("--covers", SearchMethod::Pdm);
  only("--durations", SearchMethod::Bls);
  settings.weighted = !invocation.Has("--unweighted");
  if (!arrays && invocation.Has("--unweighted"))
    throw UsageError("--unweighted needs --method gls, mhaov, pdm or bls (sl and aov never weigh)");

  const bool suggest = invocation.Has("--suggest");
  std::optional<long double> searchMin = invocation.Number("--min");
  std::optional<long double> searchMax = invocation.Number("--max");
  std::optional<long double> step = invocation.Number("--step");
  const std::optional<long double> frequencyStep = invocation.Number("--frequency-step");
  const std::optional<long double> oversampling = invocation.Number("--oversampling");
  if (step && frequencyStep) throw UsageError("give --step or --frequency-step, not both");
  if (frequencyStep) {
    settings.step = GridStep::Frequency;
    step = frequencyStep;
  }
  if (oversampling && !suggest) throw UsageError("--oversampling goes with --suggest");
  if (suggest) {
    if (searchMin || searchMax || step) throw UsageError("--suggest fills --min, --max and the step itself");
    if (oversampling && !(*oversampling >= 1 && *oversampling <= 100))
      throw UsageError("--oversampling must be from 1 to 100");
    settings.step = GridStep::Frequency;
  } else {
    if (!searchMin || !searchMax || !step)
      throw UsageError("search needs --min, --max and --step (or --frequency-step), or --suggest");
    if (!(*searchMin > 0))
      throw UsageError("--min must be greater than 0: a trial period of 0 or less cannot fold");
    if (!(*searchMin < *searchMax)) throw UsageError("--min must be below --max");
  }
  // Threads of one search; 0 is every core. A survey that runs a search per core (shards, Dask
  // workers) gives 1, so that its searches do not share the cores twice over.
  const unsigned threads = static_cast<unsigned>(WholeNumber(invocation, "--threads", 0, 1024, 0));
  const std::optional<long double> epoch = invocation.Number("--epoch");
  const FoldOptions options{.jdAverage = invocation.Has("--jd-average"),
                            .phaseFile = invocation.Has("--phase-file")};
  const std::optional<std::string_view> csvPath = invocation.Text("--periodogram");
  if (csvPath && csvPath->empty()) throw UsageError("--periodogram needs a file name");
  if (csvPath && invocation.operands.size() > 1)
    throw UsageError("--periodogram writes the periodogram of one photometry file; give one file");
  int peakCount = 0;
  if (const std::optional<long double> peaks = invocation.Number("--peaks")) {
    if (!(*peaks >= 1 && *peaks <= kMostPeaks && std::floor(*peaks) == *peaks))
      throw UsageError("--peaks must be a whole number from 1 to " + FormatGeneral(kMostPeaks));
    peakCount = static_cast<int>(*peaks);
    if (MakingTable())
      throw UsageError("--peaks lists peaks on lines of their own: a table has one row a file");
  }

  return ForEachPhotometryFile(invocation, SearchColumns(method), [&](Records& r) {
    Star& star = *r.star;
    if (epoch) star.epoch = *epoch;
    long double low = searchMin.value_or(0), high = searchMax.value_or(0), increment = step.value_or(0);
    std::string suggestion;
    if (suggest) {
      const SuggestedGrid grid = SuggestGrid(
          ObservationsOf(*r.data).t, static_cast<double>(oversampling.value_or(kDefaultOversampling)));
      low = grid.periodMin;
      high = grid.periodMax;
      increment = grid.frequencyStep;
      suggestion =
          SuggestionLine(grid, static_cast<double>(oversampling.value_or(kDefaultOversampling)), '.');
    }
    star.increment = increment;
    star.searchMin = low;
    star.searchMax = high;
    SearchRequest request = SearchRequestOf(star, method);
    request.threads = threads;
    r.activity = "searching the periods from " + FormatGeneral(low) + " below " + FormatGeneral(high) +
                 (settings.step == GridStep::Frequency ? " in frequency steps of " : " in steps of ") +
                 FormatGeneral(increment);
    const SearchReport report = [&] {
      SearchProgress progress;
      progress.Attach(request);
      return RunSearch(*r.data, star, request, settings, '.');
    }();
    if (!suggestion.empty()) Print(suggestion);
    const SearchResult& result = report.result;
    if (result.status != SearchResult::Status::Done) {
      for (const std::string& line : report.lines) PrintError(line);
      return kExitFailed;
    }
    PutSearch(method, result, r);
    // The result line and the line of skipped trials, then the peaks. Lines are appended piece
    // by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "\n" + std::string, which -Werror
    // turns into a failed Release build.
    std::string heading;
    for (const std::string& line : report.lines) heading.append(heading.empty() ? "" : "\n").append(line);
    const std::vector<Peak> peaks = FindPeaks(result.periodogram, peakCount);
    for (size_t i = 0; i < peaks.size(); ++i)
      heading.append("\n").append(PeakLine(result.periodogram, peaks[i], static_cast<int>(i) + 1, '.'));
    const bool written = !csvPath || WriteCsv(std::string(*csvPath), PeriodogramCsv(result.periodogram));
    return Worst(PrintFold(FormatGeneral(result.bestPeriod), heading, options, r),
                 written ? kExitOk : kExitFailed);
  });
}

}  // namespace

extern const Command kSearchCommand;
const Command kSearchCommand{
    .name = "search",
    .synopsis =
        "search FILE... --min A --max B --step S [--method sl|aov|gls|mhaov|pdm|bls] [--epoch M0]\n"
        "                            [--frequency-step DF | --suggest [--oversampling K]]\n"
        "                            [--harmonics H] [--bins NB] [--covers NC] [--durations Q1,Q2,...]\n"
        "                            [--unweighted] [--jd-average] [--phase-file] [--periodogram CSV] "
        "[--peaks K] [--threads N]",
    .help =
        "search FILE... --min A --max B --step S [--method sl|aov|gls|mhaov|pdm|bls]\n"
        "    Tries the periods A, A + S, A + 2S, ... below B (A > 0, S > 0, e.g. 0.000001) on all\n"
        "    cores and scores each fold by its string length (sl, the default: shortest wins) or\n"
        "    by the AoV statistic (aov: largest wins); equal scores keep the smaller period. The best\n"
        "    period, written with 15 significant digits, is then folded as by the fold command.\n"
        "    Prints\n"
        "        Mesurment String - Length: <best> Best Period:<period>   (sl)\n"
        "        AoV: <best x 10^8> Best Period:<period>                  (aov)\n"
        "    followed by the SL: and AoV: lines of the final fold. An AoV search skips the trial\n"
        "    periods where the statistic is undefined and says how many after the result line;\n"
        "    when it is undefined at every trial it says so and exits with 1.\n"
        "    The other methods score the unfolded observations:\n"
        "        gls    generalised Lomb-Scargle power (Zechmeister & Kurster 2009), 0 to 1,\n"
        "               largest wins; FAP of Baluev (2008) over the band searched\n"
        "        mhaov  multi-harmonic AoV (Schwarzenberg-Czerny 1996) with --harmonics H (1-10,\n"
        "               default 2), largest wins; p from F(2H, N - 2H - 1) and FAP over the band\n"
        "        pdm    phase dispersion minimisation (Stellingwerf 1978) with --bins NB (default\n"
        "               10) and --covers NC (default 2), smallest theta wins; p and FAP\n"
        "        bls    box least squares (Kovacs, Zucker & Mazeh 2002) with --durations as\n"
        "               fractions of the period (default 0.02,0.05,0.1,0.15,0.2), largest power\n"
        "               wins; the best box's duration, depth and mid-eclipse JD, and its SDE\n"
        "    and print \"GLS: <power> FAP <fap> Best Period:<period>\" (MHAOV and PDM: p and FAP,\n"
        "    BLS: SDE) before the fold. When the file gives the magnitudes' errors (an error\n"
        "    column, an AAVSO uncertainty, a FITS flux error) these four weigh every observation\n"
        "    by 1/sigma^2; --unweighted weighs them all the same. sl and aov never weigh.\n"
        "    --threads N runs each search on N threads (default 0: every core); a survey that\n"
        "    runs one search per core (shards, Dask workers) gives 1. The results are the same.\n"
        "    --frequency-step DF steps any method in frequency from 1/B to 1/A (cycles per\n"
        "    day) instead of in period. --suggest (any method) fills the range and\n"
        "    step from the data and prints the grid first: frequencies from 1/T (T the time span)\n"
        "    to half the inverse of the median interval between observations, in steps of\n"
        "    1/(K T) with --oversampling K (default 5), and how many trials that makes.\n"
        "    --peaks K lists the K best separate peaks of the periodogram after the result line,\n"
        "    best first (peaks closer than 1/T in frequency, T the time span of the data, count\n"
        "    as one):\n"
        "        Peak 1: period <P> frequency <1/P> SL <string length>\n"
        "        Peak 1: period <P> frequency <1/P> theta <AoV statistic> p <p> FAP <FAP>\n"
        "        Peak 1: period <P> frequency <1/P> power <GLS power> FAP <FAP>\n"
        "        Peak 1: period <P> frequency <1/P> power <P> duration <D> depth <mag> epoch <JD> SDE <S>\n"
        "    where theta is the AoV statistic itself (the result line shows it x 10^8), p the\n"
        "    chance of reaching it at one trial period (F distribution with 9 and N - 10 degrees\n"
        "    of freedom) and FAP = 1 - (1 - p)^M the chance over the M = (1/A - 1/B) T\n"
        "    independent frequencies of the range (at least 1).\n"
        "    --periodogram CSV writes the periodogram (one file only): a header line\n"
        "    period,frequency,string_length (or aov_theta, gls_power, mhaov_theta, pdm_theta,\n"
        "    bls_power followed by duration,depth,epoch), then one line per trial period in\n"
        "    ascending period; with more than 100000 trials each line is the best trial of its\n"
        "    slice of the range. Trials where the statistic is undefined are left out.\n"
        "    --epoch, --jd-average and --phase-file as for fold. While it runs, a search shows\n"
        "    its progress on standard error when that is a terminal (never in a file or pipe).\n"
        "    Table columns (--table; not with --peaks): best_period, the score (string_length,\n"
        "    aov_theta, gls_power, mhaov_theta, pdm_theta or bls_power, as the statistic itself),\n"
        "    p and fap (aov, mhaov, pdm; gls fap only), for bls duration, depth, epoch and sde,\n"
        "    then trials (the trial periods searched).\n",
    .options = kOptions,
    .run = &Run,
};

}  // namespace ombrane::batch
