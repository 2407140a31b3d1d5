// The harmonic fits through the window: the NJD button, "sin" with the harmonics box and
// "sin+cos"; the pane lines, the picture, the check boxes and the three output files.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QtTest>
#include <cmath>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// An RR Lyrae-like light curve: 12 + 0.3 sin(x) + 0.1 sin(2x + 1), x = 2 pi (JD - 2450000) / P,
// `points` observations over `nights` nights, magnitudes with five decimals.
QByteArray PulsatorCurve(int points, int nights, double period) {
  QByteArray text;
  const double pi = std::acos(-1.0);
  for (int i = 0; i < points; ++i) {
    const int night = i * nights / points;
    const double jd = 2450001.0 + night + 0.25 + 0.3 * (i % (points / nights)) / (points / nights);
    const double x = 2 * pi * (jd - 2450000.0) / period;
    const double mag = 12.0 + 0.3 * std::sin(x) + 0.1 * std::sin(2 * x + 1);
    text += QByteArray::number(jd, 'f', 6) + "  " + QByteArray::number(mag, 'f', 5) + "\r\n";
  }
  return text;
}

QStringList PaneLines(const QTextEdit* pane) {
  return pane->toPlainText().split('\n');
}

// The numbers of a pane line after its caption ("k A sigA PH sigPH     : 1  0.3  ..."), read
// with the separator of the current locale.
QList<double> Numbers(const QString& line, const QString& caption) {
  QList<double> numbers;
  for (const QString& field : line.mid(caption.size()).split(QStringLiteral("  "), Qt::SkipEmptyParts))
    numbers << QLocale().toDouble(field.trimmed());
  return numbers;
}

}  // namespace

class TestFit : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void automaticFitReportsAndDraws();
  void automaticFitShowsTheWholePicture();
  void outputFilesFollowTheCheckBoxes();
  void harmonicsBeyondTheStorageAreRefused_data();
  void harmonicsBeyondTheStorageAreRefused();
  void fixedFitKeepsTheMarks();
  void clearMarksBetweenAutomaticFits();
  void sinCosLine();
  void unwritableFileIsToldOnce();
  void tooFewObservationsEndAtTheSearch();
  void paneUsesTheUserSeparator();
  void averagedTimeAbscissa();
  void secondCycleClickNamesTheObservationDrawn();
};

void TestFit::automaticFitReportsAndDraws() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("rr.txt"), PulsatorCurve(300, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  form.CheckBox3->setChecked(true);
  form.NJDClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  const QStringList lines = PaneLines(form.RichEdit1);
  const int start = static_cast<int>(lines.indexOf(QStringLiteral("FOURIER  ")));
  QVERIFY(start >= 0);
  // Two harmonics in the curve; the rounding to five decimals is the only noise, so the search
  // may keep a few harmonics more of tiny amplitude.
  QVERIFY(lines[start + 1].startsWith(QStringLiteral("nr fit ")));
  const int n = lines[start + 1].mid(7).toInt();
  QVERIFY(n >= 2);
  QCOMPARE(lines[start + 2], QStringLiteral("FOURIER  "));
  QCOMPARE(lines[start + 3], lines[start + 1]);
  QVERIFY(lines[start + 4].startsWith(QStringLiteral("Sigma")));
  const QString a0 = QStringLiteral("A0   sigA0");
  const QString harmonic = QStringLiteral("k A sigA PH sigPH     : ");
  const QString parameter = QStringLiteral("k rk sigrk fi sigfi   : ");
  QVERIFY(lines[start + 5].startsWith(a0));
  QVERIFY(std::fabs(Numbers(lines[start + 5], a0)[0] - 12.0) < 1e-5);
  for (int k = 1; k <= n; ++k) QVERIFY(lines[start + 5 + k].startsWith(harmonic + QString::number(k) + "  "));
  QVERIFY(std::fabs(Numbers(lines[start + 6], harmonic)[1] - 0.3) < 1e-5);
  QVERIFY(std::fabs(Numbers(lines[start + 7], harmonic)[1] - 0.1) < 1e-5);
  QVERIFY(lines[start + 6 + n].startsWith(parameter + "2  "));
  QVERIFY(std::fabs(Numbers(lines[start + 6 + n], parameter)[1] - 1.0 / 3) < 1e-4);
  QVERIFY(lines[start + 4 + 2 * n].startsWith(parameter + QString::number(n) + "  "));
  QVERIFY(lines[start + 5 + 2 * n].startsWith(QStringLiteral("Max   : JD ")));
  QVERIFY(lines[start + 6 + 2 * n].startsWith(QStringLiteral(" Rising Time: ")));
  QCOMPARE(lines.size(), start + 7 + 2 * n);
  QCOMPARE(form.star().fourierResults.Slot(0), static_cast<long double>(std::log10(0.61)));
  QVERIFY(std::fabs(form.star().fourierResults.Slot(3) - 0.3L) < 1e-4L);

  const ChartModel& chart = form.chartModel();
  QCOMPARE(chart.bottomAxisTitle, std::string("Phase"));
  QVERIFY(chart.Series(kFittedCurveSeries).Count() >= 20000);
  QCOMPARE(chart.Series(kFittedCurveSeries).Point(0).colour, 0x00FFFFu);
  const int entries = form.data().pointCount;
  QCOMPARE(chart.Series(kPhaseSeries).Count(), entries - 2);
  QCOMPARE(chart.Series(kSecondCycleSeries).Count(), entries - 2);
  QCOMPARE(chart.Series(kMarkerSeries).Count(), 2);
  QCOMPARE(chart.Series(kLightCurveSeries).Count(), 0);
}

