// ombrane-batch helio: the heliocentric and barycentric corrections of one time, as the window's
// "Calculate Hel Corr" box adds them to a time of minimum.
#include <cmath>
#include <string>
#include <vector>

#include "Batch.h"
#include "common/TextToFloat.h"
#include "timing/Heliocentric.h"
#include "timing/MinimumTimingPresentation.h"

namespace ombrane::batch {

bool ReadCoordinates(const Invocation& invocation, Star& star) {
  const auto ra = invocation.Values("--ra");
  const auto dec = invocation.Values("--dec");
  if (ra.empty() && dec.empty()) return false;
  if (ra.empty() || dec.empty()) throw UsageError("--ra and --dec go together");
  auto number = [](std::string_view option, std::string_view text) {
    try {
      return TextToFloat(text, '.');
    } catch (const ConversionError&) {
      throw UsageError(std::string(option) + ": " + Quoted(text) + " is not a valid floating point value");
    }
  };
  star.rightAscension.whole = number("--ra", ra[0]);
  star.rightAscension.minutes = number("--ra", ra[1]);
  star.rightAscension.seconds = number("--ra", ra[2]);
  star.declination.whole = number("--dec", dec[0]);
  star.declination.minutes = number("--dec", dec[1]);
  star.declination.seconds = number("--dec", dec[2]);
  // The window takes the boxes as typed; a script's typo (a declination in the right
  // ascension, 1e308) is refused here instead of giving a correction of no star. Minutes and
  // seconds may carry a sign ("0 -30 0" is half a degree south), not a size of 60 or more.
  auto given = [](std::string_view option, const std::vector<std::string_view>& values) {
    return std::string(option) + " " + Quoted(std::string(values[0]) + " " + std::string(values[1]) + " " +
                                              std::string(values[2]));
  };
  auto belowSixty = [](long double x) { return std::fabs(x) < 60; };
  if (!belowSixty(star.rightAscension.minutes) || !belowSixty(star.rightAscension.seconds))
    throw UsageError(given("--ra", ra) + ": the minutes and seconds must be below 60");
  if (!belowSixty(star.declination.minutes) || !belowSixty(star.declination.seconds))
    throw UsageError(given("--dec", dec) + ": the arc minutes and seconds must be below 60");
  const long double raDegrees = RightAscensionDegrees(star);
  if (!(raDegrees >= 0 && raDegrees <= 360))
    throw UsageError(given("--ra", ra) + ": the right ascension must be from 0 to 24 h");
  const long double decDegrees = DeclinationDegrees(star);
  if (!(decDegrees >= -90 && decDegrees <= 90))
    throw UsageError(given("--dec", dec) + ": the declination must be from -90 to +90 degrees");
  return true;
}

namespace {

constexpr OptionSpec kHelioOptions[] = {{"--ra", true, 3}, {"--dec", true, 3}};

int RunHelio(const Invocation& invocation) {
  if (invocation.operands.size() != 1) throw UsageError("helio takes one Julian Day");
  long double jd = 0;
  try {
    jd = TextToFloat(invocation.operands[0], '.');
  } catch (const ConversionError&) {
    throw UsageError("JD: " + Quoted(invocation.operands[0]) + " is not a valid floating point value");
  }
  Star star;
  if (!ReadCoordinates(invocation, star)) throw UsageError("helio needs --ra and --dec");
  for (const std::string& line : CorrectionLines(star, jd, true, '.')) Print(line);
  return kExitOk;
}

}  // namespace

extern const Command kHelioCommand;
const Command kHelioCommand{
    .name = "helio",
    .synopsis = "helio JD --ra H M S --dec D M S",
    .help =
        "helio JD --ra H M S --dec D M S\n"
        "    The corrections of one time JD (UTC) for a star at right ascension H M S and\n"
        "    declination D M S (J2000; the sign of D carries the declination's): prints the\n"
        "    hjd-jd = , minimum+(hjd-jd) = and bjd_tdb = lines of the minimum command.\n"
        "    Coordinates (here and for minimum) must name a star: right ascension 0 to 24 h,\n"
        "    declination -90 to +90 degrees, minutes and seconds below 60 (\"--dec 0 -30 0\" is\n"
        "    half a degree south); others exit with 2. A negative JD needs no \"--\".\n",
    .options = kHelioOptions,
    .run = &RunHelio,
    .readsFiles = false,
};

}  // namespace ombrane::batch
