// ombrane-batch fold: the period box of the window, on every file.
#include "Batch.h"
#include "common/NumberFormat.h"
#include "common/OutputFile.h"
#include "phase/Fold.h"
#include "phase/FoldPresentation.h"

namespace ombrane::batch {
namespace {

constexpr OptionSpec kOptions[] = {
    {"--period", true}, {"--epoch", true}, {"--jd-average", false}, {"--phase-file", false}};

int Run(const Invocation& invocation) {
  const std::optional<std::string_view> periodText = invocation.Text("--period");
  if (!periodText) throw UsageError("fold needs --period");
  if (!(*invocation.Number("--period") > 0)) throw UsageError("--period must be greater than 0");
  const std::optional<long double> epoch = invocation.Number("--epoch");
  const FoldOptions options{.jdAverage = invocation.Has("--jd-average"),
                            .phaseFile = invocation.Has("--phase-file"),
                            .tableColumns = true};
  return ForEachPhotometryFile(invocation, kFoldColumns, [&](Records& r) {
    if (epoch) r.star->epoch = *epoch;
    return PrintFold(*periodText, std::nullopt, options, r);
  });
}

}  // namespace

const std::vector<std::string> kFoldColumns = {"string_length", "aov_theta"};

int PrintFold(std::string_view periodText, const std::optional<std::string>& heading,
              const FoldOptions& options, Records& r) {
  const FoldRequest request{.axis = options.jdAverage ? PhaseAxis::JdAverage : PhaseAxis::Phase,
                            .writePhaseFile = options.phaseFile,
                            .computeAov = true,
                            .separator = '.'};
  FoldOutcome outcome;
  auto printLabels = [&] {
    if (outcome.stringLengthText) Print("SL: " + *outcome.stringLengthText);
    if (outcome.aovUndefined != AovUndefined::None)
      Print("AoV: undefined (" + std::string(AovUndefinedReason(outcome.aovUndefined)) + ")");
    else if (outcome.aovText)
      Print("AoV: " + *outcome.aovText);
  };
  r.activity = "folding at period " + std::string(periodText);
  try {
    ApplyPeriodBox(periodText, *r.data, *r.star, *r.view, r.chart, request, outcome);
  } catch (...) {
    printLabels();  // what was computed before the fault, without the heading
    throw;
  }
  if (heading) Print(*heading);
  printLabels();
  if (options.tableColumns && r.row) {
    r.Put("string_length", ExactNumber(r.star->stringLength));
    // The statistic itself (the label shows it x 10^8); the fold's tables are computed again.
    if (outcome.aovUndefined == AovUndefined::None)
      r.Put("aov_theta", ExactNumber(AovStatisticIfDefined(*r.data).theta));
    else
      NoteInRow("AoV: undefined (" + std::string(AovUndefinedReason(outcome.aovUndefined)) + ")");
  }
  if (outcome.phaseFileBlock) {
    OutputFiles files;
    if (auto message = WritePhaseFile(*outcome.phaseFileBlock, files)) {
      PrintError(*message);
      return kExitFailed;
    }
  }
  return kExitOk;
}

extern const Command kFoldCommand;
const Command kFoldCommand{
    .name = "fold",
    .synopsis = "fold FILE... --period P [--epoch M0] [--jd-average] [--phase-file]",
    .help =
        "fold FILE... --period P\n"
        "    Folds each file at period P (days, > 0) about the epoch, as the window's period box\n"
        "    does, and prints\n"
        "        SL: <string length of the fold, pairs with a marked point left out>\n"
        "        AoV: <analysis-of-variance statistic x 10^8>\n"
        "    in the format of the window's labels (six significant digits, six decimals). The AoV\n"
        "    statistic sorts the phases into ten bins; when a bin stays empty or there are fewer\n"
        "    than 10 observations it prints AoV: undefined (REASON) and goes on.\n"
        "    --epoch M0     epoch of phase 0 (Julian Day); default 2450000\n"
        "    --jd-average   abscissa of the phase file in averaged Julian Days instead of phase\n"
        "    --phase-file   append the folded curve as a block to DataPhase.txt in the current\n"
        "                   folder (abscissa, magnitude, Julian Day; never truncated)\n"
        "    Table columns (--table): string_length, aov_theta (the statistic itself, not\n"
        "    x 10^8; empty when undefined).\n",
    .options = kOptions,
    .run = &Run,
};

}  // namespace ombrane::batch
