// Clicking the chart through the window: marks, areas, single nights and the measurements,
// Delete, the magnitude steps and the Bright report. A few clicks go through the chart widget at
// the pixels of the points; the rest call Chart1ClickSeries with the series and point index the
// widget would deliver.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"
#include "common/NumberFormat.h"
#include "store/NightIndex.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// Four nights; every value is exact in binary, so the lines can be written down by hand.
// Entries: night 0 = 0..2, night 1 = 3..5, night 2 = 6..8, night 3 = 9, 10 and the repeat 11.
const QByteArray kFourNights =
    "2450001.25 12.5\n2450001.5 12.75\n2450001.75 12.25\n"
    "2450002.25 13.0\n2450002.5 13.25\n2450002.75 12.875\n"
    "2450003.25 12.5\n2450003.5 12.625\n2450003.75 12.375\n"
    "2450004.25 12.0\n2450004.5 12.125\n";

QString Buttons(const TForm1& form) {
  QString s;
  for (const QPushButton* b : {form.First, form.Previous, form.Next, form.Last, form.All})
    s += b->isEnabled() ? 'E' : 'D';
  return s;
}

void ClickWidget(ChartWidget* chart, QPoint at) {
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, QPointF(at), chart->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(chart, &event);
  }
}

// The pixel at which the chart draws point r of a series.
QPoint PixelOf(TForm1& form, int series, int r) {
  const ChartPoint& p = form.chartModel().Series(series).Point(r);
  return {form.Chart1->XPixel(p.x), form.Chart1->YPixel(p.y)};
}

struct Window {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  Window() {
    QLocale::setDefault(QLocale::c());
    f.Load(dir, QStringLiteral("four.txt"), kFourNights);
  }
  void Click(int series, int r) { form.Chart1ClickSeries(series, r, 10, 10); }
  // The period box stores the period; its AoV statistic faults on these few points (empty phase
  // bins), so the diagram is drawn by the Phase button.
  void Fold(const QString& period) {
    form.Edit3->setText(period);
    form.PhaseClick();
  }
  void Graph(int item) { form.RadioGroup1->item(item)->click(); }
};

}  // namespace

class TestSelect : public QObject {
  Q_OBJECT

 private slots:
  void clicksOnThePixelsOfThePoints();
  void marksSurviveNavigationAndReachTheFold();
  void areaOnThePhaseDiagramThenOnTheLightCurve();
  void areaOnAFoldEnablesTheTimingButNotDelete();
  void singleNight_data();
  void singleNight();
  void selectNightStepsAndBright();
  void magnitudeStepsWithAllNightsShown();
  void deleteAcrossANightBoundary();
  void deleteLeavingTwoNights();
  void deleteUndoesTheMagnitudeSteps();
  void aLoadEndsTheAreaSelectionAndTheMeasurement();
  void groupSwitchTwice();
};

void TestSelect::clicksOnThePixelsOfThePoints() {
  Window w;
  TForm1& form = w.form;
  form.resize(1200, 900);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  ChartWidget* chart = form.Chart1;

  // Select Point: the diamond of entry 4 gets its cross; a click on the cross takes it away.
  ClickWidget(chart, PixelOf(form, kLightCurveSeries, 4));
  QCOMPARE(form.data().markFlag[4], 1);
  QCOMPARE(form.data().markCount, 1);
  QCOMPARE(form.chartModel().Series(kMarkedSeries).Count(), 1);
  QCOMPARE(form.chartModel().Series(kMarkedSeries).Point(0).x, 2450002.5);
  ClickWidget(chart, PixelOf(form, kMarkedSeries, 0) + QPoint(1, -1));
  QCOMPARE(form.data().markFlag[4], 0);
  QCOMPARE(form.data().markCount, 0);
  QCOMPARE(form.chartModel().Series(kMarkedSeries).Count(), 0);

  // Select Area: two diamonds, two lime markers, the timing and Delete enabled.
  w.Graph(1);
  ClickWidget(chart, PixelOf(form, kLightCurveSeries, 6) + QPoint(2, 2));
  QVERIFY(!form.Delete->isEnabled());
  ClickWidget(chart, PixelOf(form, kLightCurveSeries, 2));
  QCOMPARE(form.view().areaIndex1, 6);
  QCOMPARE(form.view().areaIndex2, 2);
  QCOMPARE(form.view().areaOnLightCurve, true);
  const ChartSeries& markers = form.chartModel().Series(kMarkerSeries);
  QCOMPARE(markers.Count(), 2);
  QCOMPARE(markers.Point(0).x, 2450001.75);
  QCOMPARE(markers.Point(1).x, 2450003.25);
  QCOMPARE(markers.Point(0).label, std::string("min"));
  QCOMPARE(markers.Point(0).colour, 0x00FF00u);
  QVERIFY(form.sincos->isEnabled());
  QVERIFY(form.Delete->isEnabled());
  QVERIFY(form.BitBtn1->isVisible());

  // A measurement: Delta mag between entries 1 and 5.
  form.BitBtn2->click();
  form.RadioGroup2->item(1)->click();
  ClickWidget(chart, PixelOf(form, kLightCurveSeries, 1));
  ClickWidget(chart, PixelOf(form, kLightCurveSeries, 5));
  QCOMPARE(LastLine(form.RichEdit1),
           QStringLiteral("dmag: 0.125 ( X1: 2450001.5 X2: 2450002.75 -- Y1: 12.75 Y2: 12.875 ) "));
  QVERIFY(w.f.outside->errors.isEmpty());
}

