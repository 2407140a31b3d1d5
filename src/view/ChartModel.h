// The chart as data: eight series of points (x, y, label, colour), the title lines, the axis
// titles and the inversion of the left axis. Handlers and the core drawing routines write only
// this model; the window's chart widget paints it.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "store/Records.h"

namespace ombrane {

enum class SeriesKind { Diamond, DiagonalCross, Square, Line, VerticalMarker };

// The tag of a point: empty for the observations, a short word ("MIN", "MAX", "min") for the
// vertical markers that measurements look up. A chart holds up to millions of points and only
// a handful of distinct tags, so a point keeps the number of its tag in a table shared by the
// whole program (4 bytes, no allocation per point) instead of a string of its own.
class ChartLabel {
 public:
  ChartLabel() = default;
  ChartLabel(std::string_view text);  // NOLINT: a label is written as its text
  ChartLabel(const char* text) : ChartLabel(std::string_view(text)) {}         // NOLINT
  ChartLabel(const std::string& text) : ChartLabel(std::string_view(text)) {}  // NOLINT

  bool empty() const { return id_ == 0; }
  // The text; it stays valid as long as the program runs.
  std::string_view view() const;
  operator std::string() const { return std::string(view()); }  // NOLINT
  friend bool operator==(const ChartLabel& a, const ChartLabel& b) { return a.id_ == b.id_; }
  friend bool operator==(const ChartLabel& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const ChartLabel& a, const char* b) { return a.view() == std::string_view(b); }
  friend bool operator==(const ChartLabel& a, const std::string& b) { return a.view() == b; }
  friend std::ostream& operator<<(std::ostream& out, const ChartLabel& label);

 private:
  uint32_t id_ = 0;  // 0: empty; otherwise the place of the text in the shared table
};

// 24 bytes: a load of a million observations draws a million of them (and their second cycle).
struct ChartPoint {
  double x = 0;
  double y = 0;
  ChartLabel label;
  uint32_t colour = kSeriesColour;
};
static_assert(sizeof(ChartPoint) <= 24, "a chart point stays small: charts hold millions of them");

class ChartSeries {
 public:
  ChartSeries(SeriesKind kind, uint32_t ownColour);

  SeriesKind kind() const { return kind_; }
  uint32_t ownColour() const { return ownColour_; }
  // Width in pixels of the line of a Line series: 3 (the fitted curve) unless set otherwise.
  int lineWidth() const { return lineWidth_; }
  void SetLineWidth(int pixels) { lineWidth_ = pixels < 1 ? 1 : pixels; }
  // Vertical markers run 150 pixels either side of their point unless they span the plot.
  bool markersSpanPlot() const { return markersSpanPlot_; }
  void SetMarkersSpanPlot(bool span) { markersSpanPlot_ = span; }
  // The colour a point is drawn in: its own, or the series' colour for kSeriesColour.
  uint32_t DrawnColour(const ChartPoint& p) const;

  // Adds a point keeping ascending x: a point whose x is smaller than the last one's is
  // inserted right after the last point whose x is not greater; equal x keep their order.
  // Returns the index at which the point now stands. Points that come in ascending x (as most
  // drawings add them) are appended; points that come out of order wait in sorted runs that are
  // merged into the series when it is next read, so n additions in any order cost O(n log n).
  int Add(double x, double y, uint32_t colour = kSeriesColour, ChartLabel label = {});
  void Delete(int index);
  void Clear();
  // Room for `count` points, so that adding them does not reallocate.
  void Reserve(int count);
  // True while no point with a NaN x was added since the last Clear: the points then stand in
  // ascending x and a search by x finds them. A NaN x (a break in a line) compares with nothing,
  // so the points added after it are appended whatever their x.
  bool SortedByX() const { return sortedByX_; }

  int Count() const { return static_cast<int>(points_.size() + waiting_.size()); }
  const ChartPoint& Point(int index) const {
    Settle();
    return points_[static_cast<size_t>(index)];
  }
  const std::vector<ChartPoint>& Points() const {
    Settle();
    return points_;
  }
  double MaxY() const;  // 0 for an empty series
  double MinY() const;  // 0 for an empty series

 private:
  SeriesKind kind_;
  uint32_t ownColour_;
  int lineWidth_ = 3;
  bool markersSpanPlot_ = false;
  bool sortedByX_ = true;
  // The points in ascending x. Reading a series merges the waiting points into it first, so
  // the const readers change these members: a series is read and written by one thread at a time.
  mutable std::vector<ChartPoint> points_;
  // Points added out of order since the last merge, in runs each in ascending x (equal x in the
  // order added), the runs in the order added and each shorter than the one before it, so there
  // are at most log2(n) of them. runStarts_ holds where each run begins in waiting_.
  mutable std::vector<ChartPoint> waiting_;
  mutable std::vector<size_t> runStarts_;

  void Settle() const {
    if (!waiting_.empty()) MergeWaiting();
  }
  void MergeWaiting() const;
  // Merges the last two runs while the last is at least as long as the one before it.
  void BalanceRuns() const;
};

// The series of a chart, by role, in the order they are painted. The main chart and the
// periodogram window share the indexes: the periodogram's line is drawn where the main chart draws
// a fitted curve, its peaks in a series the main chart leaves empty.
enum SeriesIndex : int {
  kLightCurveSeries = 0,  // the observations of the light curve, in their nights' colours
  kMarkedSeries,          // crosses over the marked observations
  kPeakSeries,            // the periodogram's peaks
  kCurveSeries,           // a line: the fitted curve, or the periodogram
  kSpareSeries,           // no picture draws it
  kPhaseSeries,           // the phase diagram (its second cycle too, when drawn in one series)
  kSecondCycleSeries,     // the phase diagram's second cycle drawn apart
  kMarkerSeries,          // vertical markers: MAX/MIN, area ends, a minimum, the best period
  kSeriesCount,
  kFittedCurveSeries = kCurveSeries,
  kPeriodogramCurveSeries = kCurveSeries,
};

// The error bar of an observation: a vertical line from y − σ to y + σ through its point, in
// the point's colour. 24 bytes, as a point.
struct ErrorBar {
  double x = 0;
  double y = 0;
  float sigma = 0;
  uint32_t colour = kSeriesColour;
};

class ChartModel {
 public:
  ChartModel();

  ChartSeries& Series(int index) { return series_[static_cast<size_t>(index)]; }
  const ChartSeries& Series(int index) const { return series_[static_cast<size_t>(index)]; }

  std::vector<std::string> titleLines{"Light Curve"};
  std::string bottomAxisTitle;
  std::string leftAxisTitle{"Bright"};
  bool leftAxisInverted = true;
  // Counts the pictures drawn: ClearNightView, which every drawing of a new picture starts with,
  // adds one. The window tells a new picture from additions to the old one by it.
  int64_t pictureNumber = 0;
  // The error bars of the observations drawn (light curve, phase diagram), when they carry
  // errors; painted under the symbols while showErrorBars is set.
  std::vector<ErrorBar> errorBars;
  bool showErrorBars = false;

 private:
  std::array<ChartSeries, kSeriesCount> series_;
};

// Starts a new picture: clears kLightCurveSeries, kMarkedSeries, kCurveSeries, kPhaseSeries,
// kSecondCycleSeries and kMarkerSeries (never kPeakSeries and kSpareSeries) and the error bars,
// and counts the picture. With
// `keepMarkers` the vertical markers of kMarkerSeries stay (a redraw of the phase diagram that keeps the
// minimum's markers).
void ClearNightView(ChartModel& chart, bool keepMarkers = false);

}  // namespace ombrane
