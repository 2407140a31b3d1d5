#include "io/TextTable.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "common/InputError.h"
#include "common/TextToFloat.h"
#include "common/WholeFile.h"

namespace ombrane::io {
namespace {

constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

constexpr bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

constexpr char SeparatorChar(FieldSeparator separator) {
  switch (separator) {
    case FieldSeparator::Tabs:
      return '\t';
    case FieldSeparator::Commas:
      return ',';
    case FieldSeparator::Semicolons:
      return ';';
    case FieldSeparator::Blanks:
      break;
  }
  return ' ';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Text of the line after its comment mark.
std::string_view WithoutCommentMark(std::string_view line) {
  line = Trimmed(line);
  if (!line.empty() && (line.front() == '#' || line.front() == '%' || line.front() == ';'))
    line.remove_prefix(1);
  return Trimmed(line);
}

// Numbers among the fields.
int32_t NumberCount(std::span<const std::string_view> fields, bool decimalComma) {
  int32_t count = 0;
  long double value = 0;
  for (std::string_view field : fields)
    if (FieldNumber(field, value, decimalComma)) ++count;
  return count;
}

// Longest sample of lines the detection looks at.
constexpr size_t kSampleLines = 200;

struct Candidate {
  FieldSeparator separator;
  int32_t firstData = -1;  // index of the first line with two numbers
  int32_t columns = 0;
  int32_t score = 0;  // lines after it with as many fields and two numbers
};

Candidate Score(const TextLines& lines, FieldSeparator separator) {
  Candidate candidate{.separator = separator};
  std::vector<std::string_view> fields;
  const bool comma = DecimalComma(separator);
  for (size_t i = 0; i < lines.size() && i < kSampleLines; ++i) {
    if (IsBlankLine(lines[i]) || IsCommentLine(lines[i])) continue;
    SplitFields(lines[i], separator, fields);
    const bool data = fields.size() >= 2 && NumberCount(fields, comma) >= 2;
    if (candidate.firstData < 0) {
      if (!data) continue;
      candidate.firstData = static_cast<int32_t>(i);
      candidate.columns = static_cast<int32_t>(fields.size());
    }
    if (data && static_cast<int32_t>(fields.size()) == candidate.columns) ++candidate.score;
  }
  return candidate;
}

}  // namespace

std::string_view SeparatorName(FieldSeparator separator) {
  switch (separator) {
    case FieldSeparator::Tabs:
      return "tabs";
    case FieldSeparator::Commas:
      return "commas";
    case FieldSeparator::Semicolons:
      return "semicolons";
    case FieldSeparator::Blanks:
      break;
  }
  return "blanks";
}

std::string ReadTextFile(const std::string& path, std::string_view shownName, size_t limit) {
  WholeFileRead read = ReadWholeFile(path, limit);
  if (!read.ok) throw InputError(std::string(shownName) + " could not be read: " + read.why);
  CheckText(read.bytes, shownName);
  return std::move(read.bytes);
}

void CheckText(std::string_view text, std::string_view shownName) {
  if (text.find('\0') != std::string_view::npos)
    throw InputError(std::string(shownName) + " is not a text file (it holds NUL bytes); nothing loaded.");
}

namespace {

// Where the line starting at `from` ends: its line end's first character, or the text's end.
size_t LineEnd(std::string_view text, size_t from) {
  for (size_t i = from; i < text.size(); ++i)
    if (text[i] == '\n' || text[i] == '\r') return i;
  return text.size();
}

}  // namespace

TextLines::TextLines(std::string_view text) : text_(text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text_.starts_with(kByteOrderMark)) text_.remove_prefix(kByteOrderMark.size());
  if (text_.find('\r') == std::string_view::npos) {
    // LF only: counted at the speed of memory.
    count_ = static_cast<size_t>(std::count(text_.begin(), text_.end(), '\n'));
    if (!text_.empty() && text_.back() != '\n') ++count_;
  } else {
    for (size_t start = 0; start < text_.size(); start = NextStart(LineEnd(text_, start))) ++count_;
  }
  end_ = LineEnd(text_, 0);
}

// After the line end at `end` (a CR LF is one line end).
size_t TextLines::NextStart(size_t end) const {
  if (end >= text_.size()) return text_.size();
  return text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n' ? end + 2 : end + 1;
}

void TextLines::Back() const {
  size_t end = start_ - 1;  // the last character of the line end before the line
  if (text_[end] == '\n' && end > 0 && text_[end - 1] == '\r') --end;
  size_t start = end;
  while (start > 0 && text_[start - 1] != '\n' && text_[start - 1] != '\r') --start;
  start_ = start;
  end_ = end;
}

std::string_view TextLines::operator[](size_t index) const {
  if (index < index_ && index < index_ - index) index_ = 0, start_ = 0, end_ = LineEnd(text_, 0);
  for (; index_ < index; ++index_) {
    start_ = NextStart(end_);
    end_ = LineEnd(text_, start_);
  }
  for (; index_ > index; --index_) Back();
  return text_.substr(start_, end_ - start_);
}

bool IsBlankLine(std::string_view line) {
  return Trimmed(line).empty();
}

bool IsCommentLine(std::string_view line) {
  line = Trimmed(line);
  return !line.empty() && (line.front() == '#' || line.front() == '%' || line.front() == ';');
}

void SplitFields(std::string_view line, FieldSeparator separator, std::vector<std::string_view>& fields) {
  fields.clear();
  if (separator == FieldSeparator::Blanks) {
    size_t i = 0;
    while (true) {
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i == line.size()) return;
      const size_t start = i;
      while (i < line.size() && !IsBlank(line[i])) ++i;
      fields.push_back(line.substr(start, i - start));
    }
  }
  const char mark = SeparatorChar(separator);
  size_t i = 0;
  while (true) {
    const size_t start = i;
    bool quoted = false;
    while (i < line.size()) {
      if (line[i] == '"')
        quoted = !quoted;
      else if (line[i] == mark && !quoted)
        break;
      ++i;
    }
    std::string_view field = Trimmed(line.substr(start, i - start));
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
      field = field.substr(1, field.size() - 2);
    fields.push_back(field);
    if (i == line.size()) return;
    ++i;  // past the separator: a field follows, perhaps an empty one
  }
}

