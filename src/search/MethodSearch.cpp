#include "search/MethodSearch.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "search/Significance.h"

namespace ombrane {

namespace {

std::string Digits(long double x, int digits, char separator) {
  return FormatGeneralDigits(x, digits, separator);
}

// The columns and significance of a method's periodogram.
std::shared_ptr<const ScoreColumns> ColumnsOf(SearchMethod method, const Observations& data,
                                              const TrialGrid& grid, const MethodSettings& settings,
                                              const std::vector<double>& scores) {
  auto c = std::make_shared<ScoreColumns>();
  const int64_t n = static_cast<int64_t>(data.t.size());
  const double band = grid.HighestFrequency() - grid.LowestFrequency();
  double first = data.t.empty() ? 0 : data.t[0], last = first;
  for (double t : data.t) {
    first = std::min(first, t);
    last = std::max(last, t);
  }
  // Independent frequencies of the band: its width in units of the peak width 1/T.
  const long double independent =
      std::max(1.0L, static_cast<long double>(band) * static_cast<long double>(last - first));
  switch (method) {
    case SearchMethod::Gls: {
      const double span = EffectiveTimeSpan(data.t, data.w);
      c->name = "GLS";
      c->scoreTitle = "GLS power";
      c->scoreCsv = "gls_power";
      c->scoreKey = "power";
      c->significanceTitles = {"FAP (band)"};
      c->significanceKeys = {"FAP"};
      c->significance = [n, band, span](long double z) {
        return std::vector<long double>{GlsFalseAlarm(z, n, band, span)};
      };
      c->note =
          "Power normalised as (\u03c7\u2080\u00b2 \u2212 \u03c7\u00b2)/\u03c7\u2080\u00b2 (Zechmeister & "
          "K\u00fcrster 2009); FAP: Baluev (2008) over the band of " +
          Digits(band, 6, '.') + " cycles/d searched, effective time span " + Digits(span, 6, '.') +
          " d, N = " + std::to_string(n) + (data.w.empty() ? "." : ", weighted by 1/\u03c3\u00b2.");
      break;
    }
    case SearchMethod::Mhaov: {
      const int h = settings.harmonics;
      c->name = "MHAOV";
      c->scoreTitle = "MHAOV \u0398";
      c->scoreCsv = "mhaov_theta";
      c->scoreKey = "theta";
      c->significanceTitles = {"p (one trial)", "FAP (band)"};
      c->significanceKeys = {"p", "FAP"};
      c->significance = [h, n, independent](long double theta) {
        const long double p = MhaovProbability(theta, h, n);
        return std::vector<long double>{p, FalseAlarmProbability(p, independent)};
      };
      c->note =
          std::to_string(h) + " harmonics (Schwarzenberg-Czerny 1996); p: F distribution with (" +
          std::to_string(2 * h) + ", " + std::to_string(n - 2 * h - 1) +
          ") degrees of freedom; FAP = 1 \u2212 (1 \u2212 p)^M over M = " + Digits(independent, 6, '.') +
          " independent frequencies.";
      break;
    }
    case SearchMethod::Pdm: {
      const int bins = settings.bins;
      c->name = "PDM";
      c->scoreTitle = "PDM \u0398";
      c->scoreCsv = "pdm_theta";
      c->scoreKey = "theta";
      c->significanceTitles = {"p (one trial)", "FAP (band)"};
      c->significanceKeys = {"p", "FAP"};
      c->significance = [bins, n, independent](long double theta) {
        const long double p = PdmProbability(theta, bins, n);
        return std::vector<long double>{p, FalseAlarmProbability(p, independent)};
      };
      c->note = std::to_string(bins) + " bins, " + std::to_string(settings.covers) +
                " covers (Stellingwerf 1978); p: \u0398 against the beta distribution of a fold of white "
                "noise (an approximation with more than one cover); FAP over M = " +
                Digits(independent, 6, '.') + " independent frequencies.";
      break;
    }
    case SearchMethod::Bls: {
      const PowerSpread spread = SpreadOf(scores);
      c->name = "BLS";
      c->scoreTitle = "BLS power";
      c->scoreCsv = "bls_power";
      c->scoreKey = "power";
      c->extraCsv = {"duration", "depth", "epoch"};
      c->extraTitles = {"Duration (d)", "Depth (mag)", "Mid-eclipse (JD)"};
      c->significanceTitles = {"SDE"};
      c->significanceKeys = {"SDE"};
      c->significance = [spread](long double power) {
        return std::vector<long double>{DetectionEfficiency(power, spread)};
      };
      std::string fractions;
      for (double q : settings.durations)
        fractions.append(fractions.empty() ? "" : ", ").append(Digits(q, 6, '.'));
      c->note =
          "Durations " + fractions +
          " of the period (Kov\u00e1cs, Zucker & Mazeh 2002); power \u00bd\u00b7W_in\u00b7depth\u00b2; SDE = "
          "(power \u2212 mean)/\u03c3 over all trials (mean " +
          Digits(spread.mean, 6, '.') + ", \u03c3 " + Digits(spread.deviation, 6, '.') + ").";
      break;
    }
    default:
      break;
  }
  if (!data.w.empty() && method != SearchMethod::Gls) c->note.append(" Weighted by 1/\u03c3\u00b2.");
  return c;
}

}  // namespace

std::vector<double> ParseDurations(const std::string& text) {
  std::vector<double> out;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    std::string item = text.substr(start, comma - start);
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    char* end = nullptr;
    const double q = std::strtod(item.c_str(), &end);
    if (item.empty() || end != item.c_str() + item.size() || !(q > 0 && q <= 0.5))
      throw InputError(
          "The durations are fractions of the period above 0 and at most 0.5, separated by "
          "commas (e.g. 0.02,0.05,0.1), not \"" +
          text + "\".");
    out.push_back(q);
    start = comma + 1;
  }
  return out;
}

