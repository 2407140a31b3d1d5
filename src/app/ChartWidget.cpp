#include "ChartWidget.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "Separators.h"
#include "common/NumberFormat.h"

namespace ombrane {

QColor FromBgr(uint32_t bgr) {
  return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

uint32_t BgrOf(const QColor& colour) {
  return static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
         (static_cast<uint32_t>(colour.blue()) << 16);
}
namespace {

constexpr int kBorder = 10;     // empty margin around the chart
constexpr int kTick = 4;        // length of the axis ticks
constexpr int kSymbolHalf = 3;  // half-width and half-height of diamonds, squares, crosses
constexpr int kHitSlack = 1;    // a line or marker is hit this many pixels beside it
// A click hits the nearest point symbol whose centre lies within this many pixels: a diamond of
// half-width 3 is hit from a little outside it, without pixel hunting.
constexpr double kPickRadius = 6.0;
constexpr int kMarkerHalfHeight = 150;  // kMarkerSeries: vertical marker line through the point
constexpr int kMarkerHalfWidth = 1;
// A click this near a line of `width` pixels (the fitted curve: 3) hits it.
double CurveReach(int width) {
  return width / 2.0 + kHitSlack + 0.5;
}
constexpr int kClickTolerance = 3;  // a press and release this close is a click, not a drag
constexpr double kBottomMinStep = 0.001;
constexpr double kLeftMinStep = 0.01;
// The data fill 5 % .. 95 % of the plot: the axis extends by 5/90 of the data range each side.
constexpr double kAxisMargin = 0.05 / 0.90;
// Pixel coordinates are clamped to this so that far-off points cannot overflow an int.
constexpr double kPixelLimit = 1.0e6;

const QColor kGradientTop(0xF8, 0xF8, 0xF8);
const QColor kGradientBottom(0xCE, 0xCE, 0xCE);
const QColor kBackWall(Qt::white);
const QColor kCrossPen(0xFF, 0x00, 0x00);   // kMarkedSeries: red
const QColor kMarkerPen(0x80, 0x00, 0x00);  // kMarkerSeries: maroon

QFont PixelFont(int pixels, bool bold) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}
// Bold Arial 12 pt and 10 pt, and 8 pt for the labels, at 96 pixels per inch.
QFont TitleFont() {
  return PixelFont(16, true);
}
QFont AxisTitleFont() {
  return PixelFont(13, true);
}
QFont LabelFont() {
  return PixelFont(11, false);
}

// The smallest of 1, 2, 5 times a power of ten that is at least v.
double NiceAtLeast(double v) {
  const double base = std::pow(10.0, std::floor(std::log10(v)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * base >= v * (1 - 1e-9)) return m * base;
  }
  return 10 * base;
}
double NextNice(double step) {
  return NiceAtLeast(step * 1.5);
}

int ToPixel(double v) {
  return static_cast<int>(std::lround(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

// Value-to-pixel transform of one rendering.
struct Mapper {
  double x0, xScale, y0, yScale, xMin, yRef;
  Mapper(const QRect& plot, double xLow, double xHigh, double yMin, double yMax, bool inverted)
      : x0(plot.left()), xScale(plot.width() / (xHigh - xLow)), y0(plot.top()), xMin(xLow) {
    // Not inverted: the largest value at the top. Inverted: the smallest at the top.
    yScale = (inverted ? 1.0 : -1.0) * plot.height() / (yMax - yMin);
    yRef = inverted ? yMin : yMax;
  }
  double X(double x) const { return x0 + (x - xMin) * xScale; }
  double Y(double y) const { return y0 + (y - yRef) * yScale; }
};

// The indexes [first, end) of the points of `series` whose pixel column lies within [left,
// right] (unrounded), found by bisection in a series in ascending x: a click on a chart of a
// million points looks at the few near it. The whole series when it is not in x order. The
// mapping to pixels is monotonic, also in its rounding, so no point within is missed.
std::pair<int, int> ColumnWindow(const ChartSeries& series, const Mapper& map, double left, double right) {
  const auto& points = series.Points();
  if (!series.SortedByX()) return {0, series.Count()};
  const auto first = std::partition_point(points.begin(), points.end(),
                                          [&](const ChartPoint& p) { return map.X(p.x) < left; });
  const auto end =
      std::partition_point(first, points.end(), [&](const ChartPoint& p) { return map.X(p.x) <= right; });
  return {static_cast<int>(first - points.begin()), static_cast<int>(end - points.begin())};
}

double SegmentDistance(QPointF p, QPointF a, QPointF b) {
  const QPointF ab = b - a;
  const double length2 = QPointF::dotProduct(ab, ab);
  double t = length2 > 0 ? QPointF::dotProduct(p - a, ab) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const QPointF d = p - (a + t * ab);
  return std::hypot(d.x(), d.y());
}

// Calls `paint(x, y, point)` with the pixel of every point of `series` that has finite values
// (a point that is not finite is not drawn).
template <typename Paint>
void ForEachPixel(const ChartSeries& series, const Mapper& map, Paint paint) {
  for (const ChartPoint& p : series.Points()) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
    paint(ToPixel(map.X(p.x)), ToPixel(map.Y(p.y)), p);
  }
}

// A point symbol as drawn: its pixel and its colour.
struct Symbol {
  int x;
  int y;
  uint32_t bgr;
};

// A symbol centred this many pixels or more outside the clip rectangle shows nothing of itself
// (diamonds and squares reach kSymbolHalf pixels from their centre plus half their pen, the
// crosses' two-pixel pen one pixel beyond their ends).
constexpr int kSymbolReach = kSymbolHalf + 2;

// The symbols of `series` in drawing order. With PointDetail::Every, every point with finite
// values. With PointDetail::Visible, only those of which something shows: a symbol that lies
// wholly outside `clip` is left out, and so is one at the same pixel as a later symbol of the
// series, which covers it exactly (same shape at the same place, drawn over it; the crosses are
// drawn in one pen). The picture stays the same to the pixel at any resolution, while a series
// of a million points draws at most one symbol a pixel of the chart: per-pixel decimation that
// keeps every extreme and every marked point, since each one shows on its own pixel.
std::vector<Symbol> Symbols(const ChartSeries& series, const Mapper& map, const QRect& clip,
                            PointDetail detail) {
  const bool visible = detail == PointDetail::Visible;
  const QRect reach = clip.adjusted(-kSymbolReach, -kSymbolReach, kSymbolReach, kSymbolReach);
  std::vector<Symbol> symbols;
  symbols.reserve(static_cast<size_t>(series.Count()));
  ForEachPixel(series, map, [&](int x, int y, const ChartPoint& p) {
    if (visible && !reach.contains(x, y)) return;
    symbols.push_back(Symbol{x, y, series.DrawnColour(p)});
  });
  if (!visible || symbols.size() < 2 || reach.isEmpty()) return symbols;
  // The last symbol at each pixel of the reach, then those symbols in their order.
  const auto width = static_cast<size_t>(reach.width());
  std::vector<int32_t> last(width * static_cast<size_t>(reach.height()), -1);
  auto cell = [&](const Symbol& s) {
    return static_cast<size_t>(s.y - reach.top()) * width + static_cast<size_t>(s.x - reach.left());
  };
  for (size_t i = 0; i < symbols.size(); ++i) last[cell(symbols[i])] = static_cast<int32_t>(i);
  size_t kept = 0;
  for (size_t i = 0; i < symbols.size(); ++i) {
    if (last[cell(symbols[i])] == static_cast<int32_t>(i)) symbols[kept++] = symbols[i];
  }
  symbols.resize(kept);
  return symbols;
}

void SetSymbolColour(QPainter& painter, uint32_t bgr) {
  const QColor colour = FromBgr(bgr);
  painter.setPen(QPen(colour, 1));
  painter.setBrush(colour);
}

void DrawDiamond(QPainter& painter, int x, int y) {
  const QPoint diamond[4] = {
      {x, y - kSymbolHalf}, {x + kSymbolHalf, y}, {x, y + kSymbolHalf}, {x - kSymbolHalf, y}};
  painter.drawConvexPolygon(diamond, 4);
}

// The pixels a diamond covers, relative to its centre: one diamond drawn by DrawDiamond on a
// clear image, so that writing these pixels gives what the painter gives.
const std::vector<QPoint>& DiamondPixels() {
  static const std::vector<QPoint> pixels = [] {
    constexpr int kCentre = 2 * kSymbolHalf + 2;
    QImage image(2 * kCentre + 1, 2 * kCentre + 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing, false);
      SetSymbolColour(painter, 0);
      DrawDiamond(painter, kCentre, kCentre);
    }
    std::vector<QPoint> covered;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (qAlpha(image.pixel(x, y)) != 0) covered.emplace_back(x - kCentre, y - kCentre);
      }
    }
    return covered;
  }();
  return pixels;
}

// The image the painter draws into when its pixels can be written directly with the result the
// painter would give: an unshared 32-bit image without scaling, an opaque painter that replaces
// what it draws over. Null otherwise (SVG, PDF, the printer, a scaled or translucent painter).
QImage* DirectImage(QPainter& painter) {
  QPaintDevice* device = painter.device();
  if (device == nullptr || device->devType() != QInternal::Image) return nullptr;
  auto* image = static_cast<QImage*>(device);
  const QImage::Format format = image->format();
  const bool formatOk = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                        format == QImage::Format_ARGB32_Premultiplied;
  if (!formatOk || !image->isDetached() || image->devicePixelRatio() != 1.0 ||
      painter.combinedTransform().type() != QTransform::TxNone || painter.opacity() != 1.0 ||
      painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
      painter.testRenderHint(QPainter::Antialiasing))
    return nullptr;
  return image;
}

// Filled diamonds in each point's colour (the light curve, the phase diagram). On a plain image
// (the screen's) with PointDetail::Visible, the pixels of a diamond wholly inside the clip are
// written directly, some ten times faster than the painter; otherwise each diamond is one convex
// polygon (a path of thousands of diamonds is many times slower), the pen and brush changed only
// when the colour changes.
void PaintDiamonds(QPainter& painter, const std::vector<Symbol>& symbols, const QRect& clip,
                   PointDetail detail) {
  QImage* image = detail == PointDetail::Visible ? DirectImage(painter) : nullptr;
  // Diamonds centred in `inner` lie wholly inside the clip and the image.
  const QRect inner =
      image == nullptr ? QRect()
                       : (clip & image->rect())
                             .adjusted(kSymbolHalf + 1, kSymbolHalf + 1, -kSymbolHalf - 1, -kSymbolHalf - 1);
  const std::vector<QPoint>& pixels = DiamondPixels();
  uchar* bits = image == nullptr ? nullptr : image->bits();
  const qsizetype stride = image == nullptr ? 0 : image->bytesPerLine();
  uint32_t current = 0xFFFFFFFFu;  // no colour given to the painter yet
  for (const Symbol& s : symbols) {
    if (bits != nullptr && inner.contains(s.x, s.y)) {
      const QRgb argb = FromBgr(s.bgr).rgb();
      for (const QPoint& d : pixels)
        reinterpret_cast<QRgb*>(bits + (s.y + d.y()) * stride)[s.x + d.x()] = argb;
      continue;
    }
    if (s.bgr != current) {
      current = s.bgr;
      SetSymbolColour(painter, s.bgr);
    }
    DrawDiamond(painter, s.x, s.y);
  }
}

// Filled squares in each point's colour.
void PaintSquares(QPainter& painter, const std::vector<Symbol>& symbols) {
  for (const Symbol& s : symbols) {
    painter.fillRect(QRect(s.x - kSymbolHalf, s.y - kSymbolHalf, 2 * kSymbolHalf + 1, 2 * kSymbolHalf + 1),
                     FromBgr(s.bgr));
  }
}

// Diagonal crosses with a red pen two pixels wide (the marked points), in one call.
void PaintDiagonalCrosses(QPainter& painter, const std::vector<Symbol>& symbols) {
  std::vector<QLine> lines;
  lines.reserve(2 * symbols.size());
  for (const Symbol& s : symbols) {
    lines.emplace_back(s.x - kSymbolHalf, s.y - kSymbolHalf, s.x + kSymbolHalf, s.y + kSymbolHalf);
    lines.emplace_back(s.x - kSymbolHalf, s.y + kSymbolHalf, s.x + kSymbolHalf, s.y - kSymbolHalf);
  }
  painter.setPen(QPen(kCrossPen, 2));
  painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}

// Vertical marker lines through the points: maroon, three pixels wide, with the point's colour
// down the middle.
// Vertical extent of the marker through a point at row y: 150 pixels either side, or the height
// of the plot for a series whose markers span it; cut to the plot either way, so that a marker
// near the frame (the fit's MIN and MAX, an area's ends) never runs over the titles or the axis
// labels. Empty (top > bottom) for a marker wholly above or below the plot.
std::pair<int, int> MarkerRows(const ChartSeries& series, const QRect& plot, int y) {
  if (series.markersSpanPlot()) return {plot.top(), plot.bottom()};
  return {std::max(y - kMarkerHalfHeight, plot.top()), std::min(y + kMarkerHalfHeight, plot.bottom())};
}

// Whether the marker line at column x lies within the plot (a zoom may leave it outside).
bool MarkerColumnInPlot(const QRect& plot, int x) {
  return x - kMarkerHalfWidth >= plot.left() && x + kMarkerHalfWidth <= plot.right();
}

void PaintVerticalMarkers(QPainter& painter, const ChartSeries& series, const Mapper& map,
                          const QRect& plot) {
  ForEachPixel(series, map, [&](int x, int y, const ChartPoint& p) {
    const auto [top, bottom] = MarkerRows(series, plot, y);
    const int h = bottom - top + 1;
    if (h <= 0 || !MarkerColumnInPlot(plot, x)) return;
    painter.fillRect(QRect(x - kMarkerHalfWidth, top, 2 * kMarkerHalfWidth + 1, h), kMarkerPen);
    painter.fillRect(QRect(x, top, 1, h), FromBgr(series.DrawnColour(p)));
  });
}

// A line through the points (the fitted curve), one polyline per run of points of the same
// colour; a segment takes the colour of its end point. A point that is not finite breaks the
// line; a lone point shows as a dot.
void PaintLine(QPainter& painter, const ChartSeries& series, const Mapper& map) {
  std::vector<QPoint> polyline;
  auto flush = [&](uint32_t bgr) {
    if (polyline.size() >= 2) {
      painter.setPen(QPen(FromBgr(bgr), series.lineWidth(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.drawPolyline(polyline.data(), static_cast<int>(polyline.size()));
    }
    polyline.clear();
  };
  uint32_t runColour = 0;
  for (const ChartPoint& p : series.Points()) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
      flush(runColour);
      continue;
    }
    const QPoint q(ToPixel(map.X(p.x)), ToPixel(map.Y(p.y)));
    const uint32_t bgr = series.DrawnColour(p);
    if (!polyline.empty() && bgr != runColour) {
      const QPoint last = polyline.back();
      flush(runColour);
      polyline.push_back(last);
    }
    runColour = bgr;
    if (polyline.empty() || polyline.back() != q) polyline.push_back(q);
  }
  if (polyline.size() == 1) polyline.push_back(polyline.back());
  flush(runColour);
}

// The error bars: a vertical line of one pixel from y − σ to y + σ through each point, in the
// point's colour, those wholly outside `clip` left out. The lines of one colour are drawn
// together, so a light curve of many nights changes the pen once a night.
void PaintErrorBars(QPainter& painter, const std::vector<ErrorBar>& bars, const Mapper& map,
                    const QRect& clip) {
  std::vector<QLine> lines;
  uint32_t runColour = 0;
  auto flush = [&] {
    if (lines.empty()) return;
    painter.setPen(QPen(FromBgr(runColour), 1));
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
    lines.clear();
  };
  for (const ErrorBar& bar : bars) {
    if (!std::isfinite(bar.x) || !std::isfinite(bar.y) || !(bar.sigma > 0)) continue;
    const int x = ToPixel(map.X(bar.x));
    if (x < clip.left() || x > clip.right()) continue;
    int top = ToPixel(map.Y(bar.y - bar.sigma));
    int bottom = ToPixel(map.Y(bar.y + bar.sigma));
    if (top > bottom) std::swap(top, bottom);
    if (bottom < clip.top() || top > clip.bottom()) continue;
    if (bar.colour != runColour) {
      flush();
      runColour = bar.colour;
    }
    lines.emplace_back(x, top, x, bottom);
  }
  flush();
}

// One series with the routine of its kind; `clip` is the rectangle the painting is cut to.
void PaintSeries(QPainter& painter, const ChartSeries& series, const Mapper& map, const QRect& plot,
                 const QRect& clip, PointDetail detail) {
  if (series.Count() == 0) return;
  painter.setBrush(Qt::NoBrush);
  switch (series.kind()) {
    case SeriesKind::Diamond:
      return PaintDiamonds(painter, Symbols(series, map, clip, detail), clip, detail);
    case SeriesKind::Square:
      return PaintSquares(painter, Symbols(series, map, clip, detail));
    case SeriesKind::DiagonalCross:
      return PaintDiagonalCrosses(painter, Symbols(series, map, clip, detail));
    case SeriesKind::VerticalMarker:
      return PaintVerticalMarkers(painter, series, map, plot);
    case SeriesKind::Line:
      return PaintLine(painter, series, map);
  }
}

}  // namespace

ChartWidget::ChartWidget(ChartModel* model, QWidget* parent) : QWidget(parent), model_(model) {
  const NumberSeparators user = UserNumberSeparators();
  decimal_ = QChar(user.decimal);
  group_ = QString::fromStdString(user.group);
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartWidget::Refresh() {
  Rerender();
}

void ChartWidget::SetSeparators(QChar decimal, QString group) {
  decimal_ = decimal;
  group_ = std::move(group);
  Rerender();
}

QString ChartWidget::AxisText(double value) const {
  // FormatAxis takes a one-byte decimal separator: a separator outside ASCII goes in through a
  // stand-in byte that no formatted number contains.
  const bool ascii = decimal_.unicode() < 0x80;
  const char separator = ascii ? static_cast<char>(decimal_.unicode()) : '\x01';
  QString text = QString::fromStdString(FormatAxis(value, separator, group_.toStdString()));
  if (!ascii) text.replace(QChar('\x01'), decimal_);
  return text;
}

ChartWidget::Range ChartWidget::DataRange() const {
  double xLo = std::numeric_limits<double>::infinity(), xHi = -xLo, yLo = xLo, yHi = -xLo;
  if (model_ != nullptr) {
    for (int s = 0; s < kSeriesCount; ++s) {
      for (const ChartPoint& p : model_->Series(s).Points()) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        xLo = std::min(xLo, p.x);
        xHi = std::max(xHi, p.x);
        yLo = std::min(yLo, p.y);
        yHi = std::max(yHi, p.y);
      }
    }
    // Error bars shown stay within the axes.
    if (model_->showErrorBars) {
      for (const ErrorBar& bar : model_->errorBars) {
        if (!std::isfinite(bar.y) || !std::isfinite(bar.sigma)) continue;
        yLo = std::min(yLo, bar.y - bar.sigma);
        yHi = std::max(yHi, bar.y + bar.sigma);
      }
    }
  }
  Range r;
  auto span = [](double lo, double hi, double& outLo, double& outHi) {
    if (!(lo <= hi)) {  // no point at all
      outLo = 0;
      outHi = 1;
      return;
    }
    const double magnitude = std::max(std::fabs(lo), std::fabs(hi));
    if (hi - lo <= magnitude * 1e-12) {  // one value: one unit around it (more for huge values)
      const double pad = std::max(1.0, magnitude * 1e-9);
      lo -= pad;
      hi += pad;
    }
    const double margin = (hi - lo) * kAxisMargin;
    outLo = lo - margin;
    outHi = hi + margin;
  };
  span(xLo, xHi, r.xMin, r.xMax);
  span(yLo, yHi, r.yMin, r.yMax);
  return r;
}

ChartWidget::AxisLabels ChartWidget::ChooseLabels(double lo, double hi, int lengthPx, double minStep,
                                                  const QPaintDevice* device, bool horizontal) const {
  AxisLabels out;
  if (!(hi > lo) || !std::isfinite(hi - lo) || lengthPx <= 0) return out;
  const QFontMetrics metrics(LabelFont(), const_cast<QPaintDevice*>(device));
  const double span = hi - lo;
  const double pixelsPerUnit = lengthPx / span;
  const int firstGuess = horizontal ? metrics.horizontalAdvance(AxisText(lo)) + 12 : 2 * metrics.height();
  double step = NiceAtLeast(std::max(minStep, firstGuess / pixelsPerUnit));
  for (int attempt = 0; attempt < 60; ++attempt, step = NextNice(step)) {
    const double kFirst = std::ceil(lo / step - 1e-9);
    const double kLast = std::floor(hi / step + 1e-9);
    if (!(kLast - kFirst <= 200)) continue;
    // Beyond the integers a double holds, label positions cannot be told apart: no labels.
    if (kFirst + 1 == kFirst) return AxisLabels{};
    out.values.clear();
    out.texts.clear();
    int widest = 0;
    const int count = static_cast<int>(kLast - kFirst);
    for (int j = 0; j <= count; ++j) {
      const double value = (kFirst + j) * step;
      out.values.push_back(value);
      out.texts.push_back(AxisText(value));
      if (horizontal) widest = std::max(widest, metrics.horizontalAdvance(out.texts.back()));
    }
    const double stepPixels = step * pixelsPerUnit;
    if (horizontal ? widest + 12 <= stepPixels : metrics.height() + 4 <= stepPixels) return out;
  }
  return AxisLabels{};
}

ChartWidget::Layout ChartWidget::ComputeLayout(const QRect& target, const QPaintDevice* device) const {
  auto* dev = const_cast<QPaintDevice*>(device);
  const QFontMetrics titleMetrics(TitleFont(), dev);
  const QFontMetrics axisTitleMetrics(AxisTitleFont(), dev);
  const QFontMetrics labelMetrics(LabelFont(), dev);
  const QRect inner = target.adjusted(kBorder, kBorder, -kBorder, -kBorder);
  const int titleCount = model_ != nullptr ? static_cast<int>(model_->titleLines.size()) : 0;
  const bool hasBottomTitle = model_ != nullptr && !model_->bottomAxisTitle.empty();
  const bool hasLeftTitle = model_ != nullptr && !model_->leftAxisTitle.empty();

  Layout layout;
  layout.range = zoom_ ? *zoom_ : DataRange();
  layout.inverted = model_ == nullptr || model_->leftAxisInverted;

  // Vertical extent first: it does not depend on the labels' widths.
  const int top =
      inner.top() + titleCount * titleMetrics.height() + (titleCount > 0 ? 6 : 0) + labelMetrics.height() / 2;
  const int bottom = inner.bottom() - (hasBottomTitle ? axisTitleMetrics.height() + 2 : 0) -
                     labelMetrics.height() - kTick - 2;
  const int height = std::max(1, bottom - top);
  layout.left = ChooseLabels(layout.range.yMin, layout.range.yMax, height, kLeftMinStep, device, false);
  int labelWidth = 0;
  for (const QString& text : layout.left.texts)
    labelWidth = std::max(labelWidth, labelMetrics.horizontalAdvance(text));

  const int left = inner.left() + (hasLeftTitle ? axisTitleMetrics.height() + 4 : 0) + labelWidth + kTick + 2;
  const int right = inner.right() - 2 * labelMetrics.averageCharWidth();
  const int width = std::max(1, right - left);
  layout.plot = QRect(left, top, width, height);
  layout.bottom = ChooseLabels(layout.range.xMin, layout.range.xMax, width, kBottomMinStep, device, true);

  const QRect& plot = layout.plot;
  layout.bottomAxisArea = QRect(plot.left(), plot.bottom(), plot.width(), kTick + 3 + labelMetrics.height());
  const int leftAreaWidth = kTick + 3 + labelWidth;
  layout.leftAxisArea = QRect(plot.left() - leftAreaWidth + 1, plot.top(), leftAreaWidth, plot.height());
  return layout;
}

void ChartWidget::Render(QPainter& painter, const QRect& target, PointDetail detail) const {
  RenderWithLayout(painter, target, detail);
}

// The painting: RenderWithLayout lays the chart out and paints it layer by layer, frame and
// grid, titles, then each series with the routine of its kind. The screen, pictures and the
// printer all go through it.
ChartWidget::Layout ChartWidget::RenderWithLayout(QPainter& painter, const QRect& target,
                                                  PointDetail detail) const {
  const Layout layout = ComputeLayout(target, painter.device());
  painter.save();
  painter.setClipRect(target);
  painter.setRenderHint(QPainter::Antialiasing, false);
  PaintFrame(painter, target, layout);
  PaintTitles(painter, target, layout);
  if (model_ != nullptr) {
    const Range& r = layout.range;
    const Mapper map(layout.plot, r.xMin, r.xMax, r.yMin, r.yMax, layout.inverted);
    // The error bars under every symbol.
    if (model_->showErrorBars) PaintErrorBars(painter, model_->errorBars, map, target);
    // kLightCurveSeries first, so that later series lie on top. Points outside the plot rectangle are
    // drawn too; the vertical markers are cut to it.
    for (int s = 0; s < kSeriesCount; ++s)
      PaintSeries(painter, model_->Series(s), map, layout.plot, target, detail);
  }
  painter.restore();
  return layout;
}

// Background gradient, the white back wall, the dotted grid with the ticks and labels of both
// axes, and the frame around the plot.
void ChartWidget::PaintFrame(QPainter& painter, const QRect& target, const Layout& layout) const {
  const QRect& plot = layout.plot;
  const Range& r = layout.range;
  const Mapper map(plot, r.xMin, r.xMax, r.yMin, r.yMax, layout.inverted);

  QLinearGradient gradient(target.topLeft(), target.bottomLeft());
  gradient.setColorAt(0, kGradientTop);
  gradient.setColorAt(1, kGradientBottom);
  painter.fillRect(target, gradient);
  painter.fillRect(plot, kBackWall);

  const QFont labelFont = LabelFont();
  painter.setFont(labelFont);
  const QFontMetrics labelMetrics(labelFont, painter.device());
  const QPen gridPen(QColor(0xC0, 0xC0, 0xC0), 1, Qt::DotLine);
  for (size_t i = 0; i < layout.bottom.values.size(); ++i) {
    const int x = ToPixel(map.X(layout.bottom.values[i]));
    painter.setPen(gridPen);
    painter.drawLine(x, plot.top(), x, plot.bottom());
    painter.setPen(Qt::black);
    painter.drawLine(x, plot.bottom(), x, plot.bottom() + kTick);
    const QString& text = layout.bottom.texts[static_cast<qsizetype>(i)];
    const int w = labelMetrics.horizontalAdvance(text);
    painter.drawText(x - w / 2, plot.bottom() + kTick + 2 + labelMetrics.ascent(), text);
  }
  for (size_t i = 0; i < layout.left.values.size(); ++i) {
    const int y = ToPixel(map.Y(layout.left.values[i]));
    painter.setPen(gridPen);
    painter.drawLine(plot.left(), y, plot.right(), y);
    painter.setPen(Qt::black);
    painter.drawLine(plot.left() - kTick, y, plot.left(), y);
    const QString& text = layout.left.texts[static_cast<qsizetype>(i)];
    const int w = labelMetrics.horizontalAdvance(text);
    painter.drawText(plot.left() - kTick - 2 - w, y - labelMetrics.height() / 2 + labelMetrics.ascent(),
                     text);
  }
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(plot.adjusted(0, 0, -1, -1));
}

// The chart's title lines centred at the top, the bottom axis title under the labels and the
// left axis title turned upright beside them.
void ChartWidget::PaintTitles(QPainter& painter, const QRect& target, const Layout& layout) const {
  if (model_ == nullptr) return;
  const QRect& plot = layout.plot;
  const QRect inner = target.adjusted(kBorder, kBorder, -kBorder, -kBorder);
  painter.setPen(Qt::black);
  painter.setFont(TitleFont());
  const QFontMetrics titleMetrics(painter.font(), painter.device());
  int y = inner.top();
  for (const std::string& line : model_->titleLines) {
    painter.drawText(QRect(target.left(), y, target.width(), titleMetrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(line));
    y += titleMetrics.height();
  }
  painter.setFont(AxisTitleFont());
  const QFontMetrics axisMetrics(painter.font(), painter.device());
  if (!model_->bottomAxisTitle.empty()) {
    painter.drawText(
        QRect(plot.left(), inner.bottom() - axisMetrics.height() + 1, plot.width(), axisMetrics.height()),
        Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(model_->bottomAxisTitle));
  }
  if (!model_->leftAxisTitle.empty()) {
    painter.save();
    painter.translate(inner.left(), plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-plot.height() / 2, 0, plot.height(), axisMetrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(model_->leftAxisTitle));
    painter.restore();
  }
}

void ChartWidget::Rerender() {
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = (QSizeF(size()) * ratio).toSize();
  if (pixels.isEmpty()) {
    cache_ = QImage();
    layout_ = Layout{};
  } else {
    if (cache_.size() != pixels) cache_ = QImage(pixels, QImage::Format_RGB32);
    cache_.setDevicePixelRatio(ratio);
    QPainter painter(&cache_);
    layout_ = RenderWithLayout(painter, rect(), PointDetail::Visible);
  }
  update();
  emit AfterDraw();
}

QImage ChartWidget::RenderImage() const {
  QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  QPainter painter(&image);
  Render(painter, image.rect());
  return image;
}

void ChartWidget::RenderStretched(QPainter& painter, const QRect& target, QSize layout) const {
  layout = layout.expandedTo(QSize(1, 1));
  painter.save();
  painter.translate(target.topLeft());
  painter.scale(static_cast<double>(target.width()) / layout.width(),
                static_cast<double>(target.height()) / layout.height());
  Render(painter, QRect(QPoint(0, 0), layout));
  painter.restore();
}

QRect ChartWidget::PlotRect() const {
  return layout_.plot;
}

double ChartWidget::XValue(int px) const {
  const Range& r = layout_.range;
  return r.xMin + (px - layout_.plot.left()) * (r.xMax - r.xMin) / layout_.plot.width();
}

double ChartWidget::YValue(int py) const {
  const Range& r = layout_.range;
  const double fromTop = (py - layout_.plot.top()) * (r.yMax - r.yMin) / layout_.plot.height();
  return layout_.inverted ? r.yMin + fromTop : r.yMax - fromTop;
}

int ChartWidget::XPixel(double x) const {
  const Range& r = layout_.range;
  return ToPixel(Mapper(layout_.plot, r.xMin, r.xMax, r.yMin, r.yMax, layout_.inverted).X(x));
}

int ChartWidget::YPixel(double y) const {
  const Range& r = layout_.range;
  return ToPixel(Mapper(layout_.plot, r.xMin, r.xMax, r.yMin, r.yMax, layout_.inverted).Y(y));
}

QColor ChartWidget::BackgroundColour() const {
  return kBackWall;
}

void ChartWidget::DrawCrosshair(int x, int y, QRgb penColour, Qt::PenStyle style) {
  if (cache_.isNull()) return;
  const QRect& plot = layout_.plot;
  {
    QPainter painter(&cache_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(QColor::fromRgb(penColour), 1, style);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawLine(x, plot.top(), x, plot.bottom());
    painter.drawLine(plot.left(), y, plot.right(), y);
  }
  update(QRect(x, plot.top(), 1, plot.height()));
  update(QRect(plot.left(), y, plot.width(), 1));
}

void ChartWidget::ResetZoom() {
  zoom_.reset();
  Rerender();
}

std::optional<ChartWidget::ZoomRanges> ChartWidget::Zoom() const {
  if (!zoom_) return std::nullopt;
  return ZoomRanges{zoom_->xMin, zoom_->xMax, zoom_->yMin, zoom_->yMax};
}

void ChartWidget::SetZoom(const ZoomRanges& ranges) {
  if (!(ranges.xMax > ranges.xMin) || !(ranges.yMax > ranges.yMin)) return;
  zoom_ = Range{ranges.xMin, ranges.xMax, ranges.yMin, ranges.yMax};
}

void ChartWidget::ZoomTo(const QRect& pixels) {
  const double x1 = XValue(pixels.left()), x2 = XValue(pixels.right());
  const double y1 = YValue(pixels.top()), y2 = YValue(pixels.bottom());
  Range r{std::min(x1, x2), std::max(x1, x2), std::min(y1, y2), std::max(y1, y2)};
  if (!(r.xMax > r.xMin) || !(r.yMax > r.yMin)) return;
  zoom_ = r;
  Rerender();
}

std::optional<ChartWidget::Hit> ChartWidget::HitTest(QPoint pos) const {
  if (model_ == nullptr) return std::nullopt;
  const Range& r = layout_.range;
  const Mapper map = Mapper(layout_.plot, r.xMin, r.xMax, r.yMin, r.yMax, layout_.inverted);
  const double px = pos.x();
  const double py = pos.y();

  // The point symbols: the nearest centre within kPickRadius wins. The crosses of kMarkedSeries come
  // first where they tie with a point: a cross lies exactly over the point it marks, and a click
  // on it has to reach the cross to take the mark away. Then the observations (the light curve
  // and the phase diagram in its two series), then the two series no picture fills. Within a
  // series the point drawn last lies on top and wins a tie.
  static constexpr int kPointOrder[] = {kMarkedSeries,      kLightCurveSeries, kPhaseSeries,
                                        kSecondCycleSeries, kPeakSeries,       kSpareSeries};
  std::optional<Hit> best;
  double bestDistance2 = kPickRadius * kPickRadius;
  for (int s : kPointOrder) {
    const ChartSeries& series = model_->Series(s);
    const auto& points = series.Points();
    const auto [first, end] = ColumnWindow(series, map, px - kPickRadius - 1, px + kPickRadius + 1);
    for (int i = end - 1; i >= first; --i) {
      const ChartPoint& p = points[static_cast<size_t>(i)];
      // Most points lie far off in x: leave them before rounding to the drawn pixel. NaN
      // coordinates fail every comparison and are never hit.
      const double fx = map.X(p.x);
      if (!(std::fabs(fx - px) <= kPickRadius + 1)) continue;
      const double fy = map.Y(p.y);
      if (!(std::fabs(fy - py) <= kPickRadius + 1)) continue;
      const double dx = ToPixel(fx) - px;
      const double dy = ToPixel(fy) - py;
      const double d2 = dx * dx + dy * dy;
      if (d2 < bestDistance2 || (!best && d2 == bestDistance2)) {
        best = Hit{s, i};
        bestDistance2 = d2;
      }
    }
  }
  if (best) return best;

  // The fitted curve and the vertical markers run across many points and stand for no
  // observation: they take a click only where no point symbol is near.
  const ChartSeries& curve = model_->Series(kCurveSeries);
  const double reach = CurveReach(curve.lineWidth());
  const QPointF click(pos);
  QPointF previous;
  bool havePrevious = false;
  // From the last point left of the reach, whose segment to the next point may cross it, to the
  // first point right of it.
  const auto [near, beyond] = ColumnWindow(curve, map, px - reach, px + reach);
  for (int i = std::max(near - 1, 0); i < std::min(beyond + 1, curve.Count()); ++i) {
    const ChartPoint& p = curve.Point(i);
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
      havePrevious = false;
      continue;
    }
    const QPointF q(map.X(p.x), map.Y(p.y));
    const bool firstPoint = !havePrevious;
    const QPointF from = havePrevious ? previous : q;
    previous = q;
    havePrevious = true;
    // A segment whose ends both lie beyond the reach on one side is not near.
    if ((from.x() < px - reach && q.x() < px - reach) || (from.x() > px + reach && q.x() > px + reach) ||
        (from.y() < py - reach && q.y() < py - reach) || (from.y() > py + reach && q.y() > py + reach))
      continue;
    if (SegmentDistance(click, from, q) <= reach) {
      // The nearer end of the segment.
      const bool nearEnd = firstPoint || QLineF(click, q).length() <= QLineF(click, from).length();
      return Hit{kCurveSeries, nearEnd ? i : i - 1};
    }
  }
  const ChartSeries& markers = model_->Series(kMarkerSeries);
  for (int i = markers.Count() - 1; i >= 0; --i) {
    const ChartPoint& p = markers.Point(i);
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
    const auto [top, bottom] = MarkerRows(markers, layout_.plot, ToPixel(map.Y(p.y)));
    // Only what is drawn is hit.
    if (top > bottom || !MarkerColumnInPlot(layout_.plot, ToPixel(map.X(p.x)))) continue;
    if (std::abs(pos.x() - ToPixel(map.X(p.x))) <= kMarkerHalfWidth + kHitSlack &&
        pos.y() >= top - kHitSlack && pos.y() <= bottom + kHitSlack)
      return Hit{kMarkerSeries, i};
  }
  return std::nullopt;
}

void ChartWidget::paintEvent(QPaintEvent* event) {
  if (cache_.isNull() || cache_.size() != (QSizeF(size()) * devicePixelRatioF()).toSize()) Rerender();
  QPainter painter(this);
  if (cache_.isNull()) {
    painter.fillRect(event->rect(), kGradientBottom);
    return;
  }
  painter.drawImage(QPoint(0, 0), cache_);
  if (dragging_) {
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(pressPos_, dragPos_).normalized());
  }
}

void ChartWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Rerender();
}

void ChartWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  dragging_ = false;
  pressPos_ = dragPos_ = event->position().toPoint();
}

void ChartWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (pressed_ && (event->buttons() & Qt::LeftButton)) {
    if (!dragging_ && (pos - pressPos_).manhattanLength() > kClickTolerance) dragging_ = true;
    if (dragging_) {
      dragPos_ = pos;
      update();  // the rubber band
    }
  } else {
    // A hand over the points of the light curve and of the phase diagram, which can be clicked.
    const std::optional<Hit> hit = HitTest(pos);
    const bool hand = hit && (hit->series == kLightCurveSeries || hit->series == kPhaseSeries);
    const Qt::CursorShape shape = hand ? Qt::PointingHandCursor : Qt::CrossCursor;
    if (cursor().shape() != shape) setCursor(shape);
  }
  emit MouseMoved(pos.x(), pos.y());
}

void ChartWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  const QPoint pos = event->position().toPoint();
  if (!dragging_ && (pos - pressPos_).manhattanLength() > kClickTolerance) dragging_ = true;
  if (dragging_) {
    dragging_ = false;
    update();
    if (pos.x() > pressPos_.x() && pos.y() > pressPos_.y()) {
      ZoomTo(QRect(pressPos_, pos));
    } else {
      ResetZoom();
    }
    return;
  }
  if (const std::optional<Hit> hit = HitTest(pos)) {
    emit ClickSeries(hit->series, hit->index, pos.x(), pos.y());
  } else if (layout_.bottomAxisArea.contains(pos) || layout_.leftAxisArea.contains(pos)) {
    emit ClickAxis();
  }
}

void ChartWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = false;  // the release that follows is no click
  dragging_ = false;
  ResetZoom();
}

}  // namespace ombrane
