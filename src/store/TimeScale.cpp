#include "store/TimeScale.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace ombrane {

std::string_view TimeScaleName(TimeScale scale) {
  switch (scale) {
    case TimeScale::Hjd:
      return "HJD";
    case TimeScale::BjdTdb:
      return "BJD_TDB";
    case TimeScale::Jd:
      break;
  }
  return "JD";
}

std::optional<TimeScale> ParseTimeScale(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "jd") return TimeScale::Jd;
  if (lower == "hjd") return TimeScale::Hjd;
  if (lower == "bjd_tdb" || lower == "bjd") return TimeScale::BjdTdb;
  return std::nullopt;
}

std::string_view TimeAxisTitle(TimeScale scale) {
  switch (scale) {
    case TimeScale::Hjd:
      return "Heliocentric Julian Day (HJD)";
    case TimeScale::BjdTdb:
      return "Barycentric Julian Day (BJD_TDB)";
    case TimeScale::Jd:
      break;
  }
  return "Julian Day";
}

}  // namespace ombrane
