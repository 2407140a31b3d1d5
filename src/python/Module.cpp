// The Python module: ombrane's loading, folds, period searches, Fourier fits and timing on the
// same core as the window and ombrane-batch. The program's errors arrive as Python exceptions
// with the program's messages: InputError (input refused, before anything changed),
// ConversionError (text that is not a number) and FloatingPointError (a fault of the
// arithmetic, with what went out of range in its `detail`), and UsageError for the batch's
// arguments of a result table.
#include <pybind11/pybind11.h>

#include "Curve.h"
#include "cli/Batch.h"
#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "common/TextToFloat.h"

namespace py = pybind11;

PYBIND11_MODULE(_ombrane, m) {
  m.doc() = "Ombrane's core for Python: light curves, folds, period searches, Fourier fits, timing.";
  static py::exception<ombrane::InputError> inputError(m, "InputError", PyExc_ValueError);
  static py::exception<ombrane::ConversionError> conversionError(m, "ConversionError", PyExc_ValueError);
  static py::exception<ombrane::FloatingPointError> floatingPointError(m, "FloatingPointError",
                                                                       PyExc_FloatingPointError);
  // Arguments ombrane-batch refuses, with its message: the result tables take the batch's words.
  static py::exception<ombrane::batch::UsageError> usageError(m, "UsageError", PyExc_ValueError);
  py::register_exception_translator([](std::exception_ptr raised) {
    try {
      if (raised) std::rethrow_exception(raised);
    } catch (const ombrane::InputError& error) {
      inputError(error.what());
    } catch (const ombrane::batch::UsageError& error) {
      usageError(error.what());
    } catch (const ombrane::ConversionError& error) {
      conversionError(error.what());
    } catch (const ombrane::FloatingPointError& error) {
      // The message is the fixed one of the fault; what went out of range is in `detail`.
      py::object exception = py::reinterpret_borrow<py::object>(floatingPointError.ptr())(error.what());
      exception.attr("detail") = error.detail();
      PyErr_SetObject(floatingPointError.ptr(), exception.ptr());
    }
  });
  ombrane::python::BindCurve(m);
  ombrane::python::BindSearch(m);
  ombrane::python::BindFit(m);
  ombrane::python::BindTiming(m);
  ombrane::python::BindTable(m);
}