void TestSelect::marksSurviveNavigationAndReachTheFold() {
  Window w;
  TForm1& form = w.form;
  form.First->click();
  form.Next->click();
  QCOMPARE(form.view().shownNightFirst, 3);
  w.Click(kLightCurveSeries, 1);  // the second point of night 1: entry 4
  w.Click(kLightCurveSeries, 1);  // the same again: still one mark
  QCOMPARE(form.data().markFlag[4], 1);
  QCOMPARE(form.data().markCount, 1);
  form.Next->click();
  QCOMPARE(form.chartModel().Series(kMarkedSeries).Count(), 0);
  form.Previous->click();
  QCOMPARE(form.chartModel().Series(kMarkedSeries).Count(), 1);
  QCOMPARE(form.chartModel().Series(kMarkedSeries).Point(0).x, 2450002.5);

  // The fold draws the mark in both cycles, and its string length leaves entry 4's pairs out.
  w.Fold(QStringLiteral("1"));
  QCOMPARE(form.chartModel().Series(kMarkedSeries).Count(), 2);
  const long double marked = form.star().stringLength;
  form.data().markFlag[4] = 0;
  form.PhaseClick();
  QVERIFY(form.star().stringLength > marked);
}

void TestSelect::areaOnThePhaseDiagramThenOnTheLightCurve() {
  Window w;
  TForm1& form = w.form;
  w.Fold(QStringLiteral("1"));
  w.Graph(1);
  w.Click(kPhaseSeries, 3);
  QCOMPARE(form.view().areaIndex1, 4);  // a sorted position
  QCOMPARE(form.view().areaOnLightCurve, false);
  const int32_t entry = form.data().sortIndex[4];
  QCOMPARE(form.chartModel().Series(kMarkerSeries).Point(0).x,
           static_cast<double>(form.data().sortedPhase[4]));
  QCOMPARE(form.chartModel().Series(kMarkerSeries).Point(0).y, static_cast<double>(form.data().mag[entry]));
  form.All->click();
  w.Click(kLightCurveSeries, 7);
  QCOMPARE(form.view().areaIndex2, 7);  // an entry index
  QCOMPARE(form.view().areaOnLightCurve, true);
  QVERIFY(form.sincos->isEnabled());
  QVERIFY(!form.Delete->isEnabled());  // a phase diagram was drawn since loading
}

void TestSelect::areaOnAFoldEnablesTheTimingButNotDelete() {
  Window w;
  TForm1& form = w.form;
  w.Fold(QStringLiteral("1"));
  w.Graph(1);
  // A cross over a point stands for that point.
  form.data().markFlag[2] = 1;
  form.PhaseClick();
  w.Click(kMarkedSeries, 0);
  QCOMPARE(form.data().sortIndex[form.view().areaIndex1], 2);
  w.Click(kPhaseSeries, 5);
  QCOMPARE(form.view().areaIndex2, 6);
  QVERIFY(form.sincos->isEnabled());
  QVERIFY(!form.Delete->isEnabled());
  QCOMPARE(form.chartModel().Series(kMarkerSeries).Count(), 2);
}

void TestSelect::singleNight_data() {
  QTest::addColumn<bool>("onPhaseDiagram");
  QTest::addColumn<int>("index");  // the point clicked
  QTest::newRow("light curve") << false << 4;
  QTest::newRow("phase diagram") << true << 0;  // position 1: entry 3, night 1
}

