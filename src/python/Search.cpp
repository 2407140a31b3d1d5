// LightCurve.search: the period search of every method through the search service, with the
// periodogram as numpy arrays and the best separate peaks with their significance.
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "Curve.h"
#include "common/InputError.h"
#include "phase/Periodogram.h"
#include "search/TrialGrid.h"
#include "services/RunSearch.h"

namespace ombrane::python {
namespace {

// The methods by the names of the batch's --method.
constexpr std::pair<const char*, SearchMethod> kMethods[] = {
    {"sl", SearchMethod::StringLength}, {"aov", SearchMethod::Aov}, {"gls", SearchMethod::Gls},
    {"mhaov", SearchMethod::Mhaov},     {"pdm", SearchMethod::Pdm}, {"bls", SearchMethod::Bls}};

SearchMethod MethodOf(const std::string& name) {
  for (const auto& [text, method] : kMethods)
    if (name == text) return method;
  throw InputError("method must be sl, aov, gls, mhaov, pdm or bls, not '" + name + "'");
}

// One peak of a periodogram.
struct PeakResult {
  double period = 0;
  double frequency = 0;
  double score = 0;
  int64_t trial = 0;
  py::dict extras;        // BLS: duration, depth, epoch of the peak's trial
  py::dict significance;  // "p", "FAP" or "SDE", as the method gives them
};

struct SearchOutcome {
  std::string method;
  std::string status;  // "done", or "all undefined" when no trial has a score
  double best = 0;
  double bestPeriod = 0;
  int64_t trials = 0;
  int64_t skipped = 0;
  std::string scoreName;
  py::array_t<double> period;
  py::array_t<double> frequency;
  py::array_t<double> score;
  py::array_t<int64_t> trial;
  py::dict extras;
  std::vector<PeakResult> peaks;
  std::vector<std::string> lines;  // the lines ombrane-batch prints for the search
  std::optional<std::string> suggestion;
};

// A probability as a float, and its decimal logarithm under "log10_<key>": the probabilities of
// strong peaks (1E-460) lie far below the smallest float, which holds them as 0.
void PutProbability(py::dict& values, const std::string& key, long double value) {
  values[py::str(key)] = static_cast<double>(value);
  values[py::str("log10_" + key)] = static_cast<double>(value > 0 ? std::log10(value) : -HUGE_VALL);
}

// The significance of a score, by the names the peak lines use.
py::dict SignificanceOfScore(const Periodogram& periodogram, long double score) {
  py::dict values;
  if (periodogram.columns) {
    const ScoreColumns& c = *periodogram.columns;
    if (!c.significance) return values;
    const std::vector<long double> v = c.significance(score);
    for (size_t i = 0; i < v.size() && i < c.significanceKeys.size(); ++i) {
      if (c.significanceKeys[i] == "SDE")
        values["SDE"] = static_cast<double>(v[i]);
      else
        PutProbability(values, c.significanceKeys[i], v[i]);
    }
  } else if (periodogram.method == SearchMethod::Aov) {
    if (const std::optional<AovSignificance> s = ombrane::SignificanceOf(periodogram, score)) {
      PutProbability(values, "p", s->probability);
      PutProbability(values, "FAP", s->falseAlarm);
    }
  }
  return values;
}

struct SearchArguments {
  std::string method;
  std::optional<long double> min, max, step, frequencyStep;
  bool suggest = false;
  std::optional<double> oversampling;
  std::optional<int> harmonics, bins, covers;
  std::optional<std::vector<double>> durations;
  bool weighted = true;
  int peaks = 5;
  std::optional<long double> epoch;
  unsigned threads = 0;
};

SearchOutcome Search(const Curve& curve, const SearchArguments& a) {
  const SearchMethod method = MethodOf(a.method);
  MethodSettings settings;
  if (a.harmonics) settings.harmonics = *a.harmonics;
  if (a.bins) settings.bins = *a.bins;
  if (a.covers) settings.covers = *a.covers;
  if (a.durations) settings.durations = *a.durations;
  settings.weighted = a.weighted;
  if (a.peaks < 0) throw InputError("peaks must be 0 or more");
  std::optional<long double> step = a.step;
  if (a.step && a.frequencyStep) throw InputError("give step or frequency_step, not both");
  if (a.frequencyStep) {
    settings.step = GridStep::Frequency;
    step = a.frequencyStep;
  }
  const double oversampling = a.oversampling.value_or(kDefaultOversampling);
  if (a.oversampling && !a.suggest) throw InputError("oversampling goes with suggest=True");
  if (a.suggest) {
    if (a.min || a.max || step) throw InputError("suggest=True finds min, max and the step itself");
    settings.step = GridStep::Frequency;
  } else if (!a.min || !a.max || !step) {
    throw InputError("search needs min, max and step (or frequency_step), or suggest=True");
  }

  Working w(curve.loaded());
  Star& star = *w.star;
  if (a.epoch) star.epoch = *a.epoch;
  SearchOutcome outcome;
  outcome.method = a.method;
  SearchReport report;
  std::atomic<bool> interrupted = false;
  {
    py::gil_scoped_release release;
    long double low = a.min.value_or(0), high = a.max.value_or(0), increment = step.value_or(0);
    if (a.suggest) {
      const SuggestedGrid grid = SuggestGrid(ObservationsOf(*w.data).t, oversampling);
      low = grid.periodMin;
      high = grid.periodMax;
      increment = grid.frequencyStep;
      outcome.suggestion = SuggestionLine(grid, oversampling, '.');
    }
    star.searchMin = low;
    star.searchMax = high;
    star.increment = increment;
    SearchRequest request = SearchRequestOf(star, method);
    request.threads = a.threads;
    // Ctrl-C in the interpreter cancels the search at its next report.
    request.progress = [&interrupted](int64_t, int64_t) {
      py::gil_scoped_acquire acquire;
      if (PyErr_CheckSignals() != 0) interrupted = true;
      return !interrupted;
    };
    report = RunSearch(*w.data, star, request, settings, '.');
  }
  if (interrupted) throw py::error_already_set();
  const SearchResult& result = report.result;
  outcome.lines = report.lines;
  if (outcome.suggestion) outcome.lines.insert(outcome.lines.begin(), *outcome.suggestion);
  outcome.trials = result.trials;
  outcome.skipped = result.skipped;
  switch (result.status) {
    case SearchResult::Status::NotRun:
      throw InputError(report.lines.empty() ? std::string("The search did nothing.") : report.lines.front());
    case SearchResult::Status::Cancelled:
      throw InputError("The search was cancelled.");
    case SearchResult::Status::AllUndefined:
      outcome.status = "all undefined";
      break;
    case SearchResult::Status::Done:
      outcome.status = "done";
      break;
  }
  const Periodogram& p = result.periodogram;
  outcome.scoreName = p.columns                     ? p.columns->scoreCsv
                      : method == SearchMethod::Aov ? std::string("aov_theta")
                                                    : std::string("string_length");
  outcome.best = static_cast<double>(result.best);
  outcome.bestPeriod = static_cast<double>(result.bestPeriod);
  const size_t n = p.points.size();
  outcome.period = ArrayOf(n, [&](size_t i) { return p.points[i].period; });
  outcome.frequency = ArrayOf(n, [&](size_t i) { return 1 / p.points[i].period; });
  outcome.score = ArrayOf(n, [&](size_t i) { return p.points[i].score; });
  outcome.trial = py::array_t<int64_t>(static_cast<py::ssize_t>(n));
  {
    auto out = outcome.trial.mutable_unchecked<1>();
    for (size_t i = 0; i < n; ++i) out(static_cast<py::ssize_t>(i)) = p.points[i].trial;
  }
  const size_t extraCount = p.columns ? p.columns->extraCsv.size() : 0;
  for (size_t e = 0; e < extraCount; ++e)
    outcome.extras[py::str(p.columns->extraCsv[e])] =
        ArrayOf(n, [&](size_t i) { return p.extras[i * extraCount + e]; });
  if (result.status == SearchResult::Status::Done)
    for (const Peak& peak : FindPeaks(p, a.peaks)) {
      PeakResult r;
      r.period = static_cast<double>(peak.period);
      r.frequency = static_cast<double>(peak.frequency);
      r.score = static_cast<double>(peak.score);
      r.trial = peak.trial;
      for (size_t e = 0; e < extraCount; ++e)
        r.extras[py::str(p.columns->extraCsv[e])] =
            static_cast<double>(p.extras[peak.point * extraCount + e]);
      r.significance = SignificanceOfScore(p, peak.score);
      outcome.peaks.push_back(std::move(r));
    }
  return outcome;
}

}  // namespace

void BindSearch(py::module_& m) {
  py::class_<PeakResult>(m, "Peak", "A peak of a periodogram.")
      .def_readonly("period", &PeakResult::period)
      .def_readonly("frequency", &PeakResult::frequency, "1 / period, cycles per day")
      .def_readonly("score", &PeakResult::score)
      .def_readonly("trial", &PeakResult::trial, "the trial's number, 0 for the first of the grid")
      .def_readonly("extras", &PeakResult::extras, "box least squares: duration, depth and epoch")
      .def_readonly("significance", &PeakResult::significance,
                    "p (one trial) and FAP (over the band), each also as log10_p and log10_FAP (a "
                    "strong peak's lie below the smallest float), or SDE for box least squares")
      .def("__repr__", [](const PeakResult& peak) {
        return "<ombrane.Peak period=" + py::repr(py::float_(peak.period)).cast<std::string>() +
               " score=" + py::repr(py::float_(peak.score)).cast<std::string>() + ">";
      });

  py::class_<SearchOutcome>(m, "Search", "A period search and its periodogram.")
      .def_readonly("method", &SearchOutcome::method)
      .def_readonly("status", &SearchOutcome::status,
                    "'done', or 'all undefined' when no trial has a score (see lines)")
      .def_readonly("best", &SearchOutcome::best, "the best score")
      .def_readonly("best_period", &SearchOutcome::bestPeriod)
      .def_readonly("trials", &SearchOutcome::trials)
      .def_readonly("skipped", &SearchOutcome::skipped, "AoV: trials whose statistic is undefined")
      .def_readonly("score_name", &SearchOutcome::scoreName,
                    "what score holds, as the periodogram's CSV names it")
      .def_readonly("period", &SearchOutcome::period, "the periodogram's periods, ascending")
      .def_readonly("frequency", &SearchOutcome::frequency)
      .def_readonly("score", &SearchOutcome::score)
      .def_readonly("trial", &SearchOutcome::trial,
                    "each point's trial (with more than 100000 trials a point is the best of its slice)")
      .def_readonly("extras", &SearchOutcome::extras, "box least squares: duration, depth, epoch arrays")
      .def_readonly("peaks", &SearchOutcome::peaks, "the best separate peaks, best first")
      .def_readonly("lines", &SearchOutcome::lines, "the result lines as ombrane-batch prints them")
      .def_readonly("suggestion", &SearchOutcome::suggestion, "the suggested grid in words (suggest=True)")
      .def("__repr__", [](const SearchOutcome& s) {
        return "<ombrane.Search " + s.method +
               " best_period=" + py::repr(py::float_(s.bestPeriod)).cast<std::string>() +
               " trials=" + std::to_string(s.trials) + ">";
      });

  // LightCurve is bound by BindCurve, before this.
  auto curve = py::reinterpret_borrow<py::class_<Curve>>(m.attr("LightCurve"));
  curve.def(
      "search",
      [](const Curve& c, const std::string& method, const py::object& min, const py::object& max,
         const py::object& step, const py::object& frequencyStep, bool suggest,
         std::optional<double> oversampling, std::optional<int> harmonics, std::optional<int> bins,
         std::optional<int> covers, std::optional<std::vector<double>> durations, bool weighted, int peaks,
         const py::object& epoch, unsigned threads) {
        return Search(c, SearchArguments{.method = method,
                                         .min = OptionalNumberOf(min),
                                         .max = OptionalNumberOf(max),
                                         .step = OptionalNumberOf(step),
                                         .frequencyStep = OptionalNumberOf(frequencyStep),
                                         .suggest = suggest,
                                         .oversampling = oversampling,
                                         .harmonics = harmonics,
                                         .bins = bins,
                                         .covers = covers,
                                         .durations = std::move(durations),
                                         .weighted = weighted,
                                         .peaks = peaks,
                                         .epoch = OptionalNumberOf(epoch),
                                         .threads = threads});
      },
      py::arg("method") = "sl", py::kw_only(), py::arg("min") = py::none(), py::arg("max") = py::none(),
      py::arg("step") = py::none(), py::arg("frequency_step") = py::none(), py::arg("suggest") = false,
      py::arg("oversampling") = py::none(), py::arg("harmonics") = py::none(), py::arg("bins") = py::none(),
      py::arg("covers") = py::none(), py::arg("durations") = py::none(), py::arg("weighted") = true,
      py::arg("peaks") = 5, py::arg("epoch") = py::none(), py::arg("threads") = 0,
      "Searches the periods from min below max in steps of `step` days (or of `frequency_step` "
      "cycles per day from 1/max to 1/min; or suggest=True: the grid from the sampling, with "
      "`oversampling`) by method 'sl' (string length), 'aov' (ten-bin AoV), 'gls' (generalised "
      "Lomb-Scargle), 'mhaov' (multi-harmonic AoV, `harmonics`), 'pdm' (`bins`, `covers`) or 'bls' "
      "(box least squares, `durations` as fractions of the period), as ombrane-batch search does. "
      "GLS, MHAOV, PDM and BLS weigh by the errors when the file gives them, unless "
      "weighted=False. `threads`: 0 for every core. min, max, step and epoch may be given as text, "
      "parsed in extended precision as ombrane-batch parses them.");
}

}  // namespace ombrane::python
