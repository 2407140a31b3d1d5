// The chart widget on the offscreen platform: pixel/value mapping, clicks on points and axes,
// the exclusive-or crosshair, re-rendering, zoom, axis labels and the look of the symbols.
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <memory>

#include "ChartOutput.h"
#include "ChartWidget.h"
#include "view/ChartModel.h"

using ombrane::ChartModel;
using ombrane::ChartWidget;

namespace {

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}

void Click(QWidget* w, QPoint pos) {
  SendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

void Drag(QWidget* w, QPoint from, QPoint to) {
  SendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

QImage Shown(ChartWidget& w) {
  return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// kLightCurveSeries points (0, 0), (3, 3), (6, 6), (9, 9): both axes span -0.5 .. 9.5, since the data
// fill 5 % .. 95 % of the plot and 9 * 0.05 / 0.90 = 0.5.
void FillDiagonal(ChartModel& model) {
  for (int v : {0, 3, 6, 9}) model.Series(ombrane::kLightCurveSeries).Add(v, v, 0x008000);
}

// Points that lie on each other in many colours: 40 x values by 30 y values for 3000 points of
// 7 colours, so that most pixels get several diamonds of different colours in turn; squares,
// crosses and the phase series over them.
void FillCrowded(ChartModel& model) {
  constexpr uint32_t kColours[] = {0x008000, 0x0000FF, 0xFF0000, 0x00FFFF, 0x800080, 0x808000, 0x000000};
  for (int i = 0; i < 3000; ++i) {
    const double x = (i * 7 % 40) * 0.25;
    const double y = (i * 11 % 30) * 0.3;
    model.Series(ombrane::kLightCurveSeries).Add(x, y, kColours[i % 7]);
    if (i % 5 == 0) model.Series(ombrane::kPhaseSeries).Add(x + 0.1, y, kColours[(i / 5) % 7]);
    if (i % 9 == 0) model.Series(ombrane::kMarkedSeries).Add(x, y);
    if (i % 13 == 0) model.Series(ombrane::kPeakSeries).Add(x, y + 0.15, kColours[(i / 13) % 7]);
  }
}

// The chart painted into an image `scale` times the widget's size.
QImage Painted(const ChartWidget& chart, int scale, ombrane::PointDetail detail) {
  QImage image(chart.size() * scale, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.scale(scale, scale);
  chart.Render(painter, chart.rect(), detail);
  return image;
}

}  // namespace

class TestChartWidget : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ChartModel> model_;
  std::unique_ptr<ChartWidget> chart_;

  void Show() {
    chart_ = std::make_unique<ChartWidget>(model_.get());
    chart_->resize(857, 465);
    chart_->show();
    QVERIFY(QTest::qWaitForWindowExposed(chart_.get()));
    chart_->Refresh();
  }

 private slots:
  void init() { model_ = std::make_unique<ChartModel>(); }
  void cleanup() {
    chart_.reset();
    model_.reset();
  }

  // Any real Julian Day can be loaded: extreme abscissae give a chart, never a hang.
  void extremeValues_data() {
    QTest::addColumn<double>("x1");
    QTest::addColumn<double>("x2");
    QTest::newRow("one Julian Day") << 2450001.5 << 2450001.5;
    QTest::newRow("beyond exact integers") << 1e16 << 1e16 + 4;
    QTest::newRow("further beyond") << 2e16 << 2e16 + 8;
    QTest::newRow("one huge value") << 1e17 << 1e17;
    QTest::newRow("both signs") << -1e15 << 1e15;
  }
  void extremeValues() {
    QFETCH(double, x1);
    QFETCH(double, x2);
    model_->Series(ombrane::kLightCurveSeries).Add(x1, 12.0, 0x008000);
    model_->Series(ombrane::kLightCurveSeries).Add(x2, 12.5, 0x008000);
    Show();
    const QStringList labels = chart_->BottomLabels();
    QVERIFY(labels.size() < 202);
    const QRect plot = chart_->PlotRect();
    QVERIFY(plot.width() > 0 && plot.height() > 0);
    QVERIFY(std::isfinite(chart_->XValue(plot.center().x())));
  }

  void mapping_data() {
    QTest::addColumn<bool>("inverted");
    QTest::newRow("left axis inverted") << true;
    QTest::newRow("left axis upright") << false;
  }
  void mapping() {
    QFETCH(bool, inverted);
    FillDiagonal(*model_);
    model_->leftAxisInverted = inverted;
    Show();
    const QRect plot = chart_->PlotRect();
    QVERIFY(plot.width() > 500 && plot.height() > 250);
    QVERIFY(QRect(0, 0, 857, 465).contains(plot));

    // The plot edges carry the axis ends.
    QCOMPARE(chart_->XValue(plot.left()), -0.5);
    QVERIFY(std::fabs(chart_->XValue(plot.left() + plot.width()) - 9.5) < 1e-12);
    const double top = chart_->YValue(plot.top());
    const double bottom = chart_->YValue(plot.top() + plot.height());
    QVERIFY(std::fabs(top - (inverted ? -0.5 : 9.5)) < 1e-12);
    QVERIFY(std::fabs(bottom - (inverted ? 9.5 : -0.5)) < 1e-12);

    // The data begin at 5 % and end at 95 % of the plot.
    QVERIFY(std::abs(chart_->XPixel(0) - (plot.left() + 0.05 * plot.width())) <= 0.5);
    QVERIFY(std::abs(chart_->XPixel(9) - (plot.left() + 0.95 * plot.width())) <= 0.5);
    const int y9 = chart_->YPixel(9);
    const int y0 = chart_->YPixel(0);
    QCOMPARE(y9 > y0, inverted);  // inverted: larger values lower
    QVERIFY(std::abs((inverted ? y0 : y9) - (plot.top() + 0.05 * plot.height())) <= 0.5);

    // Round trips agree to half a pixel.
    const double xPerPixel = 10.0 / plot.width();
    const double yPerPixel = 10.0 / plot.height();
    for (double v : {-0.5, 0.0, 1.234, 4.5, 8.75, 9.5}) {
      QVERIFY2(std::fabs(chart_->XValue(chart_->XPixel(v)) - v) <= xPerPixel / 2 + 1e-12,
               qPrintable(QString::number(v)));
      QVERIFY2(std::fabs(chart_->YValue(chart_->YPixel(v)) - v) <= yPerPixel / 2 + 1e-12,
               qPrintable(QString::number(v)));
    }
    // The diamonds are painted where the mapping says, in their colour (0x00BBGGRR 0x008000).
    const QImage image = chart_->RenderImage();
    QCOMPARE(image.pixel(chart_->XPixel(6), chart_->YPixel(6)), qRgb(0, 0x80, 0));
  }

  void emptyChartHasARange() {
    Show();
    QRect plot = chart_->PlotRect();
    QVERIFY(plot.isValid());
    const double left = chart_->XValue(plot.left());
    const double right = chart_->XValue(plot.right());
    QVERIFY(std::isfinite(left) && std::isfinite(right) && right > left);
    // One point: a range around it, the point in the middle.
    model_->Series(ombrane::kPhaseSeries).Add(2450000.5, 12.0);
    chart_->Refresh();
    plot = chart_->PlotRect();
    QVERIFY(std::abs(chart_->XPixel(2450000.5) - plot.center().x()) <= 1);
    QVERIFY(std::abs(chart_->YPixel(12.0) - plot.center().y()) <= 1);
  }

  void clickOnPoint_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<QPoint>("offset");  // pixels from the point
    QTest::addColumn<int>("series");     // -1: no hit
    QTest::addColumn<int>("index");
    QTest::newRow("kLightCurveSeries third point") << 6.0 << 6.0 << QPoint(0, 0) << 0 << 2;
    QTest::newRow("within the pick radius") << 9.0 << 9.0 << QPoint(4, -4) << 0 << 3;
    QTest::newRow("on the pick radius") << 9.0 << 9.0 << QPoint(0, 6) << 0 << 3;
    QTest::newRow("just outside it") << 9.0 << 9.0 << QPoint(5, 4) << -1 << -1;
    QTest::newRow("kMarkedSeries above kLightCurveSeries") << 3.0 << 3.0 << QPoint(1, 1) << 1 << 0;
    QTest::newRow("kPhaseSeries") << 6.0 << 2.0 << QPoint(-3, 2) << 5 << 0;
    QTest::newRow("kFittedCurveSeries near its first end") << 2.0 << 7.0 << QPoint(0, 2) << 3 << 0;
    QTest::newRow("kFittedCurveSeries near its second end") << 7.0 << 2.0 << QPoint(0, 0) << 3 << 1;
    QTest::newRow("kMarkerSeries far up its marker") << 1.0 << 4.5 << QPoint(1, -140) << 7 << 0;
  }
  void clickOnPoint() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(QPoint, offset);
    QFETCH(int, series);
    QFETCH(int, index);
    FillDiagonal(*model_);
    model_->Series(ombrane::kMarkedSeries).Add(3, 3);
    model_->Series(ombrane::kPhaseSeries).Add(6, 2, 0x0000FF);
    model_->Series(ombrane::kFittedCurveSeries).Add(0, 9, 0x00FFFF);
    model_->Series(ombrane::kFittedCurveSeries).Add(9, 0, 0x00FFFF);
    model_->Series(ombrane::kMarkerSeries).Add(1, 4.5, 0x00FF00);
    Show();
    QSignalSpy clicks(chart_.get(), &ChartWidget::ClickSeries);
    QSignalSpy axis(chart_.get(), &ChartWidget::ClickAxis);
    const QPoint at = QPoint(chart_->XPixel(x), chart_->YPixel(y)) + offset;
    Click(chart_.get(), at);
    QCOMPARE(axis.count(), 0);
    if (series < 0) {
      QCOMPARE(clicks.count(), 0);
      return;
    }
    QCOMPARE(clicks.count(), 1);
    const QList<QVariant> args = clicks.takeFirst();
    QCOMPARE(args.at(0).toInt(), series);
    QCOMPARE(args.at(1).toInt(), index);
    QCOMPARE(args.at(2).toInt(), at.x());
    QCOMPARE(args.at(3).toInt(), at.y());
  }

  // Two symbols 4 pixels apart and a marker line through one of them: the nearest symbol takes
  // the click, and the marker only a click beside every symbol.
  void clickTakesTheNearestSymbol_data() {
    QTest::addColumn<QPoint>("offset");  // pixels from the kLightCurveSeries point (3, 3)
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("index");
    QTest::newRow("on the light-curve point") << QPoint(0, 0) << 0 << 1;
    QTest::newRow("one pixel towards the other") << QPoint(1, 0) << 0 << 1;
    QTest::newRow("nearer the phase point") << QPoint(3, 0) << 5 << 0;
    QTest::newRow("on the marker above the point") << QPoint(0, -3) << 0 << 1;
    QTest::newRow("on the marker far above") << QPoint(0, -40) << 7 << 0;
  }
  void clickTakesTheNearestSymbol() {
    QFETCH(QPoint, offset);
    QFETCH(int, series);
    QFETCH(int, index);
    FillDiagonal(*model_);
    Show();
    // 4 pixels right of (3, 3), then a render that keeps the range (the point lies inside it).
    const double x = chart_->XValue(chart_->XPixel(3) + 4);
    model_->Series(ombrane::kPhaseSeries).Add(x, 3, 0x0000FF);
    model_->Series(ombrane::kMarkerSeries).Add(3, 3, 0x00FF00);
    chart_->Refresh();
    QCOMPARE(chart_->XPixel(x), chart_->XPixel(3) + 4);
    QSignalSpy clicks(chart_.get(), &ChartWidget::ClickSeries);
    Click(chart_.get(), QPoint(chart_->XPixel(3), chart_->YPixel(3)) + offset);
    QCOMPARE(clicks.count(), 1);
    const QList<QVariant> args = clicks.takeFirst();
    QCOMPARE(args.at(0).toInt(), series);
    QCOMPARE(args.at(1).toInt(), index);
  }

  void clickOnAxis_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("axisClicks");
    QTest::newRow("bottom labels") << "bottom" << 1;
    QTest::newRow("left labels") << "left" << 1;
    QTest::newRow("inside the plot") << "inside" << 0;
    QTest::newRow("title") << "title" << 0;
  }
  void clickOnAxis() {
    QFETCH(QString, where);
    QFETCH(int, axisClicks);
    FillDiagonal(*model_);
    Show();
    const QRect plot = chart_->PlotRect();
    QPoint at;
    if (where == "bottom") at = QPoint(plot.center().x(), plot.bottom() + 8);
    if (where == "left") at = QPoint(plot.left() - 8, plot.center().y());
    if (where == "inside") at = QPoint(plot.center().x(), plot.top() + 10);
    if (where == "title") at = QPoint(plot.center().x(), 12);
    QSignalSpy clicks(chart_.get(), &ChartWidget::ClickSeries);
    QSignalSpy axis(chart_.get(), &ChartWidget::ClickAxis);
    Click(chart_.get(), at);
    QCOMPARE(axis.count(), axisClicks);
    QCOMPARE(clicks.count(), 0);
  }

  void crosshairIsExclusiveOr_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QRgb>("colour");  // crosshair colour shown over the background
    QTest::newRow("solid yellow") << int(Qt::SolidLine) << qRgb(255, 255, 0);
    QTest::newRow("dashed red") << int(Qt::DashLine) << qRgb(255, 0, 0);
    QTest::newRow("dotted lime") << int(Qt::DotLine) << qRgb(0, 255, 0);
  }
  void crosshairIsExclusiveOr() {
    QFETCH(int, style);
    QFETCH(QRgb, colour);
    FillDiagonal(*model_);
    Show();
    const QRect plot = chart_->PlotRect();
    const QImage before = Shown(*chart_);
    const int x = plot.left() + plot.width() / 3;
    const int y = plot.top() + plot.height() / 3;

    QSignalSpy drawn(chart_.get(), &ChartWidget::AfterDraw);
    const QRgb pen = (chart_->BackgroundColour().rgb() ^ colour) | 0xFF000000u;
    chart_->DrawCrosshair(x, y, pen, Qt::PenStyle(style));
    const QImage once = Shown(*chart_);
    // Every changed pixel lies on one of the two lines inside the plot and changed by the pen
    // colour; over the white back wall it shows the crosshair colour.
    int changed = 0;
    int shownInColour = 0;
    for (int py = 0; py < before.height(); ++py) {
      for (int px = 0; px < before.width(); ++px) {
        if (once.pixel(px, py) == before.pixel(px, py)) continue;
        ++changed;
        QVERIFY(px == x || py == y);
        QVERIFY(plot.contains(px, py));
        QCOMPARE((once.pixel(px, py) ^ before.pixel(px, py)) & 0xFFFFFFu, pen & 0xFFFFFFu);
        if (before.pixel(px, py) == qRgb(255, 255, 255)) {
          QCOMPARE(once.pixel(px, py), colour);
          ++shownInColour;
        }
      }
    }
    QVERIFY(changed > (plot.height() + plot.width()) / 3);
    QVERIFY(shownInColour > changed / 2);
    chart_->DrawCrosshair(x, y, pen, Qt::PenStyle(style));
    QCOMPARE(Shown(*chart_), before);
    QCOMPARE(drawn.count(), 0);  // the chart was not rendered again
  }

  void crosshairInTheBackgroundColourIsInvisible() {
    FillDiagonal(*model_);
    Show();
    const QImage before = Shown(*chart_);
    const QRgb pen = chart_->BackgroundColour().rgb() ^ chart_->BackgroundColour().rgb();
    chart_->DrawCrosshair(chart_->PlotRect().center().x(), chart_->PlotRect().center().y(), pen,
                          Qt::SolidLine);
    QCOMPARE(Shown(*chart_), before);
  }

  void afterDrawFollowsEveryRendering() {
    FillDiagonal(*model_);
    Show();
    QSignalSpy drawn(chart_.get(), &ChartWidget::AfterDraw);
    chart_->Refresh();
    QCOMPARE(drawn.count(), 1);
    chart_->SetSeparators(QChar(','), QStringLiteral("."));
    QCOMPARE(drawn.count(), 2);
    chart_->resize(700, 400);
    QCOMPARE(drawn.count(), 3);
    const QRect plot = chart_->PlotRect();
    Drag(chart_.get(), plot.topLeft() + QPoint(20, 20), plot.center());
    QCOMPARE(drawn.count(), 4);
    chart_->ResetZoom();
    QCOMPARE(drawn.count(), 5);
    chart_->DrawCrosshair(plot.center().x(), plot.center().y(), qRgb(0, 0, 255), Qt::SolidLine);
    QCOMPARE(drawn.count(), 5);
  }

  void zoomAndReset() {
    FillDiagonal(*model_);
    model_->leftAxisInverted = false;
    Show();
    const QRect plot = chart_->PlotRect();
    const double tolerance = 10.0 / plot.width() + 10.0 / plot.height();
    // The plot rectangle follows the width of the left labels, so it is read anew.
    auto expectView = [&](double xLo, double xHi, double yTop, double yBottom) {
      const QRect now = chart_->PlotRect();
      QVERIFY(std::fabs(chart_->XValue(now.left()) - xLo) <= tolerance);
      QVERIFY(std::fabs(chart_->XValue(now.left() + now.width()) - xHi) <= tolerance);
      QVERIFY(std::fabs(chart_->YValue(now.top()) - yTop) <= tolerance);
      QVERIFY(std::fabs(chart_->YValue(now.top() + now.height()) - yBottom) <= tolerance);
    };
    QSignalSpy clicks(chart_.get(), &ChartWidget::ClickSeries);
    QSignalSpy axis(chart_.get(), &ChartWidget::ClickAxis);

    // Down and to the right: zoom to the rectangle x 2 .. 5, y 7 .. 3 (the top is 7).
    Drag(chart_.get(), QPoint(chart_->XPixel(2), chart_->YPixel(7)),
         QPoint(chart_->XPixel(5), chart_->YPixel(3)));
    QVERIFY(chart_->IsZoomed());
    expectView(2, 5, 7, 3);
    chart_->Refresh();  // the zoom survives a redraw of the model
    expectView(2, 5, 7, 3);

    // Up and to the left: the whole view again.
    Drag(chart_.get(), plot.center(), plot.center() - QPoint(40, 30));
    QVERIFY(!chart_->IsZoomed());
    expectView(-0.5, 9.5, 9.5, -0.5);

    // A double click restores the whole view too.
    Drag(chart_.get(), QPoint(chart_->XPixel(1), chart_->YPixel(8)),
         QPoint(chart_->XPixel(4), chart_->YPixel(6)));
    expectView(1, 4, 8, 6);
    const QPoint centre = chart_->PlotRect().center();
    SendMouse(chart_.get(), QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    SendMouse(chart_.get(), QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
    SendMouse(chart_.get(), QEvent::MouseButtonDblClick, centre, Qt::LeftButton, Qt::LeftButton);
    SendMouse(chart_.get(), QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
    QVERIFY(!chart_->IsZoomed());
    expectView(-0.5, 9.5, 9.5, -0.5);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(axis.count(), 0);
  }

  void mouseMovesAreReported() {
    FillDiagonal(*model_);
    model_->Series(ombrane::kSecondCycleSeries).Add(4.5, 4.5);
    Show();
    QSignalSpy moved(chart_.get(), &ChartWidget::MouseMoved);
    SendMouse(chart_.get(), QEvent::MouseMove, QPoint(123, 45), Qt::NoButton, Qt::NoButton);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.at(0).at(0).toInt(), 123);
    QCOMPARE(moved.at(0).at(1).toInt(), 45);
    QCOMPARE(chart_->cursor().shape(), Qt::CrossCursor);
    // A hand over a light-curve point, the crosshair cursor over a second-cycle point.
    SendMouse(chart_.get(), QEvent::MouseMove, QPoint(chart_->XPixel(3), chart_->YPixel(3)), Qt::NoButton,
              Qt::NoButton);
    QCOMPARE(chart_->cursor().shape(), Qt::PointingHandCursor);
    SendMouse(chart_.get(), QEvent::MouseMove, QPoint(chart_->XPixel(4.5), chart_->YPixel(4.5)), Qt::NoButton,
              Qt::NoButton);
    QCOMPARE(chart_->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(moved.count(), 3);
  }

  void axisLabels() {
    // x 2450000.1 .. 2450000.9 and y 10.000 .. 10.004: the left axis spans about
    // 9.9998 .. 10.0042, in which 10 is the only multiple of a step of at least 0.01.
    model_->Series(ombrane::kLightCurveSeries).Add(2450000.1, 10.000);
    model_->Series(ombrane::kLightCurveSeries).Add(2450000.9, 10.004);
    Show();
    chart_->SetSeparators(QChar(','), QStringLiteral("."));
    QCOMPARE(chart_->LeftLabels(), QStringList{"10"});
    const QStringList bottom = chart_->BottomLabels();
    QVERIFY(bottom.size() >= 3);
    double previousValue = 0;
    double step = 0;
    for (int i = 0; i < bottom.size(); ++i) {
      QVERIFY2(bottom[i].startsWith("2.450.00"), qPrintable(bottom[i]));
      QString plain = bottom[i];
      plain.remove('.').remove(' ').replace(',', '.');
      bool ok = false;
      const double value = plain.toDouble(&ok);
      QVERIFY2(ok, qPrintable(bottom[i]));
      QVERIFY(value >= 2450000.0 && value <= 2450001.0);
      if (i == 1) step = value - previousValue;
      if (i > 1) QVERIFY(std::fabs(value - previousValue - step) < 1e-6);
      previousValue = value;
    }
    // The step is 1, 2 or 5 times a power of ten, and at least 0.001.
    QVERIFY(step >= 0.001 - 1e-9);
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    QVERIFY2(
        std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 || std::fabs(mantissa - 5) < 1e-6,
        qPrintable(QString::number(step)));

    // A bottom range narrower than the smallest step shows only the label 0.
    model_->Series(ombrane::kLightCurveSeries).Clear();
    model_->Series(ombrane::kLightCurveSeries).Add(0.0, 1.0);
    model_->Series(ombrane::kLightCurveSeries).Add(0.0009, 3.0);
    chart_->Refresh();
    QCOMPARE(chart_->BottomLabels(), QStringList{"0"});
  }

  void symbolsHaveTheirLook_data() {
    QTest::addColumn<int>("series");
    QTest::addColumn<uint>("colour");   // 0x00BBGGRR, 0x20000000 = the series' own
    QTest::addColumn<QPoint>("probe");  // pixels from the point
    QTest::addColumn<QRgb>("expected");
    const QRgb white = qRgb(255, 255, 255);
    QTest::newRow("diamond centre") << 0 << 0x008000u << QPoint(0, 0) << qRgb(0, 0x80, 0);
    QTest::newRow("diamond tip") << 0 << 0x008000u << QPoint(3, 0) << qRgb(0, 0x80, 0);
    QTest::newRow("diamond corner empty") << 0 << 0x008000u << QPoint(3, 3) << white;
    QTest::newRow("night 14 white") << 0 << 0xFFFFFFu << QPoint(0, 0) << white;
    QTest::newRow("kPhaseSeries blue") << 5 << 0xFF0000u << QPoint(0, -2) << qRgb(0, 0, 255);
    QTest::newRow("kSecondCycleSeries own red") << 6 << 0x20000000u << QPoint(1, 1) << qRgb(255, 0, 0);
    QTest::newRow("kMarkedSeries cross, red pen") << 1 << 0x20000000u << QPoint(2, 2) << qRgb(255, 0, 0);
    QTest::newRow("kMarkedSeries cross arm ends") << 1 << 0x20000000u << QPoint(-3, 3) << qRgb(255, 0, 0);
    QTest::newRow("kMarkedSeries cross open side") << 1 << 0x20000000u << QPoint(3, 0) << white;
    QTest::newRow("kPeakSeries square corner") << 2 << 0x20000000u << QPoint(3, -3) << qRgb(0, 0x80, 0);
    QTest::newRow("kSpareSeries square") << 4 << 0x20000000u << QPoint(-3, 3) << qRgb(0, 0, 255);
    QTest::newRow("kMarkerSeries marker middle") << 7 << 0x00FF00u << QPoint(0, -120) << qRgb(0, 255, 0);
    QTest::newRow("kMarkerSeries marker edge") << 7 << 0x0000FFu << QPoint(1, 0) << qRgb(0x80, 0, 0);
    QTest::newRow("kMarkerSeries marker width") << 7 << 0x0000FFu << QPoint(2, 0) << white;
  }
  void symbolsHaveTheirLook() {
    QFETCH(int, series);
    QFETCH(uint, colour);
    QFETCH(QPoint, probe);
    QFETCH(QRgb, expected);
    // The range comes from two white kLightCurveSeries points at the corners; the probed point lies
    // well between the grid lines.
    model_->Series(ombrane::kLightCurveSeries).Add(0.0, 0.0, 0xFFFFFF);
    model_->Series(ombrane::kLightCurveSeries).Add(10.0, 10.0, 0xFFFFFF);
    model_->Series(series).Add(4.37, 5.37, colour);
    Show();
    const QImage image = chart_->RenderImage();
    const QPoint at(chart_->XPixel(4.37), chart_->YPixel(5.37));
    QCOMPARE(image.pixel(at + probe), expected);
  }

  void curveWidth_data() {
    QTest::addColumn<int>("width");  // 0: as the series comes (the fitted curve)
    QTest::addColumn<int>("pixels");
    QTest::newRow("fitted curve") << 0 << 3;
    QTest::newRow("thin line") << 1 << 1;
  }
  void curveWidth() {
    QFETCH(int, width);
    QFETCH(int, pixels);
    if (width > 0) model_->Series(ombrane::kFittedCurveSeries).SetLineWidth(width);
    model_->Series(ombrane::kFittedCurveSeries).Add(0.0, 5.0, 0x00FFFF);
    model_->Series(ombrane::kFittedCurveSeries).Add(10.0, 5.0, 0x00FFFF);
    model_->Series(ombrane::kLightCurveSeries).Add(0.0, 0.0, 0xFFFFFF);
    model_->Series(ombrane::kLightCurveSeries).Add(10.0, 10.0, 0xFFFFFF);
    Show();
    const QImage image = chart_->RenderImage();
    const int x = chart_->XPixel(4.37);
    const int y = chart_->YPixel(5.0);
    int yellow = 0;
    for (int dy = -4; dy <= 4; ++dy) yellow += image.pixel(x, y + dy) == qRgb(255, 255, 0) ? 1 : 0;
    QCOMPARE(yellow, pixels);
  }

  // A marker near the plot's top edge (the fit's MAX, an area's end) stops at the frame: its 150
  // pixels above the point would run over the titles. A click above the frame does not hit it.
  void markersStayInThePlot() {
    model_->Series(ombrane::kLightCurveSeries).Add(0.0, 0.0, 0xFFFFFF);
    model_->Series(ombrane::kLightCurveSeries).Add(10.0, 10.0, 0xFFFFFF);
    model_->Series(ombrane::kMarkerSeries).Add(4.37, 9.9, 0x00FF00, "MAX");
    model_->Series(ombrane::kMarkerSeries).Add(6.37, 0.1, 0x00FF00, "MIN");
    Show();
    const QImage image = chart_->RenderImage();
    const QRect plot = chart_->PlotRect();
    const QRgb green = qRgb(0, 255, 0);
    // One marker's point lies near the top of the plot, the other's near the bottom (whichever
    // way the axis runs): each reaches the frame on its side.
    const int rows[] = {chart_->YPixel(9.9), chart_->YPixel(0.1)};
    QCOMPARE(std::min(rows[0], rows[1]) - 150 < plot.top(), true);
    QCOMPARE(std::max(rows[0], rows[1]) + 150 > plot.bottom(), true);
    const int topColumn = chart_->XPixel(rows[0] < rows[1] ? 4.37 : 6.37);
    const int bottomColumn = chart_->XPixel(rows[0] < rows[1] ? 6.37 : 4.37);
    QCOMPARE(image.pixel(topColumn, plot.top() + 1), green);
    QCOMPARE(image.pixel(bottomColumn, plot.bottom() - 1), green);
    for (double x : {4.37, 6.37}) {
      const int column = chart_->XPixel(x);
      // Outside the frame: nothing of the marker, neither its middle nor its maroon edges.
      for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = 2; dy < 40; ++dy) {
          QVERIFY(image.pixel(column + dx, plot.top() - dy) != green);
          QVERIFY(image.pixel(column + dx, plot.top() - dy) != qRgb(0x80, 0, 0));
          QVERIFY(image.pixel(column + dx, plot.bottom() + dy) != green);
          QVERIFY(image.pixel(column + dx, plot.bottom() + dy) != qRgb(0x80, 0, 0));
        }
      }
    }
    QSignalSpy clicks(chart_.get(), &ChartWidget::ClickSeries);
    Click(chart_.get(), QPoint(topColumn, plot.top() - 20));
    QCOMPARE(clicks.size(), 0);
  }

  // A series whose markers span the plot: the line runs from the plot's top to its bottom and
  // no further, and a click anywhere along it hits it.
  void markersSpanningThePlot() {
    model_->Series(ombrane::kLightCurveSeries).Add(0.0, 0.0, 0xFFFFFF);
    model_->Series(ombrane::kLightCurveSeries).Add(10.0, 10.0, 0xFFFFFF);
    model_->Series(ombrane::kMarkerSeries).SetMarkersSpanPlot(true);
    model_->Series(ombrane::kMarkerSeries).Add(4.37, 9.5, 0x00FF00);
    Show();
    const QImage image = chart_->RenderImage();
    const QRect plot = chart_->PlotRect();
    const int x = chart_->XPixel(4.37);
    const QRgb green = qRgb(0, 255, 0);
    QCOMPARE(image.pixel(x, plot.top() + 1), green);
    QCOMPARE(image.pixel(x, plot.bottom() - 1), green);
    QVERIFY(image.pixel(x, plot.top() - 3) != green);
    QVERIFY(image.pixel(x, plot.bottom() + 3) != green);
    QSignalSpy clicks(chart_.get(), &ChartWidget::ClickSeries);
    Click(chart_.get(), QPoint(x, plot.bottom() - 5));
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks.front().at(0).toInt(), static_cast<int>(ombrane::kMarkerSeries));
  }
  // The screen and the vector files leave out the symbols that nothing shows of (covered by a
  // later one at the same pixel, or off the painted area): the picture stays the same to the
  // pixel as the one that draws every point, on the screen's own image (written directly), on a
  // painter that scales, and on a zoomed chart whose symbols are cut at the edges.
  void decimatedPictureEqualsEveryPoint_data() {
    QTest::addColumn<bool>("zoomed");
    QTest::newRow("whole chart") << false;
    QTest::newRow("zoomed, symbols cut at the edges") << true;
  }
  void decimatedPictureEqualsEveryPoint() {
    QFETCH(bool, zoomed);
    FillCrowded(*model_);
    Show();
    if (zoomed) {
      const QRect plot = chart_->PlotRect();
      Drag(chart_.get(), plot.center() - QPoint(90, 60), plot.center() + QPoint(90, 60));
      QVERIFY(chart_->IsZoomed());
    }
    const QImage every = chart_->RenderImage();
    QCOMPARE(Shown(*chart_), every);
    QCOMPARE(Painted(*chart_, 1, ombrane::PointDetail::Visible), every);
    QCOMPARE(Painted(*chart_, 2, ombrane::PointDetail::Visible),
             Painted(*chart_, 2, ombrane::PointDetail::Every));
  }

  // A column of 100 000 observations on one Julian Day in changing colours: the cross of the
  // one marked observation shows over it, and so do the tips of the highest and the lowest
  // diamond, in the colour of the last observation drawn there.
  void markedPointShowsOverADenseColumn() {
    constexpr int kCount = 100000;
    constexpr uint32_t kColours[] = {0x008000, 0x0000FF, 0xFF0000, 0x00FFFF, 0x800080};
    ombrane::ChartSeries& column = model_->Series(ombrane::kLightCurveSeries);
    // 100 magnitudes 0.01 apart, each on a pixel row of its own.
    for (int i = 0; i < kCount; ++i) column.Add(5.0, 10.0 + (i * 7919 % 100) * 0.01, kColours[i / 100 % 5]);
    // Beside the column, so that the range spans more than one day.
    model_->Series(ombrane::kLightCurveSeries).Add(0.0, 10.5, 0x008000);
    model_->Series(ombrane::kLightCurveSeries).Add(10.0, 10.5, 0x008000);
    model_->Series(ombrane::kMarkedSeries).Add(5.0, 10.5);
    Show();
    const QImage shown = Shown(*chart_);
    QCOMPARE(shown, chart_->RenderImage());
    const QPoint mark(chart_->XPixel(5.0), chart_->YPixel(10.5));
    for (QPoint arm : {QPoint(2, 2), QPoint(-2, 2), QPoint(2, -2), QPoint(-2, -2)})
      QCOMPARE(shown.pixel(mark + arm), qRgb(255, 0, 0));
    // 7919 = 19 (mod 100). y = 10.00 comes from 19 i = 0 (mod 100), i = 0, 100, ..., the last
    // i = 99 900; y = 10.99 from 19 i = 99 (mod 100), i = 21 (mod 100) (19 * 21 = 399), the last
    // i = 99 921. Both last ones are in kColours[999 % 5], purple; the first ones (i = 0, 21) in
    // kColours[0], green. The left axis is inverted: 10.00 at the top.
    const int top = chart_->YPixel(10.0);
    const int bottom = chart_->YPixel(10.99);
    QVERIFY(top < bottom);
    QCOMPARE(shown.pixel(mark.x(), top - 3), qRgb(0x80, 0, 0x80));
    QCOMPARE(shown.pixel(mark.x(), bottom + 3), qRgb(0x80, 0, 0x80));
    QCOMPARE(shown.pixel(mark.x(), top - 4), qRgb(255, 255, 255));
    QCOMPARE(shown.pixel(mark.x(), bottom + 4), qRgb(255, 255, 255));
  }

  // A light curve of a million observations: a click names the observation under it. On a lone
  // observation (a flare well above the band of the others) that observation; in the dense band,
  // the observation drawn last at that pixel (the one on top), found here by going through every
  // point.
  void clickNamesTheObservationAmongAMillion_data() {
    QTest::addColumn<bool>("inTheBand");
    QTest::newRow("a lone observation") << false;
    QTest::newRow("in the dense band") << true;
  }
  void clickNamesTheObservationAmongAMillion() {
    QFETCH(bool, inTheBand);
    constexpr int kCount = 1000000;
    constexpr int kChosen = 612345;
    ombrane::ChartSeries& curve = model_->Series(ombrane::kLightCurveSeries);
    curve.Reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
      const double y = i == kChosen && !inTheBand ? 9.0 : 12.0 + 0.4 * std::sin(i * 0.001) + (i % 17) * 0.01;
      QCOMPARE(curve.Add(2450000.0 + i * 0.0001, y, 0x008000), i);
    }
    Show();
    const QPoint at(chart_->XPixel(curve.Point(kChosen).x), chart_->YPixel(curve.Point(kChosen).y));
    int expected = kChosen;
    if (inTheBand) {
      for (int i = 0; i < kCount; ++i) {
        const ombrane::ChartPoint& p = curve.Point(i);
        if (chart_->XPixel(p.x) == at.x() && chart_->YPixel(p.y) == at.y()) expected = i;
      }
      QVERIFY(expected > kChosen);  // several observations share the pixel
    }
    QSignalSpy clicks(chart_.get(), &ChartWidget::ClickSeries);
    Click(chart_.get(), at);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.front().at(0).toInt(), static_cast<int>(ombrane::kLightCurveSeries));
    QCOMPARE(clicks.front().at(1).toInt(), expected);
  }
  // A vector file leaves out the symbols covered exactly by a later one at the same place (they
  // show at no zoom of the file): 500 diamonds of changing colours on one point write the same
  // SVG and PDF as the last of them alone, while the bitmap, which draws every point, shows the
  // same picture either way.
  void vectorFileLeavesOutCoveredSymbols_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("SVG") << "chart.svg";
    QTest::newRow("PDF") << "chart.pdf";
  }
  void vectorFileLeavesOutCoveredSymbols() {
    QFETCH(QString, name);
    for (int i = 0; i < 500; ++i)
      model_->Series(ombrane::kLightCurveSeries).Add(4.0, 7.0, i % 2 == 0 ? 0x0000FF : 0xFF0000);
    model_->Series(ombrane::kLightCurveSeries).Add(4.0, 7.0, 0x008000);
    Show();
    ChartModel alone;
    alone.Series(ombrane::kLightCurveSeries).Add(4.0, 7.0, 0x008000);
    ChartWidget lone(&alone);
    lone.resize(chart_->size());
    QCOMPARE(lone.RenderImage(), chart_->RenderImage());
    const QByteArray stacked = ombrane::VectorPicture(*chart_, *model_, name);
    QVERIFY(!stacked.isEmpty());
    if (name.endsWith(QLatin1String(".svg"))) {
      QCOMPARE(stacked, ombrane::VectorPicture(lone, alone, name));
    } else {
      // A PDF holds its time of creation: the two files differ in it, not in their size.
      QCOMPARE(stacked.size(), ombrane::VectorPicture(lone, alone, name).size());
    }
  }
};

QTEST_MAIN(TestChartWidget)
#include "tst_ChartWidget.moc"
