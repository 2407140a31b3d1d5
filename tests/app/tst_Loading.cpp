// Loading a photometry file through the Open data button: the store, the chart, the boxes
// written with their change handlers, the buttons, and the failures.
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QtTest>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"
#include "store/NightIndex.h"

using namespace ombrane;
using namespace ombrane::test;

class TestLoading : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void twoLinesGiveThreeEntries_data();
  void twoLinesGiveThreeEntries();
  void buttonsFollowTheNumberOfNights_data();
  void buttonsFollowTheNumberOfNights();
  void boxesAreWrittenAndHandlersRun();
  void dialogOpensInProgramFolderAndFolderBecomesCurrent();
  void cancelledDialogEmptiesTheStore();
  void unopenableFileBeepsAndSaysWhy();
  void badTokenKeepsPairsAndTellsWhere();
  void incrementBoxNotANumberStopsBeforeAnything();
  void separatorOfTheUserLocale();
  void nightColoursOnTheChart();
  void newLoadShowsTheWholeCurve();
  void messagesStayWhenDrawingFaults();
  void aavsoExportIsImportedAsItsFormat();
  void fileTheImporterRefusesLeavesAnEmptyStore();
};

void TestLoading::twoLinesGiveThreeEntries_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::newRow("final line end") << QByteArray("2450001.5 12.1\n2450001.6 12.2\n");
  QTest::newRow("no final line end") << QByteArray("2450001.5 12.1\n2450001.6 12.2");
  QTest::newRow("CR LF and tabs") << QByteArray("2450001.5\t12.1\r\n2450001.6\t12.2\r\n");
}

void TestLoading::twoLinesGiveThreeEntries() {
  QFETCH(QByteArray, text);
  QTemporaryDir dir;
  FormFixture f;
  f.Load(dir, QStringLiteral("two.txt"), text);
  const Data& data = f.form->data();
  QCOMPARE(data.pointCount, 3);
  const long double jd[] = {2450001.5L, 2450001.6L, 2450001.6L};
  const long double mag[] = {12.1L, 12.2L, 12.2L};
  for (int i = 0; i < 3; ++i) {
    QCOMPARE(static_cast<double>(data.jd[i]), static_cast<double>(jd[i]));
    QCOMPARE(static_cast<double>(data.mag[i]), static_cast<double>(mag[i]));
    QCOMPARE(data.jd[i], data.fileJd[i]);
  }
  const ViewState& view = f.form->view();
  QCOMPARE(view.lastNight, 0);
  QCOMPARE(view.nightCount[0], 3);
  QCOMPARE(view.currentNight, 1);
  QCOMPARE(view.minNightPoints, 1);
  QCOMPARE(f.form->chartModel().Series(kLightCurveSeries).Count(), 3);
  QCOMPARE(f.form->Label1->text(), QStringLiteral("two.txt"));
  QCOMPARE(QString::fromStdString(view.openPath), QStringLiteral("two.txt"));
  QCOMPARE(QString::fromStdString(data.fileName), QStringLiteral("two.txt"));
  QCOMPARE(f.form->chartModel().titleLines, (std::vector<std::string>{"two.txt"}));
  QCOMPARE(f.form->chartModel().bottomAxisTitle, std::string("Julian Day"));
  QVERIFY(f.form->chartModel().leftAxisInverted);
  QCOMPARE(f.form->RichEdit1->toPlainText(), QStringLiteral("File name: two.txt"));
  QVERIFY(f.outside->errors.isEmpty());
}

void TestLoading::buttonsFollowTheNumberOfNights_data() {
  QTest::addColumn<std::vector<int>>("nights");
  QTest::addColumn<bool>("first");
  QTest::addColumn<bool>("last");
  QTest::addColumn<bool>("scrollBar");
  QTest::addColumn<int>("currentNight");
  QTest::newRow("one night") << std::vector<int>{4} << false << false << true << 1;
  QTest::newRow("two nights") << std::vector<int>{4, 3} << false << false << true << 1;
  QTest::newRow("three nights") << std::vector<int>{4, 3, 2} << true << true << true << -1;
}