std::string DurationsText(const std::vector<double>& durations) {
  std::string text;
  for (double q : durations) text.append(text.empty() ? "" : ",").append(FormatGeneral(q));
  return text;
}

bool IsArrayMethod(SearchMethod method) {
  return method == SearchMethod::Gls || method == SearchMethod::Mhaov || method == SearchMethod::Pdm ||
         method == SearchMethod::Bls;
}

std::string MethodName(SearchMethod method) {
  switch (method) {
    case SearchMethod::StringLength:
      return "SL";
    case SearchMethod::Aov:
      return "AoV";
    case SearchMethod::Gls:
      return "GLS";
    case SearchMethod::Mhaov:
      return "MHAOV";
    case SearchMethod::Pdm:
      return "PDM";
    case SearchMethod::Bls:
      return "BLS";
  }
  return {};
}

Observations ObservationsOf(const Data& data, bool weighted) {
  int32_t n = data.pointCount;
  if (n >= 2 && data.jd[static_cast<size_t>(n - 1)] == data.jd[static_cast<size_t>(n - 2)] &&
      data.mag[static_cast<size_t>(n - 1)] == data.mag[static_cast<size_t>(n - 2)])
    --n;
  Observations o;
  o.t.resize(static_cast<size_t>(std::max(n, 0)));
  o.y.resize(o.t.size());
  for (int32_t i = 0; i < n; ++i) {
    o.t[static_cast<size_t>(i)] = static_cast<double>(data.jd[static_cast<size_t>(i)]);
    o.y[static_cast<size_t>(i)] = static_cast<double>(data.mag[static_cast<size_t>(i)]);
  }
  if (weighted && HasErrors(data) && data.magError.size() >= o.t.size()) {
    o.w.resize(o.t.size());
    for (size_t i = 0; i < o.w.size(); ++i) o.w[i] = 1 / (data.magError[i] * data.magError[i]);
  }
  return o;
}

TrialGrid GridOf(const SearchRequest& request, GridStep step) {
  const double low = static_cast<double>(request.searchMin);
  const double high = static_cast<double>(request.searchMax);
  const double increment = static_cast<double>(request.increment);
  return step == GridStep::Frequency ? FrequencyGrid(low, high, increment) : PeriodGrid(low, high, increment);
}