void TestSelect::singleNight() {
  QFETCH(bool, onPhaseDiagram);
  QFETCH(int, index);
  Window w;
  TForm1& form = w.form;
  if (onPhaseDiagram) w.Fold(QStringLiteral("1"));
  const int32_t entry = onPhaseDiagram ? form.data().sortIndex[index + 1] : index;
  const int32_t night = form.data().night[entry];
  form.Chart1->ResetZoom();
  w.Graph(2);
  w.Click(onPhaseDiagram ? kPhaseSeries : kLightCurveSeries, index);
  QCOMPARE(form.view().currentNight, night);
  QCOMPARE(form.view().shownNightFirst, 3 * night);
  QCOMPARE(Buttons(form), QStringLiteral("EEEEE"));
  QCOMPARE(form.chartModel().bottomAxisTitle, std::string("Julian Day"));
  const ChartSeries& curve = form.chartModel().Series(kLightCurveSeries);
  QCOMPARE(curve.Count(), 3);
  for (const ChartPoint& p : curve.Points()) QCOMPARE(p.colour, nightColours[static_cast<size_t>(night)]);
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 0);
  // Next goes on from the night picked.
  form.Next->click();
  QCOMPARE(form.view().currentNight, night + 1);
}

void TestSelect::selectNightStepsAndBright() {
  Window w;
  TForm1& form = w.form;
  w.Fold(QStringLiteral("1"));
  w.Graph(3);
  // The point of the diagram whose entry is 4 (night 1, Julian Day 2450002.5).
  int r = 0;
  while (form.data().sortIndex[r + 1] != 4) ++r;
  w.Click(kPhaseSeries, r);
  QCOMPARE(form.view().currentNight, 1);
  QCOMPARE(Buttons(form), QStringLiteral("EDDEE"));
  QCOMPARE(form.data().selectedNightDay, 2450002);

  form.Edit7->setText(QStringLiteral("0.25"));
  form.Button5->click();
  QCOMPARE(form.data().mag[3], 13.25L);
  QCOMPARE(form.data().mag[4], 13.5L);
  QCOMPARE(form.data().mag[5], 13.125L);
  QCOMPARE(form.data().mag[6], 12.5L);  // night 2 untouched
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 11);
  QCOMPARE(form.chartModel().Series(kSecondCycleSeries).Count(), 11);
  QCOMPARE(form.chartModel().bottomAxisTitle, std::string("Phase"));
  QCOMPARE(form.Label11->text(), QString::fromStdString(FormatGeneral(form.star().stringLength)));
  form.Button10->click();
  QCOMPARE(LastLine(form.RichEdit1), QStringLiteral("Night 2450002 was change 0.25 mag"));
  form.Button6->click();
  form.Button6->click();
  form.Button10->click();
  QCOMPARE(LastLine(form.RichEdit1), QStringLiteral("Night 2450002 was change -0.25 mag"));
  QCOMPARE(form.data().mag[4], 13.0L);

  // A new night picked starts a new report.
  w.Click(kPhaseSeries, 0);
  form.Button10->click();
  QVERIFY(LastLine(form.RichEdit1).endsWith(QStringLiteral(" was change 0 mag")));
}

void TestSelect::magnitudeStepsWithAllNightsShown() {
  Window w;
  TForm1& form = w.form;
  w.Fold(QStringLiteral("1"));
  form.All->click();
  const int shown = form.chartModel().Series(kLightCurveSeries).Count();
  form.Button5->click();
  QCOMPARE(form.data().mag[4], 13.25L);
  QCOMPARE(form.chartModel().Series(kLightCurveSeries).Count(), shown);
  // The general format, where the fold shows six decimals.
  QCOMPARE(form.Label11->text(), QString::fromStdString(FormatGeneral(form.star().stringLength)));
}

