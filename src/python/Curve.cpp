// LightCurve: loading a file (the load service, with the import options of the batch) or
// arrays, the observations as numpy arrays, and the fold at one period.
#include "Curve.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include "common/InputError.h"
#include "common/TextToFloat.h"
#include "phase/Fold.h"
#include "services/LoadFile.h"
#include "store/TimeScale.h"

namespace ombrane::python {
namespace {

// The lines joined into one message.
std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text.append(text.empty() ? "" : "\n").append(line);
  return text;
}

// One of `names` (each with the value it stands for), or InputError naming the choices.
template <typename Value>
Value Named(const char* option, const std::string& given,
            std::initializer_list<std::pair<const char*, Value>> names, const char* choices) {
  for (const auto& [name, value] : names)
    if (given == name) return value;
  throw InputError(
      std::string(option).append(": '").append(given).append("' is not one of ").append(choices));
}

// A column counted from 1.
int32_t Column(const char* option, long long column) {
  if (column < 1 || column > INT32_MAX)
    throw InputError(
        std::string(option).append(" counts the columns from 1, not ").append(std::to_string(column)));
  return static_cast<int32_t>(column - 1);
}

// Warns in Python (warnings.warn) of each line; the GIL is held.
void Warn(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (PyErr_WarnEx(PyExc_UserWarning, line.c_str(), 2) != 0) throw py::error_already_set();
}

// The scale of the times as the user names it (jd, hjd or bjd_tdb, any case); nothing for None.
std::optional<TimeScale> ScaleOf(const std::optional<std::string>& name) {
  if (!name) return std::nullopt;
  if (const std::optional<TimeScale> scale = ParseTimeScale(*name)) return scale;
  throw InputError("time_scale must be jd, hjd or bjd_tdb, not '" + *name + "'");
}

std::shared_ptr<Loaded> ReadFile(const std::string& path, const std::optional<io::ImportOptions>& options,
                                 bool pairs, std::optional<TimeScale> timeScale) {
  auto loaded = std::make_shared<Loaded>();
  loaded->path = path;
  const std::string shown = path == "-" ? std::string("standard input") : path;
  const std::string name = std::filesystem::path(path).filename().string();
  LoadReport report;
  {
    py::gil_scoped_release release;
    report = LoadFile(
        {.path = path, .fileName = name.empty() ? path : name, .shownName = shown, .importOptions = options,
         .timeScale = timeScale},
        loaded->data, loaded->star, loaded->view);
  }
  const PhotometryReadResult& read = report.read;
  loaded->format = report.format;
  loaded->notes = report.Notes();
  loaded->partial = read.partial;
  if (!read.opened) throw InputError(Joined(read.messages));
  // A table of three or more columns read two numbers at a time pairs a time with an error:
  // refused as the batch refuses it, unless the numbers really are pairs.
  if (read.columnsMixed && !pairs)
    throw InputError(shown +
                     ": every line holds three or more numbers, so it is not read as pairs; columns=(T, M) "
                     "reads the two columns you choose, pairs=True reads the numbers two at a time.");
  if (loaded->data.pointCount < 1) throw InputError("No observations in " + shown + ".");
  Warn(loaded->notes);
  return loaded;
}

// 1-D float64 values of an argument, with its name for messages.
std::vector<long double> Values(const py::array_t<double, py::array::forcecast>& array, const char* name) {
  if (array.ndim() != 1) throw InputError(std::string(name) + " must be a one-dimensional array");
  const auto view = array.unchecked<1>();
  std::vector<long double> values(static_cast<size_t>(view.shape(0)));
  for (py::ssize_t i = 0; i < view.shape(0); ++i) values[static_cast<size_t>(i)] = view(i);
  return values;
}

std::shared_ptr<Loaded> FromArrays(const py::array_t<double, py::array::forcecast>& time,
                                   const py::array_t<double, py::array::forcecast>& mag,
                                   const std::optional<py::array_t<double, py::array::forcecast>>& error,
                                   const std::string& name, TimeScale timeScale) {
  const std::vector<long double> t = Values(time, "time");
  const std::vector<long double> m = Values(mag, "mag");
  std::vector<long double> e;
  if (error) e = Values(*error, "error");
  if (m.size() != t.size() || (error && e.size() != t.size()))
    throw InputError("time, mag and error must be as long as each other");
  if (t.empty()) throw InputError("No observations in " + name + ".");
  io::ImportResult imported;
  imported.format = "Arrays";
  imported.timeScale = timeScale;
  imported.observations.resize(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    if (!std::isfinite(t[i]) || !std::isfinite(m[i]))
      throw InputError("time and mag must be finite numbers; observation " + std::to_string(i) + " is not");
    if (error && !(std::isfinite(e[i]) && e[i] > 0))
      throw InputError("every error must be a positive finite number; observation " + std::to_string(i) +
                       "'s is not");
    imported.observations[i] = {t[i], m[i], error ? e[i] : 0};
  }
  auto loaded = std::make_shared<Loaded>();
  LoadReport report;
  {
    py::gil_scoped_release release;
    report = LoadImported(imported, name, name, loaded->data, loaded->star, loaded->view);
  }
  loaded->format = "";
  loaded->notes = report.Notes();
  loaded->partial = report.read.partial;
  Warn(loaded->notes);
  return loaded;
}

// The result of a fold, as the Python class Fold.
struct FoldResult {
  double period = 0;
  double epoch = 0;
  py::array_t<double> phase;   // of every observation, in file order
  py::array_t<int64_t> order;  // the observations in ascending phase (equal phases in file order)
  double stringLength = 0;
  std::optional<double> aov;             // Θ, not scaled
  std::optional<std::string> undefined;  // why Θ has no value
};

FoldResult Fold(const Curve& curve, const py::object& periodGiven, const py::object& epochGiven) {
  const long double period = NumberOf(periodGiven);
  const std::optional<long double> epoch = OptionalNumberOf(epochGiven);
  if (!(period > 0)) throw InputError("The period must be greater than 0.");
  Working w(curve.loaded());
  if (epoch) w.star->epoch = *epoch;
  w.star->period = period;
  AovValue aov;
  {
    py::gil_scoped_release release;
    // The numbers of the period box: the fold, its string length (marked pairs left out; a
    // fresh load marks none) and the AoV statistic over ten bins.
    FoldPhases(*w.data, *w.star, period);
    FoldStringLength(*w.data, *w.star);
    aov = AovStatisticIfDefined(*w.data);
  }
  const Data& data = *w.data;
  const auto n = static_cast<size_t>(RealCount(data));
  FoldResult result;
  result.period = static_cast<double>(period);
  result.epoch = static_cast<double>(w.star->epoch);
  result.phase = ArrayOf(n, [&](size_t i) { return data.entryPhase[i]; });
  std::vector<int64_t> order;
  order.reserve(n);
  for (int32_t p = 0; p < data.pointCount; ++p)
    if (data.sortIndex[p] < RepeatIndex(data)) order.push_back(data.sortIndex[p]);
  result.order = py::array_t<int64_t>(static_cast<py::ssize_t>(order.size()), order.data());
  result.stringLength = static_cast<double>(w.star->stringLength);
  if (aov.defined())
    result.aov = aov.theta;
  else
    result.undefined = AovUndefinedReason(aov.undefined);
  return result;
}

}  // namespace

