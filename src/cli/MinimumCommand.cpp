// ombrane-batch minimum: the time of minimum of a stretch of the light curve, as two area clicks
// on the light curve and the window's sincos button give it, with the corrections on request.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "Batch.h"
#include "timing/Barycentric.h"
#include "timing/MinimumTimingPresentation.h"

namespace ombrane::batch {
namespace {

// An entry index given with an option: a whole number from 0 on.
int32_t EntryIndex(const Invocation& invocation, std::string_view option) {
  const std::optional<long double> value = invocation.Number(option);
  if (!value) throw UsageError("minimum needs " + std::string(option));
  if (!(*value >= 0 && *value <= 2.0L * kMaxObservations + 1 && *value == std::trunc(*value)))
    throw UsageError(std::string(option) + " must be an entry index (a whole number from 0 on)");
  return static_cast<int32_t>(*value);
}

// The timed minimum and its corrections into the file's row; the corrections only where the
// lines gave them a number.
void PutMinimum(const MinimumOutcome& outcome, int32_t from, int32_t to, bool heliocentric, bool barycentric,
                Records& r) {
  r.Put("points", std::to_string(std::llabs(static_cast<long long>(from) - to)));
  if (outcome.kwee.status != KweeStatus::Done) return;
  r.Put("minimum", ExactNumber(outcome.time));
  r.Put("minimum_error", ExactNumber(outcome.kwee.sigma));
  if (heliocentric && std::isfinite(outcome.heliocentricCorrection) && outcome.finished) {
    r.Put("hjd_correction", ExactNumber(outcome.heliocentricCorrection));
    r.Put("hjd_minimum", ExactNumber(outcome.time + outcome.heliocentricCorrection));
  }
  if (barycentric && outcome.finished) {
    const BarycentricTime bjd =
        ComputeBarycentricTime(outcome.time, r.star->raDecimalDegrees, r.star->decDecimalDegrees);
    if (bjd.status != BarycentricTime::Status::OutOfRange && std::isfinite(bjd.bjdTdb))
      r.Put("bjd_tdb", ExactNumber(bjd.bjdTdb));
  }
}

constexpr OptionSpec kMinimumOptions[] = {
    {"--from", true, 1}, {"--to", true, 1}, {"--ra", true, 3}, {"--dec", true, 3}, {"--bjd", false, 0}};

int RunMinimum(const Invocation& invocation) {
  const int32_t from = EntryIndex(invocation, "--from");
  const int32_t to = EntryIndex(invocation, "--to");
  Star coordinates;
  const bool heliocentric = ReadCoordinates(invocation, coordinates);
  const bool barycentric = invocation.Has("--bjd");
  if (barycentric && !heliocentric) throw UsageError("--bjd needs --ra and --dec");
  std::vector<std::string> columns = {"points", "minimum", "minimum_error"};
  if (heliocentric) columns.insert(columns.end(), {"hjd_correction", "hjd_minimum"});
  if (barycentric) columns.emplace_back("bjd_tdb");
  return ForEachPhotometryFile(invocation, columns, [&](Records& r) {
    Star& star = *r.star;
    star.rightAscension = coordinates.rightAscension;
    star.declination = coordinates.declination;
    star.coordinatesGiven = heliocentric;
    r.view->areaIndex1 = from;
    r.view->areaIndex2 = to;
    r.view->areaOnLightCurve = true;
    r.activity = "timing the minimum between entries " + std::to_string(from) + " and " + std::to_string(to);
    const MinimumRequest request{
        .axis = PhaseAxis::Phase, .heliocentric = heliocentric, .barycentric = barycentric, .separator = '.'};
    MinimumOutcome outcome;
    try {
      TimeMinimum(*r.data, star, *r.view, r.chart, request, outcome);
    } catch (...) {
      for (const std::string& line : outcome.lines) Print(line);
      throw;
    }
    for (const std::string& line : outcome.lines) Print(line);
    if (r.row) PutMinimum(outcome, from, to, heliocentric, barycentric, r);
    return outcome.finished ? kExitOk : kExitFailed;
  });
}

}  // namespace

extern const Command kMinimumCommand;
const Command kMinimumCommand{
    .name = "minimum",
    .synopsis = "minimum FILE... --from I --to J [--ra H M S --dec D M S [--bjd]]",
    .help =
        "minimum FILE... --from I --to J\n"
        "    Times the minimum of the light curve between entries I and J (0-based indexes in\n"
        "    file order, as two area clicks on the light curve pick them) by the method of\n"
        "    Kwee & van Woerden (1956), as the window's sincos button does, and prints its lines:\n"
        "        Points:  <|I - J|>\n"
        "        Minimum: <time of minimum> +/- <its error>        (days, five decimals)\n"
        "    The entry at the earlier time enters the range, the one at the later time does not;\n"
        "    at least 9 points are needed for an error (5 to 8 give a division by zero).\n"
        "    --ra H M S --dec D M S   the star's coordinates (J2000): adds the heliocentric lines\n"
        "        hjd-jd = <HJD - JD, days>\n"
        "        minimum+(hjd-jd) = <heliocentric time of minimum>\n"
        "    --bjd          and then the barycentric time in TDB, taking the time as JD(UTC):\n"
        "        bjd_tdb = <BJD_TDB, seven decimals>\n"
        "    Table columns (--table): points, minimum, minimum_error; with --ra and --dec\n"
        "    hjd_correction, hjd_minimum; with --bjd bjd_tdb (all days, written exactly).\n",
    .options = kMinimumOptions,
    .run = &RunMinimum,
};

}  // namespace ombrane::batch
