// Text in columns: a time column and a magnitude column chosen among blank-, tab-, comma- or
// semicolon-separated fields, after a header and around comment lines.
#include "io/TextColumnsFormat.h"

#include <algorithm>
#include <limits>
#include <string>

#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "io/TextTable.h"

namespace ombrane::io {
namespace {

// Lines of a file shown in the preview.
constexpr size_t kPreviewLines = 30;

std::string Count(int64_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string ColumnName(const TextLayout& layout, int32_t column) {
  return column >= 0 && static_cast<size_t>(column) < layout.names.size()
             ? layout.names[static_cast<size_t>(column)]
             : std::string();
}

// A value column named for flux ("flux", "PDCSAP_FLUX", "norm_flux") holds flux.
bool NamesFlux(std::string_view name) {
  std::string upper;
  for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return upper.find("FLUX") != std::string::npos;
}

}  // namespace

std::string_view TextColumnsFormat::Name() const {
  return "Text columns";
}

bool TextColumnsFormat::Recognises(std::string_view, std::string_view) const {
  return true;  // the last row of the table: any text
}

TextLayout TextColumnsFormat::Layout(const TextLines& lines, const ImportOptions& options) {
  TextLayout layout = DetectLayout(lines, options.separator, options.skipLines);
  if (options.timeColumn) layout.timeColumn = *options.timeColumn;
  if (options.magColumn) layout.magColumn = *options.magColumn;
  return layout;
}

int32_t TextColumnsFormat::ErrorColumn(const TextLayout& layout, const ImportOptions& options) {
  if (options.errorColumn) return *options.errorColumn;
  return ErrorColumnOfNames(layout.names, layout.timeColumn, layout.magColumn);
}

ImportPreview TextColumnsFormat::Inspect(const Input& input, std::string_view shownName,
                                         const ImportOptions& options) const {
  const TextLines lines(HeadText(input.bytes, shownName));
  const TextLayout layout = Layout(lines, options);
  ImportPreview preview;
  preview.format = std::string(Name());
  preview.textLayout = true;
  preview.chooseColumns = true;
  preview.columnNames = layout.names;
  PreviewLines(lines, layout.separator, layout.skipLines, kPreviewLines, preview);
  preview.layout.push_back("Separator: " + std::string(SeparatorName(layout.separator)));
  preview.layout.push_back("Lines skipped at the top: " + std::to_string(layout.skipLines) +
                           (layout.header ? " (the last one names the columns)" : ""));
  preview.layout.push_back("Comment lines (#, %, ;) and empty lines are skipped");
  preview.layout.push_back("Columns: " + std::to_string(layout.columns));
  preview.options = options;
  preview.options.separator = layout.separator;
  preview.options.skipLines = layout.skipLines;
  preview.options.timeColumn = layout.timeColumn;
  preview.options.magColumn = layout.magColumn;
  preview.options.errorColumn = ErrorColumn(layout, options);
  if (*preview.options.errorColumn >= 0)
    preview.layout.push_back("Errors: column " + std::to_string(*preview.options.errorColumn + 1) +
                             (ColumnName(layout, *preview.options.errorColumn).empty()
                                  ? std::string()
                                  : " (" + ColumnName(layout, *preview.options.errorColumn) + ")"));
  // Reduced times: the offset the time column's name says, else none (times below 100 000 are
  // told, so the user picks one).
  if (!preview.options.timeOffset)
    preview.options.timeOffset = TimeOffsetOfName(ColumnName(layout, layout.timeColumn)).value_or(0);
  if (!preview.options.valuesAreFlux)
    preview.options.valuesAreFlux = NamesFlux(ColumnName(layout, layout.magColumn));
  if (const std::optional<TimeScale> scale = TimeScaleOfName(ColumnName(layout, layout.timeColumn))) {
    preview.layout.push_back("Time scale: " + std::string(TimeScaleName(*scale)) +
                             " (the time column's name)");
    if (!preview.options.timeScale) preview.options.timeScale = scale;
  }
  if (!preview.options.timeScale) preview.options.timeScale = TimeScale::Jd;
  const bool comma = DecimalComma(layout.separator);
  for (size_t i = 0; i < preview.rows.size(); ++i) {
    long double time = 0;
    if (preview.rowSkipped[i] || static_cast<size_t>(layout.timeColumn) >= preview.rows[i].size() ||
        !FieldNumber(preview.rows[i][static_cast<size_t>(layout.timeColumn)], time, comma))
      continue;
    if (time < 100000 && *preview.options.timeOffset == 0)
      preview.layout.push_back("Times below 100 000: reduced Julian Days? Choose the offset to add.");
    break;
  }
  return preview;
}

ImportFormat::Rows TextColumnsFormat::Read(const Input& input, std::string_view shownName,
                                           const ImportOptions& options) const {
  CheckText(input.bytes, shownName);
  const TextLines lines(input.bytes);
  const TextLayout layout = Layout(lines, options);
  if (layout.timeColumn < 0 || layout.magColumn < 0) throw InputError("Columns are counted from 1.");
  const auto timeField = static_cast<size_t>(layout.timeColumn);
  const auto magField = static_cast<size_t>(layout.magColumn);
  const int32_t errorColumn = ErrorColumn(layout, options);
  if (errorColumn < -1) throw InputError("Columns are counted from 1.");
  const bool comma = DecimalComma(layout.separator);
  Rows rows;
  // Room for the rows guessed from the size (a row of a light curve takes some 20 bytes or
  // more), so that the columns grow once rather than by doubling; never more than a row a line.
  const size_t room =
      std::min({lines.size(), input.bytes.size() / 20 + 1, static_cast<size_t>(kStoreRoom) + 1});
  rows.time.reserve(room);
  rows.value.reserve(room);
  rows.fluxes = options.valuesAreFlux.value_or(NamesFlux(ColumnName(layout, layout.magColumn)));
  rows.timeScale = TimeScaleOfName(ColumnName(layout, layout.timeColumn)).value_or(TimeScale::Jd);
  const long double offset =
      options.timeOffset.value_or(TimeOffsetOfName(ColumnName(layout, layout.timeColumn)).value_or(0));
  int64_t notNumbers = 0;
  size_t firstNotNumber = 0;
  int64_t notPositive = 0;
  ForEachRow(lines, layout.separator, layout.skipLines,
             std::max({layout.timeColumn, layout.magColumn, errorColumn}) + 1, shownName,
             [&](std::span<const std::string_view> fields, size_t line) {
               long double time = 0;
               long double magnitude = 0;
               if (!FieldNumber(fields[timeField], time, comma) ||
                   !FieldNumber(fields[magField], magnitude, comma)) {
                 if (notNumbers++ == 0) firstNotNumber = line;
                 return;
               }
               // A flux of zero or below has no magnitude.
               if (rows.fluxes && !(magnitude > 0)) {
                 ++notPositive;
                 return;
               }
               rows.time.push_back(time + offset);
               rows.value.push_back(magnitude);
               if (errorColumn >= 0) {
                 // A missing or unreadable error is NaN: the import then leaves the errors out.
                 long double error = 0;
                 rows.error.push_back(FieldNumber(fields[static_cast<size_t>(errorColumn)], error, comma)
                                          ? error
                                          : std::numeric_limits<long double>::quiet_NaN());
               }
             });
  if (notNumbers > 0) {
    rows.notes.push_back(std::string(shownName) + ": " + Count(notNumbers, "row", "rows") +
                         " whose time or magnitude is not a number " + (notNumbers == 1 ? "was" : "were") +
                         " skipped (the first on line " + std::to_string(firstNotNumber) + ").");
  }
  if (notPositive > 0) {
    rows.notes.push_back(std::string(shownName) + ": " + Count(notPositive, "row", "rows") +
                         " whose flux is not above 0 " + (notPositive == 1 ? "was" : "were") + " left out.");
  }
  if (offset != 0) {
    rows.notes.push_back(std::string(shownName) + ": " + FormatGeneral(offset, options.decimalSeparator) +
                         " added to every time.");
  }
  return rows;
}

}  // namespace ombrane::io
