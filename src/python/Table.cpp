// Result tables: a file's row made by the batch's own table code (cli/Table.h), so that the
// rows of Python and of a Dask run are the batch's rows, the same text by construction.
#include <pybind11/stl.h>

#include "Curve.h"
#include "cli/Table.h"

namespace ombrane::python {
namespace {

struct Row {
  std::vector<std::string> columns;
  std::vector<std::string> values;
  bool failed = false;
  int exitCode = 0;
  std::string csv;
  std::string json;
};

Row RowOf(const std::vector<std::string>& arguments, const std::string& path) {
  batch::TableRow row;
  {
    py::gil_scoped_release release;
    row = batch::TableRowOf(arguments, path);
  }
  Row result;
  for (const batch::TableField& field : row.fields) {
    result.columns.push_back(field.name);
    result.values.push_back(field.value);
  }
  result.failed = row.failed;
  result.exitCode = row.exitCode;
  result.csv = batch::TableCsvLine(row);
  result.json = batch::TableJsonLine(row);
  return result;
}

}  // namespace

void BindTable(py::module_& m) {
  py::class_<Row>(m, "TableRow", "A file's row of the batch's result table.")
      .def_readonly("columns", &Row::columns)
      .def_readonly("values", &Row::values, "every value as the batch writes it ('' for none)")
      .def_readonly("failed", &Row::failed, "the file could not be read or its computation failed")
      .def_readonly("exit_code", &Row::exitCode, "the file's exit status in the batch")
      .def_readonly("csv", &Row::csv, "the row as a line of the batch's CSV (no line end)")
      .def_readonly("json", &Row::json, "the row as a line of the batch's JSON Lines")
      .def("as_dict",
           [](const Row& r) {
             py::dict d;
             for (size_t i = 0; i < r.columns.size(); ++i) d[py::str(r.columns[i])] = r.values[i];
             return d;
           })
      .def("__repr__", [](const Row& r) { return "<ombrane.TableRow " + r.csv + ">"; });

  m.def(
      "table_columns",
      [](const std::vector<std::string>& arguments) { return batch::TableColumns(arguments); },
      py::arg("arguments"),
      "The columns of the batch's table for a command and its options as words: "
      "['search', '--method', 'aov', '--min', '0.2', ...]. UsageError for what the batch refuses.");
  m.def("table_row", &RowOf, py::arg("arguments"), py::arg("path"),
        "The row of the file `path` in the batch's table of the command `arguments` (as for "
        "table_columns). A file that cannot be read or computed gives a row with its status and "
        "message; bad arguments raise UsageError.");
  m.def("table_csv_header", &batch::TableCsvHeader, py::arg("columns"),
        "The CSV header line of the columns.");
}

}  // namespace ombrane::python
