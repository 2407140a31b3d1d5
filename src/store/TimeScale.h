// The time scale of a series' times: Julian Days in UTC as observed (JD), heliocentric Julian
// Days (HJD, UTC) or barycentric Julian Days in Barycentric Dynamical Time (BJD_TDB, the scale of
// Kepler, K2 and TESS and of published times of minimum; Eastman, Siverd & Gaudi 2010, PASP 122,
// 935). Reduced forms (MJD, BJD - 2450000, TESS's BTJD) are the same scales less a constant: the
// import adds the constant back, so the store always holds whole Julian Days.
#pragma once

#include <optional>
#include <string_view>

namespace ombrane {

enum class TimeScale { Jd, Hjd, BjdTdb };

// "JD", "HJD", "BJD_TDB".
std::string_view TimeScaleName(TimeScale scale);

// jd, hjd, bjd_tdb (any case; "bjd" is taken as bjd_tdb, the only barycentric scale observers
// publish in); nothing for any other text.
std::optional<TimeScale> ParseTimeScale(std::string_view text);

// The light curve's bottom axis title: "Julian Day" for JD, as ever, and the scale named for the
// others ("Heliocentric Julian Day (HJD)", "Barycentric Julian Day (BJD_TDB)").
std::string_view TimeAxisTitle(TimeScale scale);

}  // namespace ombrane
