// The records of one light curve as the Python module holds them: loaded once (from a file by
// the load service, or from arrays), then copied into fresh working records for every
// operation, so that each fold, search, fit or timing starts from the store as the load left
// it, exactly as one run of ombrane-batch does, and no call changes what a later one sees.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "io/Import.h"
#include "store/Records.h"
#include "view/ChartModel.h"

namespace ombrane::python {

namespace py = pybind11;

// What a load produced; never changed afterwards.
struct Loaded {
  Data data;
  Star star;
  ViewState view;
  std::string path;                // as given ("" for arrays)
  std::string format;              // the importer's format; "" for plain pairs and arrays
  std::vector<std::string> notes;  // the importer's and the store's messages, in order
  bool partial = false;            // the file was read only in part
};

// Fresh records for one operation: a copy of the loaded ones, and a chart model the
// presentation steps draw into (the module shows no picture).
struct Working {
  explicit Working(const Loaded& loaded)
      : data(std::make_unique<Data>(loaded.data)),
        star(std::make_unique<Star>(loaded.star)),
        view(std::make_unique<ViewState>(loaded.view)) {}
  std::unique_ptr<Data> data;
  std::unique_ptr<Star> star;
  std::unique_ptr<ViewState> view;
  ChartModel chart;
};

// A light curve: the Python class LightCurve.
class Curve {
 public:
  explicit Curve(std::shared_ptr<const Loaded> loaded) : loaded_(std::move(loaded)) {}
  const Loaded& loaded() const { return *loaded_; }

 private:
  std::shared_ptr<const Loaded> loaded_;
};

// A float64 array of `n` values taken from `value(i)`.
template <typename Value>
py::array_t<double> ArrayOf(size_t n, Value value) {
  py::array_t<double> array(static_cast<py::ssize_t>(n));
  auto out = array.mutable_unchecked<1>();
  for (size_t i = 0; i < n; ++i) out(static_cast<py::ssize_t>(i)) = static_cast<double>(value(i));
  return array;
}

// A number given as a Python number, or as text parsed in extended precision as ombrane-batch
// parses its arguments ("0.3" is then 0.3 to 64 bits, where the float 0.3 holds 53).
// ConversionError for text that is not a number; nothing for None.
long double NumberOf(const py::handle& value);
std::optional<long double> OptionalNumberOf(const py::object& value);

// The import choices of read(): the options of the batch's file commands, by keyword.
struct ReadChoices {
  std::optional<std::pair<int32_t, int32_t>> columns;  // counted from 1
  std::optional<py::object> errorColumn;               // a column from 1, or "none"
  std::optional<int32_t> skip;
  std::optional<std::string> separator;
  std::optional<std::string> band;
  std::optional<std::string> flux;
  std::optional<long double> zeroPoint;
  std::optional<long double> timeOffset;
  std::optional<std::string> values;
  std::optional<py::object> bin;  // "auto" or a count of cadences
};

// The choices as the load service takes them; nothing when none is given. InputError for a
// choice that names nothing the importer knows.
std::optional<io::ImportOptions> ImportOptionsOf(const ReadChoices& choices);

// The module's parts, each adding its functions and classes.
void BindCurve(py::module_& m);
void BindSearch(py::module_& m);
void BindFit(py::module_& m);
void BindTiming(py::module_& m);
void BindTable(py::module_& m);

}  // namespace ombrane::python
