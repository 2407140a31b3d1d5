#include "Table.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <stdexcept>
#include <string>

#include "Batch.h"
#include "CommandLine.h"

namespace ombrane::batch {
namespace {

// The command of `arguments`, parsed into `invocation`, checked to be one that makes a table of
// the files given apart from the arguments.
const Command& TableCommand(std::span<const std::string> arguments, std::vector<std::string_view>& words,
                            Invocation& invocation) {
  words.assign(arguments.begin(), arguments.end());
  const Command& command = ParseCommandLine(words, invocation);
  if (!command.readsFiles)
    throw UsageError(std::string(command.name).append(" reads no photometry files: it makes no table"));
  if (!invocation.operands.empty())
    throw UsageError("the file is given apart from the arguments, not among them: " +
                     Quoted(invocation.operands.front()));
  for (const OptionSpec& option : kRunOptions)
    if (invocation.Has(option.name))
      throw UsageError(std::string(option.name).append(" belongs to the batch's command line, not to a row"));
  return command;
}

// A number as JSON writes it: the text when it is one (the program writes finite numbers as
// [-]digits[.digits][e[-]digits]), else null for nothing and a string for anything else.
bool JsonNumber(std::string_view text) {
  size_t i = text.starts_with('-') ? 1 : 0;
  if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != 'e' && c != 'E' && c != '-' &&
        c != '+')
      return false;
  }
  return true;
}

std::string JsonString(const std::string& text) {
  // A path that is not UTF-8 keeps its place: the bytes that are not are replaced.
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string CsvValue(const std::string& value) {
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

}  // namespace

const std::string* TableRow::Value(std::string_view column) const {
  for (const TableField& field : fields)
    if (field.name == column) return &field.value;
  return nullptr;
}

std::vector<std::string> TableColumns(std::span<const std::string> arguments) {
  std::vector<std::string_view> words;
  Invocation invocation;
  const Command& command = TableCommand(arguments, words, invocation);
  std::vector<std::string> columns;
  TableRun run{.emit =
                   [&columns](TableRow&& row) {
                     for (const TableField& field : row.fields) columns.push_back(field.name);
                     return true;
                   },
               .columnsOnly = true,
               .echoMessages = false};
  ScopedTableRun scope(run);
  command.run(invocation);
  return columns;
}

TableRow TableRowOf(std::span<const std::string> arguments, const std::string& path) {
  std::vector<std::string_view> words;
  Invocation invocation;
  const Command& command = TableCommand(arguments, words, invocation);
  invocation.operands = {path};
  TableRow result;
  bool made = false;
  TableRun run{.emit =
                   [&](TableRow&& row) {
                     result = std::move(row);
                     made = true;
                     return true;
                   },
               .columnsOnly = false,
               .echoMessages = false};
  ScopedTableRun scope(run);
  command.run(invocation);
  if (!made) throw std::logic_error(std::string(command.name).append(" made no row of ").append(path));
  return result;
}

std::string TableCsvHeader(const std::vector<std::string>& columns) {
  std::string line;
  for (const std::string& column : columns) line.append(line.empty() ? "" : ",").append(CsvValue(column));
  return line;
}

std::string TableCsvLine(const TableRow& row) {
  std::string line;
  for (size_t i = 0; i < row.fields.size(); ++i)
    line.append(i == 0 ? "" : ",").append(CsvValue(row.fields[i].value));
  return line;
}

std::string TableJsonLine(const TableRow& row) {
  std::string line = "{";
  for (size_t i = 0; i < row.fields.size(); ++i) {
    const TableField& field = row.fields[i];
    line.append(i == 0 ? "" : ",").append(JsonString(field.name)).append(":");
    if (field.number && field.value.empty())
      line.append("null");
    else if (field.number && JsonNumber(field.value))
      line.append(field.value);
    else
      line.append(JsonString(field.value));
  }
  line.append("}");
  return line;
}

}  // namespace ombrane::batch
