// The chart on screen: paints a ChartModel with QPainter (the same routine serves the screen,
// images, SVG, PDF and the printer), maps pixels to axis values and back, reports clicks on
// points and axes, draws the exclusive-or crosshair and zooms by dragging a rectangle.
//
// The screen draws only the symbols of which something shows (PointDetail::Visible), so that a
// light curve of a million observations repaints in a few tens of milliseconds; clicks look at
// the full data, by bisection along x.
//
// The rendered chart is kept in an image; a paint event only copies it to the screen, and the
// crosshair is drawn into that image in exclusive-or, so moving it never renders the chart
// again. Refresh(), a resize, a zoom and a change of separators render it anew and emit
// AfterDraw. The zoom survives Refresh() (clicking points on a zoomed chart keeps the view);
// ResetZoom() returns to the whole data range.
#pragma once

#include <QChar>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>
#include <vector>

#include "view/ChartModel.h"

class QPainter;
class QPaintDevice;

namespace ombrane {

// The program's colours are 0x00BBGGRR (red in the low byte); these convert them for Qt.
QColor FromBgr(uint32_t bgr);
uint32_t BgrOf(const QColor& colour);

// How many of the point symbols a rendering draws.
enum class PointDetail {
  // Every point, one symbol each: bitmap files, the clipboard and the printer.
  Every,
  // Only the symbols of which something shows: none wholly outside the painted area, none
  // covered exactly by a later symbol of its series at the same pixel of the chart. The picture
  // is the same to the pixel at any resolution; a series draws at most one symbol a pixel of the
  // chart. The screen and the vector files (SVG, PDF) use it.
  Visible,
};

class ChartWidget : public QWidget {
  Q_OBJECT
 public:
  explicit ChartWidget(ChartModel* model, QWidget* parent = nullptr);

  // The model changed: render the chart again and repaint.
  void Refresh();
  // Separators of the axis labels (default: UserNumberSeparators(), as the window's).
  void SetSeparators(QChar decimal, QString group);

  // Paints the whole chart into `target` (in the painter's coordinates) on any device. Symbol
  // sizes and fonts are in pixels of that coordinate system: to print at a high resolution,
  // scale the painter and pass a widget-sized target.
  void Render(QPainter& painter, const QRect& target, PointDetail detail = PointDetail::Every) const;
  // The chart at widget size, for bitmap and clipboard output (no crosshair, no rubber band),
  // every point drawn.
  QImage RenderImage() const;
  // Paints the chart laid out on an area of `layout` pixels (texts, symbols and lines at their
  // pixel sizes there) and stretched onto `target` in the painter's coordinates, so that a
  // page at 600 dpi shows the chart as the screen does. Printing uses it.
  void RenderStretched(QPainter& painter, const QRect& target, QSize layout) const;

  // Plot rectangle inside the axes, in widget pixels, as of the last rendering.
  QRect PlotRect() const;
  // Values of the bottom and left axes under a widget pixel column / row.
  double XValue(int px) const;
  double YValue(int py) const;
  // Widget pixel column / row of a bottom / left axis value (rounded to the nearest pixel).
  int XPixel(double x) const;
  int YPixel(double y) const;
  // Colour behind the plotted points (the back wall): the crosshair shows in
  // crosshairColour when drawn with pen BackgroundColour() XOR crosshairColour.
  QColor BackgroundColour() const;
  // Exclusive-or lines across the plot rectangle through (x, y); a second call erases them.
  void DrawCrosshair(int x, int y, QRgb penColour, Qt::PenStyle style);
  // Back to the whole data range, rendered at once (a double click, a drag up or left).
  void ResetZoom();
  // Back to the whole data range from the next rendering on (a new picture).
  void ForgetZoom() { zoom_.reset(); }
  bool IsZoomed() const { return zoom_.has_value(); }
  // The zoomed axis ranges (bottom axis from, to; left axis from, to), none when the whole
  // picture is shown; and a zoom set to such ranges (a saved view), kept by later renderings
  // as a dragged zoom is. A range that is empty or turned over is not taken.
  struct ZoomRanges {
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
  };
  std::optional<ZoomRanges> Zoom() const;
  void SetZoom(const ZoomRanges& ranges);

  // The point a click at widget pixel `pos` hits, as of the last rendering: the nearest point
  // symbol within a few pixels (kMarkedSeries before the observations where they lie on each other);
  // the fitted curve and the vertical markers only where no symbol is near. A click on a hit
  // emits ClickSeries with the series (0..7 = kLightCurveSeries..kMarkerSeries) and the point's index.
  struct Hit {
    int series = -1;
    int index = -1;
  };
  std::optional<Hit> HitTest(QPoint pos) const;

  QSize sizeHint() const override { return {857, 465}; }

  // Texts of the axis labels of the last rendering, from the smallest value up.
  QStringList BottomLabels() const { return layout_.bottom.texts; }
  QStringList LeftLabels() const { return layout_.left.texts; }

 signals:
  void ClickSeries(int series, int index, int x, int y);  // series 0..7 = kLightCurveSeries..kMarkerSeries
  void ClickAxis();
  void MouseMoved(int x, int y);
  void AfterDraw();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // Axis values at the edges of the plot rectangle.
  struct Range {
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
  };
  struct AxisLabels {
    std::vector<double> values;
    QStringList texts;
  };
  struct Layout {
    QRect plot{0, 0, 1, 1};
    Range range;
    bool inverted = true;
    AxisLabels bottom, left;
    QRect bottomAxisArea, leftAxisArea;  // where a click counts as a click on the axis
  };

  Range DataRange() const;
  Layout ComputeLayout(const QRect& target, const QPaintDevice* device) const;
  AxisLabels ChooseLabels(double lo, double hi, int lengthPx, double minStep, const QPaintDevice* device,
                          bool horizontal) const;
  QString AxisText(double value) const;
  // Lays the chart out on `target` and paints it: PaintFrame, PaintTitles, then each series by
  // the routine of its kind (ChartWidget.cpp). A new kind of drawing is one more routine.
  Layout RenderWithLayout(QPainter& painter, const QRect& target, PointDetail detail) const;
  void PaintFrame(QPainter& painter, const QRect& target, const Layout& layout) const;
  void PaintTitles(QPainter& painter, const QRect& target, const Layout& layout) const;
  void Rerender();
  void ZoomTo(const QRect& pixels);

  ChartModel* model_;
  QChar decimal_;
  QString group_;
  std::optional<Range> zoom_;
  QImage cache_;
  Layout layout_;
  bool pressed_ = false;
  bool dragging_ = false;
  QPoint pressPos_;
  QPoint dragPos_;
};

}  // namespace ombrane
