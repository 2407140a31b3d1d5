// ombrane-batch search: the Search button of the window, on every file.
#include "Batch.h"
#include "common/NumberFormat.h"
#include "phase/PeriodSearch.h"

namespace ombrane::batch {
namespace {

constexpr OptionSpec kOptions[] = {{"--min", true},        {"--max", true},   {"--step", true},
                                   {"--method", true},     {"--epoch", true}, {"--jd-average", false},
                                   {"--phase-file", false}};

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

  return ForEachPhotometryFile(invocation, [&](Records& r) {
    Star& star = *r.star;
    if (epoch) star.epoch = *epoch;
    star.increment = *step;
    star.searchMin = *searchMin;
    star.searchMax = *searchMax;
    const SearchRequest request{.searchMin = star.searchMin,
                                .searchMax = star.searchMax,
                                .increment = star.increment,
                                .method = method,
                                .threads = 0,
                                .progress = {}};
    r.activity = "searching the periods from " + FormatGeneral(*searchMin) + " below " +
                 FormatGeneral(*searchMax) + " in steps of " + FormatGeneral(*step);
    const SearchResult result = SearchPeriod(*r.data, star, request);
    if (result.status == SearchResult::Status::AllUndefined) {
      PrintError(SearchSkippedLine(result));
      return kExitFailed;
    }
    if (result.status != SearchResult::Status::Done) {
      PrintError(SearchNotRunLine(*r.data, request, '.'));
      return kExitFailed;
    }
    // The best period goes through the period box as its 15-digit text.
    std::string heading = SearchResultLine(method, result, '.');
    if (result.skipped > 0) heading += "\n" + SearchSkippedLine(result);
    return PrintFold(FormatGeneral(result.bestPeriod), heading, options, r);
  });
}

}  // namespace

extern const Command kSearchCommand;
const Command kSearchCommand{
    .name = "search",
    .synopsis =
        "search FILE... --min A --max B --step S [--method sl|aov] [--epoch M0]\n"
        "                            [--jd-average] [--phase-file]",
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
        "    --epoch, --jd-average and --phase-file as for fold.\n",
    .options = kOptions,
    .run = &Run,
};

}  // namespace ombrane::batch
