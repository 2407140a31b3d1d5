#include "timing/Catalogue.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

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

const char* CatalogueBoxName(CatalogueBox box) {
  switch (box) {
    case CatalogueBox::Edit2:
      return "Edit2";
    case CatalogueBox::Edit3:
      return "Edit3";
    case CatalogueBox::Edit11:
      return "Edit11";
    case CatalogueBox::Edit14:
      return "Edit14";
    case CatalogueBox::Edit16:
      return "Edit16";
    case CatalogueBox::Edit12:
      return "Edit12";
    case CatalogueBox::Edit15:
      return "Edit15";
    case CatalogueBox::Edit17:
      return "Edit17";
  }
  return "";
}

std::vector<std::string> CatalogueLines(std::string_view text) {
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    const size_t end = text.find('\n', start);
    const std::string_view line =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    lines.emplace_back(line.substr(0, kCatalogueLineLength));
    if (end == std::string_view::npos) break;
    start = end + 1;  // after a final line end this leaves one more, empty, line
  }
  return lines;
}

std::optional<double> CatalogueNumber(std::string_view line, size_t position) {
  if (position >= line.size()) return std::nullopt;
  size_t i = position;
  while (i < line.size() && line[i] == '(') ++i;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i >= line.size()) return std::nullopt;
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
  auto fill = [&](CatalogueBox box, double value) {
    steps.push_back({.box = box, .value = value, .message = {}});
  };
  auto say = [&](const char* message) {
    steps.push_back({.box = std::nullopt, .value = 0, .message = message});
  };

  int found = 0;  // 0: no match; 1: the name line just read matched; 2: a record was applied
  bool nameLine = true;
  for (const std::string& line : CatalogueLines(text)) {
    if (nameLine) {
      const auto words = FirstTwoWords(line);
      if (words.size() == 2 && words[0] == name && words[1] == constellation) found = 1;
    } else if (found == 1) {
      found = 2;
      if (auto m0 = CatalogueNumber(line, 48))
        fill(CatalogueBox::Edit2, *m0);
      else
        say("no M0");
      if (auto period = CatalogueNumber(line, 38))
        fill(CatalogueBox::Edit3, *period);
      else
        say("no period");
      if (auto hours = CatalogueNumber(line, 0))
        fill(CatalogueBox::Edit11, *hours);
      else
        say("no REC");
      if (auto minutes = CatalogueNumber(line, 3)) fill(CatalogueBox::Edit14, *minutes);
      if (auto seconds = CatalogueNumber(line, 6)) fill(CatalogueBox::Edit16, *seconds);
      if (auto degrees = CatalogueNumber(line, 11))
        fill(CatalogueBox::Edit12, *degrees);
      else
        say("no DEC");
      if (auto arcMinutes = CatalogueNumber(line, 15)) fill(CatalogueBox::Edit15, *arcMinutes);
      if (auto arcSeconds = CatalogueNumber(line, 18)) fill(CatalogueBox::Edit17, *arcSeconds);
    }
    nameLine = !nameLine;
  }
  if (found != 2) say("no star");
  return steps;
}

std::optional<std::string> ReadCatalogueFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (file.bad()) return std::nullopt;
  return std::move(bytes).str();
}

std::string CatalogueMissingMessage(std::string_view folder) {
  std::string message = "Cannot open or find file ";
  message += kCatalogueFileName;
  message += " in ";
  message += folder;
  return message;
}

}  // namespace ombrane
