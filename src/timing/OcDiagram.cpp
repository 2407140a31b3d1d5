#include "timing/OcDiagram.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "common/InputError.h"
#include "common/NumberFormat.h"

namespace ombrane {

namespace {

constexpr uint32_t kBarColour = 0x808080;    // grey (BGR)
constexpr uint32_t kCurveColour = 0x000000;  // black

double InUnit(long double days, OcUnit unit) {
  return static_cast<double>(unit == OcUnit::Minutes ? days * 1440 : days);
}

// Enough decimals to show two significant digits of `error`, at least `least`, at most 15.
int DecimalsFor(long double error, int least) {
  if (!(error > 0)) return least;
  return std::clamp(1 - static_cast<int>(std::floor(std::log10(error))), least, 15);
}

std::string WithError(long double value, long double error, bool errorKnown, int least) {
  const int decimals = DecimalsFor(error, least);
  std::string text = FormatFileFixed(value, decimals);
  if (errorKnown) text.append(" +- ").append(FormatFileFixed(error, decimals));
  return text;
}

std::string General(long double value, long double error, bool errorKnown) {
  std::string text = FormatGeneralDigits(value, 4);
  if (errorKnown) text.append(" +- ").append(FormatGeneralDigits(error, 2));
  return text;
}

constexpr long double kSecondsAYear = 86400.0L * 365.25L;

}  // namespace

std::string MinimumTimeText(long double time, long double error) {
  return FormatFileFixed(time, std::min(DecimalsFor(error, 7), 10));
}

long double ArgumentOf(const OcTable& table, size_t i) {
  const long double cycle = table.cycles[i];
  return KindOf(table.minima[i]) == MinimumKind::Secondary ? cycle - 0.5L + table.secondaryPhase : cycle;
}

long double OcOf(const OcTable& table, size_t i) {
  return table.minima[i].time - (table.referenceEpoch + table.referencePeriod * ArgumentOf(table, i));
}

void DrawOcDiagram(ChartModel& chart, const OcTable& table, OcUnit unit) {
  for (int s = 0; s < kSeriesCount; ++s) chart.Series(s).Clear();
  ++chart.pictureNumber;
  chart.titleLines = {"O-C against M0 = " + FormatGeneral(table.referenceEpoch) +
                      ", P = " + FormatGeneral(table.referencePeriod)};
  chart.bottomAxisTitle = "Cycle";
  chart.leftAxisTitle = unit == OcUnit::Minutes ? "O-C (minutes)" : "O-C (days)";
  chart.leftAxisInverted = false;
  ChartSeries& bars = chart.Series(kCurveSeries);
  bars.SetLineWidth(1);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (size_t i = 0; i < table.minima.size(); ++i) {
    const double x = static_cast<double>(table.cycles[i]);
    const long double oc = OcOf(table, i);
    const double y = InUnit(oc, unit);
    const bool secondary = KindOf(table.minima[i]) == MinimumKind::Secondary;
    chart.Series(secondary ? kSpareSeries : kLightCurveSeries).Add(x, y);
    if (table.minima[i].excluded) chart.Series(kMarkedSeries).Add(x, y);
    if (const long double error = table.minima[i].error; error > 0) {
      bars.Add(nan, nan);
      bars.Add(x, InUnit(oc - error, unit), kBarColour);
      bars.Add(x, InUnit(oc + error, unit), kBarColour);
    }
  }
  if (table.fit && !table.minima.empty()) {
    // The fit less the reference: (T0 − M0) + (P − P_ref)·x + Q·x², over the cycles shown.
    const auto [low, high] = std::minmax_element(table.cycles.begin(), table.cycles.end());
    const EphemerisFit& fit = *table.fit;
    bars.Add(nan, nan);
    constexpr int kSteps = 200;
    for (int k = 0; k <= kSteps; ++k) {
      const long double x = *low + (*high - *low) * k / kSteps;
      const long double oc = fit.epoch - table.referenceEpoch + (fit.period - table.referencePeriod) * x +
                             fit.quadraticTerm * x * x;
      bars.Add(static_cast<double>(x), InUnit(oc, unit), kCurveColour);
    }
  }
}

int MinimumAtPoint(const OcTable& table, int series, int index) {
  if (series != kLightCurveSeries && series != kSpareSeries && series != kMarkedSeries) return -1;
  // The points of a series stand in ascending cycle, equal cycles in the table's order: count
  // the table's minima of that series in the same order.
  std::vector<size_t> order;
  for (size_t i = 0; i < table.minima.size(); ++i) {
    const bool secondary = KindOf(table.minima[i]) == MinimumKind::Secondary;
    if (series == kMarkedSeries ? table.minima[i].excluded : secondary == (series == kSpareSeries))
      order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return table.cycles[a] < table.cycles[b]; });
  return index >= 0 && static_cast<size_t>(index) < order.size()
             ? static_cast<int>(order[static_cast<size_t>(index)])
             : -1;
}

