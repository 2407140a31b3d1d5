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

namespace {

bool XBefore(const ChartPoint& a, const ChartPoint& b) {
  return a.x < b.x;
}

// The number of points of the ascending run [first, last) whose x is not greater than x.
size_t NotGreater(std::vector<ChartPoint>::const_iterator first, std::vector<ChartPoint>::const_iterator last,
                  double x) {
  return static_cast<size_t>(
      std::upper_bound(first, last, x, [](double value, const ChartPoint& q) { return value < q.x; }) -
      first);
}

}  // namespace

int ChartSeries::Add(double x, double y, uint32_t colour, ChartLabel label) {
  const ChartPoint point{x, y, label, colour};
  if (std::isnan(x) && sortedByX_) {
    Settle();
    sortedByX_ = false;
  }
  if (waiting_.empty() && (points_.empty() || !(x < points_.back().x))) {
    points_.push_back(point);
    return Count() - 1;
  }
  if (!sortedByX_) {
    // A series holding a NaN x is no longer ordered: the point goes after the last point whose
    // x is not greater, as a bisection of it finds it.
    auto at = std::upper_bound(points_.begin(), points_.end(), x,
                               [](double value, const ChartPoint& q) { return value < q.x; });
    at = points_.insert(at, point);
    return static_cast<int>(at - points_.begin());
  }
  // Out of order: the point will stand after every point added before it whose x is not
  // greater, counted in the series and in each waiting run.
  size_t index = NotGreater(points_.begin(), points_.end(), x);
  for (size_t r = 0; r < runStarts_.size(); ++r) {
    const size_t end = r + 1 < runStarts_.size() ? runStarts_[r + 1] : waiting_.size();
    index += NotGreater(waiting_.begin() + static_cast<ptrdiff_t>(runStarts_[r]),
                        waiting_.begin() + static_cast<ptrdiff_t>(end), x);
  }
  // A point not below the newest run's last extends that run; any other starts a run.
  if (waiting_.empty() || x < waiting_.back().x) runStarts_.push_back(waiting_.size());
  waiting_.push_back(point);
  BalanceRuns();
  return static_cast<int>(index);
}

void ChartSeries::BalanceRuns() const {
  while (runStarts_.size() >= 2) {
    const size_t last = runStarts_.back();
    const size_t before = runStarts_[runStarts_.size() - 2];
    if (waiting_.size() - last < last - before) break;
    // A stable merge: of equal x, the older run's points come first.
    std::inplace_merge(waiting_.begin() + static_cast<ptrdiff_t>(before),
                       waiting_.begin() + static_cast<ptrdiff_t>(last), waiting_.end(), XBefore);
    runStarts_.pop_back();
  }
}

void ChartSeries::MergeWaiting() const {
  while (runStarts_.size() >= 2) {
    const size_t last = runStarts_.back();
    std::inplace_merge(waiting_.begin() + static_cast<ptrdiff_t>(runStarts_[runStarts_.size() - 2]),
                       waiting_.begin() + static_cast<ptrdiff_t>(last), waiting_.end(), XBefore);
    runStarts_.pop_back();
  }
  const auto middle = static_cast<ptrdiff_t>(points_.size());
  points_.insert(points_.end(), waiting_.begin(), waiting_.end());
  std::inplace_merge(points_.begin(), points_.begin() + middle, points_.end(), XBefore);
  std::vector<ChartPoint>().swap(waiting_);
  runStarts_.clear();
}

void ChartSeries::Delete(int index) {
  Settle();
  if (index >= 0 && index < Count()) points_.erase(points_.begin() + index);
}

void ChartSeries::Clear() {
  points_.clear();
  waiting_.clear();
  runStarts_.clear();
  sortedByX_ = true;
}

void ChartSeries::Reserve(int count) {
  if (count > 0) points_.reserve(static_cast<size_t>(count));
}

double ChartSeries::MaxY() const {
  Settle();
  if (points_.empty()) return 0;
  return std::max_element(points_.begin(), points_.end(),
                          [](const ChartPoint& a, const ChartPoint& b) { return a.y < b.y; })
      ->y;
}

double ChartSeries::MinY() const {
  Settle();
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
  chart.errorBars.clear();
  ++chart.pictureNumber;
}

}  // namespace ombrane
