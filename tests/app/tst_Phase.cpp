// The ephemeris group, the phase diagram and the period search through the window: box writes
// and their change handlers, the labels, the chart, "DataPhase.txt" and the notes pane.
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QtTest>
#include <cmath>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"
#include "common/NumberFormat.h"
#include "common/TextToFloat.h"

using namespace ombrane;
using namespace ombrane::test;

class TestPhase : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void typingAPeriodFoldsAndDraws();
  void phaseFileBlocksWhenTicked();
  void notANumberInThePeriodBox();
  void undefinedAovStatisticShowsADashAndDraws();
  void doubleAndHalve();
  void stepAboutTheMeanJulianDay();
  void failingRefoldEndsTheWritingHandler();
  void abscissaSwitch();
  void searchAppliesTheBestPeriod_data();
  void searchAppliesTheBestPeriod();
  void searchRefusals_data();
  void searchRefusals();
  void searchOverFewEntries();
  void searchWithoutDataSaysSo();
  void longSearchShowsProgressAndCancels();
  void escapeCancelsTheSearch_data();
  void escapeCancelsTheSearch();
  void periodButtonAndDoubleClick();
  void labelsUseTheUserSeparator();
};

void TestPhase::typingAPeriodFoldsAndDraws() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(200, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  QVERIFY(f.outside->errors.isEmpty());
  QCOMPARE(form.star().period, 0.61L);
  const int n = form.data().pointCount;
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * n - 2);
  QCOMPARE(form.chartModel().Series(kLightCurveSeries).Count(), 0);
  QCOMPARE(form.chartModel().bottomAxisTitle, std::string("Phase"));
  QCOMPARE(form.chartModel().titleLines, (std::vector<std::string>{"sine.txt"}));
  QCOMPARE(form.view().phaseView, true);
  QCOMPARE(form.Label11->text().toStdString(), FormatFixed(form.star().stringLength, 6, 6, '.'));
  QVERIFY(form.Label11->text().contains('.'));
  QVERIFY(form.Label13->text() != QStringLiteral("0"));
  // At the true period the string is far shorter than at a wrong one.
  const long double atTrue = form.star().stringLength;
  form.Edit3->setText(QStringLiteral("0.7"));
  QVERIFY(form.star().stringLength > 2 * atTrue);
}

void TestPhase::phaseFileBlocksWhenTicked() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(40, 4, 0.61));
  const QString phaseFile = dir.filePath(QStringLiteral("DataPhase.txt"));
  form.Edit3->setText(QStringLiteral("0.61"));
  QVERIFY(!QFile::exists(phaseFile));  // not ticked: no file
  form.CheckBox2->setChecked(true);
  // Typing "0.6" character by character: "0" folds nothing (P = 0), "0." and "0.6" fold.
  form.Edit3->clear();
  QTest::keyClicks(form.Edit3, QStringLiteral("0.6"));
  const QByteArray text = ReadAll(phaseFile);
  const int n = form.data().pointCount;
  // Every block holds each of the N - 1 observations once and an empty line.
  QCOMPARE(text.count("\r\n"), 1 * ((n - 1) + 1));
  QVERIFY(!text.contains(','));
  QVERIFY(text.endsWith("\r\n\r\n"));
  form.PhaseClick();  // Phase writes a block as well
  QCOMPARE(ReadAll(phaseFile).count("\r\n"), 2 * ((n - 1) + 1));
  form.RadioGroup3->item(1)->click();  // the abscissa switch writes nothing
  QCOMPARE(ReadAll(phaseFile).count("\r\n"), 2 * ((n - 1) + 1));
  QVERIFY(f.outside->errors.isEmpty() ||
          f.outside->errors == QStringList{QStringLiteral("'' is not a valid floating point value")});
}

void TestPhase::notANumberInThePeriodBox() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(200, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  const QString label = form.Label11->text();
  form.Edit3->setText(QString());
  QCOMPARE(f.outside->errors, QStringList{QStringLiteral("'' is not a valid floating point value")});
  QCOMPARE(form.star().period, 0.61L);
  QCOMPARE(form.Label11->text(), label);
}

