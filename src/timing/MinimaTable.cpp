#include "timing/MinimaTable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>

#include "common/InputError.h"
#include "common/QuotedText.h"
#include "io/TextTable.h"

namespace ombrane {

namespace {

enum class Column { Time, Error, Kind, Cycle, Scale, Other };

std::string Lowered(std::string_view text) {
  std::string lowered;
  for (char c : text)
    if (c != '"' && c != ' ' && c != '\t')
      lowered += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered;
}

Column ColumnOfName(std::string_view name) {
  const std::string n = Lowered(name);
  auto any = [&](std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), n) != names.end();
  };
  if (any({"time", "hjd", "bjd", "bjd_tdb", "jd", "minimum", "tmin"})) return Column::Time;
  if (any({"error", "err", "sigma", "uncertainty", "time_error", "e_time"})) return Column::Error;
  if (any({"type", "kind"})) return Column::Kind;
  if (any({"cycle", "epoch_number", "e"})) return Column::Cycle;
  if (any({"time_scale", "scale", "timescale"})) return Column::Scale;
  return Column::Other;
}

std::optional<MinimumKind> KindOfField(std::string_view field) {
  const std::string f = Lowered(field);
  if (f == "p" || f == "primary" || f == "i" || f == "1" || f == "pri") return MinimumKind::Primary;
  if (f == "s" || f == "secondary" || f == "ii" || f == "2" || f == "sec") return MinimumKind::Secondary;
  return std::nullopt;
}

std::string Where(std::string_view shownName, size_t line) {
  std::string where(shownName);
  where.append(" line ").append(std::to_string(line)).append(": ");
  return where;
}

// The scale a time column's name says: "hjd", "bjd", "bjd_tdb", "jd"; nothing for "time".
std::optional<TimeScale> ScaleOfTimeName(std::string_view name) {
  const std::string n = Lowered(name);
  if (n == "time" || n == "minimum" || n == "tmin") return std::nullopt;
  return ParseTimeScale(n);
}

}  // namespace

std::vector<TimedMinimum> ReadMinimaTable(std::string_view text, std::string_view shownName,
                                          std::optional<TimeScale>* scale) {
  io::CheckText(text, shownName);
  const io::TextLines lines(text);
  std::vector<std::string_view> fields;
  std::array<std::optional<size_t>, 5> columns;  // Time, Error, Kind, Cycle, Scale
  std::optional<TimeScale> tableScale;
  bool header = false;
  std::vector<TimedMinimum> minima;
  for (size_t l = 0; l < lines.size(); ++l) {
    const std::string_view line = lines[l];
    if (io::IsBlankLine(line) || io::IsCommentLine(line)) continue;
    io::SplitFields(line, io::FieldSeparator::Commas, fields);
    if (!header) {
      for (size_t c = 0; c < fields.size(); ++c) {
        const Column column = ColumnOfName(fields[c]);
        if (column != Column::Other && !columns[static_cast<size_t>(column)])
          columns[static_cast<size_t>(column)] = c;
      }
      if (!columns[0])
        throw InputError(Where(shownName, l + 1) +
                         "the header names no time column (time, hjd, bjd or jd; with error, type, cycle)");
      tableScale = ScaleOfTimeName(fields[*columns[0]]);
      header = true;
      continue;
    }
    auto field = [&](size_t column) -> std::string_view {
      const std::optional<size_t> index = columns[column];
      if (!index || *index >= fields.size()) return {};
      std::string_view f = fields[*index];
      while (!f.empty() && (f.front() == ' ' || f.front() == '\t')) f.remove_prefix(1);
      while (!f.empty() && (f.back() == ' ' || f.back() == '\t')) f.remove_suffix(1);
      return f;
    };
    auto number = [&](size_t column, std::string_view what) -> std::optional<long double> {
      const std::string_view f = field(column);
      if (f.empty()) return std::nullopt;
      long double value = 0;
      if (!io::FieldNumber(f, value, false))
        throw InputError(Where(shownName, l + 1) + "the " + std::string(what) + " " + QuotedText(f) +
                         " is not a number");
      return value;
    };
    TimedMinimum minimum;
    const std::optional<long double> time = number(0, "time");
    if (!time) throw InputError(Where(shownName, l + 1) + "the time is missing");
    minimum.time = *time;
    if (const std::optional<long double> error = number(1, "error")) {
      if (*error < 0) throw InputError(Where(shownName, l + 1) + "the error must not be negative");
      minimum.error = *error;
    }
    if (const std::string_view kind = field(2); !kind.empty()) {
      minimum.kind = KindOfField(kind);
      if (!minimum.kind)
        throw InputError(Where(shownName, l + 1) + "the type " + QuotedText(kind) + " is neither P nor S");
    }
    minimum.cycle = number(3, "cycle");
    if (const std::string_view named = field(4); !named.empty()) {
      const std::optional<TimeScale> rowScale = ParseTimeScale(named);
      if (!rowScale)
        throw InputError(Where(shownName, l + 1) + "the time scale " + QuotedText(named) +
                         " is not JD, HJD or BJD_TDB");
      if (tableScale && *tableScale != *rowScale)
        throw InputError(Where(shownName, l + 1) + "a time in " + std::string(TimeScaleName(*rowScale)) +
                         " among times in " + std::string(TimeScaleName(*tableScale)) +
                         "; convert them to one scale before fitting");
      tableScale = rowScale;
    }
    minima.push_back(minimum);
  }
  if (!header) throw InputError(std::string(shownName) + ": no header line (time, error, type, cycle)");
  if (scale != nullptr) *scale = tableScale;
  return minima;
}

std::vector<TimedMinimum> ReadMinimaFile(const std::string& path, std::string_view shownName,
                                         std::optional<TimeScale>* scale) {
  return ReadMinimaTable(io::ReadTextFile(path, shownName, size_t{64} << 20), shownName, scale);
}

}  // namespace ombrane
