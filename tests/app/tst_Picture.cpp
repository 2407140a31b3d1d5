// The chart's picture through the window: every handler that replaces the picture shows it
// whole (a zoom into the old one is dropped), additions to a picture keep the zoom, and a
// handler that fails part way still shows what it drew.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>
#include <functional>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// Drags down and to the right over part of the plot: the chart zooms into that rectangle.
void DragZoom(ChartWidget* chart) {
  const QPoint from = chart->PlotRect().center();
  const QPoint to = from + QPoint(60, 40);
  auto send = [chart](QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(pos), chart->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(chart, &event);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// Four nights of 18 observations each, spread over the whole night, so that every fold of the
// tests fills the ten phase bins.
QByteArray FourNights() {
  QByteArray text;
  for (int night = 0; night < 4; ++night) {
    for (int i = 0; i < 18; ++i) {
      const double jd = 2450001.0 + night + 0.02 + 0.047 * i;
      text += QByteArray::number(jd, 'f', 5) + ' ' +
              QByteArray::number(12.0 + 0.01 * ((i * 7) % 11), 'f', 3) + '\n';
    }
  }
  return text;
}

using Action = std::function<void(TForm1&)>;

}  // namespace

Q_DECLARE_METATYPE(Action)

class TestPicture : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void newPictureDropsTheZoom_data();
  void newPictureDropsTheZoom();
  void failedHandlerStillShowsWhatItDrew();
};

void TestPicture::newPictureDropsTheZoom_data() {
  QTest::addColumn<Action>("action");
  QTest::addColumn<bool>("zoomed");  // the zoom after the action
  QTest::addColumn<QString>("error");

  QTest::newRow("Next") << Action([](TForm1& f) { QTest::mouseClick(f.Next, Qt::LeftButton); }) << false
                        << QString();
  QTest::newRow("Previous") << Action([](TForm1& f) { QTest::mouseClick(f.Previous, Qt::LeftButton); })
                            << false << QString();
  QTest::newRow("First") << Action([](TForm1& f) { QTest::mouseClick(f.First, Qt::LeftButton); }) << false
                         << QString();
  QTest::newRow("Last") << Action([](TForm1& f) { QTest::mouseClick(f.Last, Qt::LeftButton); }) << false
                        << QString();
  QTest::newRow("All") << Action([](TForm1& f) { QTest::mouseClick(f.All, Qt::LeftButton); }) << false
                       << QString();
  QTest::newRow("Phase") << Action([](TForm1& f) { QTest::mouseClick(f.Phase, Qt::LeftButton); }) << false
                         << QString();
  QTest::newRow("period typed") << Action([](TForm1& f) { QTest::keyClicks(f.Edit3, "5"); }) << false
                                << QString();
  QTest::newRow("period doubled") << Action([](TForm1& f) { QTest::mouseClick(f.Button1, Qt::LeftButton); })
                                  << false << QString();
  QTest::newRow("Search") << Action([](TForm1& f) {
    f.Edit4->setText(QStringLiteral("0.2"));
    f.Edit5->setText(QStringLiteral("0.3"));
    f.Edit6->setText(QStringLiteral("0.01"));
    QTest::mouseClick(f.Button7, Qt::LeftButton);
  }) << false << QString();
  // No new picture: the zoom stays.
  QTest::newRow("axis click") << Action([](TForm1& f) { f.Chart1ClickAxis(); }) << true << QString();
  QTest::newRow("letter in the period box")  // a typing error: the status bar, no message box
      << Action([](TForm1& f) { QTest::keyClicks(f.Edit3, "x"); }) << true << QString();
  QTest::newRow("magnitude step") << Action([](TForm1& f) { QTest::mouseClick(f.Button5, Qt::LeftButton); })
                                  << false << QString();
  QTest::newRow("single night from the diagram") << Action([](TForm1& f) {
    f.RadioGroup1->item(2)->click();
    f.Chart1ClickSeries(kPhaseSeries, 0, 0, 0);
  }) << false << QString();
  QTest::newRow("a mark on the diagram")
      << Action([](TForm1& f) { f.Chart1ClickSeries(kPhaseSeries, 0, 0, 0); }) << true << QString();
  QTest::newRow("two area markers") << Action([](TForm1& f) {
    f.RadioGroup1->item(1)->click();
    f.Chart1ClickSeries(kPhaseSeries, 0, 0, 0);
    f.Chart1ClickSeries(kPhaseSeries, 5, 0, 0);
  }) << true << QString();
  QTest::newRow("Delete") << Action([](TForm1& f) {
    f.AllClick();
    DragZoom(f.Chart1);
    f.RadioGroup1->item(1)->click();
    f.Chart1ClickSeries(kLightCurveSeries, 0, 0, 0);
    f.Chart1ClickSeries(kLightCurveSeries, 1, 0, 0);
    f.DeleteClick();
  }) << false << QString();
  QTest::newRow("Next at the last night") << Action([](TForm1& f) {
    f.LastClick();
    DragZoom(f.Chart1);
    f.NextClick();  // draws nothing
  }) << true << QString();
}

void TestPicture::newPictureDropsTheZoom() {
  QFETCH(Action, action);
  QFETCH(bool, zoomed);
  QFETCH(QString, error);
  QTemporaryDir dir;
  FormFixture f;
  f.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  f.Load(dir, QStringLiteral("nights.txt"), FourNights());
  f.form->FirstClick();
  f.form->NextClick();  // night 1: Next and Previous are enabled and both lead somewhere
  f.form->Edit3->setText(QStringLiteral("0.3"));
  ChartWidget* chart = f.form->Chart1;
  DragZoom(chart);
  QVERIFY(chart->IsZoomed());
  const QStringList zoomedLabels = chart->BottomLabels();

  action(*f.form);
  QCOMPARE(f.outside->errors.join('\n'), error);
  QCOMPARE(chart->IsZoomed(), zoomed);
  if (!zoomed) QVERIFY(chart->BottomLabels() != zoomedLabels);  // and it was rendered
}

void TestPicture::failedHandlerStillShowsWhatItDrew() {
  QTemporaryDir dir;
  FormFixture f;
  f.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.5\n2450001.7 12.9\n");
  ChartWidget* chart = f.form->Chart1;
  QSignalSpy rendered(chart, &ChartWidget::AfterDraw);
  // The second file's third magnitude lies beyond the double range: drawing it overflows after
  // the first two points are in the picture.
  f.Load(dir, QStringLiteral("b.txt"), "2460001.5 11.1\n2460001.6 11.5\n2460001.7 1e400\n2460001.8 11.2\n");
  QCOMPARE(f.outside->errors, QStringList{QStringLiteral("Floating point overflow")});
  QCOMPARE(f.form->chartModel().Series(kLightCurveSeries).Count(), 2);
  // The chart was rendered from the new picture: its labels are those of the second file.
  QVERIFY(rendered.count() >= 1);
  QVERIFY(!chart->BottomLabels().isEmpty());
  for (const QString& label : chart->BottomLabels())
    QVERIFY2(label.startsWith("2,460,001"), qPrintable(label));
}

QTEST_MAIN(TestPicture)
#include "tst_Picture.moc"