// Four observations leave phase bins empty: the fold is drawn, Label13 shows the dash and the
// status bar says why, until a fold with a defined statistic.
void TestPhase::undefinedAovStatisticShowsADashAndDraws() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("few.txt"), "2450001.1 12.0\n2450001.2 12.3\n2450001.35 12.1\n2450001.5 12.2\n");
  form.Edit3->setText(QStringLiteral("0.5"));
  QVERIFY(f.outside->errors.isEmpty());
  QVERIFY(form.Label11->text() != QStringLiteral("0"));
  QCOMPARE(form.Label13->text(), QStringLiteral("\u2013"));
  QCOMPARE(form.StatusBar1->currentMessage(),
           QStringLiteral("AoV statistic undefined: fewer than 10 observations"));
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * form.data().pointCount - 2);
  QCOMPARE(form.view().phaseView, true);

  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(200, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  QVERIFY(form.Label13->text() != QStringLiteral("\u2013"));
  QCOMPARE(form.StatusBar1->currentMessage(), QString());
  QVERIFY(f.outside->errors.isEmpty());
}

void TestPhase::doubleAndHalve() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(200, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.30"));
  form.Button1->click();
  QCOMPARE(form.Edit3->text(), QStringLiteral("0.6"));
  QCOMPARE(form.star().period, 0.6L);
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Point(0).x,
           static_cast<double>(form.data().sortedPhase[1]));
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * form.data().pointCount - 2);
  form.Button2->click();
  QCOMPARE(form.Edit3->text(), QStringLiteral("0.3"));
  QCOMPARE(form.star().period, 0.3L);
  // A negative period is not halved, but its general form is written.
  form.Edit3->setText(QStringLiteral("-0.30"));
  form.Button2->click();
  QCOMPARE(form.star().period, -0.3L);
  QCOMPARE(form.Edit3->text(), QStringLiteral("-0.3"));
  // Doubling 0 writes "0".
  form.Edit3->setText(QStringLiteral("0"));
  form.Button1->click();
  QCOMPARE(form.Edit3->text(), QStringLiteral("0"));
  QVERIFY(f.outside->errors.isEmpty());
}

void TestPhase::stepAboutTheMeanJulianDay() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(200, 10, 0.61));
  // With period 0 the step divides by zero and changes nothing.
  form.Button3->click();
  QCOMPARE(f.outside->errors, QStringList{QStringLiteral("Floating point division by zero")});
  QCOMPARE(form.Edit2->text(), QStringLiteral("2450000"));
  QCOMPARE(form.star().epoch, 2450000.0L);

  form.Edit6->setText(QStringLiteral("0.001"));
  form.Edit3->setText(QStringLiteral("0.61"));
  const long double meanJd = form.data().meanJd;
  const long double c = static_cast<double>((meanJd - 2450000.0L) / 0.61L);
  form.Button3->click();
  QCOMPARE(f.outside->errors.size(), 1);
  QCOMPARE(form.Edit3->text(), QStringLiteral("0.611"));
  QCOMPARE(form.Edit2->text(), QString::fromStdString(FormatGeneral(2450000.0L - 0.001L * c)));
  // The mean Julian Day keeps its phase.
  QVERIFY(std::fabs(static_cast<double>((meanJd - form.star().epoch) / form.star().period - c)) < 1e-6);
  form.Button4->click();
  QCOMPARE(form.Edit3->text(), QStringLiteral("0.61"));
  QCOMPARE(f.outside->errors.size(), 1);
}

void TestPhase::failingRefoldEndsTheWritingHandler() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  // A magnitude beyond the double range: every fold overflows at the string length.
  f.Load(dir, QStringLiteral("huge.txt"),
         "2450001.1 12.0\n2450001.2 1e400\n2450001.35 12.1\n2450001.5 12.2\n");
  form.PhaseClick();  // nothing: period 0
  form.star().period = 0.5L;
  form.PhaseClick();  // a fold, so that the mean Julian Day is known
  form.Edit6->setText(QStringLiteral("0.01"));
  const QString epochText = form.Edit2->text();
  f.outside->errors.clear();
  form.Button3->click();
  // The period box's fold fails: one message, and the epoch box is never written although the
  // epoch itself has moved.
  QCOMPARE(f.outside->errors, QStringList{QStringLiteral("Floating point overflow")});
  QCOMPARE(form.Edit3->text(), QStringLiteral("0.51"));
  QCOMPARE(form.Edit2->text(), epochText);
  QVERIFY(form.star().epoch != 2450000.0L);
}

