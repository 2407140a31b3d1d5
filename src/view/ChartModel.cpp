#include "view/ChartModel.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <ostream>
#include <unordered_map>

namespace ombrane {

namespace {

// The texts of all labels ever made, each once; entry 0 is the empty label. A deque keeps every
// text where it is while the table grows, so views of it stay valid.
struct LabelTable {
  std::mutex mutex;
  std::deque<std::string> texts{std::string()};
  std::unordered_map<std::string_view, uint32_t> ids;
};

LabelTable& Labels() {
  static LabelTable table;
  return table;
}

}  // namespace

ChartLabel::ChartLabel(std::string_view text) {
  if (text.empty()) return;
  LabelTable& table = Labels();
  const std::lock_guard<std::mutex> lock(table.mutex);
  if (const auto found = table.ids.find(text); found != table.ids.end()) {
    id_ = found->second;
    return;
  }
  id_ = static_cast<uint32_t>(table.texts.size());
  const std::string& kept = table.texts.emplace_back(text);
  table.ids.emplace(std::string_view(kept), id_);
}

std::string_view ChartLabel::view() const {
  if (id_ == 0) return {};
  LabelTable& table = Labels();
  const std::lock_guard<std::mutex> lock(table.mutex);
  return table.texts[id_];
}

std::ostream& operator<<(std::ostream& out, const ChartLabel& label) {
  return out << label.view();
}

ChartSeries::ChartSeries(SeriesKind kind, uint32_t ownColour) : kind_(kind), ownColour_(ownColour) {}

uint32_t ChartSeries::DrawnColour(const ChartPoint& p) const {
  return p.colour == kSeriesColour ? ownColour_ : p.colour;
}

int ChartSeries::Add(double x, double y, uint32_t colour, ChartLabel label) {
  const ChartPoint point{x, y, label, colour};
  if (std::isnan(x)) sortedByX_ = false;
  if (points_.empty() || !(x < points_.back().x)) {
    points_.push_back(point);
    return Count() - 1;
  }
  // After the last point whose x is not greater than the new one's.
  auto at = std::upper_bound(points_.begin(), points_.end(), x,
                             [](double value, const ChartPoint& q) { return value < q.x; });
  at = points_.insert(at, point);
  return static_cast<int>(at - points_.begin());
}

void ChartSeries::Delete(int index) {
  if (index >= 0 && index < Count()) points_.erase(points_.begin() + index);
}

void ChartSeries::Clear() {
  points_.clear();
  sortedByX_ = true;
}

void ChartSeries::Reserve(int count) {
  if (count > 0) points_.reserve(static_cast<size_t>(count));
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