void TestFit::automaticFitShowsTheWholePicture() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("rr.txt"), PulsatorCurve(300, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  ChartWidget* chart = form.Chart1;
  chart->resize(800, 500);
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
  form.NJDClick();
  QVERIFY(!chart->IsZoomed());
}

void TestFit::outputFilesFollowTheCheckBoxes() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("rr.txt"), PulsatorCurve(300, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  // Unticked: both files are opened, so they exist, but stay empty.
  form.NJDClick();
  QVERIFY(QFile::exists(dir.filePath(QStringLiteral("FourierOut.txt"))));
  QVERIFY(ReadAll(dir.filePath(QStringLiteral("FourierOut.txt"))).isEmpty());
  QVERIFY(ReadAll(dir.filePath(QStringLiteral("DataOut.txt"))).isEmpty());

  form.CheckBox1->setChecked(true);
  form.CheckBox2->setChecked(false);
  form.Button9->click();  // the harmonics box shows 3 after start
  form.Button9->click();
  const QByteArray fourier = ReadAll(dir.filePath(QStringLiteral("FourierOut.txt")));
  const QList<QByteArray> fourierLines = fourier.split('\n');
  QCOMPARE(fourierLines.size(), 3);            // two lines and the empty rest
  QCOMPARE(fourierLines[0], fourierLines[1]);  // the fixed count gives the same line twice
  QVERIFY(fourierLines[0].endsWith("  rr.txt\r"));
  QCOMPARE(fourierLines[0].count("  "), 32);  // after the 31 results and the rising time
  QVERIFY(fourierLines[0].startsWith(QByteArray::number(std::log10(0.61), 'f', 6) + "  12.0"));
  QVERIFY(ReadAll(dir.filePath(QStringLiteral("DataOut.txt"))).isEmpty());

  form.CheckBox2->setChecked(true);
  form.Button9->click();
  const QList<QByteArray> rows = ReadAll(dir.filePath(QStringLiteral("DataOut.txt"))).split('\n');
  const int n = form.data().pointCount;
  QCOMPARE(rows.size(), n - 2 + 2);  // N - 2 rows, the empty line, the empty rest
  QCOMPARE(rows[n - 2], QByteArray("\r"));
  QCOMPARE(rows[0].count("  "), 4);
}