void TestLoading::buttonsFollowTheNumberOfNights() {
  QFETCH(std::vector<int>, nights);
  QFETCH(bool, first);
  QFETCH(bool, last);
  QFETCH(bool, scrollBar);
  QFETCH(int, currentNight);
  QTemporaryDir dir;
  FormFixture f;
  f.LoadNights(dir, nights);
  QCOMPARE(f.form->First->isEnabled(), first);
  QCOMPARE(f.form->Last->isEnabled(), last);
  QVERIFY(!f.form->Next->isEnabled());
  QVERIFY(!f.form->Previous->isEnabled());
  QVERIFY(f.form->All->isEnabled());
  QCOMPARE(f.form->ScrollBar1->isEnabled(), scrollBar);
  QCOMPARE(f.form->view().currentNight, currentNight);
  QCOMPARE(f.form->view().lastNight, static_cast<int>(nights.size()) - 1);
  // Every entry is drawn on loading, the repeated last one included.
  int entries = 1;
  for (int n : nights) entries += n;
  QCOMPARE(f.form->chartModel().Series(kLightCurveSeries).Count(), entries);
}

void TestLoading::boxesAreWrittenAndHandlersRun() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  form.Edit2->setText(QStringLiteral("2451000.25"));
  form.Edit7->setText(QStringLiteral("0.01"));
  form.Edit11->setText(QStringLiteral("5"));
  form.Edit12->setText(QStringLiteral("-20"));
  form.Edit17->setText(QStringLiteral("7"));
  form.Edit3->setText(QStringLiteral("0.75"));
  form.Edit6->setText(QStringLiteral("0.0001"));
  form.Edit8->setText(QStringLiteral("6"));
  form.star().raDecimalDegrees = 12;
  form.star().decDecimalDegrees = -3;
  form.star().fourierResults.Slot(5) = 1.5L;
  form.star().fourierResults.Slot(25) = 2.5L;
  form.star().searchMin = 0.4L;
  form.view().measureFirstDone = true;
  form.view().measureX1 = 3;
  form.view().measureY2 = 4;
  form.view().phaseView = true;

  f.LoadNights(dir, {5, 5, 5});

  const Star& star = form.star();
  QCOMPARE(form.Edit2->text(), QStringLiteral("2450000"));
  QCOMPARE(form.Edit7->text(), QStringLiteral("0.005"));
  for (QLineEdit* box : {form.Edit11, form.Edit12, form.Edit14, form.Edit15, form.Edit16, form.Edit17})
    QCOMPARE(box->text(), QStringLiteral("0"));
  QCOMPARE(form.Edit3->text(), QStringLiteral("0.75"));  // keeps its text
  QCOMPARE(form.Edit8->text(), QStringLiteral("6"));
  QCOMPARE(star.period, 0.0L);  // although the box shows 0.75
  QCOMPARE(star.epoch, 2450000.0L);
  QCOMPARE(star.magnitudeStep, 0.005L);
  QCOMPARE(star.increment, 0.0001L);
  QCOMPARE(star.harmonicCount, 3);
  QCOMPARE(star.rightAscension.whole, 0.0L);     // Edit11Change ran
  QCOMPARE(star.declination.whole, 0.0L);  // Edit12Change ran
  QCOMPARE(star.declination.seconds, 0.0L);
  QCOMPARE(star.raDecimalDegrees, 0.0L);
  QCOMPARE(star.decDecimalDegrees, 0.0L);
  QCOMPARE(star.fourierResults.Slot(5), 0.0L);
  QCOMPARE(star.fourierResults.Slot(25), 2.5L);  // only entries 0 to 19 are reset
  QCOMPARE(star.searchMin, 0.4L);
  QCOMPARE(form.view().measureFirstDone, false);
  QCOMPARE(form.view().measureX1, 0.0);
  QCOMPARE(form.view().measureY2, 0.0);
  QCOMPARE(form.view().phaseView, false);
  QVERIFY(f.outside->errors.isEmpty());
}

void TestLoading::dialogOpensInProgramFolderAndFolderBecomesCurrent() {
  QTemporaryDir dir;
  FormFixture f;
  const QString before = QDir::currentPath();
  f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
  QCOMPARE(f.outside->openFolders, QStringList{QCoreApplication::applicationDirPath()});
  QCOMPARE(f.outside->openFilters, QStringList{QString()});
  QCOMPARE(QDir(QDir::currentPath()).canonicalPath(), QDir(dir.path()).canonicalPath());
  QDir::setCurrent(before);
}

