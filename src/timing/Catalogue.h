// The star catalogue "allstars.txt": two lines per star, a name line (the star's name and its
// constellation abbreviation as the first two words) and a data line with the coordinates, the
// period and the epoch at fixed character positions.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrane {

inline constexpr const char* kCatalogueFileName = "allstars.txt";

// Lines longer than this keep their first kCatalogueLineLength characters; the rest of such a
// line is skipped, so the alternation of name and data lines is kept.
inline constexpr size_t kCatalogueLineLength = 254;

// The fields of a data line a lookup reads, in the order it reads them: the epoch of minimum
// M0, the period, the right ascension (hours, minutes, seconds) and the declination (degrees,
// arc minutes, arc seconds).
enum class CatalogueField {
  Epoch,
  Period,
  RaHours,
  RaMinutes,
  RaSeconds,
  DecDegrees,
  DecArcMinutes,
  DecArcSeconds
};
// The field's name in ombrane-batch lookup's output: "epoch", "period", "ra_hours", ...
const char* CatalogueFieldName(CatalogueField field);

// One step of a lookup: the value of a field, or a message line for the notes pane.
struct CatalogueStep {
  std::optional<CatalogueField> field;  // set for a value
  double value = 0;
  std::string message;  // set for a message
};

// Splits the catalogue's bytes into lines: LF separates lines (a CR before it stays as white
// space at the end of the line), the text ends at the end or at a NUL byte, and a text ending
// with a line end is followed by one more, empty, line.
std::vector<std::string> CatalogueLines(std::string_view text);

// Reads a number of a data line at a 0-based character position: "(" characters right at the
// position and then white space are skipped, then a decimal number (sign, digits, point,
// exponent) is read up to the first character that cannot continue it. Nothing when no number
// follows on the line or the position lies beyond its end, and nothing when the number would
// begin at or after `fieldEnd`, where the next field starts: a blank field is blank, it never
// reads the number of the field to its right.
std::optional<double> CatalogueNumber(std::string_view line, size_t position,
                                      size_t fieldEnd = std::string_view::npos);

// The text a catalogue value is shown with (in its box, or by lookup): the general number format, and "-0"
// for a negative zero, so that a declination of "-00 17 57" keeps its sign in the boxes.
std::string CatalogueValueText(double value, char separator);

// Looks the star up: every record whose name line's first word equals `name` and whose second
// word equals `constellation` (case-sensitive, whole words of any length) applies its data line:
// M0 (position 48) as Epoch or "no M0", the period (38) or "no period", the right ascension
// (0, 3, 6) as RaHours or "no REC", then RaMinutes and RaSeconds when read, the declination
// (11, 15, 18) as DecDegrees or "no DEC", then DecArcMinutes and DecArcSeconds when read. Each
// field ends where the
// next begins: a blank field fills nothing and gives a line saying so ("no period (the field is
// blank)"). Ends with "no star" when no matching record was applied (a matching name line that
// ends the text applies nothing).
std::vector<CatalogueStep> LookupStar(std::string_view text, std::string_view name,
                                      std::string_view constellation);

// The largest catalogue read (64 MB, some five times the General Catalogue of Variable Stars
// in this format): a device or a file without end is refused instead of filling the memory.
inline constexpr size_t kCatalogueFileLimit = size_t{64} << 20;

// The catalogue's bytes, or nothing when the file cannot be opened, cannot be read (a folder)
// or is larger than kCatalogueFileLimit. `why`, when given, is then left empty for a file that
// cannot be opened and otherwise says what is wrong ("Is a directory", "it is larger than
// 64 MB").
std::optional<std::string> ReadCatalogueFile(const std::string& path, std::string* why = nullptr);

// The line told when the catalogue cannot be opened in `folder`.
std::string CatalogueMissingMessage(std::string_view folder);

// The line told when the catalogue in `folder` exists but cannot be read, `why` saying what is
// wrong (from ReadCatalogueFile).
std::string CatalogueUnreadableMessage(std::string_view folder, std::string_view why);

}  // namespace ombrane