void TestFit::harmonicsBeyondTheStorageAreRefused_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("message");
  QTest::newRow("50") << QStringLiteral("50")
                      << QStringLiteral("A fit takes 0 to 49 harmonics; 50 cannot be fitted");
  QTest::newRow("-2") << QStringLiteral("-2")
                      << QStringLiteral("A fit takes 0 to 49 harmonics; -2 cannot be fitted");
}

void TestFit::harmonicsBeyondTheStorageAreRefused() {
  QFETCH(QString, text);
  QFETCH(QString, message);
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("rr.txt"), PulsatorCurve(300, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  form.CheckBox3->setChecked(true);
  form.Edit8->setText(text);
  const QString pane = form.RichEdit1->toPlainText();
  const int points = form.chartModel().Series(kPhaseSeries).Count();
  form.star().fourierResults.Slot(4) = 1;
  for (QPushButton* button : {form.Button9, form.BitBtn3}) {
    button->click();
    QCOMPARE(f.outside->errors, QStringList{message});
    f.outside->errors.clear();
  }
  QCOMPARE(form.RichEdit1->toPlainText(), pane);
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), points);
  QCOMPARE(form.star().fourierResults.Slot(4), 1.0L);
  QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("FourierOut.txt"))));
  QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("SinCosOut.txt"))));
}

void TestFit::fixedFitKeepsTheMarks() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  QByteArray text = PulsatorCurve(300, 10, 0.61);
  text += "2450011.3  15.0\r\n";  // one wild observation, the last
  f.Load(dir, QStringLiteral("rr.txt"), text);
  form.Edit3->setText(QStringLiteral("0.61"));
  form.Edit8->setText(QStringLiteral("2"));
  form.Button9->click();
  QCOMPARE(form.data().markCount, 0);
  form.NJDClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  const int wild = form.data().pointCount - 2;
  QCOMPARE(form.data().markFlag[wild], 1);
  QCOMPARE(form.data().markCount, 1);
  QVERIFY(form.chartModel().Series(kMarkedSeries).Count() >= 1);
}

// The automatic fit's marks stay from click to click, and its count line says how many points
// it left out; Edit > Clear marks takes them off without a new load, so that the next fit uses
// every observation again (and marks the wild one anew).
void TestFit::clearMarksBetweenAutomaticFits() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  QByteArray text = PulsatorCurve(300, 10, 0.61);
  text += "2450011.3  15.0\r\n";  // one wild observation, the last
  f.Load(dir, QStringLiteral("rr.txt"), text);
  form.Edit3->setText(QStringLiteral("0.61"));
  const int wild = form.data().pointCount - 2;
  auto countLine = [&form] {
    const QStringList lines = PaneLines(form.RichEdit1).filter(QStringLiteral("nr fit "));
    return lines.isEmpty() ? QString() : lines.last();
  };
  auto clause = [&] { return countLine().section(QLatin1Char(';'), 1); };

  form.NJDClick();
  QCOMPARE(clause(), QString());
  QCOMPARE(form.data().markFlag[wild], 1);
  form.NJDClick();
  QCOMPARE(clause(), QStringLiteral(" 1 point left out"));
  QCOMPARE(form.data().markCount, 1);
  const int crosses = form.chartModel().Series(kMarkedSeries).Count();
  QCOMPARE(crosses, 2);  // the wild point in both cycles of the fit's picture

  auto* clear = form.findChild<QAction*>(QStringLiteral("EditClearMarksCmd"));
  QVERIFY(clear != nullptr);
  clear->trigger();
  QVERIFY(f.outside->errors.isEmpty());
  QCOMPARE(form.data().markCount, 0);
  QCOMPARE(form.data().markFlag[wild], 0);
  QCOMPARE(form.chartModel().Series(kMarkedSeries).Count(), 0);
  QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("1 mark cleared"));

  form.NJDClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  QCOMPARE(clause(), QString());
  QCOMPARE(form.data().markFlag[wild], 1);
}