void TestLoading::cancelledDialogEmptiesTheStore() {
  QTemporaryDir dir;
  FormFixture f;
  f.LoadNights(dir, {3, 4, 5});
  const int points = f.form->chartModel().Series(kLightCurveSeries).Count();
  f.form->Edit2->setText(QStringLiteral("2451000"));
  f.outside->openAnswers.push_back(FileChoice{});
  f.form->OpenDataClick();
  QCOMPARE(f.form->data().pointCount, 0);
  QCOMPARE(f.form->view().lastNight, 0);
  QCOMPARE(f.form->chartModel().Series(kLightCurveSeries).Count(), points);  // the chart keeps its points
  QVERIFY(!f.form->chartModel().leftAxisInverted);
  QCOMPARE(f.form->Label1->text(), QStringLiteral("nights.txt"));
  QCOMPARE(QString::fromStdString(f.form->view().openPath), QStringLiteral("nights.txt"));
  QCOMPARE(f.form->Edit2->text(), QStringLiteral("2450000"));
  QVERIFY(!f.form->First->isEnabled());
  QVERIFY(!f.form->Last->isEnabled());
  QVERIFY(f.form->All->isEnabled());
  QCOMPARE(f.form->view().currentNight, 1);
  // The Phase button now works on no entries.
  f.form->Edit3->setText(QStringLiteral("0.5"));
  f.form->PhaseClick();
  QCOMPARE(f.form->chartModel().Series(kPhaseSeries).Count(), 0);
  QVERIFY(f.outside->errors.isEmpty());
}

void TestLoading::unopenableFileBeepsAndSaysWhy() {
  QTemporaryDir dir;
  FormFixture f;
  f.outside->openAnswers.push_back(FileChoice{dir.filePath(QStringLiteral("gone.txt")), false});
  f.form->OpenDataClick();
  QCOMPARE(f.outside->beeps, 1);
  QCOMPARE(f.form->data().pointCount, 0);
  QVERIFY(!f.form->RichEdit1->isHidden());
  const QString notes = f.form->RichEdit1->toPlainText();
  QVERIFY2(notes.contains(QStringLiteral("gone.txt")) && notes.contains(QStringLiteral("No such file")),
           qPrintable(notes));
  QCOMPARE(f.form->chartModel().Series(kLightCurveSeries).Count(), 0);
  QVERIFY(f.outside->errors.isEmpty());
}

void TestLoading::badTokenKeepsPairsAndTellsWhere() {
  QTemporaryDir dir;
  FormFixture f;
  f.Load(dir, QStringLiteral("bad.txt"), "2450001.5 12.1\n2450001.6 12.2\n2450001.7 n/a\n2450001.8 12.4\n");
  QCOMPARE(f.form->data().pointCount, 3);  // two pairs and the repeat of the second
  QCOMPARE(static_cast<double>(f.form->data().jd[2]), 2450001.6);
  const QString notes = f.form->RichEdit1->toPlainText();
  QVERIFY2(notes.contains(QStringLiteral("bad.txt")) && notes.contains(QStringLiteral("line 3")) &&
               notes.contains(QStringLiteral("'n/a'")),
           qPrintable(notes));
}

void TestLoading::incrementBoxNotANumberStopsBeforeAnything() {
  QTemporaryDir dir;
  FormFixture f;
  f.LoadNights(dir, {3, 3, 3});
  f.form->Edit6->setText(QStringLiteral("1e-6x"));
  QCOMPARE(f.outside->errors.size(), 1);  // Edit6Change at the edit
  f.outside->openAnswers.push_back(FileChoice{});
  f.form->OpenDataClick();
  QCOMPARE(f.outside->errors.size(), 2);
  QCOMPARE(f.outside->errors.last(), QStringLiteral("'1e-6x' is not a valid floating point value"));
  QCOMPARE(f.outside->openDialogs, 1);      // the dialog of the first load only
  QCOMPARE(f.form->data().pointCount, 10);  // the store is unchanged
}

void TestLoading::separatorOfTheUserLocale() {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QTemporaryDir dir;
  FormFixture f;
  f.form->Edit6->setText(QStringLiteral("0,0002"));
  f.LoadNights(dir, {3, 3, 3});
  QCOMPARE(f.form->Edit7->text(), QStringLiteral("0,005"));
  QCOMPARE(f.form->star().magnitudeStep, 0.005L);
  QCOMPARE(f.form->star().increment, 0.0002L);
  QVERIFY(f.outside->errors.isEmpty());
  QLocale::setDefault(QLocale::c());
}