std::optional<std::string> JoinTimeScale(OcTable& table, std::optional<TimeScale> scale,
                                         std::string_view shownName) {
  if (table.minima.empty()) {
    table.timeScale = scale;
    return std::nullopt;
  }
  if (!table.timeScale) {
    table.timeScale = scale;
    return std::nullopt;
  }
  if (!scale) {
    std::string note(shownName);
    note.append(" does not say its time scale; its times are taken to be in ")
        .append(TimeScaleName(*table.timeScale))
        .append(" like the table's");
    return note;
  }
  if (*scale != *table.timeScale) {
    std::string message(shownName);
    message.append(" holds times in ")
        .append(TimeScaleName(*scale))
        .append(" and the table times in ")
        .append(TimeScaleName(*table.timeScale))
        .append(": convert them to one scale first (one fit must not mix them)");
    throw InputError(message);
  }
  return std::nullopt;
}

std::string OcTableCsv(const OcTable& table) {
  std::string csv = "cycle,type,time,error,o_c,used,time_scale\n";
  const std::string scale = table.timeScale ? std::string(TimeScaleName(*table.timeScale)) : std::string();
  for (size_t i = 0; i < table.minima.size(); ++i) {
    const TimedMinimum& m = table.minima[i];
    csv.append(FormatGeneral(table.cycles[i]))
        .append(KindOf(m) == MinimumKind::Secondary ? ",S," : ",P,")
        .append(FormatFileExact(m.time))
        .append(",")
        .append(m.error > 0 ? FormatGeneral(m.error) : std::string())
        .append(",")
        .append(FormatFileFixed(OcOf(table, i), 8))
        .append(m.excluded ? ",0," : ",1,")
        .append(scale)
        .append("\n");
  }
  return csv;
}

std::string EphemerisFitCsv(const EphemerisFit& fit) {
  std::string csv = "term,value,error\n";
  auto row = [&csv, &fit](const char* term, long double value, long double error) {
    csv.append(term).append(",").append(FormatFileExact(value)).append(",");
    if (fit.errorsKnown) csv.append(FormatFileExact(error));
    csv.append("\n");
  };
  row("epoch", fit.epoch, fit.epochError);
  row("period", fit.period, fit.periodError);
  if (fit.quadratic) {
    row("quadratic", fit.quadraticTerm, fit.quadraticError);
    row("dP/dE", fit.periodChange, fit.periodChangeError);
    row("dP/dt", fit.periodRate, fit.periodRateError);
  }
  csv.append("chi2,").append(FormatFileExact(fit.chiSquare)).append(",\n");
  csv.append("degrees_of_freedom,").append(std::to_string(fit.degreesOfFreedom)).append(",\n");
  csv.append("rms_days,").append(FormatFileExact(fit.rms)).append(",\n");
  csv.append("weighted,").append(fit.weighted ? "1" : "0").append(",\n");
  return csv;
}

std::vector<std::string> EphemerisFitLines(const EphemerisFit& fit, const std::vector<TimedMinimum>& minima,
                                           std::optional<TimeScale> scale) {
  std::vector<std::string> lines;
  size_t secondaries = 0;
  for (const TimedMinimum& minimum : minima) secondaries += KindOf(minimum) == MinimumKind::Secondary;
  lines.push_back("minima: " + std::to_string(minima.size()) + " (" +
                  std::to_string(minima.size() - secondaries) + " primary, " + std::to_string(secondaries) +
                  " secondary)");
  const std::string kind = fit.quadratic ? "quadratic" : "linear";
  lines.push_back(fit.weighted
                      ? "fit: " + kind + ", weighted by the errors"
                      : "fit: " + kind +
                            ", unweighted (not every minimum has an error); errors from the residuals");
  const bool known = fit.errorsKnown;
  std::string epoch = "epoch: " + WithError(fit.epoch, fit.epochError, known, 7);
  if (scale) epoch.append(" ").append(TimeScaleName(*scale));
  lines.push_back(std::move(epoch));
  lines.push_back("period: " + WithError(fit.period, fit.periodError, known, 8));
  if (fit.quadratic) {
    lines.push_back("quadratic term: " + General(fit.quadraticTerm, fit.quadraticError, known) + " d");
    lines.push_back("dP/dE: " + General(fit.periodChange, fit.periodChangeError, known) + " d/cycle");
    lines.push_back(
        "dP/dt: " + General(fit.periodRate * kSecondsAYear, fit.periodRateError * kSecondsAYear, known) +
        " s/yr");
  }
  std::string chi = "chi2: " + FormatGeneralDigits(fit.chiSquare, 6) + ", degrees of freedom " +
                    std::to_string(fit.degreesOfFreedom);
  if (fit.weighted) chi.append(", errors scaled by ").append(FormatGeneralDigits(fit.errorScale, 4));
  lines.push_back(chi);
  lines.push_back("rms O-C: " + FormatGeneralDigits(fit.rms, 4) + " d (" +
                  FormatGeneralDigits(fit.rms * 86400, 4) + " s)");
  return lines;
}

}  // namespace ombrane