void TestPhase::abscissaSwitch() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(200, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  form.RadioGroup3->item(1)->click();
  QCOMPARE(form.chartModel().bottomAxisTitle, std::string("JD average"));
  const ChartSeries& s = form.chartModel().Series(kPhaseSeries);
  QVERIFY(s.Point(0).x > 2450000.0);
  QCOMPARE(s.Count(), 2 * form.data().pointCount - 2);
  form.RadioGroup3->item(0)->click();
  QCOMPARE(form.chartModel().bottomAxisTitle, std::string("Phase"));
  // A click on the item already chosen runs nothing: the light curve shown stays.
  form.AllClick();
  form.RadioGroup3->item(0)->click();
  QCOMPARE(form.chartModel().bottomAxisTitle, std::string("Julian Day"));
  QCOMPARE(form.RadioGroup3->itemIndex(), 0);
  QVERIFY(form.RadioGroup3->item(0)->isChecked());
  // After a second load the period is 0 and the switch does nothing.
  f.Load(dir, QStringLiteral("sine2.txt"), SineCurve(100, 5, 0.61));
  form.RadioGroup3->item(1)->click();
  QCOMPARE(form.chartModel().bottomAxisTitle, std::string("Julian Day"));
}

void TestPhase::searchAppliesTheBestPeriod_data() {
  QTest::addColumn<int>("method");
  QTest::addColumn<QString>("prefix");
  QTest::newRow("string length") << 0 << QStringLiteral("Mesurment String - Length: ");
  QTest::newRow("AoV") << 1 << QStringLiteral("AoV: ");
}

void TestPhase::searchAppliesTheBestPeriod() {
  QFETCH(int, method);
  QFETCH(QString, prefix);
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(300, 15, 0.61));
  form.RadioGroup4->item(method)->click();
  form.Edit4->setText(QStringLiteral("0.55"));
  form.Edit5->setText(QStringLiteral("0.65"));
  form.Edit6->setText(QStringLiteral("0.001"));
  form.Button7->click();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  const QString line = LastLine(form.RichEdit1);
  QVERIFY2(line.startsWith(prefix), qPrintable(line));
  QVERIFY2(line.endsWith(QStringLiteral(" Best Period:") + form.Edit3->text()), qPrintable(line));
  QCOMPARE(form.Edit3->text().toStdString(), FormatGeneral(form.star().bestPeriod));
  QVERIFY(std::fabs(static_cast<double>(form.star().bestPeriod) - 0.61) < 0.0015);
  QCOMPARE(form.star().period, TextToFloat(form.Edit3->text().toStdString()));
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * form.data().pointCount - 2);
  form.Button12->click();
  QCOMPARE(LastLine(form.RichEdit1), QStringLiteral("Period: ") + form.Edit3->text());
}

void TestPhase::searchRefusals_data() {
  QTest::addColumn<QString>("min");
  QTest::addColumn<QString>("max");
  QTest::addColumn<QString>("step");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("line");
  QTest::newRow("zero step") << "0.5"
                             << "0.6"
                             << "0"
                             << "The period step must be greater than 0." << QString();
  QTest::newRow("negative step") << "0.5"
                                 << "0.6"
                                 << "-0.001"
                                 << "The period step must be greater than 0." << QString();
  QTest::newRow("below zero") << "-0.1"
                              << "0.6"
                              << "0.001"
                              << "The search range must not start below 0." << QString();
  QTest::newRow("from zero") << "0"
                             << "0.6"
                             << "0.001"
                             << "Floating point division by zero" << QString();
  QTest::newRow("empty range") << "0.6"
                               << "0.6"
                               << "0.001"
                               << ""
                               << "Search: Min (0.6) is not below Max (0.6); nothing was searched.";
}