void TestSelect::deleteAcrossANightBoundary() {
  Window w;
  TForm1& form = w.form;
  form.data().markFlag[0] = 1;
  form.data().markCount = 1;
  w.Graph(1);
  w.Click(kLightCurveSeries, 5);
  w.Click(kLightCurveSeries, 3);  // the whole of night 1
  QVERIFY(form.Delete->isEnabled());
  form.Delete->click();
  QCOMPARE(form.data().pointCount, 9);
  QCOMPARE(form.view().lastNight, 2);
  QCOMPARE(form.data().night[3], 1);  // the former night 2 moves down
  QCOMPARE(form.data().jd[3], 2450003.25L);
  const ChartSeries& curve = form.chartModel().Series(kLightCurveSeries);
  QCOMPARE(curve.Count(), 9);
  QCOMPARE(curve.Point(3).colour, nightColours[1]);  // olive, as night 1 is drawn
  QCOMPARE(curve.Point(8).colour, nightColours[2]);
  QCOMPARE(form.data().markCount, 0);
  QCOMPARE(form.chartModel().Series(kMarkedSeries).Count(), 0);
  QCOMPARE(form.chartModel().Series(kMarkerSeries).Count(), 0);
  QVERIFY(form.chartModel().titleLines.empty());
  QVERIFY(form.chartModel().leftAxisInverted);
  QCOMPARE(Buttons(form), QStringLiteral("EDDEE"));
  QVERIFY(!form.Delete->isEnabled());
  QVERIFY(!form.sincos->isEnabled());
  QCOMPARE(form.view().currentNight, -1);
}

void TestSelect::deleteLeavingTwoNights() {
  Window w;
  TForm1& form = w.form;
  w.Graph(1);
  w.Click(kLightCurveSeries, 0);
  w.Click(kLightCurveSeries, 5);
  form.Delete->click();
  QCOMPARE(form.data().pointCount, 6);
  QCOMPARE(form.view().lastNight, 1);
  QCOMPARE(form.view().currentNight, 1);
  QCOMPARE(Buttons(form), QStringLiteral("DDDDD"));
}

void TestSelect::deleteUndoesTheMagnitudeSteps() {
  Window w;
  TForm1& form = w.form;
  w.Graph(2);
  w.Click(kLightCurveSeries, 4);  // night 1 alone
  form.Button5->click();
  QCOMPARE(form.data().mag[3], 13.005L);
  form.All->click();
  w.Graph(1);
  w.Click(kLightCurveSeries, 10);
  w.Click(kLightCurveSeries, 10);
  form.Delete->click();
  QCOMPARE(form.data().pointCount, 11);
  QCOMPARE(form.data().mag[3], 13.0L);
  // Entry 10 went; the repeat of it stays last.
  QCOMPARE(form.data().jd[9], 2450004.25L);
  QCOMPARE(form.data().jd[10], 2450004.5L);
}

void TestSelect::aLoadEndsTheAreaSelectionAndTheMeasurement() {
  Window w;
  TForm1& form = w.form;
  w.Graph(1);
  w.Click(kLightCurveSeries, 0);
  w.Click(kLightCurveSeries, 2);
  QVERIFY(form.Delete->isEnabled());
  w.Click(kLightCurveSeries, 9);  // a pending first point
  w.f.Load(w.dir, QStringLiteral("four.txt"), kFourNights);
  QVERIFY(!form.Delete->isEnabled());
  QVERIFY(!form.sincos->isEnabled());
  w.Click(kLightCurveSeries, 4);  // a first click again, on the new file
  QCOMPARE(form.view().areaFirstDone, true);
  QCOMPARE(form.view().areaIndex1, 4);
  QVERIFY(!form.Delete->isEnabled());

  form.BitBtn2->click();
  w.Click(kLightCurveSeries, 0);
  w.f.Load(w.dir, QStringLiteral("four.txt"), kFourNights);
  const QString before = form.RichEdit1->toPlainText();
  w.Click(kLightCurveSeries, 1);
  QCOMPARE(form.RichEdit1->toPlainText(), before);
  QCOMPARE(form.view().measureFirstDone, true);
}

void TestSelect::groupSwitchTwice() {
  Window w;
  TForm1& form = w.form;
  form.BitBtn2->click();
  QVERIFY(!form.RadioGroup1->isEnabled());
  QVERIFY(form.RadioGroup2->isEnabled());
  QCOMPARE(form.RadioGroup1->itemIndex(), -1);
  QCOMPARE(form.RadioGroup2->itemIndex(), 0);
  form.BitBtn2->click();
  QVERIFY(form.RadioGroup1->isEnabled());
  QVERIFY(!form.RadioGroup2->isEnabled());
  QCOMPARE(form.RadioGroup1->itemIndex(), 0);
  QCOMPARE(form.RadioGroup2->itemIndex(), -1);
}

QTEST_MAIN(TestSelect)
#include "tst_Select.moc"