bool FieldNumber(std::string_view field, long double& value, bool decimalComma) {
  field = Trimmed(field);
  if (field.empty() || field.size() > 64) return false;
  char buffer[64];
  if (!HasNumberSyntax(field, '.')) {
    if (!decimalComma || !HasNumberSyntax(field, ',')) return false;
    std::copy(field.begin(), field.end(), buffer);
    std::replace(buffer, buffer + field.size(), ',', '.');
    field = std::string_view(buffer, field.size());
  }
  if (field.front() == '+') field.remove_prefix(1);  // from_chars takes no plus sign
  long double parsed = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), parsed);
  if (ec == std::errc::result_out_of_range) {
    // Too small to hold reads as zero; too large is no number of an observation.
    const size_t exponent = field.find_first_of("eE");
    if (exponent == std::string_view::npos || exponent + 1 >= field.size() || field[exponent + 1] != '-')
      return false;
    value = 0;
    return true;
  }
  if (ec != std::errc() || end != field.data() + field.size()) return false;
  value = parsed;
  return true;
}

namespace {

// The words of a column name, in capitals: "e_Vmag" gives E, VMAG.
std::vector<std::string> NameWords(std::string_view name) {
  std::vector<std::string> words;
  std::string word;
  for (char c : name) {
    const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c);
    if (alnum) {
      word += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

bool ErrorWords(const std::vector<std::string>& words) {
  static constexpr std::string_view kErrorWords[] = {"E",    "ERR",    "ERROR",  "ERRORS",
                                                     "SIG",  "SIGMA",  "UNC",    "UNCERTAINTY",
                                                     "EMAG", "MAGERR", "ERRMAG", "SIGMAG"};
  for (const std::string& w : words)
    if (std::find(std::begin(kErrorWords), std::end(kErrorWords), w) != std::end(kErrorWords)) return true;
  return false;
}

}  // namespace

bool NamesError(std::string_view name) {
  return ErrorWords(NameWords(name));
}

ColumnRole RoleOfName(std::string_view name) {
  const std::vector<std::string> words = NameWords(name);
  if (words.empty()) return ColumnRole::Other;
  if (ErrorWords(words)) return ColumnRole::Other;
  static constexpr std::string_view kTimeWords[] = {"JD", "HJD", "BJD", "MJD", "TIME"};
  if (std::find(std::begin(kTimeWords), std::end(kTimeWords), words.front()) != std::end(kTimeWords))
    return ColumnRole::Time;
  for (const std::string& w : words)
    if (w == "MAG" || w == "MAGNITUDE" || (w.size() <= 5 && w.size() > 3 && w.ends_with("MAG")))
      return ColumnRole::Magnitude;
  return ColumnRole::Other;
}

std::optional<TimeScale> TimeScaleOfName(std::string_view name) {
  std::string upper;
  for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (upper.find("HJD") != std::string::npos) return TimeScale::Hjd;
  if (upper.find("BJD") != std::string::npos || upper.find("BTJD") != std::string::npos)
    return TimeScale::BjdTdb;
  return std::nullopt;
}

std::optional<long double> TimeOffsetOfName(std::string_view name) {
  std::string upper;
  for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  // "...JD - 2450000": the number after the minus sign.
  const size_t jd = upper.find("JD");
  if (jd != std::string::npos) {
    size_t i = upper.find('-', jd);
    if (i != std::string::npos) {
      ++i;
      while (i < upper.size() && upper[i] == ' ') ++i;
      size_t end = i;
      while (end < upper.size() && (IsDigit(upper[end]) || upper[end] == '.')) ++end;
      long double value = 0;
      if (end > i && FieldNumber(std::string_view(upper).substr(i, end - i), value, false) &&
          value >= 2000000 && value < 3000000)
        return value;
    }
  }
  if (upper.find("BTJD") != std::string::npos) return 2457000;
  if (upper.find("MJD") != std::string::npos) return 2400000.5L;
  return std::nullopt;
}

std::vector<std::string> HeaderNames(const TextLines& lines, FieldSeparator separator, int32_t skipLines,
                                     int32_t columns, bool& found) {
  found = false;
  std::vector<std::string> names(static_cast<size_t>(std::max(columns, 0)));
  // The last line before the table that is not blank.
  int32_t i = std::min<int32_t>(skipLines, static_cast<int32_t>(lines.size())) - 1;
  while (i >= 0 && IsBlankLine(lines[static_cast<size_t>(i)])) --i;
  if (i < 0) return names;
  const std::string_view line = lines[static_cast<size_t>(i)];
  std::vector<std::string_view> fields;
  SplitFields(IsCommentLine(line) ? WithoutCommentMark(line) : line, separator, fields);
  if (static_cast<int32_t>(fields.size()) != columns) {
    // A comment above the table names its columns only when it fits them exactly; a header
    // line of its own may have one field too many or too few at the end.
    const auto difference = static_cast<int32_t>(fields.size()) - columns;
    if (IsCommentLine(line) || fields.size() < 2 || difference > 1 || difference < -1) return names;
  }
  if (NumberCount(fields, DecimalComma(separator)) == static_cast<int32_t>(fields.size())) return names;
  for (size_t c = 0; c < names.size() && c < fields.size(); ++c) names[c] = std::string(fields[c]);
  found = true;
  return names;
}

TextLayout DetectLayout(const TextLines& lines, std::optional<FieldSeparator> separator,
                        std::optional<int32_t> skipLines) {
  TextLayout layout;
  Candidate best{.separator = FieldSeparator::Blanks};
  if (separator) {
    best = Score(lines, *separator);
  } else {
    for (FieldSeparator candidate :
         {FieldSeparator::Tabs, FieldSeparator::Semicolons, FieldSeparator::Commas, FieldSeparator::Blanks}) {
      const Candidate scored = Score(lines, candidate);
      if (scored.score > best.score) best = scored;
    }
  }
  layout.separator = best.separator;
  layout.skipLines = skipLines ? std::max(*skipLines, 0) : std::max(best.firstData, 0);

  // The columns: fields of the first line of the table that is not a comment.
  std::vector<std::string_view> fields;
  std::vector<std::vector<std::string_view>> sample;
  for (size_t i = static_cast<size_t>(layout.skipLines); i < lines.size() && sample.size() < 20; ++i) {
    if (IsBlankLine(lines[i]) || IsCommentLine(lines[i])) continue;
    SplitFields(lines[i], layout.separator, fields);
    sample.push_back(fields);
  }
  layout.columns = sample.empty() ? 0 : static_cast<int32_t>(sample.front().size());
  layout.names = HeaderNames(lines, layout.separator, layout.skipLines, layout.columns, layout.header);

  // Guesses by name first.
  std::optional<int32_t> time;
  std::optional<int32_t> magnitude;
  for (int32_t c = 0; c < layout.columns; ++c) {
    const ColumnRole role = RoleOfName(layout.names[static_cast<size_t>(c)]);
    if (role == ColumnRole::Time && !time) time = c;
    if (role == ColumnRole::Magnitude && !magnitude) magnitude = c;
  }
  // Then by the numbers: a column of Julian Days, else the first column of numbers, is the
  // time; the next column of numbers the magnitude.
  const bool comma = DecimalComma(layout.separator);
  auto numeric = [&](int32_t c, bool julianDay) {
    int32_t numbers = 0;
    for (const auto& row : sample) {
      long double value = 0;
      if (static_cast<int32_t>(row.size()) <= c) continue;
      if (!FieldNumber(row[static_cast<size_t>(c)], value, comma)) continue;
      if (julianDay && !(value > 2400000 && value < 2500000)) continue;
      ++numbers;
    }
    return numbers * 2 > static_cast<int32_t>(sample.size());
  };
  if (!time) {
    for (int32_t c = 0; c < layout.columns && !time; ++c)
      if (c != magnitude && numeric(c, true)) time = c;
    for (int32_t c = 0; c < layout.columns && !time; ++c)
      if (c != magnitude && numeric(c, false)) time = c;
  }
  layout.timeColumn = time.value_or(0);
  if (!magnitude) {
    for (int32_t c = 0; c < layout.columns && !magnitude; ++c) {
      const int32_t column = (layout.timeColumn + 1 + c) % layout.columns;
      if (column != layout.timeColumn && numeric(column, false)) magnitude = column;
    }
  }
  layout.magColumn = magnitude.value_or(layout.timeColumn == 0 ? 1 : 0);
  return layout;
}

void PreviewLines(const TextLines& lines, FieldSeparator separator, int32_t skipLines, size_t count,
                  ImportPreview& preview) {
  preview.firstLineNumber = 1;
  preview.rows.clear();
  preview.rowSkipped.clear();
  std::vector<std::string_view> fields;
  for (size_t i = 0; i < lines.size() && i < count; ++i) {
    const bool skipped =
        static_cast<int32_t>(i) < skipLines || IsCommentLine(lines[i]) || IsBlankLine(lines[i]);
    std::vector<std::string> row;
    if (skipped) {
      row.emplace_back(lines[i]);  // shown whole in the first column
    } else {
      SplitFields(lines[i], separator, fields);
      for (std::string_view field : fields) row.emplace_back(field);
    }
    preview.rows.push_back(std::move(row));
    preview.rowSkipped.push_back(skipped);
  }
}

std::string_view HeadText(std::string_view text, std::string_view shownName, size_t bytes) {
  std::string_view head = text.substr(0, bytes);
  CheckText(head, shownName);
  if (text.size() > bytes) {
    // The last line may go on in the text: only whole lines are shown.
    const size_t end = head.find_last_of("\r\n");
    head = head.substr(0, end == std::string_view::npos ? 0 : end + 1);
  }
  return head;
}

void RaggedRow(std::string_view shownName, size_t line, size_t fields, size_t firstLine, size_t expected) {
  throw InputError(std::string(shownName) + ", line " + std::to_string(line) + ": " + std::to_string(fields) +
                   (fields == 1 ? " field" : " fields") + " where line " + std::to_string(firstLine) +
                   " has " + std::to_string(expected) +
                   "; with rows of different lengths the columns cannot be matched. "
                   "Nothing loaded.");
}

void TooFewColumns(std::string_view shownName, size_t line, size_t fields, int32_t needColumns) {
  throw InputError(std::string(shownName) + ", line " + std::to_string(line) + ": " + std::to_string(fields) +
                   (fields == 1 ? " field" : " fields") + ", but column " + std::to_string(needColumns) +
                   " was chosen. Nothing loaded.");
}

}  // namespace ombrane::io
