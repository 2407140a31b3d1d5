// ombrane-batch ephemeris: the linear or quadratic ephemeris fitted to a table of times of
// minimum, with the errors of its terms, and optionally the O−C of every minimum.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Batch.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "timing/EphemerisFit.h"
#include "timing/MinimaTable.h"
#include "timing/OcDiagram.h"

namespace ombrane::batch {

namespace {

constexpr OptionSpec kEphemerisOptions[] = {
    {"--quadratic", false}, {"--period", true}, {"--epoch", true}, {"--secondary", true}, {"--table", false}};

int RunEphemeris(const Invocation& invocation) {
  if (invocation.operands.size() != 1) throw UsageError("ephemeris takes one table of minima");
  const std::optional<long double> period = invocation.Number("--period");
  const std::optional<long double> epoch = invocation.Number("--epoch");
  const long double secondaryPhase = invocation.Number("--secondary").value_or(0.5L);
  if (period && !(*period > 0)) throw UsageError("--period must be above 0");
  if (!(secondaryPhase > 0 && secondaryPhase < 1))
    throw UsageError("--secondary must be a phase above 0 and below 1");
  const bool quadratic = invocation.Has("--quadratic");
  const std::string path(invocation.operands[0]);

  std::vector<TimedMinimum> minima;
  std::optional<TimeScale> scale;
  try {
    minima = ReadMinimaFile(path, path, &scale);
  } catch (const InputError& error) {
    PrintError(error.what());
    return kExitUsage;
  }
  try {
    const std::vector<long double> cycles = NumberCycles(minima, epoch, period, secondaryPhase);
    const EphemerisFit fit = FitEphemeris(minima, cycles, quadratic, secondaryPhase);
    for (const std::string& line : EphemerisFitLines(fit, minima, scale)) Print(line);
    if (invocation.Has("--table")) {
      Print("cycle,type,time,error,o_c");
      for (size_t i = 0; i < minima.size(); ++i)
        Print(FormatGeneral(fit.cycles[i]) + "," + (KindOf(minima[i]) == MinimumKind::Secondary ? "S" : "P") +
              "," + FormatFileExact(minima[i].time) + "," + FormatGeneral(minima[i].error) + "," +
              FormatFileFixed(std::fabs(fit.residuals[i]) < 5e-9L ? 0 : fit.residuals[i], 8));
    }
    return kExitOk;
  } catch (const InputError& error) {
    PrintError(path + ": " + error.what());
    return kExitFailed;
  }
}

}  // namespace

extern const Command kEphemerisCommand;
const Command kEphemerisCommand{
    .name = "ephemeris",
    .synopsis = "ephemeris MINIMA.csv [--quadratic] [--period P] [--epoch T0] [--secondary PHASE] [--table]",
    .help =
        "ephemeris MINIMA.csv [--quadratic] [--period P] [--epoch T0] [--secondary PHASE] [--table]\n"
        "    Fits the ephemeris T = T0 + P*E (with --quadratic, + Q*E^2) to a CSV table of times\n"
        "    of minimum by least squares, weighted by 1/error^2 when every minimum has an\n"
        "    error (otherwise unweighted, with the errors taken from the residuals), and prints\n"
        "    the epoch T0 and the period P (and Q, dP/dE = 2Q, dP/dt = 2Q/P in s/yr) with their\n"
        "    standard errors, chi2 and the rms of the O-C. Errors of a weighted fit whose chi2\n"
        "    exceeds its degrees of freedom are scaled by sqrt(chi2/dof). The table's header\n"
        "    names its columns: time (required; or hjd, bjd, jd), error, type (P or S) and\n"
        "    cycle, in any order, and time_scale (JD, HJD or BJD_TDB), which the epoch line then\n"
        "    names (a time column named hjd or bjd says it too); others are ignored. Minima without a cycle "
        "are numbered from\n"
        "    --period and --epoch when given (the epoch defaults to the first primary), else\n"
        "    from the intervals between them; give the period when the minima are few and far\n"
        "    apart. A secondary of cycle n+1/2 falls at phase PHASE (default 0.5). --table adds\n"
        "    the rows cycle,type,time,error,o_c (days, against the fit). A table that cannot be\n"
        "    read exits with 2, minima that cannot be fitted with 1.\n",
    .options = kEphemerisOptions,
    .run = &RunEphemeris,
    .readsFiles = false,
};

}  // namespace ombrane::batch
