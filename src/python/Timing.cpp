// Timing: the time of minimum of a stretch of the light curve (Kwee & van Woerden, as the
// window's button and the batch's minimum command time it), the time of one eclipse on arrays
// with honest errors, and the heliocentric and BJD_TDB corrections of times.
#include <pybind11/stl.h>

#include <cmath>
#include <variant>

#include "Curve.h"
#include "common/InputError.h"
#include "common/TextToFloat.h"
#include "timing/Barycentric.h"
#include "timing/EclipseTiming.h"
#include "timing/Heliocentric.h"
#include "timing/MinimumTimingPresentation.h"

namespace ombrane::python {
namespace {

// A right ascension or declination: (whole, minutes, seconds) as written, or one number in
// hours (right ascension) or degrees (declination).
using Angle = std::variant<std::tuple<double, double, double>, double>;

SexagesimalAngle AngleOf(const Angle& angle) {
  if (const double* value = std::get_if<double>(&angle)) return {.whole = *value};
  const auto& [whole, minutes, seconds] = std::get<std::tuple<double, double, double>>(angle);
  return {.whole = whole, .minutes = minutes, .seconds = seconds};
}

// The star's coordinates, refused as the batch refuses them when they cannot name a star.
Star StarAt(const Angle& ra, const Angle& dec) {
  Star star;
  star.rightAscension = AngleOf(ra);
  star.declination = AngleOf(dec);
  star.coordinatesGiven = true;
  auto belowSixty = [](const SexagesimalAngle& a) {
    return std::fabs(a.minutes) < 60 && std::fabs(a.seconds) < 60;
  };
  if (!belowSixty(star.rightAscension)) throw InputError("ra: the minutes and seconds must be below 60");
  if (!belowSixty(star.declination)) throw InputError("dec: the arc minutes and seconds must be below 60");
  const long double raDegrees = RightAscensionDegrees(star);
  if (!(raDegrees >= 0 && raDegrees <= 360))
    throw InputError("ra: the right ascension must be from 0 to 24 h");
  const long double decDegrees = DeclinationDegrees(star);
  if (!(decDegrees >= -90 && decDegrees <= 90))
    throw InputError("dec: the declination must be from -90 to +90 degrees");
  return star;
}

// A time given as a number, or as text parsed in extended precision (every digit counts).
long double TimeOf(const py::handle& value) {
  return NumberOf(value);
}

// f applied to one time (a number or a text: a float back) or to each of an array's.
template <typename F>
py::object EachTime(const py::object& jd, F f) {
  if (py::isinstance<py::str>(jd) || py::isinstance<py::float_>(jd) || py::isinstance<py::int_>(jd))
    return py::float_(static_cast<double>(f(TimeOf(jd))));
  const auto times = py::array_t<double, py::array::forcecast>::ensure(jd);
  if (!times) throw InputError("jd must be a number, a text or an array of numbers");
  py::array_t<double> out(std::vector<py::ssize_t>(times.shape(), times.shape() + times.ndim()));
  const double* source = times.data();
  double* target = out.mutable_data();
  for (py::ssize_t i = 0; i < times.size(); ++i) target[i] = static_cast<double>(f(source[i]));
  return py::object(std::move(out));
}

py::object Heliocentric(const py::object& jd, const Angle& ra, const Angle& dec) {
  Star star = StarAt(ra, dec);
  return EachTime(jd, [&](long double t) { return ComputeHeliocentricCorrection(star, t); });
}

py::object BjdTdb(const py::object& jd, const Angle& ra, const Angle& dec) {
  const Star star = StarAt(ra, dec);
  const long double raDegrees = RightAscensionDegrees(star);
  const long double decDegrees = DeclinationDegrees(star);
  bool dubious = false;
  py::object result = EachTime(jd, [&](long double t) -> long double {
    const BarycentricTime b = ComputeBarycentricTime(t, raDegrees, decDegrees);
    if (b.status == BarycentricTime::Status::OutOfRange)
      throw InputError("bjd_tdb: the time lies outside the calendar of the time scales");
    dubious = dubious || b.status == BarycentricTime::Status::Dubious;
    return b.bjdTdb;
  });
  if (dubious &&
      PyErr_WarnEx(PyExc_UserWarning,
                   "bjd_tdb uncertain: a date lies outside the leap-second table or 1900-2100", 2) != 0)
    throw py::error_already_set();
  return result;
}

std::vector<std::string> Lines(const py::object& jd, const Angle& ra, const Angle& dec, bool bjd) {
  Star star = StarAt(ra, dec);
  return CorrectionLines(star, TimeOf(jd), bjd, '.');
}

struct MinimumResult {
  double time = 0;
  double error = 0;
  int32_t points = 0;
  std::optional<double> heliocentricCorrection;  // HJD - JD
  std::optional<double> bjdTdb;
  std::vector<std::string> lines;
};

MinimumResult Minimum(const Curve& curve, int32_t start, int32_t stop, std::optional<Angle> ra,
                      std::optional<Angle> dec, bool bjd) {
  if (ra.has_value() != dec.has_value()) throw InputError("ra and dec go together");
  if (bjd && !ra) throw InputError("bjd=True needs ra and dec");
  Working w(curve.loaded());
  if (ra) {
    const Star star = StarAt(*ra, *dec);
    w.star->rightAscension = star.rightAscension;
    w.star->declination = star.declination;
    w.star->coordinatesGiven = true;
  }
  w.view->areaIndex1 = start;
  w.view->areaIndex2 = stop;
  w.view->areaOnLightCurve = true;
  MinimumOutcome outcome;
  {
    py::gil_scoped_release release;
    TimeMinimum(*w.data, *w.star, *w.view, w.chart,
                MinimumRequest{.axis = PhaseAxis::Phase, .heliocentric = ra.has_value(), .barycentric = bjd},
                outcome);
  }
  if (!outcome.finished) throw InputError(outcome.lines.back());
  MinimumResult result;
  result.time = static_cast<double>(outcome.time);
  result.error = outcome.kwee.sigma;
  result.points = std::abs(start - stop);
  result.lines = outcome.lines;
  if (ra && std::isfinite(outcome.heliocentricCorrection)) {
    result.heliocentricCorrection = static_cast<double>(outcome.heliocentricCorrection);
    if (bjd) {
      const BarycentricTime b =
          ComputeBarycentricTime(outcome.time, w.star->raDecimalDegrees, w.star->decDecimalDegrees);
      if (b.status != BarycentricTime::Status::OutOfRange && std::isfinite(b.bjdTdb))
        result.bjdTdb = static_cast<double>(b.bjdTdb);
    }
  }
  return result;
}

py::dict Eclipse(const py::array_t<double, py::array::forcecast>& time,
                 const py::array_t<double, py::array::forcecast>& mag, int folds, std::optional<double> noise,
                 int bootstrap, uint64_t seed) {
  if (time.ndim() != 1 || mag.ndim() != 1 || time.size() != mag.size())
    throw InputError("time and mag must be one-dimensional arrays of one length");
  EclipseTimingOptions options{.folds = folds, .noise = noise, .bootstrapDraws = bootstrap, .seed = seed};
  EclipseTime e;
  {
    py::gil_scoped_release release;
    e = TimeEclipse(std::span<const double>(time.data(), static_cast<size_t>(time.size())),
                    std::span<const double>(mag.data(), static_cast<size_t>(mag.size())), options);
  }
  if (!e.timed) throw InputError(e.failure);
  py::dict d;
  d["time"] = e.time;
  d["error"] = e.error;
  d["method"] = e.method == EclipseMethod::KweeVanWoerden ? "kwee-van-woerden" : "parabola";
  d["classic_error"] = e.classicError;
  d["chi_square_error"] = e.chiSquareError;
  d["bootstrap_error"] = e.bootstrapError;
  d["noise"] = e.noise;
  d["parabola_time"] = e.parabolaTime;
  d["parabola_error"] = e.parabolaError;
  d["points"] = e.points;
  d["at_edge"] = e.atEdge;
  d["outside_faintest"] = e.outsideFaintest;
  d["gapped"] = e.gapped;
  return d;
}

}  // namespace

void BindTiming(py::module_& m) {
  py::class_<MinimumResult>(m, "Minimum", "A time of minimum by Kwee & van Woerden (1956).")
      .def_readonly("time", &MinimumResult::time, "the time of minimum (Julian Day)")
      .def_readonly("error", &MinimumResult::error, "its error, days")
      .def_readonly("points", &MinimumResult::points)
      .def_readonly("heliocentric_correction", &MinimumResult::heliocentricCorrection,
                    "HJD - JD at the minimum, days (with ra and dec)")
      .def_readonly("bjd_tdb", &MinimumResult::bjdTdb, "the minimum as BJD_TDB (with bjd=True)")
      .def_readonly("lines", &MinimumResult::lines, "the lines ombrane-batch minimum prints, all digits kept")
      .def("__repr__", [](const MinimumResult& r) {
        return "<ombrane.Minimum time=" + py::repr(py::float_(r.time)).cast<std::string>() +
               " error=" + py::repr(py::float_(r.error)).cast<std::string>() + ">";
      });

  auto curve = py::reinterpret_borrow<py::class_<Curve>>(m.attr("LightCurve"));
  curve.def("minimum", &Minimum, py::arg("start"), py::arg("stop"), py::kw_only(), py::arg("ra") = py::none(),
            py::arg("dec") = py::none(), py::arg("bjd") = false,
            "Times the minimum between observations `start` and `stop` (0-based indexes in file "
            "order, as two area clicks on the light curve pick them) as ombrane-batch minimum does; "
            "with ra and dec (J2000) also HJD - JD, and with bjd=True the BJD_TDB of the minimum. A "
            "stretch that cannot be timed raises InputError with the reason.");

  m.def("heliocentric_correction", &Heliocentric, py::arg("jd"), py::arg("ra"), py::arg("dec"),
        "HJD - JD in days at the Julian Day(s) jd for a star at ra, dec (J2000): the low-precision "
        "Sun of the Astronomical Almanac, as the window's Calculate Hel Corr. ra is (h, m, s) or "
        "hours, dec (d, m, s) or degrees; jd a number, a text (parsed exactly) or an array.");
  m.def("bjd_tdb", &BjdTdb, py::arg("jd"), py::arg("ra"), py::arg("dec"),
        "The barycentric Julian Date in TDB of the UTC Julian Day(s) jd for a star at ra, dec "
        "(ICRS), observer at the Earth's centre (Eastman et al. 2010). float64 keeps about 40 "
        "microseconds of a Julian Day; correction_lines() gives every digit.");
  m.def("correction_lines", &Lines, py::arg("jd"), py::arg("ra"), py::arg("dec"), py::arg("bjd") = true,
        "The lines of ombrane-batch helio for one time: hjd-jd, minimum+(hjd-jd) and bjd_tdb.");
  m.def("time_eclipse", &Eclipse, py::arg("time"), py::arg("mag"), py::kw_only(), py::arg("folds") = 5,
        py::arg("noise") = py::none(), py::arg("bootstrap") = 200, py::arg("seed") = 0x5eed,
        "Times one eclipse from its observations in ascending time: Kwee & van Woerden with the "
        "chi-square error of Deeg (2021) and a bootstrap (a parabola for 3 to 8 points). Returns a "
        "dict: time, error (the larger of the chi-square and bootstrap errors), and the details.");
}

}  // namespace ombrane::python