void TestPhase::searchRefusals() {
  QFETCH(QString, min);
  QFETCH(QString, max);
  QFETCH(QString, step);
  QFETCH(QString, message);
  QFETCH(QString, line);
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(200, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.7"));
  const QString notes = form.RichEdit1->toPlainText();
  form.Edit4->setText(min);
  form.Edit5->setText(max);
  form.Edit6->setText(step);
  form.Button7->click();
  QCOMPARE(f.outside->errors, message.isEmpty() ? QStringList() : QStringList{message});
  QCOMPARE(form.RichEdit1->toPlainText(), line.isEmpty() ? notes : notes + QStringLiteral("\n") + line);
  QCOMPARE(form.Edit3->text(), QStringLiteral("0.7"));
}

// Four observations: a string-length search finds its period and folds there with the AoV
// dash; an AoV search has no defined trial and says so in one line, changing nothing.
void TestPhase::searchOverFewEntries() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("few.txt"), "2450001.1 12.0\n2450001.2 12.3\n2450001.35 12.1\n2450001.5 12.2\n");
  const QString notes = form.RichEdit1->toPlainText();
  // Trials 0.25, 0.25 + 1/64, ... below 0.375: eight of them, exact in binary.
  form.Edit4->setText(QStringLiteral("0.25"));
  form.Edit5->setText(QStringLiteral("0.375"));
  form.Edit6->setText(QStringLiteral("0.015625"));
  form.Button7->click();
  QVERIFY(f.outside->errors.isEmpty());
  QVERIFY(LastLine(form.RichEdit1).startsWith(QStringLiteral("Mesurment String - Length: ")));
  QCOMPARE(form.Edit3->text().toStdString(), FormatGeneral(form.star().bestPeriod));
  QCOMPARE(form.Label13->text(), QStringLiteral("\u2013"));
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * form.data().pointCount - 2);

  const QString period = form.Edit3->text();
  const QString afterFirst = form.RichEdit1->toPlainText();
  form.RadioGroup4->item(1)->click();
  form.Button7->click();
  QVERIFY(f.outside->errors.isEmpty());
  QCOMPARE(
      form.RichEdit1->toPlainText(),
      afterFirst +
          QStringLiteral("\nAoV undefined at all 8 trial periods (fewer than 10 observations); nothing was "
                         "changed."));
  QCOMPARE(form.Edit3->text(), period);
  QVERIFY(notes != afterFirst);
}

void TestPhase::searchWithoutDataSaysSo() {
  FormFixture f;
  f.form->Edit4->setText(QStringLiteral("0.5"));
  f.form->Edit5->setText(QStringLiteral("0.6"));
  f.form->Button7->click();
  QVERIFY(f.outside->errors.isEmpty());
  QCOMPARE(f.form->RichEdit1->toPlainText(), QStringLiteral("Search: no data loaded; nothing was searched."));
}

void TestPhase::longSearchShowsProgressAndCancels() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(2000, 20, 0.61));
  form.Edit3->setText(QStringLiteral("0.7"));
  const QString notes = form.RichEdit1->toPlainText();
  const long double stringLength = form.star().stringLength;
  form.Edit4->setText(QStringLiteral("0.5"));
  form.Edit5->setText(QStringLiteral("0.9"));
  // 40 million trials: no machine finishes them before the progress dialog shows.
  form.Edit6->setText(QStringLiteral("0.00000001"));
  bool progressSeen = false;
  bool busyCursor = false;
  // As soon as the progress dialog shows: input to the window is refused (neither a click nor a
  // shortcut nor a key reaches it), then Cancel. Polling, not a fixed delay, so that the test
  // neither fails on a fast machine nor waits long on a slow one.
  QTimer poll;
  poll.setInterval(10);
  QElapsedTimer waited;
  waited.start();
  connect(&poll, &QTimer::timeout, &form, [&] {
    auto* progress = form.findChild<QProgressDialog*>(QStringLiteral("SearchProgress"));
    const bool shown = progress != nullptr && progress->isVisible();
    if (!shown && waited.elapsed() < 120000) return;
    poll.stop();
    progressSeen = shown;
    busyCursor = QApplication::overrideCursor() != nullptr &&
                 QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    QTest::mouseClick(form.Button12, Qt::LeftButton);
    QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
    form.Edit3->setFocus();
    QTest::keyClicks(form.Edit3, QStringLiteral("9"));
    if (progress != nullptr) progress->cancel();
  });
  poll.start();
  form.Button7->click();
  QVERIFY(progressSeen);
  QVERIFY(busyCursor);
  QVERIFY(QApplication::overrideCursor() == nullptr);
  // Nothing changed, nothing written.
  QCOMPARE(form.Edit3->text(), QStringLiteral("0.7"));
  QCOMPARE(form.star().period, 0.7L);
  QCOMPARE(form.star().stringLength, stringLength);
  QCOMPARE(form.RichEdit1->toPlainText(), notes);
  QVERIFY(f.outside->errors.isEmpty());
}

