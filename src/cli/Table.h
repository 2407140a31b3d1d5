// Result tables of ombrane-batch: one row per photometry file (the file, its observations, their
// time span and time scale, the command's results, a status and the messages) instead of the
// window's lines. One function makes a file's row, and the batch, its shards, the Python module
// and a Dask run all call it, so their rows are the same text by construction.
//
// The row of a file is made in the calling thread; several threads may make rows at once.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ombrane::batch {

// One column of a row: its name, its value as text ("" when the file gave none), and whether it
// is a number (written bare in JSON, null when empty) or text (a JSON string).
struct TableField {
  std::string name;
  std::string value;
  bool number = false;
};

// A file's row. The columns are the same for every file of one command line, in this order:
//   file, n, span, time_scale, <the command's results>, status, message
// status is ok, partial (read only in part), refused (a file of three or more columns read as
// pairs), failed (the computation failed, or no observations) or unreadable; message holds the
// file's messages joined by "; ".
struct TableRow {
  std::vector<TableField> fields;
  bool failed = false;  // status is failed, refused or unreadable (results done before a fault stay)
  int exitCode = 0;     // the file's exit status in the batch (0, 1, 2 or 3; see --help)

  // The value of a column; nullptr when the row has no such column.
  const std::string* Value(std::string_view column) const;
};

// The columns of the table of a command line without its files: the command's name first, then
// its options, as words ({"search", "--method", "aov", "--min", "0.2", ...}). The batch-only
// options (--table, --output, --resume, --shard, --files-from) are not taken. Throws UsageError
// (Batch.h, a std::runtime_error) with the batch's message for arguments the batch refuses.
std::vector<std::string> TableColumns(std::span<const std::string> arguments);

// Runs the command of `arguments` (as for TableColumns) on the file `path` and returns its row.
// A file that cannot be read or whose computation fails gives a row with its status and
// messages, never an exception; bad arguments throw UsageError before the file is touched.
// Nothing is printed.
TableRow TableRowOf(std::span<const std::string> arguments, const std::string& path);

// The rows as text, without a line end. CSV (RFC 4180): a header line of the column names, then
// one line per row, a value quoted when it holds a comma, a quote or a line break. JSON Lines:
// one object per row with the columns as keys in column order.
std::string TableCsvHeader(const std::vector<std::string>& columns);
std::string TableCsvLine(const TableRow& row);
std::string TableJsonLine(const TableRow& row);

}  // namespace ombrane::batch
