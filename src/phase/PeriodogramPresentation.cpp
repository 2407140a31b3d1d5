#include "phase/PeriodogramPresentation.h"

#include <algorithm>
#include <limits>

#include "common/NumberFormat.h"

namespace ombrane {

namespace {

constexpr uint32_t kCurveColour = 0x800000;  // navy, 0x00BBGGRR
constexpr int kCurveWidth = 1;               // a dense curve of many spikes stays readable

std::string Number(long double x, char separator) {
  return FormatGeneral(x, separator);
}

// Probabilities with three significant digits: "0.0502", "1.23E-40".
std::string Probability(long double p, char separator) {
  return FormatGeneralDigits(p, 3, separator);
}

}  // namespace

std::vector<std::string> PeakTableHeader(SearchMethod method) {
  if (method == SearchMethod::Aov)
    return {"Period (d)", "Frequency (1/d)", "AoV \u0398", "p (one trial)", "FAP (range)"};
  return {"Period (d)", "Frequency (1/d)", "String length"};
}

std::vector<std::string> PeakTableHeader(const Periodogram& periodogram) {
  if (!periodogram.columns) return PeakTableHeader(periodogram.method);
  const ScoreColumns& c = *periodogram.columns;
  std::vector<std::string> header{"Period (d)", "Frequency (1/d)", c.scoreTitle};
  header.insert(header.end(), c.extraTitles.begin(), c.extraTitles.end());
  header.insert(header.end(), c.significanceTitles.begin(), c.significanceTitles.end());
  return header;
}

std::vector<std::string> PeakTableRow(const Periodogram& periodogram, const Peak& peak, char separator) {
  std::vector<std::string> row{Number(peak.period, separator),
                               FormatGeneralDigits(peak.frequency, 10, separator),
                               FormatGeneralDigits(peak.score, 10, separator)};
  if (periodogram.columns) {
    const ScoreColumns& c = *periodogram.columns;
    const size_t extras = c.extraCsv.size();
    for (size_t e = 0; e < extras; ++e)
      row.push_back(FormatGeneralDigits(periodogram.extras[peak.point * extras + e], 10, separator));
    if (c.significance)
      for (long double value : c.significance(peak.score)) row.push_back(Probability(value, separator));
    return row;
  }
  if (periodogram.method == SearchMethod::Aov) {
    const std::optional<AovSignificance> s = SignificanceOf(periodogram, peak.score);
    row.push_back(s ? Probability(s->probability, separator) : "\u2013");
    row.push_back(s ? Probability(s->falseAlarm, separator) : "\u2013");
  }
  return row;
}

std::string PeriodogramSummary(const Periodogram& periodogram, const std::string& fileName, char separator) {
  const bool aov = periodogram.method == SearchMethod::Aov;
  const std::string name =
      periodogram.columns ? periodogram.columns->name : std::string(aov ? "AoV" : "String-length");
  std::string text = (fileName.empty() ? std::string() : fileName + ": ") + name + " search of " +
                     FormatGeneral(periodogram.trials) +
                     (periodogram.trials == 1 ? " trial period from " : " trial periods from ") +
                     Number(periodogram.searchMin, separator) + " below " +
                     Number(periodogram.searchMax, separator) + " d; " +
                     FormatGeneral(static_cast<long double>(periodogram.points.size())) +
                     (periodogram.points.size() == 1 ? " point kept" : " points kept");
  if (periodogram.sliceSize > 1)
    text += ", each the best of " + FormatGeneral(periodogram.sliceSize) + " neighbouring trials";
  text += ". Time span T = " + FormatGeneralDigits(periodogram.timeSpan, 6, separator) + " d.";
  if (periodogram.columns && !periodogram.columns->note.empty()) text += " " + periodogram.columns->note;
  if (aov && periodogram.entries > kAovBins) {
    const long double m =
        IndependentFrequencies(periodogram.searchMin, periodogram.searchMax, periodogram.timeSpan);
    text += " p: chance of the peak's \u0398 at one trial period, F distribution with (9, " +
            FormatGeneral(periodogram.entries - kAovBins) +
            ") degrees of freedom; FAP = 1 \u2212 (1 \u2212 p)^M over M = " +
            FormatGeneralDigits(m, 6, separator) + " independent frequencies (Schwarzenberg-Czerny 1989).";
  }
  return text;
}

std::string PeriodogramCsv(const Periodogram& periodogram) {
  std::string text;
  size_t extras = 0;
  if (periodogram.columns) {
    text = "period,frequency,";
    text += periodogram.columns->scoreCsv;
    for (const std::string& column : periodogram.columns->extraCsv) text.append(",").append(column);
    text += '\n';
    extras = periodogram.columns->extraCsv.size();
  } else {
    text = periodogram.method == SearchMethod::Aov ? "period,frequency,aov_theta\n"
                                                   : "period,frequency,string_length\n";
  }
  text.reserve(text.size() + periodogram.points.size() * (56 + 24 * extras));
  for (size_t j = 0; j < periodogram.points.size(); ++j) {
    const TrialScore& p = periodogram.points[j];
    text += Number(p.period, '.');
    text += ',';
    text += Number(1 / p.period, '.');
    text += ',';
    text += Number(p.score, '.');
    for (size_t e = 0; e < extras; ++e) {
      text += ',';
      text += Number(periodogram.extras[j * extras + e], '.');
    }
    text += '\n';
  }
  return text;
}

std::string PeakLine(const Periodogram& periodogram, const Peak& peak, int rank, char separator) {
  std::string line = "Peak " + std::to_string(rank) + ": period " + Number(peak.period, separator) +
                     " frequency " + Number(peak.frequency, separator);
  if (periodogram.columns) {
    const ScoreColumns& c = *periodogram.columns;
    line.append(" ").append(c.scoreKey).append(" ").append(Number(peak.score, separator));
    const size_t extras = c.extraCsv.size();
    for (size_t e = 0; e < extras; ++e)
      line.append(" ")
          .append(c.extraCsv[e])
          .append(" ")
          .append(Number(periodogram.extras[peak.point * extras + e], separator));
    if (c.significance) {
      const std::vector<long double> values = c.significance(peak.score);
      for (size_t v = 0; v < values.size() && v < c.significanceKeys.size(); ++v)
        line.append(" ").append(c.significanceKeys[v]).append(" ").append(Probability(values[v], separator));
    }
    return line;
  }
  if (periodogram.method != SearchMethod::Aov) return line + " SL " + Number(peak.score, separator);
  line += " theta " + Number(peak.score, separator);
  if (const std::optional<AovSignificance> s = SignificanceOf(periodogram, peak.score))
    line += " p " + Probability(s->probability, separator) + " FAP " + Probability(s->falseAlarm, separator);
  return line;
}

double Abscissa(const TrialScore& point, PeriodogramAxis axis) {
  return static_cast<double>(axis == PeriodogramAxis::Frequency ? 1 / point.period : point.period);
}

PeriodogramPicture DrawPeriodogram(const Periodogram& periodogram, const std::vector<Peak>& peaks,
                                   PeriodogramAxis axis, const std::string& fileName, ChartModel& chart) {
  for (int s = 0; s < kSeriesCount; ++s) chart.Series(s).Clear();
  ++chart.pictureNumber;
  const bool aov = periodogram.method == SearchMethod::Aov;
  const std::string name =
      periodogram.columns ? periodogram.columns->name : std::string(aov ? "AoV" : "String length");
  std::string detail = name + ", " + FormatGeneral(periodogram.trials) +
                       (periodogram.trials == 1 ? " trial period" : " trial periods");
  if (periodogram.sliceSize > 1) detail += ", each point the best of " + FormatGeneral(periodogram.sliceSize);
  chart.titleLines = {fileName.empty() ? std::string("Periodogram") : "Periodogram of " + fileName, detail};
  chart.bottomAxisTitle = axis == PeriodogramAxis::Frequency ? "Frequency (1/d)" : "Trial period (d)";
  if (periodogram.columns)
    chart.leftAxisTitle =
        periodogram.columns->scoreTitle +
        (LargerIsBetter(periodogram.method) ? " (larger is better)" : " (smaller is better)");
  else
    chart.leftAxisTitle = aov ? "AoV statistic (larger is better)" : "String length (shorter is better)";
  // Better is up: a large Θ at the top, a short string at the top.
  chart.leftAxisInverted = !LargerIsBetter(periodogram.method);

  PeriodogramPicture picture;
  picture.axis = axis;
  const std::vector<TrialScore>& points = periodogram.points;
  ChartSeries& curve = chart.Series(kPeriodogramCurveSeries);
  curve.SetLineWidth(kCurveWidth);
  // Added in ascending abscissa: periods in trial order, frequencies the other way round.
  const size_t n = points.size();
  const TrialScore* previous = nullptr;
  for (size_t k = 0; k < n; ++k) {
    const size_t i = axis == PeriodogramAxis::Frequency ? n - 1 - k : k;
    const TrialScore& p = points[i];
    if (previous != nullptr) {
      const bool gap = axis == PeriodogramAxis::Frequency ? GapBetween(periodogram, p, *previous)
                                                          : GapBetween(periodogram, *previous, p);
      if (gap) {
        curve.Add(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN());
        picture.curvePoint.push_back(std::nullopt);
      }
    }
    curve.Add(Abscissa(p, axis), static_cast<double>(p.score), kCurveColour);
    picture.curvePoint.push_back(i);
    previous = &p;
  }

  // The listed peaks, in ascending abscissa so that each is added at the end.
  std::vector<size_t> order(peaks.size());
  for (size_t r = 0; r < order.size(); ++r) order[r] = r;
  auto x = [&](size_t r) { return Abscissa(points[peaks[r].point], axis); };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return x(a) < x(b); });
  for (size_t r : order) {
    chart.Series(kPeakSeries).Add(x(r), static_cast<double>(peaks[r].score));
    picture.peakRank.push_back(r);
  }

  // The best period: a vertical marker across the plot.
  chart.Series(kMarkerSeries).SetMarkersSpanPlot(true);
  if (n > 0) {
    size_t best = 0;
    long double low = points[0].score, high = points[0].score;
    for (size_t i = 1; i < n; ++i) {
      if (RanksBefore(periodogram.method, points[i], points[best])) best = i;
      low = std::min(low, points[i].score);
      high = std::max(high, points[i].score);
    }
    chart.Series(kMarkerSeries).Add(Abscissa(points[best], axis), static_cast<double>((low + high) / 2));
  }
  return picture;
}

std::optional<size_t> BestPointWithin(const Periodogram& periodogram, PeriodogramAxis axis, double from,
                                      double to) {
  std::optional<size_t> best;
  for (size_t i = 0; i < periodogram.points.size(); ++i) {
    const double x = Abscissa(periodogram.points[i], axis);
    if (!(x >= from && x <= to)) continue;
    if (!best || RanksBefore(periodogram.method, periodogram.points[i], periodogram.points[*best])) best = i;
  }
  return best;
}

}  // namespace ombrane
