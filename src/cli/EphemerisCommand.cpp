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

namespace ombrane::batch {

namespace {

constexpr OptionSpec kEphemerisOptions[] = {
    {"--quadratic", false}, {"--period", true}, {"--epoch", true}, {"--secondary", true}, {"--table", false}};

// Enough decimals to show two significant digits of `error`, at least `least`, at most 15.
int DecimalsFor(long double error, int least) {
  if (!(error > 0)) return least;
  const int decimals = 1 - static_cast<int>(std::floor(std::log10(error)));
  return std::clamp(decimals, least, 15);
}

std::string WithError(long double value, long double error, bool errorKnown, int least) {
  const int decimals = DecimalsFor(error, least);
  std::string text = FormatFileFixed(value, decimals);
  if (errorKnown) text.append(" +- ").append(FormatFileFixed(error, decimals));
  return text;
}

std::string General(long double value, long double error, bool errorKnown) {
  std::string text = FormatGeneralDigits(value, 4);
  if (errorKnown) text.append(" +- ").append(FormatGeneralDigits(error, 2));
  return text;
}

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
  try {
    minima = ReadMinimaFile(path, path);
  } catch (const InputError& error) {
    PrintError(error.what());
    return kExitUsage;
  }
  try {
    const std::vector<long double> cycles = NumberCycles(minima, epoch, period, secondaryPhase);
    const EphemerisFit fit = FitEphemeris(minima, cycles, quadratic, secondaryPhase);
    int32_t secondaries = 0;
    for (const TimedMinimum& minimum : minima) secondaries += KindOf(minimum) == MinimumKind::Secondary;
    const bool known = fit.errorsKnown;
    Print("minima: " + std::to_string(minima.size()) + " (" + std::to_string(minima.size() - secondaries) +
          " primary, " + std::to_string(secondaries) + " secondary)");
    Print(fit.weighted
              ? "fit: " + std::string(quadratic ? "quadratic" : "linear") + ", weighted by the errors"
              : "fit: " + std::string(quadratic ? "quadratic" : "linear") +
                    ", unweighted (not every minimum has an error); errors from the residuals");
    Print("epoch: " + WithError(fit.epoch, fit.epochError, known, 7));
    Print("period: " + WithError(fit.period, fit.periodError, known, 8));
    if (quadratic) {
      Print("quadratic term: " + General(fit.quadraticTerm, fit.quadraticError, known) + " d");
      Print("dP/dE: " + General(fit.periodChange, fit.periodChangeError, known) + " d/cycle");
      constexpr long double kSecondsAYear = 86400.0L * 365.25L;  // dP/dt in seconds a year
      Print("dP/dt: " + General(fit.periodRate * kSecondsAYear, fit.periodRateError * kSecondsAYear, known) +
            " s/yr");
    }
    std::string chi = "chi2: " + FormatGeneralDigits(fit.chiSquare, 6) + ", degrees of freedom " +
                      std::to_string(fit.degreesOfFreedom);
    if (fit.weighted) chi.append(", errors scaled by ").append(FormatGeneralDigits(fit.errorScale, 4));
    Print(chi);
    Print("rms O-C: " + FormatGeneralDigits(fit.rms, 4) + " d (" + FormatGeneralDigits(fit.rms * 86400, 4) +
          " s)");
    if (invocation.Has("--table")) {
      Print("cycle,type,time,error,o_c");
      for (size_t i = 0; i < minima.size(); ++i)
        Print(FormatGeneral(fit.cycles[i]) + "," + (KindOf(minima[i]) == MinimumKind::Secondary ? "S" : "P") +
              "," + FormatFileExact(minima[i].time) + "," + FormatFileExact(minima[i].error) + "," +
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
        "    cycle, in any order; others are ignored. Minima without a cycle are numbered from\n"
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