void TestLoading::nightColoursOnTheChart() {
  QTemporaryDir dir;
  FormFixture f;
  std::vector<int> nights(15, 2);
  f.LoadNights(dir, nights);
  const ChartSeries& s = f.form->chartModel().Series(kLightCurveSeries);
  QCOMPARE(s.Point(0).colour, 0x008000u);   // night 0 green
  QCOMPARE(s.Point(24).colour, 0x000000u);  // night 12 black
  QCOMPARE(s.Point(28).colour, 0xFFFFFFu);  // night 14 white
  QCOMPARE(f.form->chartModel().Series(kMarkedSeries).Count(), 0);
}

void TestLoading::newLoadShowsTheWholeCurve() {
  QTemporaryDir dir;
  FormFixture f;
  f.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.5\n2450001.7 12.9\n");
  ChartWidget* chart = f.form->Chart1;
  // Drag down and to the right over part of the plot: the chart zooms in.
  const QPoint from = chart->PlotRect().center();
  const QPoint to = from + QPoint(60, 40);
  auto send = [chart](QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(pos), chart->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(chart, &event);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  QVERIFY(chart->IsZoomed());
  // The next file is shown whole, whatever part of the last one was looked at.
  f.Load(dir, QStringLiteral("b.txt"), "2450101.5 11.1\n2450101.6 11.5\n");
  QVERIFY(!chart->IsZoomed());
}

// A magnitude beyond the double range reads (extended precision holds it) but faults where the
// chart draws it. The file name and the reading messages are in the notes pane before that.
void TestLoading::messagesStayWhenDrawingFaults() {
  QTemporaryDir dir;
  FormFixture f;
  f.Load(dir, QStringLiteral("huge.txt"), "2450001.5 12.1\n2450001.6 1e400\nx\n");
  QCOMPARE(f.outside->errors, QStringList{QStringLiteral("Floating point overflow")});
  QCOMPARE(
      f.form->RichEdit1->toPlainText(),
      QStringLiteral("File name: huge.txt\nhuge.txt, line 3: 'x' is not a number; reading stopped there."));
  QCOMPARE(f.form->data().pointCount, 3);
}

QTEST_MAIN(TestLoading)
// Open data reads a file by its format, as the batch does: an AAVSO export is imported (its
// band kept, its header skipped), not read as pairs that stop at the header.
void TestLoading::aavsoExportIsImportedAsItsFormat() {
  QTemporaryDir dir;
  FormFixture f;
  f.Load(dir, QStringLiteral("export.csv"),
         "JD,Magnitude,Band\n2459000.5,12.5,V\n2459001.5,12.7,V\n2459002.5,12.6,V\n");
  const Data& data = f.form->data();
  QCOMPARE(data.pointCount, 4);
  QCOMPARE(data.jd[1], 2459001.5L);
  QCOMPARE(data.mag[1], 12.7L);
  const QString notes = f.form->RichEdit1->toPlainText();
  QVERIFY2(notes.contains(QStringLiteral("export.csv: band V, 3 observations.")), qPrintable(notes));
  QVERIFY(f.form->First->isEnabled());  // three nights
  QVERIFY(f.outside->errors.isEmpty());
}

// An export of two bands cannot be imported without a choice: the message says so, the store
// stays empty with the buttons of an empty store, and the boxes hold a new object's defaults.
void TestLoading::fileTheImporterRefusesLeavesAnEmptyStore() {
  QTemporaryDir dir;
  FormFixture f;
  f.LoadNights(dir, {3, 4, 5});
  f.form->Edit2->setText(QStringLiteral("2451000"));
  f.Load(dir, QStringLiteral("bands.csv"), "JD,Magnitude,Band\n2459000.5,12.5,V\n2459001.5,12.7,B\n");
  QCOMPARE(f.outside->errors.size(), 1);
  QVERIFY2(f.outside->errors.front().contains(QStringLiteral("holds the bands B, V")) ||
               f.outside->errors.front().contains(QStringLiteral("holds the bands V, B")),
           qPrintable(f.outside->errors.front()));
  QCOMPARE(f.form->data().pointCount, 0);
  QVERIFY(!f.form->First->isEnabled());
  QVERIFY(!f.form->Last->isEnabled());
  QCOMPARE(f.form->Edit2->text(), QStringLiteral("2450000"));
}

#include "tst_Loading.moc"
