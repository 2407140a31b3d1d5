// Tables of times of minimum as CSV: one row a minimum, a header naming the columns. Read to
// combine an observer's own times with published ones; written by the timing of every minimum
// of a series.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/TimeScale.h"
#include "timing/EphemerisFit.h"

namespace ombrane {

// Reads a table of minima. The first line that is not blank or a comment ("#") is the header;
// its names (any case, quotes and blanks round them dropped) say the columns:
//   time (or hjd, bjd, bjd_tdb, jd, minimum)   the time of minimum, days: required
//   error (or err, sigma, uncertainty)          its standard error, days: empty for unknown
//   type (or kind)                              P or S (primary, secondary; also I, II, 1, 2)
//   cycle (or epoch_number, e)                  the cycle number E
//   time_scale (or scale)                       JD, HJD or BJD_TDB, the same on every row
// Other columns are ignored; fields are separated by commas (a field in double quotes may
// hold one). InputError naming `shownName` and the line when the header has no time column or
// a field cannot be read; nothing is returned then.
// With `scale`, the table's time scale goes there: the time_scale column's, else what the time
// column's name says (hjd, bjd or bjd_tdb, jd), else nothing. Rows of different scales are
// refused (InputError): one fit must not mix them.
std::vector<TimedMinimum> ReadMinimaTable(std::string_view text, std::string_view shownName,
                                          std::optional<TimeScale>* scale = nullptr);

// The same from a file (at most 64 MB). InputError when it cannot be read.
std::vector<TimedMinimum> ReadMinimaFile(const std::string& path, std::string_view shownName,
                                         std::optional<TimeScale>* scale = nullptr);

}  // namespace ombrane