long double NumberOf(const py::handle& value) {
  if (py::isinstance<py::str>(value)) return TextToFloat(value.cast<std::string>(), '.');
  return value.cast<double>();
}

std::optional<long double> OptionalNumberOf(const py::object& value) {
  if (value.is_none()) return std::nullopt;
  return NumberOf(value);
}

std::optional<io::ImportOptions> ImportOptionsOf(const ReadChoices& c) {
  const bool any = c.columns || c.errorColumn || c.skip || c.separator || c.band || c.flux || c.zeroPoint ||
                   c.timeOffset || c.values || c.bin;
  if (!any) return std::nullopt;
  io::ImportOptions options;
  if (c.columns) {
    options.timeColumn = Column("columns", c.columns->first);
    options.magColumn = Column("columns", c.columns->second);
  }
  if (c.errorColumn) {
    if (py::isinstance<py::str>(*c.errorColumn)) {
      if (c.errorColumn->cast<std::string>() != "none")
        throw InputError("error_column is a column counted from 1, or 'none'");
      options.errorColumn = -1;
    } else {
      options.errorColumn = Column("error_column", c.errorColumn->cast<long long>());
    }
  }
  if (c.skip) {
    if (*c.skip < 0) throw InputError("skip must be 0 or more lines");
    options.skipLines = *c.skip;
  }
  if (c.separator)
    options.separator = Named<io::FieldSeparator>("separator", *c.separator,
                                                  {{"blanks", io::FieldSeparator::Blanks},
                                                   {"tabs", io::FieldSeparator::Tabs},
                                                   {"commas", io::FieldSeparator::Commas},
                                                   {"semicolons", io::FieldSeparator::Semicolons}},
                                                  "blanks, tabs, commas, semicolons");
  options.band = c.band;
  if (c.flux)
    options.flux = Named<io::FluxColumn>(
        "flux", *c.flux, {{"pdcsap", io::FluxColumn::Pdcsap}, {"sap", io::FluxColumn::Sap}}, "pdcsap, sap");
  options.zeroPoint = c.zeroPoint;
  options.timeOffset = c.timeOffset;
  if (c.values)
    options.valuesAreFlux =
        Named<bool>("values", *c.values, {{"flux", true}, {"magnitudes", false}}, "flux, magnitudes");
  if (c.bin) {
    if (py::isinstance<py::str>(*c.bin)) {
      if (c.bin->cast<std::string>() != "auto") throw InputError("bin is 'auto' or a count of cadences");
      options.binning = io::Binning::Auto;
    } else {
      const long long cadences = c.bin->cast<long long>();
      if (cadences < 1 || cadences > INT32_MAX) throw InputError("bin must be 1 or more cadences");
      options.binning = io::Binning::Cadences;
      options.binCadences = static_cast<int32_t>(cadences);
    }
  }
  return options;
}

