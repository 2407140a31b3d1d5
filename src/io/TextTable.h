// Text split into lines and fields, and the layout of a table of observations found from its
// first lines. Shared by the text formats (plain columns, AAVSO exports).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/Import.h"

namespace ombrane::io {

// The whole file as text. InputError when it cannot be read, is larger than `limit` bytes or
// holds NUL bytes (a binary file).
std::string ReadTextFile(const std::string& path, std::string_view shownName, size_t limit = kInputByteLimit);

// InputError when `text` holds NUL bytes (a binary file, not a table).
void CheckText(std::string_view text, std::string_view shownName);

// The lines of a text (LF, CR LF or CR end a line; a UTF-8 byte-order mark at the start is not
// part of the first line). The lines are found as they are asked for, not kept: a text of
// 256 MB of line ends would otherwise take 16 bytes a line, 4 GB. They remember where the line
// last asked for starts, so that walking them forward or back costs one line's length a step
// and the few lines a layout looks at cost next to nothing; a jump scans from the nearer of the
// start and that line. Not for use from two threads at once.
class TextLines {
 public:
  TextLines() = default;
  explicit TextLines(std::string_view text);
  size_t size() const { return count_; }
  std::string_view operator[](size_t index) const;  // index < size()

 private:
  size_t NextStart(size_t end) const;
  void Back() const;  // to the line before the one last asked for

  std::string_view text_;
  size_t count_ = 0;
  mutable size_t index_ = 0;  // the line last asked for
  mutable size_t start_ = 0;  // where it starts in text_
  mutable size_t end_ = 0;    // and where it ends (its line end, or the end of the text)
};

// A line with nothing but blanks.
bool IsBlankLine(std::string_view line);
// A comment line: its first character after blanks is "#", "%" or ";".
bool IsCommentLine(std::string_view line);

// The fields of a line. Blanks: runs of blanks and tabs separate; the others: each separator
// character does, blanks round a field are dropped and a field in double quotes may hold the
// separator ("" stands for one quote inside).
void SplitFields(std::string_view line, FieldSeparator separator, std::vector<std::string_view>& fields);

// A field as a number: the C notation (sign, digits, ".", exponent); with `decimalComma` a ","
// may stand for the point. No inf, nan or hex. False when it is not a number.
bool FieldNumber(std::string_view field, long double& value, bool decimalComma);

// A decimal comma is read in every separator but commas.
inline bool DecimalComma(FieldSeparator separator) {
  return separator != FieldSeparator::Commas;
}

// What a column name says of the column.
enum class ColumnRole { Other, Time, Magnitude };
// JD, HJD, BJD, MJD or TIME (also with more words: "BJD-2450000", "BJD_TDB") name a time;
// MAG or MAGNITUDE ("V mag", "Vmag") a magnitude; an error column ("e_mag", "mag_err") neither.
ColumnRole RoleOfName(std::string_view name);
// Whether a column name says the column holds errors: a word ERR, ERROR, SIGMA, UNCERTAINTY,
// E, MAGERR ... ("e_mag", "mag_err", "PDCSAP_FLUX_ERR", "sigma").
bool NamesError(std::string_view name);

// The offset a time column's name says was taken off its times: "BJD-2450000" gives 2450000,
// "HJD - 2400000" 2400000, "MJD" 2400000.5, "BTJD" 2457000; nothing for other names.
std::optional<long double> TimeOffsetOfName(std::string_view name);

// The time scale a time column's name says: HJD for a name with "HJD", BJD_TDB for one with
// "BJD" or "BTJD" (barycentric times are published in TDB); nothing for other names ("JD", "MJD",
// "TIME" say no more than Julian Days).
std::optional<TimeScale> TimeScaleOfName(std::string_view name);

// The layout found in the first lines of a table.
struct TextLayout {
  FieldSeparator separator = FieldSeparator::Blanks;
  int32_t skipLines = 0;           // lines before the first row of numbers
  int32_t columns = 0;             // fields of the first row of numbers
  std::vector<std::string> names;  // header names, one per column ("" when none)
  bool header = false;             // names came from a header line
  int32_t timeColumn = 0;
  int32_t magColumn = 1;
};

// Finds the separator (the one that splits most lines into the same number of fields with at
// least two numbers; tabs, semicolons, commas, blanks in this order of preference on a tie),
// the lines before the first row of numbers, the header names and the column guesses: a header
// naming a time and a magnitude wins; otherwise the first column of Julian Days (or the first
// column of numbers) is the time and the next column of numbers the magnitude. `separator` and
// `skipLines`, when given, are taken instead of found.
TextLayout DetectLayout(const TextLines& lines, std::optional<FieldSeparator> separator,
                        std::optional<int32_t> skipLines);

// Names of the columns after the lines to skip: from the last line skipped (a comment line
// without its mark), when it splits into `columns` fields of which not all are numbers.
std::vector<std::string> HeaderNames(const TextLines& lines, FieldSeparator separator, int32_t skipLines,
                                     int32_t columns, bool& found);

// The preview of a text table: the first `count` lines from the top, split into fields, with
// the skipped and comment lines marked.
void PreviewLines(const TextLines& lines, FieldSeparator separator, int32_t skipLines, size_t count,
                  ImportPreview& preview);

// The start of a text for a preview: its first `bytes` bytes, cut after their last line end
// when the text goes on after them. InputError when they hold NUL bytes.
std::string_view HeadText(std::string_view text, std::string_view shownName, size_t bytes = 1 << 18);

// Walks the rows of a table: the lines after the first `skipLines`, blank and comment lines left
// out, split into fields. Every row must have as many fields as the first (empty fields at the
// end aside) and at least `needColumns`: otherwise InputError names the line and what is wrong.
// `each` gets the fields and the 1-based line number.
template <typename Each>
void ForEachRow(const TextLines& lines, FieldSeparator separator, int32_t skipLines, int32_t needColumns,
                std::string_view shownName, Each&& each);

[[noreturn]] void RaggedRow(std::string_view shownName, size_t line, size_t fields, size_t firstLine,
                            size_t expected);
[[noreturn]] void TooFewColumns(std::string_view shownName, size_t line, size_t fields, int32_t needColumns);

template <typename Each>
void ForEachRow(const TextLines& lines, FieldSeparator separator, int32_t skipLines, int32_t needColumns,
                std::string_view shownName, Each&& each) {
  std::vector<std::string_view> fields;
  size_t expected = 0;
  size_t firstLine = 0;
  for (size_t i = static_cast<size_t>(std::max(skipLines, 0)); i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (IsBlankLine(line) || IsCommentLine(line)) continue;
    SplitFields(line, separator, fields);
    while (fields.size() > expected && expected > 0 && fields.back().empty()) fields.pop_back();
    if (expected == 0) {
      expected = fields.size();
      firstLine = i + 1;
      if (static_cast<int32_t>(expected) < needColumns)
        TooFewColumns(shownName, i + 1, expected, needColumns);
    } else if (fields.size() != expected) {
      RaggedRow(shownName, i + 1, fields.size(), firstLine, expected);
    }
    each(std::span<const std::string_view>(fields), i + 1);
  }
}

}  // namespace ombrane::io
