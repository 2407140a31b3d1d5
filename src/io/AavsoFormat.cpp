// The CSV export of the AAVSO International Database: a header "JD,Magnitude,Uncertainty,
// HQuncertainty,Band,Observer Code,..." and one observation a row. One band is kept at a time
// (a V light curve and visual estimates do not mix), and fainter-than estimates ("<" before the
// magnitude) are left out: they are limits, not measures.
#include <algorithm>
#include <limits>
#include <map>
#include <string>

#include "common/InputError.h"
#include "io/Import.h"
#include "io/TextTable.h"

namespace ombrane::io {
namespace {

constexpr size_t kPreviewLines = 30;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// Where the columns of an export are: the header line's index and the columns by name.
struct AavsoHeader {
  FieldSeparator separator = FieldSeparator::Commas;
  int32_t line = -1;  // -1: not an export
  int32_t jd = -1;
  int32_t magnitude = -1;
  int32_t band = -1;
  int32_t uncertainty = -1;  // -1: the export has no Uncertainty column
  int32_t columns = 0;
  std::vector<std::string> names{};
};

AavsoHeader FindHeader(const TextLines& lines) {
  AavsoHeader header;
  std::vector<std::string_view> fields;
  for (size_t i = 0; i < lines.size() && i < 20; ++i) {
    if (IsBlankLine(lines[i])) continue;
    for (FieldSeparator separator :
         {FieldSeparator::Commas, FieldSeparator::Tabs, FieldSeparator::Semicolons}) {
      SplitFields(lines[i], separator, fields);
      AavsoHeader found{.separator = separator, .line = static_cast<int32_t>(i)};
      for (size_t c = 0; c < fields.size(); ++c) {
        const auto column = static_cast<int32_t>(c);
        if (SameName(fields[c], "JD") && found.jd < 0) found.jd = column;
        if (SameName(fields[c], "Magnitude") && found.magnitude < 0) found.magnitude = column;
        if (SameName(fields[c], "Band") && found.band < 0) found.band = column;
        if (SameName(fields[c], "Uncertainty") && found.uncertainty < 0) found.uncertainty = column;
        found.names.emplace_back(fields[c]);
      }
      found.columns = static_cast<int32_t>(fields.size());
      if (found.jd >= 0 && found.magnitude >= 0 && found.band >= 0) return found;
    }
    if (!IsCommentLine(lines[i])) break;  // the header is the first line that is not a comment
  }
  return header;
}

class AavsoFormat : public ImportFormat {
 public:
  std::string_view Name() const override { return "AAVSO export"; }

  bool Recognises(std::string_view, std::string_view head) const override {
    const TextLines lines(head);
    return FindHeader(lines).line >= 0;
  }

  ImportPreview Inspect(const Input& input, std::string_view shownName,
                        const ImportOptions& options) const override {
    CheckText(input.bytes, shownName);
    const TextLines lines(input.bytes);
    const AavsoHeader header = Header(lines, shownName);
    // The bands in the order they first come, with their rows.
    std::vector<std::pair<std::string, int64_t>> bands;
    ForEachRow(lines, header.separator, header.line + 1, header.columns, shownName,
               [&](std::span<const std::string_view> fields, size_t) {
                 const std::string_view band = fields[static_cast<size_t>(header.band)];
                 auto known =
                     std::find_if(bands.begin(), bands.end(), [&](const auto& b) { return b.first == band; });
                 if (known == bands.end())
                   bands.emplace_back(band, 1);
                 else
                   ++known->second;
               });
    ImportPreview preview;
    preview.format = std::string(Name());
    preview.columnNames = header.names;
    PreviewLines(lines, header.separator, header.line + 1, kPreviewLines, preview);
    preview.bands = bands;
    preview.layout.push_back("AAVSO International Database export, separated by " +
                             std::string(SeparatorName(header.separator)));
    preview.layout.push_back(std::string("Columns used: JD, Magnitude, ") +
                             (header.uncertainty >= 0 ? "Uncertainty, " : "") +
                             "Band; fainter-than estimates are left out");
    preview.options = options;
    if (!preview.options.timeScale) preview.options.timeScale = TimeScale::Jd;  // the AID's JD is UTC
    if (!preview.options.band && !bands.empty()) {
      // The band with the most observations (the first of equals).
      preview.options.band = std::max_element(bands.begin(), bands.end(), [](const auto& a, const auto& b) {
                               return a.second < b.second;
                             })->first;
    }
    return preview;
  }

  Rows Read(const Input& input, std::string_view shownName, const ImportOptions& options) const override {
    std::string band;
    if (options.band) {
      band = *options.band;
    } else {
      // The bands counted on the same bytes: the input is read once.
      const ImportPreview preview = Inspect(input, shownName, options);
      if (preview.bands.size() > 1) {
        std::string names;
        for (const auto& [name, count] : preview.bands) names += (names.empty() ? "" : ", ") + name;
        throw InputError(std::string(shownName) + " holds the bands " + names +
                         "; choose one (mixing bands is wrong). Nothing loaded.");
      }
      band = preview.options.band.value_or("");
    }
    CheckText(input.bytes, shownName);
    const TextLines lines(input.bytes);
    const AavsoHeader header = Header(lines, shownName);
    Rows rows;
    int64_t otherBands = 0;
    int64_t fainter = 0;
    int64_t notNumbers = 0;
    ForEachRow(lines, header.separator, header.line + 1, header.columns, shownName,
               [&](std::span<const std::string_view> fields, size_t) {
                 if (fields[static_cast<size_t>(header.band)] != band) {
                   ++otherBands;
                   return;
                 }
                 const std::string_view magnitudeField = fields[static_cast<size_t>(header.magnitude)];
                 if (!magnitudeField.empty() && magnitudeField.front() == '<') {
                   ++fainter;
                   return;
                 }
                 long double time = 0;
                 long double magnitude = 0;
                 if (!FieldNumber(fields[static_cast<size_t>(header.jd)], time, false) ||
                     !FieldNumber(magnitudeField, magnitude, false)) {
                   ++notNumbers;
                   return;
                 }
                 rows.time.push_back(time);
                 rows.value.push_back(magnitude);
                 if (header.uncertainty >= 0) {
                   // Visual estimates leave it empty: NaN, and the import then leaves the errors out.
                   long double uncertainty = 0;
                   rows.error.push_back(
                       FieldNumber(fields[static_cast<size_t>(header.uncertainty)], uncertainty, false)
                           ? uncertainty
                           : std::numeric_limits<long double>::quiet_NaN());
                 }
               });
    std::string note = std::string(shownName) + ": band " + band + ", " + std::to_string(rows.time.size()) +
                       (rows.time.size() == 1 ? " observation" : " observations");
    AddLeftOutClause(note, otherBands, "in other bands");
    AddLeftOutClause(note, fainter, "fainter-than estimate", "fainter-than estimates");
    if (notNumbers > 0)
      note += "; " + std::to_string(notNumbers) + (notNumbers == 1 ? " row" : " rows") +
              " whose time or magnitude is not a number skipped";
    rows.notes.push_back(note + ".");
    return rows;
  }

 private:
  static AavsoHeader Header(const TextLines& lines, std::string_view shownName) {
    const AavsoHeader header = FindHeader(lines);
    if (header.line < 0)
      throw InputError(std::string(shownName) +
                       " has no AAVSO header (JD, Magnitude, Band). Nothing loaded.");
    return header;
  }
};

}  // namespace

const ImportFormat& AavsoExport() {
  static const AavsoFormat format;
  return format;
}

}  // namespace ombrane::io