void TestFit::sinCosLine() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("rr.txt"), PulsatorCurve(300, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  const QString path = dir.filePath(QStringLiteral("SinCosOut.txt"));
  form.Edit8->setText(QStringLiteral("2"));
  form.BitBtn3->click();
  QVERIFY(QFile::exists(path));
  QVERIFY(ReadAll(path).isEmpty());
  form.CheckBox1->setChecked(true);
  form.BitBtn3->click();
  const QByteArray line = ReadAll(path);
  QVERIFY(line.endsWith("  rr.txt\r\n"));
  const QList<QByteArray> fields = line.trimmed().split(' ');
  QStringList values;
  for (const QByteArray& field : fields)
    if (!field.isEmpty()) values << QString::fromLatin1(field);
  QCOMPARE(values.size(), 11);
  QCOMPARE(values[0], QStringLiteral("1"));
  QCOMPARE(values[5], QStringLiteral("2"));
  // a_1^2 + b_1^2 = 0.3^2 and a_2^2 + b_2^2 = 0.1^2: the amplitudes of the curve.
  const double a1 = values[1].toDouble(), b1 = values[3].toDouble();
  const double a2 = values[6].toDouble(), b2 = values[8].toDouble();
  QVERIFY(std::fabs(std::hypot(a1, b1) - 0.3) < 1e-5);
  QVERIFY(std::fabs(std::hypot(a2, b2) - 0.1) < 1e-5);
  QCOMPARE(form.star().harmonicCount, 2);
  QCOMPARE(form.chartModel().Series(kFittedCurveSeries).Count(), 0);  // draws nothing
}

void TestFit::unwritableFileIsToldOnce() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("rr.txt"), PulsatorCurve(300, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("FourierOut.txt")));  // a folder cannot be appended to
  form.CheckBox1->setChecked(true);
  form.NJDClick();
  form.NJDClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  const QStringList told = PaneLines(form.RichEdit1).filter(QStringLiteral("Could not write FourierOut.txt"));
  QCOMPARE(told.size(), 1);
  // The rest of the click went on: the curve is drawn.
  QVERIFY(form.chartModel().Series(kFittedCurveSeries).Count() > 0);
}

void TestFit::tooFewObservationsEndAtTheSearch() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("few.txt"), "2450001.1 12.0\n2450001.2 12.3\n2450001.35 12.1\n");
  form.Edit3->setText(QStringLiteral("0.5"));
  f.outside->errors.clear();  // the period box's AoV statistic faults on three observations
  const int points = form.chartModel().Series(kPhaseSeries).Count();
  form.CheckBox3->setChecked(true);
  form.NJDClick();
  QCOMPARE(f.outside->errors.size(), 1);
  QVERIFY(f.outside->errors[0] == QStringLiteral("Floating point division by zero") ||
          f.outside->errors[0] == QStringLiteral("Invalid floating point operation"));
  QCOMPARE(PaneLines(form.RichEdit1).last(), QStringLiteral("FOURIER  "));
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), points);
}

