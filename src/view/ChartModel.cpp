#include "view/ChartModel.h"

#include <algorithm>

namespace ombrane {

ChartSeries::ChartSeries(SeriesKind kind, uint32_t ownColour) : kind_(kind), ownColour_(ownColour) {}

uint32_t ChartSeries::DrawnColour(const ChartPoint& p) const {
  return p.colour == kSeriesColour ? ownColour_ : p.colour;
}

int ChartSeries::Add(double x, double y, uint32_t colour, std::string label) {
  ChartPoint point{x, y, std::move(label), colour};
  if (points_.empty() || !(x < points_.back().x)) {
    points_.push_back(std::move(point));
    return Count() - 1;
  }
  // After the last point whose x is not greater than the new one's.
  auto at = std::upper_bound(points_.begin(), points_.end(), x,
                             [](double value, const ChartPoint& q) { return value < q.x; });
  at = points_.insert(at, std::move(point));
  return static_cast<int>(at - points_.begin());
}

void ChartSeries::Delete(int index) {
  if (index >= 0 && index < Count()) points_.erase(points_.begin() + index);
}

void ChartSeries::Clear() {
  points_.clear();
}

double ChartSeries::MaxY() const {
  if (points_.empty()) return 0;
  return std::max_element(points_.begin(), points_.end(),
                          [](const ChartPoint& a, const ChartPoint& b) { return a.y < b.y; })
      ->y;
}

double ChartSeries::MinY() const {
  if (points_.empty()) return 0;
  return std::min_element(points_.begin(), points_.end(),
                          [](const ChartPoint& a, const ChartPoint& b) { return a.y < b.y; })
      ->y;
}

ChartModel::ChartModel()
    : series_{ChartSeries(SeriesKind::Diamond, 0x0000FF),            // kLightCurveSeries
              ChartSeries(SeriesKind::DiagonalCross, 0x000000),      // kMarkedSeries
              ChartSeries(SeriesKind::Square, 0x008000),             // kPeakSeries
              ChartSeries(SeriesKind::Line, 0x00FFFF),               // kCurveSeries
              ChartSeries(SeriesKind::Square, 0xFF0000),             // kSpareSeries
              ChartSeries(SeriesKind::Diamond, 0x0000FF),            // kPhaseSeries
              ChartSeries(SeriesKind::Diamond, 0x0000FF),            // kSecondCycleSeries
              ChartSeries(SeriesKind::VerticalMarker, 0x00FF80)} {}  // kMarkerSeries

void ClearNightView(ChartModel& chart, bool keepMarkers) {
  for (int s : {kLightCurveSeries, kMarkedSeries, kCurveSeries, kPhaseSeries, kSecondCycleSeries})
    chart.Series(s).Clear();
  if (!keepMarkers) chart.Series(kMarkerSeries).Clear();
  ++chart.pictureNumber;
}

}  // namespace ombrane