SearchResult SearchByMethod(const Data& data, Star& star, const SearchRequest& request,
                            const MethodSettings& settings) {
  SearchResult result;
  if (!IsArrayMethod(request.method)) throw InputError("This search method does not run on arrays.");
  if (data.pointCount < 1 || !(request.searchMin < request.searchMax)) return result;
  const TrialGrid grid = GridOf(request, settings.step);
  Observations observations = ObservationsOf(data, settings.weighted);
  // Times from the first Julian Day: the methods' products of frequency and time stay small
  // (the epoch of a box is given back in Julian Days).
  const double origin =
      observations.t.empty() ? 0 : *std::min_element(observations.t.begin(), observations.t.end());
  for (double& t : observations.t) t -= origin;

  const TrialRun run{
      .count = grid.count, .blockSize = 1, .threads = request.threads, .progress = request.progress};
  MethodScores scores;
  switch (request.method) {
    case SearchMethod::Gls:
      scores = GlsPowers(observations, grid, run);
      break;
    case SearchMethod::Mhaov:
      scores = MhaovStatistics(observations, grid, settings.harmonics, run);
      break;
    case SearchMethod::Pdm:
      scores = PdmThetas(observations, grid, settings.bins, settings.covers, run);
      break;
    default:
      scores = BlsPowers(observations, grid, settings.durations, run);
      break;
  }
  if (scores.cancelled) {
    result.status = SearchResult::Status::Cancelled;
    return result;
  }
  for (double& epoch : scores.epoch) epoch += origin;

  const SearchMethod method = request.method;
  const bool bls = method == SearchMethod::Bls;
  Periodogram periodogram;
  periodogram.method = method;
  periodogram.searchMin = request.searchMin;
  periodogram.searchMax = request.searchMax;
  periodogram.trials = grid.count;
  periodogram.sliceSize = SliceSizeFor(grid.count, request.keepAtMost);
  periodogram.entries = static_cast<int32_t>(observations.t.size());
  periodogram.timeSpan = TimeSpan(data);
  periodogram.columns = ColumnsOf(method, observations, grid, settings, scores.score);

  // The trials in ascending period, so that the periodogram runs as the SL and AoV ones do
  // (a frequency grid runs the other way round); trial numbers count in that order.
  const bool reversed = grid.step == GridStep::Frequency;
  auto trialAt = [&](int64_t j) { return reversed ? grid.count - 1 - j : j; };
  int64_t bestTrial = -1;
  long double best = 0;
  bool open = false;
  int64_t openSlice = 0;
  for (int64_t j = 0; j < grid.count; ++j) {
    const int64_t k = trialAt(j);
    const double score = scores.score[static_cast<size_t>(k)];
    if (std::isnan(score)) {
      ++result.skipped;
      continue;
    }
    if (bestTrial < 0 || BetterScore(method, score, best)) {
      bestTrial = j;
      best = score;
    }
    const int64_t slice = j / periodogram.sliceSize;
    const TrialScore point{.period = grid.Period(k), .score = score, .trial = j};
    auto extrasOf = [&](int64_t trial) {
      return std::vector<long double>{scores.duration[static_cast<size_t>(trial)],
                                      scores.depth[static_cast<size_t>(trial)],
                                      scores.epoch[static_cast<size_t>(trial)]};
    };
    if (open && slice == openSlice) {
      if (BetterScore(method, score, periodogram.points.back().score)) {
        periodogram.points.back() = point;
        if (bls) {
          const std::vector<long double> e = extrasOf(k);
          std::copy(e.begin(), e.end(), periodogram.extras.end() - 3);
        }
      }
    } else {
      periodogram.points.push_back(point);
      if (bls) {
        const std::vector<long double> e = extrasOf(k);
        periodogram.extras.insert(periodogram.extras.end(), e.begin(), e.end());
      }
      open = true;
      openSlice = slice;
    }
  }
  result.trials = grid.count;
  if (bestTrial < 0) {
    result.status = SearchResult::Status::AllUndefined;
    return result;
  }
  result.status = SearchResult::Status::Done;
  result.best = best;
  result.bestPeriod = grid.Period(trialAt(bestTrial));
  star.bestPeriod = result.bestPeriod;
  result.periodogram = std::move(periodogram);
  return result;
}

std::string MethodResultLine(const SearchResult& result, char separator) {
  const Periodogram& periodogram = result.periodogram;
  std::string line = MethodName(periodogram.method) + ": " + FormatGeneral(result.best, separator);
  if (periodogram.columns && periodogram.columns->significance) {
    const std::vector<long double> values = periodogram.columns->significance(result.best);
    const std::vector<std::string>& keys = periodogram.columns->significanceKeys;
    for (size_t v = 0; v < values.size() && v < keys.size(); ++v)
      line.append(" ").append(keys[v]).append(" ").append(FormatGeneralDigits(values[v], 3, separator));
  }
  line.append(" Best Period:").append(FormatGeneral(result.bestPeriod, separator));
  return line;
}

}  // namespace ombrane
