// LightCurve.fourier: the Fourier fit of the window and the batch (the harmonics chosen by
// significance, or a given count), with every harmonic's coefficients, amplitude, phase and
// Fourier parameters and their errors as numpy arrays.
#include <pybind11/stl.h>

#include "Curve.h"
#include "common/InputError.h"
#include "fit/FourierPresentation.h"
#include "phase/FoldPresentation.h"

namespace ombrane::python {
namespace {

struct FitResult {
  double period = 0;
  int32_t harmonics = 0;
  bool weighted = false;
  double sigma = 0;
  double a0 = 0, a0Error = 0;
  // Per harmonic k = 1 .. n: a_k sin(k w t) + b_k cos(k w t) = A_k sin(k w t + phi_k), t the
  // Julian Day (the phases count from Julian Day 0).
  py::array_t<double> sine, sineError, cosine, cosineError;
  py::array_t<double> amplitude, amplitudeError, phase, phaseError;
  // Per harmonic k = 2 .. n: R_k1 = A_k / A_1 and phi_k1 = phi_k - k phi_1 in [0, 2 pi).
  py::array_t<double> ratio, ratioError, phaseDifference, phaseDifferenceError;
  py::array_t<double> fitted;  // the fitted magnitude of every observation
  int32_t clipped = 0;         // the automatic fit: observations beyond 2.5 sigma, marked after it
  double maximumX = 0, maximumMag = 0, minimumX = 0, minimumMag = 0, risingTime = 0;
  std::vector<std::string> lines;  // the notes pane's lines
};

FitResult Fourier(const Curve& curve, double period, std::optional<int> harmonics,
                  std::optional<double> epoch, bool weighted) {
  if (!(period > 0)) throw InputError("The period must be greater than 0.");
  Working w(curve.loaded());
  Data& data = *w.data;
  Star& star = *w.star;
  if (epoch) star.epoch = *epoch;
  FitResult result;
  result.period = static_cast<double>(period);
  FitOutcome outcome;
  int32_t leftOutBefore = 0;
  {
    py::gil_scoped_release release;
    // As the batch's fourier: the period box's fold (its picture is the fit's background),
    // then the fit of the NJD button or of the "sin" button with the count given.
    star.period = period;
    FoldOutcome fold;
    RunFold(data, star, *w.view, w.chart, FoldRequest{.axis = PhaseAxis::Phase, .separator = '.'}, fold);
    const FitRequest request{.axis = PhaseAxis::Phase,
                             .linesToNotes = true,
                             .fourierFile = false,
                             .dataFile = false,
                             .openFiles = false,
                             .separator = '.',
                             .weighted = weighted};
    const FitSink sink{
        .note = [&](const std::string& line) { result.lines.push_back(line); }, .open = {}, .append = {}};
    leftOutBefore = PointsLeftOut(data);
    if (harmonics)
      RunFixedFit(std::to_string(*harmonics), data, star, *w.view, w.chart, request, sink, outcome);
    else
      RunAutomaticFit(data, star, *w.view, w.chart, request, sink, outcome);
  }
  const HarmonicFit& fit = *outcome.fit;
  const auto n = static_cast<size_t>(fit.harmonics);
  result.harmonics = fit.harmonics;
  result.weighted = fit.weighted;
  result.sigma = static_cast<double>(fit.sigma);
  const FourierResults& kept = star.fourierResults;
  result.a0 = static_cast<double>(kept.a0.value);
  result.a0Error = static_cast<double>(kept.a0.error);
  std::vector<SineCosineTerms> raw(n);
  std::vector<HarmonicTerms> terms(n);
  std::vector<FourierParameter> parameters(n > 1 ? n - 1 : 0);
  for (size_t k = 1; k <= n; ++k) {
    const auto h = static_cast<int32_t>(k);
    raw[k - 1] = SineCosineCoefficients(fit, h);
    terms[k - 1] = AmplitudePhase(fit, h, PowerForm::Product);  // as the pane's lines
    if (k >= 2) parameters[k - 2] = FourierParameters(fit, h);
  }
  result.sine = ArrayOf(n, [&](size_t i) { return raw[i].sine; });
  result.sineError = ArrayOf(n, [&](size_t i) { return raw[i].sineError; });
  result.cosine = ArrayOf(n, [&](size_t i) { return raw[i].cosine; });
  result.cosineError = ArrayOf(n, [&](size_t i) { return raw[i].cosineError; });
  result.amplitude = ArrayOf(n, [&](size_t i) { return terms[i].amplitude; });
  result.amplitudeError = ArrayOf(n, [&](size_t i) { return terms[i].amplitudeError; });
  result.phase = ArrayOf(n, [&](size_t i) { return terms[i].phase; });
  result.phaseError = ArrayOf(n, [&](size_t i) { return terms[i].phaseError; });
  const size_t m = parameters.size();
  result.ratio = ArrayOf(m, [&](size_t i) { return parameters[i].ratio; });
  result.ratioError = ArrayOf(m, [&](size_t i) { return parameters[i].ratioError; });
  result.phaseDifference = ArrayOf(m, [&](size_t i) { return parameters[i].phaseDifference; });
  result.phaseDifferenceError = ArrayOf(m, [&](size_t i) { return parameters[i].phaseDifferenceError; });
  result.fitted = ArrayOf(static_cast<size_t>(RealCount(data)), [&](size_t i) { return data.fitMag[i]; });
  result.clipped = PointsLeftOut(data) - leftOutBefore;
  if (outcome.extremes) {
    const FitExtremes& e = *outcome.extremes;
    result.maximumX = static_cast<double>(e.maximumX);
    result.maximumMag = static_cast<double>(e.maximumMag);
    result.minimumX = static_cast<double>(e.minimumX);
    result.minimumMag = static_cast<double>(e.minimumMag);
    result.risingTime = static_cast<double>(e.risingTime);
  }
  return result;
}

}  // namespace

void BindFit(py::module_& m) {
  py::class_<FitResult>(m, "FourierFit",
                        "A Fourier series in time, y = A0 + sum of a_k sin(k w t) + b_k cos(k w t), w = 2 "
                        "pi / period, t the Julian Day; per-harmonic arrays hold k = 1 .. n, the Fourier "
                        "parameters k = 2 .. n.")
      .def_readonly("period", &FitResult::period)
      .def_readonly("harmonics", &FitResult::harmonics)
      .def_readonly("weighted", &FitResult::weighted, "weighed by 1/sigma^2 of the observations' errors")
      .def_readonly("sigma", &FitResult::sigma, "the residuals' standard deviation")
      .def_readonly("a0", &FitResult::a0, "the mean magnitude A0")
      .def_readonly("a0_error", &FitResult::a0Error)
      .def_readonly("sine", &FitResult::sine, "a_k")
      .def_readonly("sine_error", &FitResult::sineError)
      .def_readonly("cosine", &FitResult::cosine, "b_k")
      .def_readonly("cosine_error", &FitResult::cosineError)
      .def_readonly("amplitude", &FitResult::amplitude, "A_k = sqrt(a_k^2 + b_k^2)")
      .def_readonly("amplitude_error", &FitResult::amplitudeError)
      .def_readonly("phase", &FitResult::phase, "phi_k = atan2(b_k, a_k), radians")
      .def_readonly("phase_error", &FitResult::phaseError)
      .def_readonly("ratio", &FitResult::ratio, "R_k1 = A_k / A_1 for k = 2 .. n")
      .def_readonly("ratio_error", &FitResult::ratioError)
      .def_readonly("phase_difference", &FitResult::phaseDifference,
                    "phi_k1 = phi_k - k phi_1 in [0, 2 pi) for k = 2 .. n")
      .def_readonly("phase_difference_error", &FitResult::phaseDifferenceError)
      .def_readonly("fitted", &FitResult::fitted, "the fitted magnitude of every observation")
      .def_readonly(
          "clipped", &FitResult::clipped,
          "the automatic fit: observations beyond 2.5 sigma of it (a later fit would leave them out)")
      .def_readonly("maximum_phase", &FitResult::maximumX, "phase of maximum light of the fitted curve")
      .def_readonly("maximum_mag", &FitResult::maximumMag)
      .def_readonly("minimum_phase", &FitResult::minimumX, "phase of minimum light")
      .def_readonly("minimum_mag", &FitResult::minimumMag)
      .def_readonly("rising_time", &FitResult::risingTime, "minimum to maximum light, in cycles")
      .def_readonly("lines", &FitResult::lines, "the lines of the notes pane")
      .def("__repr__", [](const FitResult& f) {
        return "<ombrane.FourierFit period=" + py::repr(py::float_(f.period)).cast<std::string>() +
               " harmonics=" + std::to_string(f.harmonics) + ">";
      });

  auto curve = py::reinterpret_borrow<py::class_<Curve>>(m.attr("LightCurve"));
  curve.def("fourier", &Fourier, py::arg("period"), py::kw_only(), py::arg("harmonics") = py::none(),
            py::arg("epoch") = py::none(), py::arg("weighted") = false,
            "Fits a Fourier series at `period` as ombrane-batch fourier does: without `harmonics` the "
            "count is chosen by significance (every amplitude, phase, R_k1 and phi_k1 larger than its "
            "error) and the observations beyond 2.5 sigma are counted in `clipped`; with `harmonics` "
            "(0 to 49) that many are fitted. weighted=True weighs by the errors when the file gives them.");
}

}  // namespace ombrane::python
