// ombrane-batch search: the Search button of the window, on every file; with --periodogram the
// CSV of the periodogram window, with --peaks its list of peaks.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>

#include "Batch.h"
#include "common/NumberFormat.h"
#include "common/WholeFile.h"
#include "services/RunSearch.h"

namespace ombrane::batch {
namespace {

constexpr OptionSpec kOptions[] = {{"--min", true},         {"--max", true},         {"--step", true},
                                   {"--method", true},      {"--epoch", true},       {"--jd-average", false},
                                   {"--phase-file", false}, {"--periodogram", true}, {"--peaks", true}};

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
  SearchProgress() : terminal_(::isatty(STDERR_FILENO) == 1) {}
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
      line.append(std::to_string(percent)).append("% of ").append(std::to_string(total)).append(" trial periods");
      std::cerr << '\r' << line << std::string(width_ > line.size() ? width_ - line.size() : 0, ' ') << std::flush;
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
  const std::optional<long double> searchMin = invocation.Number("--min");
  const std::optional<long double> searchMax = invocation.Number("--max");
  const std::optional<long double> step = invocation.Number("--step");
  if (!searchMin || !searchMax || !step) throw UsageError("search needs --min, --max and --step");
  if (!(*searchMin > 0))
    throw UsageError("--min must be greater than 0: a trial period of 0 or less cannot fold");
  if (!(*searchMin < *searchMax)) throw UsageError("--min must be below --max");
  SearchMethod method = SearchMethod::StringLength;
  if (const std::optional<std::string_view> text = invocation.Text("--method")) {
    if (*text == "aov")
      method = SearchMethod::Aov;
    else if (*text != "sl")
      throw UsageError("--method must be sl or aov, not " + Quoted(*text));
  }
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
  }

  return ForEachPhotometryFile(invocation, [&](Records& r) {
    Star& star = *r.star;
    if (epoch) star.epoch = *epoch;
    star.increment = *step;
    star.searchMin = *searchMin;
    star.searchMax = *searchMax;
    SearchRequest request = SearchRequestOf(star, method);
    r.activity = "searching the periods from " + FormatGeneral(*searchMin) + " below " +
                 FormatGeneral(*searchMax) + " in steps of " + FormatGeneral(*step);
    const SearchReport report = [&] {
      SearchProgress progress;
      progress.Attach(request);
      return RunSearch(*r.data, star, request, '.');
    }();
    const SearchResult& result = report.result;
    if (result.status != SearchResult::Status::Done) {
      for (const std::string& line : report.lines) PrintError(line);
      return kExitFailed;
    }
    // The result line and the line of skipped trials, then the peaks. Lines are appended piece
    // by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on "\n" + std::string, which -Werror
    // turns into a failed Release build.
    std::string heading;
    for (const std::string& line : report.lines) heading.append(heading.empty() ? "" : "\n").append(line);
    const std::vector<Peak> peaks = FindPeaks(result.periodogram, peakCount);
    for (size_t i = 0; i < peaks.size(); ++i)
      heading.append("\n").append(
          PeakLine(result.periodogram, peaks[i], static_cast<int>(i) + 1, '.'));
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
        "search FILE... --min A --max B --step S [--method sl|aov] [--epoch M0]\n"
        "                            [--jd-average] [--phase-file] [--periodogram CSV] [--peaks K]",
    .help =
        "search FILE... --min A --max B --step S [--method sl|aov]\n"
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
        "    --peaks K lists the K best separate peaks of the periodogram after the result line,\n"
        "    best first (peaks closer than 1/T in frequency, T the time span of the data, count\n"
        "    as one):\n"
        "        Peak 1: period <P> frequency <1/P> SL <string length>\n"
        "        Peak 1: period <P> frequency <1/P> theta <AoV statistic> p <p> FAP <FAP>\n"
        "    where theta is the AoV statistic itself (the result line shows it x 10^8), p the\n"
        "    chance of reaching it at one trial period (F distribution with 9 and N - 10 degrees\n"
        "    of freedom) and FAP = 1 - (1 - p)^M the chance over the M = (1/A - 1/B) T\n"
        "    independent frequencies of the range (at least 1).\n"
        "    --periodogram CSV writes the periodogram (one file only): a header line\n"
        "    period,frequency,string_length (or aov_theta), then one line per trial period;\n"
        "    with more than 100000 trials each line is the best trial of its slice of the range.\n"
        "    Trial periods where the AoV statistic is undefined are left out.\n"
        "    --epoch, --jd-average and --phase-file as for fold. While it runs, a search shows\n"
        "    its progress on standard error when that is a terminal (never in a file or pipe).\n",
    .options = kOptions,
    .run = &Run,
};

}  // namespace ombrane::batch