void BindCurve(py::module_& m) {
  py::class_<FoldResult>(m, "Fold", "A fold at one period.")
      .def_readonly("period", &FoldResult::period)
      .def_readonly("epoch", &FoldResult::epoch, "the epoch of phase 0 (Julian Day)")
      .def_readonly("phase", &FoldResult::phase, "the phase of every observation in [0, 1), in file order")
      .def_readonly("order", &FoldResult::order,
                    "the observations' indexes in ascending phase (equal phases in file order)")
      .def_readonly("string_length", &FoldResult::stringLength,
                    "the string length of the folded curve (Dworetsky 1983)")
      .def_readonly("aov", &FoldResult::aov,
                    "the AoV statistic over ten phase bins (the window's label shows it x 10^8), or None")
      .def_readonly("aov_undefined", &FoldResult::undefined, "why the AoV statistic has no value, or None")
      .def("__repr__", [](const FoldResult& f) {
        return "<ombrane.Fold period=" + py::repr(py::float_(f.period)).cast<std::string>() +
               " string_length=" + py::repr(py::float_(f.stringLength)).cast<std::string>() + ">";
      });

  py::class_<Curve>(m, "LightCurve",
                    "The observations of one star, loaded once; every method works on them as the "
                    "load left them.")
      .def(py::init([](const py::array_t<double, py::array::forcecast>& time,
                       const py::array_t<double, py::array::forcecast>& mag,
                       const std::optional<py::array_t<double, py::array::forcecast>>& error,
                       const std::string& name, const std::string& timeScale) {
             return Curve(FromArrays(time, mag, error, name, *ScaleOf(timeScale)));
           }),
           py::arg("time"), py::arg("mag"), py::arg("error") = py::none(), py::arg("name") = "arrays",
           py::arg("time_scale") = "jd",
           "Observations from arrays: the times (Julian Days), the magnitudes and optionally their "
           "errors (sigma), in the time scale `time_scale` (jd, hjd or bjd_tdb). Stored as an import "
           "stores them. float64 holds a Julian Day to about 40 microseconds; read() parses a file's "
           "times exactly.")
      .def_property_readonly("time",
                             [](const Curve& c) {
                               const Data& d = c.loaded().data;
                               return ArrayOf(static_cast<size_t>(RealCount(d)),
                                              [&](size_t i) { return d.jd[i]; });
                             })
      .def_property_readonly("mag",
                             [](const Curve& c) {
                               const Data& d = c.loaded().data;
                               return ArrayOf(static_cast<size_t>(RealCount(d)),
                                              [&](size_t i) { return d.mag[i]; });
                             })
      .def_property_readonly(
          "error",
          [](const Curve& c) -> std::optional<py::array_t<double>> {
            const Data& d = c.loaded().data;
            if (!HasErrors(d)) return std::nullopt;
            return ArrayOf(static_cast<size_t>(RealCount(d)), [&](size_t i) { return d.magError[i]; });
          },
          "the magnitudes' errors, or None when the file gives none")
      .def_property_readonly("name", [](const Curve& c) { return c.loaded().data.fileName; })
      .def_property_readonly(
          "time_scale", [](const Curve& c) { return std::string(TimeScaleName(c.loaded().data.timeScale)); },
          "the scale of the times: 'JD', 'HJD' or 'BJD_TDB'")
      .def_property_readonly("path", [](const Curve& c) { return c.loaded().path; })
      .def_property_readonly(
          "format", [](const Curve& c) { return c.loaded().format; },
          "the importer's format, or '' for plain pairs and arrays")
      .def_property_readonly(
          "notes", [](const Curve& c) { return c.loaded().notes; },
          "what the load left out or assumed, one line each")
      .def_property_readonly(
          "partial", [](const Curve& c) { return c.loaded().partial; },
          "the file was read only in part (see notes)")
      .def("__len__", [](const Curve& c) { return RealCount(c.loaded().data); })
      .def("__repr__",
           [](const Curve& c) {
             return "<ombrane.LightCurve " + c.loaded().data.fileName + ": " +
                    std::to_string(RealCount(c.loaded().data)) + " observations>";
           })
      .def("fold", &Fold, py::arg("period"), py::arg("epoch") = py::none(),
           "Folds at `period` (days) about `epoch` (default 2450000), as the period box does. Numbers "
           "may be given as text, parsed in extended precision as ombrane-batch parses them.");

  m.def(
      "read",
      [](const std::string& path, std::optional<std::pair<int32_t, int32_t>> columns,
         std::optional<py::object> errorColumn, std::optional<int32_t> skip,
         std::optional<std::string> separator, std::optional<std::string> band,
         std::optional<std::string> flux, std::optional<double> zeroPoint, std::optional<double> timeOffset,
         std::optional<std::string> values, std::optional<py::object> bin, bool pairs,
         std::optional<std::string> timeScale) {
        const ReadChoices choices{.columns = columns,
                                  .errorColumn = std::move(errorColumn),
                                  .skip = skip,
                                  .separator = std::move(separator),
                                  .band = std::move(band),
                                  .flux = std::move(flux),
                                  .zeroPoint = zeroPoint,
                                  .timeOffset = timeOffset,
                                  .values = std::move(values),
                                  .bin = std::move(bin)};
        return Curve(ReadFile(path, ImportOptionsOf(choices), pairs, ScaleOf(timeScale)));
      },
      py::arg("path"), py::kw_only(), py::arg("columns") = py::none(), py::arg("error_column") = py::none(),
      py::arg("skip") = py::none(), py::arg("separator") = py::none(), py::arg("band") = py::none(),
      py::arg("flux") = py::none(), py::arg("zero_point") = py::none(), py::arg("time_offset") = py::none(),
      py::arg("values") = py::none(), py::arg("bin") = py::none(), py::arg("pairs") = false,
      py::arg("time_scale") = py::none(),
      "Reads a photometry file as ombrane-batch does: plain pairs of Julian Day and magnitude, an "
      "AAVSO export or a FITS light curve by itself, any other layout with the import options "
      "(columns=(T, M) counted from 1, error_column=K or 'none', skip=N, separator='blanks', "
      "'tabs', 'commas' or 'semicolons', band, flux='pdcsap' or 'sap', zero_point, "
      "time_offset, values='flux' or 'magnitudes', bin='auto' or K cadences), and time_scale "
      "('jd', 'hjd' or 'bjd_tdb', as the batch's --time-scale; by default what the file says, "
      "else JD). The times are "
      "parsed in extended precision. What the load left out is warned of (UserWarning) and "
      "kept in notes; a file that cannot be read raises InputError.");
}

}  // namespace ombrane::python
