#include "timing/Catalogue.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "common/NumberFormat.h"
#include "common/WholeFile.h"

namespace ombrane {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The first two words of a line (runs of characters other than white space).
std::vector<std::string_view> FirstTwoWords(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (words.size() < 2) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    const size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    words.push_back(line.substr(start, i - start));
  }
  return words;
}

}  // namespace

const char* CatalogueFieldName(CatalogueField field) {
  static constexpr const char* kNames[] = {"epoch",      "period",      "ra_hours",       "ra_minutes",
                                           "ra_seconds", "dec_degrees", "dec_arcminutes", "dec_arcseconds"};
  return kNames[static_cast<size_t>(field)];
}

namespace {

// Hands every line of the catalogue's text to `each` as CatalogueLines splits it, without keeping
// them: a text of line ends would otherwise take a string a line.
template <typename Each>
void ForEachCatalogueLine(std::string_view text, Each&& each) {
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  size_t start = 0;
  while (true) {
    const size_t end = text.find('\n', start);
    const std::string_view line =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    each(line.substr(0, kCatalogueLineLength));
    if (end == std::string_view::npos) break;
    start = end + 1;  // after a final line end this leaves one more, empty, line
  }
}

}  // namespace

std::vector<std::string> CatalogueLines(std::string_view text) {
  std::vector<std::string> lines;
  ForEachCatalogueLine(text, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

std::optional<double> CatalogueNumber(std::string_view line, size_t position, size_t fieldEnd) {
  if (position >= line.size()) return std::nullopt;
  size_t i = position;
  while (i < line.size() && line[i] == '(') ++i;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i >= line.size() || i >= fieldEnd) return std::nullopt;
  // The longest prefix that is a decimal number: sign, digits, point, digits, exponent.
  size_t j = i;
  if (line[j] == '+' || line[j] == '-') ++j;
  const size_t mantissa = j;
  while (j < line.size() && IsDigit(line[j])) ++j;
  size_t digits = j - mantissa;
  if (j < line.size() && line[j] == '.') {
    ++j;
    const size_t fraction = j;
    while (j < line.size() && IsDigit(line[j])) ++j;
    digits += j - fraction;
  }
  if (digits == 0) return std::nullopt;
  if (j < line.size() && (line[j] == 'e' || line[j] == 'E')) {
    size_t k = j + 1;
    if (k < line.size() && (line[k] == '+' || line[k] == '-')) ++k;
    const size_t exponent = k;
    while (k < line.size() && IsDigit(line[k])) ++k;
    if (k > exponent) j = k;
  }
  // from_chars takes no "+" sign and ignores the locale.
  size_t from = i;
  if (line[from] == '+') ++from;
  double value = 0;
  const auto [ptr, ec] =
      std::from_chars(line.data() + from, line.data() + j, value, std::chars_format::general);
  if (ec != std::errc() || ptr != line.data() + j) return std::nullopt;
  return value;
}

std::vector<CatalogueStep> LookupStar(std::string_view text, std::string_view name,
                                      std::string_view constellation) {
  std::vector<CatalogueStep> steps;
  auto fill = [&](CatalogueField field, double value) {
    steps.push_back({.field = field, .value = value, .message = {}});
  };
  auto say = [&](const char* message) {
    steps.push_back({.field = std::nullopt, .value = 0, .message = message});
  };

  // The fields of a data line: where each starts and where the next one starts.
  struct Field {
    CatalogueField field;
    size_t start, end;
    const char* missing;  // said when the line does not reach the field, or nothing
    const char* blank;    // said when the field is on the line but holds no number
  };
  constexpr size_t kToEnd = std::string_view::npos;
  static constexpr Field kFields[] = {
      {CatalogueField::Epoch, 48, kToEnd, "no M0", "no M0 (the field is blank)"},
      {CatalogueField::Period, 38, 48, "no period", "no period (the field is blank)"},
      {CatalogueField::RaHours, 0, 3, "no REC", "no REC (the field is blank)"},
      {CatalogueField::RaMinutes, 3, 6, nullptr, "no RA minutes (the field is blank)"},
      {CatalogueField::RaSeconds, 6, 11, nullptr, "no RA seconds (the field is blank)"},
      {CatalogueField::DecDegrees, 11, 15, "no DEC", "no DEC (the field is blank)"},
      {CatalogueField::DecArcMinutes, 15, 18, nullptr, "no DEC minutes (the field is blank)"},
      {CatalogueField::DecArcSeconds, 18, 38, nullptr, "no DEC seconds (the field is blank)"},
  };

  int found = 0;  // 0: no match; 1: the name line just read matched; 2: a record was applied
  bool nameLine = true;
  ForEachCatalogueLine(text, [&](std::string_view line) {
    if (nameLine) {
      const auto words = FirstTwoWords(line);
      if (words.size() == 2 && words[0] == name && words[1] == constellation) found = 1;
    } else if (found == 1) {
      found = 2;
      // A blank field leaves its box as it is and says so; a line too short for a field says
      // so only for the fields that always did (M0, period, the hours and degrees).
      for (const Field& field : kFields) {
        if (auto value = CatalogueNumber(line, field.start, field.end))
          fill(field.field, *value);
        else if (field.start < line.size())
          say(field.blank);
        else if (field.missing)
          say(field.missing);
      }
    }
    nameLine = !nameLine;
  });
  if (found != 2) say("no star");
  return steps;
}

std::string CatalogueValueText(double value, char separator) {
  if (value == 0 && std::signbit(value)) return "-0";
  return FormatGeneral(value, separator);
}

std::optional<std::string> ReadCatalogueFile(const std::string& path, std::string* why) {
  WholeFileRead read = ReadWholeFile(path, kCatalogueFileLimit);
  if (!read.ok) {
    if (why) *why = read.opened ? read.why : std::string();
    return std::nullopt;
  }
  return std::move(read.bytes);
}

std::string CatalogueMissingMessage(std::string_view folder) {
  std::string message = "Cannot open or find file ";
  message += kCatalogueFileName;
  message += " in ";
  message += folder;
  return message;
}

std::string CatalogueUnreadableMessage(std::string_view folder, std::string_view why) {
  std::string message = "Cannot read file ";
  message += kCatalogueFileName;
  message += " in ";
  message += folder;
  message += ": ";
  message += why;
  return message;
}

}  // namespace ombrane