void TestFit::paneUsesTheUserSeparator() {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("rr.txt"), PulsatorCurve(300, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0,61"));
  form.CheckBox3->setChecked(true);
  form.CheckBox1->setChecked(true);
  form.Edit8->setText(QStringLiteral("1"));
  form.Button9->click();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  const QString harmonic = QStringLiteral("k A sigA PH sigPH     : ");
  const QStringList lines = PaneLines(form.RichEdit1).filter(harmonic);
  QCOMPARE(lines.size(), 1);
  QVERIFY(lines[0].contains(',') && !lines[0].contains('.'));
  QVERIFY2(std::fabs(Numbers(lines[0], harmonic)[1] - 0.3) < 0.02, qPrintable(lines[0]));
  // Files keep ".".
  const QByteArray line = ReadAll(dir.filePath(QStringLiteral("FourierOut.txt")));
  QVERIFY(line.contains('.') && !line.contains(','));
  QLocale::setDefault(QLocale::c());
}

void TestFit::averagedTimeAbscissa() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("rr.txt"), PulsatorCurve(300, 10, 0.61));
  form.Edit3->setText(QStringLiteral("0.61"));
  form.RadioGroup3->item(1)->click();  // "JD average"
  QCOMPARE(form.RadioGroup3->itemIndex(), 1);
  form.CheckBox2->setChecked(true);
  form.CheckBox3->setChecked(true);
  form.Edit8->setText(QStringLiteral("2"));
  form.Button9->click();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  const ChartModel& chart = form.chartModel();
  QCOMPARE(chart.bottomAxisTitle, std::string("Julian Day Average"));
  // Two periods from meanEpoch in steps of 0.0001 day.
  const ChartSeries& curve = chart.Series(kFittedCurveSeries);
  QVERIFY(std::abs(curve.Count() - 12200) <= 1);
  QCOMPARE(curve.Point(0).x, static_cast<double>(form.data().meanEpoch));
  // The extremes are Julian Days within the first period; the rising time is in cycles.
  const QStringList lines = PaneLines(form.RichEdit1);
  const QString extremes = lines[lines.size() - 2];
  QVERIFY(extremes.startsWith(QStringLiteral("Max   : JD 24500")));
  QVERIFY(extremes.contains(QStringLiteral("Min   : JD 24500")));
  // DataOut.txt starts its rows with averaged Julian Days.
  QVERIFY(ReadAll(dir.filePath(QStringLiteral("DataOut.txt"))).startsWith("24500"));
}

// A fit's picture draws the second cycle apart in kSecondCycleSeries from sorted position 1 on. A real
// click (Select Area) on a second-cycle point of it must pick the observation drawn there: the
// lime marker lands on the very point clicked, and the area's end is that observation's
// second-cycle position.
void TestFit::secondCycleClickNamesTheObservationDrawn() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("rr.txt"), PulsatorCurve(40, 4, 0.61));
  form.resize(1200, 900);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  form.Edit3->setText(QStringLiteral("0.61"));
  form.NJDClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  form.RadioGroup1->item(1)->click();  // Select Area
  const ChartModel& chart = form.chartModel();
  const ChartSeries& second = chart.Series(kSecondCycleSeries);
  QVERIFY(second.Count() > 10);
  // A point of the second cycle far (in pixels) from every other point drawn.
  auto pixel = [&](const ChartPoint& p) {
    return QPoint(form.Chart1->XPixel(p.x), form.Chart1->YPixel(p.y));
  };
  int chosen = -1;
  for (int r = 1; r < second.Count() && chosen < 0; ++r) {
    const QPoint at = pixel(second.Point(r));
    bool alone = true;
    for (int s : {kMarkedSeries, kPhaseSeries, kSecondCycleSeries})
      for (int i = 0; i < chart.Series(s).Count(); ++i)
        if (!(s == kSecondCycleSeries && i == r) &&
            (pixel(chart.Series(s).Point(i)) - at).manhattanLength() < 12)
          alone = false;
    if (alone) chosen = r;
  }
  QVERIFY(chosen >= 0);
  const ChartPoint clicked = second.Point(chosen);
  const QPoint at = pixel(clicked);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, QPointF(at), form.Chart1->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.Chart1, &event);
  }
  const Data& data = form.data();
  const int n = data.pointCount;
  const int position = form.view().areaIndex1;
  QVERIFY2(position >= n, qPrintable(QString::number(position)));
  const int entry = data.sortIndex[position - n];
  QCOMPARE(static_cast<double>(data.mag[entry]), clicked.y);
  QCOMPARE(static_cast<double>(data.sortedPhase[position - n] + 1.0L), clicked.x);
  const ChartSeries& markers = chart.Series(kMarkerSeries);
  bool onThePoint = false;
  for (const ChartPoint& m : markers.Points())
    if (m.colour == 0x00FF00u && m.x == clicked.x && m.y == clicked.y) onThePoint = true;
  QVERIFY(onThePoint);
}

QTEST_MAIN(TestFit)
#include "tst_Fit.moc"
