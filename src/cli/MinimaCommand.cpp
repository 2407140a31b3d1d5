// ombrane-batch minima: every eclipse a light curve covers, timed against an ephemeris, as a CSV
// table that ombrane-batch ephemeris reads back.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Batch.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "store/Records.h"
#include "timing/EclipseTiming.h"
#include "timing/OcDiagram.h"

namespace ombrane::batch {

namespace {

constexpr OptionSpec kMinimaOptions[] = {{"--period", true},    {"--epoch", true},
                                         {"--secondary", true}, {"--primaries-only", false},
                                         {"--width", true},     {"--noise", true}};

int RunMinima(const Invocation& invocation) {
  const std::optional<long double> period = invocation.Number("--period");
  const std::optional<long double> epoch = invocation.Number("--epoch");
  if (!period || !epoch) throw UsageError("minima needs --period and --epoch");
  if (!(*period > 0)) throw UsageError("--period must be above 0");
  EclipseSearch search;
  search.period = *period;
  search.epoch = *epoch;
  search.secondaryPhase = invocation.Number("--secondary").value_or(0.5L);
  if (!(search.secondaryPhase > 0 && search.secondaryPhase < 1))
    throw UsageError("--secondary must be a phase above 0 and below 1");
  search.secondaries = !invocation.Has("--primaries-only");
  if (const std::optional<long double> width = invocation.Number("--width")) {
    if (!(*width > 0)) throw UsageError("--width must be above 0");
    search.width = *width;
  }
  if (const std::optional<long double> noise = invocation.Number("--noise")) {
    if (!(*noise > 0)) throw UsageError("--noise must be above 0");
    search.timing.noise = static_cast<double>(*noise);
  }
  const std::vector<std::string> columns = {"eclipses", "timed", "primaries", "secondaries", "flagged"};
  return ForEachPhotometryFile(invocation, columns, [&](Records& r) {
    r.activity = "timing the eclipses";
    std::vector<TimedEclipse> eclipses;
    try {
      eclipses = TimeEveryEclipse(*r.data, search);
    } catch (const InputError& error) {
      PrintError(error.what());
      return kExitFailed;
    }
    if (r.row) {
      int64_t timed = 0, primaries = 0, secondaries = 0, flagged = 0;
      for (const TimedEclipse& e : eclipses) {
        if (!e.eclipse.timed) continue;
        ++timed;
        ++(e.kind == MinimumKind::Primary ? primaries : secondaries);
        if (!e.flag.empty()) ++flagged;
      }
      r.Put("eclipses", std::to_string(eclipses.size()));
      r.Put("timed", std::to_string(timed));
      r.Put("primaries", std::to_string(primaries));
      r.Put("secondaries", std::to_string(secondaries));
      r.Put("flagged", std::to_string(flagged));
    }
    Print(
        "cycle,type,time,error,points,coverage,flag,method,error_chi2,error_bootstrap,error_kvw,noise,"
        "time_scale");
    const std::string scale(TimeScaleName(r.data->timeScale));
    for (const TimedEclipse& e : eclipses) {
      const EclipseTime& x = e.eclipse;
      std::string row = FormatGeneral(e.cycle);
      row.append(e.kind == MinimumKind::Primary ? ",P," : ",S,");
      if (x.timed) {
        row.append(MinimumTimeText(e.time, x.error)).append(",").append(FormatGeneralDigits(x.error, 3));
      } else {
        row.append(",");
      }
      row.append(",").append(std::to_string(x.points)).append(",").append(CoverageName(e.coverage));
      row.append(",").append(e.flag).append(",");
      if (x.timed) row.append(x.method == EclipseMethod::KweeVanWoerden ? "kvw" : "parabola");
      auto optional = [&row](double v) {
        row.append(",");
        if (v > 0) row.append(FormatGeneralDigits(v, 3));
      };
      optional(x.chiSquareError);
      optional(x.bootstrapError);
      optional(x.classicError);
      optional(x.noise);
      row.append(",").append(scale);
      Print(row);
    }
    return kExitOk;
  });
}

}  // namespace

extern const Command kMinimaCommand;
const Command kMinimaCommand{
    .name = "minima",
    .synopsis =
        "minima FILE... --period P --epoch M0 [--secondary PHASE | --primaries-only] [--width W] [--noise S]",
    .help =
        "minima FILE... --period P --epoch M0 [--secondary PHASE | --primaries-only] [--width W]\n"
        "    Times every eclipse the observations cover: the primaries at M0 + n*P and the\n"
        "    secondaries at M0 + (n + PHASE)*P (default 0.5), each from the observations within\n"
        "    W/2 days of its predicted time (W found from the folded primary when not given).\n"
        "    Prints a CSV table, one row an eclipse with at least one observation:\n"
        "        cycle,type,time,error,points,coverage,flag,method,error_chi2,error_bootstrap,\n"
        "        error_kvw,noise,time_scale\n"
        "    cycle n (n + 0.5 for a secondary), type P or S, the time in the file's time scale\n"
        "    (time_scale: JD, HJD or BJD_TDB, see --time-scale)\n"
        "    with at least 7 decimals and its error (days), the points in the window, coverage\n"
        "    both, ingress or egress (the sides with 2 points or more), and a flag: empty, or\n"
        "    few-points, one-sided, gapped, edge, disagree or failed, joined by ';'. Eclipses of\n"
        "    9 points or more are timed by Kwee & van Woerden's classic method (the same pairs at\n"
        "    every trial time, a parabola through 5 sums); error_chi2 is the error from the\n"
        "    chi-square curve of the sums (Deeg 2021) with the noise S of one observation\n"
        "    (--noise, else found from the whole series), error_bootstrap the spread of 200\n"
        "    re-timings with resampled residuals, error_kvw the method's own; the error column\n"
        "    is the larger of the first two. Fewer points, or too few pairs across gaps, are\n"
        "    timed by a parabola through the lower half of the eclipse (method parabola).\n"
        "    The table feeds ombrane-batch ephemeris.\n"
        "    Table columns (--table, one row a file): eclipses (rows of the CSV), timed (those\n"
        "    with a time), primaries and secondaries (timed ones of each type), flagged (timed\n"
        "    ones with a flag).\n",
    .options = kMinimaOptions,
    .run = &RunMinima,
};

}  // namespace ombrane::batch
