#include "TableOutput.h"

#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <utility>

#include "Batch.h"
#include "common/OutputFile.h"
#include "common/SystemError.h"

namespace ombrane::batch {
namespace {

// The first value of a CSV record (RFC 4180: quoted when it holds a comma, a quote or a line
// break, a quote doubled inside).
std::string FirstCsvValue(std::string_view record) {
  if (!record.starts_with('"')) return std::string(record.substr(0, record.find(',')));
  std::string value;
  for (size_t i = 1; i < record.size(); ++i) {
    if (record[i] == '"') {
      if (i + 1 < record.size() && record[i + 1] == '"') {
        value.push_back('"');
        ++i;
      } else {
        break;
      }
    } else {
      value.push_back(record[i]);
    }
  }
  return value;
}

// Whether a CSV text stops inside a quoted value (an odd count of quotes).
bool InsideQuotes(std::string_view text) {
  size_t quotes = 0;
  for (char c : text) quotes += c == '"' ? 1 : 0;
  return quotes % 2 == 1;
}

}  // namespace

TableOutput::TableOutput(TableFormat format, std::vector<std::string> columns,
                         std::optional<std::string> path, bool resume)
    : format_(format), columns_(std::move(columns)), path_(std::move(path)) {
  if (path_) ReadExisting(resume);
}

// Reads the rows a file already holds. A row is written with its line end in one append, so a
// row that lacks its line end was cut short (the run was killed while writing it): it does not
// count and is cut off, so that the next row starts on a line of its own.
void TableOutput::ReadExisting(bool resume) {
  const std::string& path = *path_;
  std::error_code missing;
  if (!std::filesystem::exists(path, missing)) return;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw UsageError("--output " + Quoted(path) + " cannot be read: " + SystemErrorText(errno));
  }
  const std::string header = TableCsvHeader(columns_);
  uint64_t position = 0;  // bytes read
  uint64_t whole = 0;     // bytes of whole rows
  std::string record;
  bool first = true;
  for (std::string line; std::getline(in, line);) {
    const bool ended = !in.eof();
    position += line.size() + (ended ? 1 : 0);
    if (!ended) break;
    record.append(line);
    if (format_ == TableFormat::Csv && InsideQuotes(record)) {
      record.push_back('\n');  // a quoted value goes on on the next line
      continue;
    }
    whole = position;
    if (!record.empty() && record.back() == '\r') record.pop_back();
    if (!resume)
      throw UsageError("--output " + Quoted(path) +
                       " already holds a table: --resume goes on with it, another name starts a new one");
    const std::string mismatch =
        "--output " + Quoted(path) + " holds a table of other columns than this command's";
    if (format_ == TableFormat::Csv) {
      if (first) {
        if (record != header) throw UsageError(mismatch);
        hasHeader_ = true;
      } else {
        done_.insert(FirstCsvValue(record));
      }
    } else {
      const nlohmann::ordered_json row = nlohmann::ordered_json::parse(record, nullptr, false);
      if (row.is_object()) {
        std::vector<std::string> keys;
        for (const auto& item : row.items()) keys.push_back(item.key());
        if (keys != columns_) throw UsageError(mismatch);
        if (row.contains("file") && row["file"].is_string()) done_.insert(row["file"].get<std::string>());
      }
    }
    first = false;
    record.clear();
  }
  if (position > whole) {
    if (!resume)
      throw UsageError("--output " + Quoted(path) +
                       " already holds a table: --resume goes on with it, another name starts a new one");
    if (::truncate(path.c_str(), static_cast<off_t>(whole)) != 0)
      throw UsageError("--output " + Quoted(path) +
                       ": its unfinished last row cannot be cut off: " + SystemErrorText(errno));
    PrintError(path + ": the last row was unfinished and is made again");
  }
}

bool TableOutput::WriteLine(const std::string& line) {
  if (!path_) {
    std::cout << line << '\n' << std::flush;
    return true;
  }
  std::string text = line;
  text.push_back('\n');
  const std::string reason = AppendToFile(*path_, text);
  if (reason.empty()) return true;
  std::cerr << "Could not write " << *path_ << ": " << reason << '\n' << std::flush;
  return false;
}

bool TableOutput::Begin() {
  if (format_ != TableFormat::Csv || hasHeader_) return true;
  hasHeader_ = true;
  return WriteLine(TableCsvHeader(columns_));
}

bool TableOutput::Write(const TableRow& row) {
  return WriteLine(format_ == TableFormat::Csv ? TableCsvLine(row) : TableJsonLine(row));
}

}  // namespace ombrane::batch