// Esc cancels a running search, pressed on the window before the progress dialog shows or on
// the dialog itself: nothing changes and nothing is written.
void TestPhase::escapeCancelsTheSearch_data() {
  QTest::addColumn<bool>("onTheDialog");
  QTest::newRow("on the window, at once") << false;
  QTest::newRow("on the progress dialog") << true;
}

void TestPhase::escapeCancelsTheSearch() {
  QFETCH(bool, onTheDialog);
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(2000, 20, 0.61));
  form.Edit3->setText(QStringLiteral("0.7"));
  const QString notes = form.RichEdit1->toPlainText();
  form.Edit4->setText(QStringLiteral("0.5"));
  form.Edit5->setText(QStringLiteral("0.9"));
  form.Edit6->setText(QStringLiteral("0.00000001"));  // 40 million trials
  bool escaped = false;
  bool lastResort = false;
  QTimer poll;
  poll.setInterval(10);
  QElapsedTimer waited;
  waited.start();
  connect(&poll, &QTimer::timeout, &form, [&] {
    auto* progress = form.findChild<QProgressDialog*>(QStringLiteral("SearchProgress"));
    if (progress == nullptr) return;  // not searching yet
    if (escaped) {
      // Esc did not end the search: cancel it so that the test ends, and fail below.
      if (waited.elapsed() > 60000) {
        lastResort = true;
        progress->cancel();
      }
      return;
    }
    if (onTheDialog && !progress->isVisible()) return;
    escaped = true;
    waited.restart();
    if (onTheDialog)
      QTest::keyClick(progress, Qt::Key_Escape);
    else
      QTest::keyClick(&form, Qt::Key_Escape);
  });
  poll.start();
  form.Button7->click();
  poll.stop();
  QVERIFY(escaped);
  QVERIFY(!lastResort);
  QCOMPARE(form.Edit3->text(), QStringLiteral("0.7"));
  QCOMPARE(form.star().period, 0.7L);
  QCOMPARE(form.RichEdit1->toPlainText(), notes);
  QVERIFY(f.outside->errors.isEmpty());
}

void TestPhase::periodButtonAndDoubleClick() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(200, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.5"));
  f.Load(dir, QStringLiteral("sine2.txt"), SineCurve(100, 5, 0.61));
  QCOMPARE(form.star().period, 0.0L);
  form.Button12->click();
  QCOMPARE(LastLine(form.RichEdit1), QStringLiteral("Period: 0"));
  form.Edit3DblClick();
  QCOMPARE(form.star().period, 0.5L);
  form.Button12->click();
  QCOMPARE(LastLine(form.RichEdit1), QStringLiteral("Period: 0.5"));
}

void TestPhase::labelsUseTheUserSeparator() {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(200, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0,61"));
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  QCOMPARE(form.star().period, 0.61L);
  QVERIFY(form.Label11->text().contains(','));
  // A period pasted with a decimal point is read; one that could be 1234 grouped is refused.
  form.Edit3->setText(QStringLiteral("0.62"));
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  QCOMPARE(form.star().period, 0.62L);
  form.Edit3->setText(QStringLiteral("1.234"));
  QCOMPARE(f.outside->errors, QStringList{QStringLiteral("'1.234' is not a valid floating point value")});
  QCOMPARE(form.star().period, 0.62L);
  QLocale::setDefault(QLocale::c());
}

QTEST_MAIN(TestPhase)
#include "tst_Phase.moc"
