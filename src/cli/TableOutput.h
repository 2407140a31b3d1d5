// Where the batch writes a result table: standard output, or a file appended to row by row
// through the program's append-only output, which a later run with --resume goes on with.
#pragma once

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "Table.h"

namespace ombrane::batch {

enum class TableFormat { Csv, Json };

class TableOutput {
 public:
  // To standard output (no path) or to the file `path`. A file that already holds rows is taken
  // only with `resume`: its rows name the files done, a last row cut short by a crash is cut
  // off, and its columns must be `columns` (UsageError otherwise, as for a file that holds rows
  // without `resume`). A file that cannot be read is a UsageError too.
  TableOutput(TableFormat format, std::vector<std::string> columns, std::optional<std::string> path,
              bool resume);

  // Whether the file already holds a row of `file`.
  bool Done(const std::string& file) const { return done_.contains(file); }

  // The CSV header, when the table has none yet. False, with the reason on standard error, when
  // the file cannot be written.
  bool Begin();

  // One row; false, with the reason on standard error, when it cannot be written (a row that
  // fails partway is cut back: the file holds whole rows only).
  bool Write(const TableRow& row);

 private:
  bool WriteLine(const std::string& line);
  void ReadExisting(bool resume);

  TableFormat format_;
  std::vector<std::string> columns_;
  std::optional<std::string> path_;
  bool hasHeader_ = false;
  std::unordered_set<std::string> done_;
};

}  // namespace ombrane::batch
