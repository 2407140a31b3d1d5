// The periodogram window through the main window: opened by a search, its chart, peak table and
// summary, a click on a peak, a row or the curve that folds at that period, the abscissa switch,
// the readout and zoom, the CSV and picture files, and the toolbar button and menu item.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <cmath>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"
#include "PeriodogramWindow.h"
#include "common/NumberFormat.h"
#include "common/TextToFloat.h"
#include "phase/Periodogram.h"
#include "phase/PeriodogramPresentation.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// A loaded sine curve of period 0.61 d searched from 0.4 to 0.9 d in steps of 0.001 d.
struct Searched : FormFixture {
  QTemporaryDir dir;
  PeriodogramWindow* window = nullptr;
  explicit Searched(int method) {
    Load(dir, QStringLiteral("sine.txt"), SineCurve(300, 15, 0.61));
    form->RadioGroup4->item(method)->click();
    form->Edit4->setText(QStringLiteral("0.4"));
    form->Edit5->setText(QStringLiteral("0.9"));
    form->Edit6->setText(QStringLiteral("0.001"));
    form->Button7->click();
    window = form->Periodogram1;
  }
  QString PeriodText(long double period) const { return QString::fromStdString(FormatGeneral(period)); }
  // Points of the curve: one per kept point, and a break before each undefined stretch.
  int CurvePoints() const {
    const Periodogram& p = *window->periodogram;
    int count = static_cast<int>(p.points.size());
    for (size_t i = 1; i < p.points.size(); ++i) count += GapBetween(p, p.points[i - 1], p.points[i]) ? 1 : 0;
    return count;
  }
};

}  // namespace

class TestPeriodogram : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void searchOpensThePeriodogram_data();
  void searchOpensThePeriodogram();
  void suggestFillsTheGridAndASearchUsesIt();
  void optionsReachTheSearch();
  void aRowOrAPeakFoldsAtItsPeriod();
  void aClickOnTheCurveTakesTheTopOfThePeakThere();
  void frequencyAxis();
  void readoutAndZoom();
  void csvFile();
  void pictureFiles_data();
  void pictureFiles();
  void toolbarButtonAndMenuItem();
  void theButtonAndItsSaveDialogsKeepTheWindowInFront();
  void aNewFileForgetsTheLastSearch_data();
  void aNewFileForgetsTheLastSearch();
};

void TestPeriodogram::searchOpensThePeriodogram_data() {
  QTest::addColumn<int>("method");
  QTest::addColumn<QString>("prefix");
  QTest::addColumn<int>("columns");
  QTest::newRow("string length") << 0 << QStringLiteral("Mesurment String - Length: ") << 3;
  QTest::newRow("AoV") << 1 << QStringLiteral("AoV: ") << 5;
  // The methods on arrays: the score, the extras of BLS (duration, depth, epoch), the
  // significance (FAP; p and FAP; SDE).
  QTest::newRow("GLS") << 2 << QStringLiteral("GLS: ") << 4;
  QTest::newRow("MHAOV") << 3 << QStringLiteral("MHAOV: ") << 5;
  QTest::newRow("PDM") << 4 << QStringLiteral("PDM: ") << 5;
  QTest::newRow("BLS") << 5 << QStringLiteral("BLS: ") << 7;
}

void TestPeriodogram::searchOpensThePeriodogram() {
  QFETCH(int, method);
  QFETCH(QString, prefix);
  QFETCH(int, columns);
  Searched f(method);
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  // The main window as before: the result line, the best period in the box. The AoV search
  // skips the trial periods that leave a phase bin empty and says how many after it.
  const QStringList notes = f.form->RichEdit1->toPlainText().split('\n');
  int64_t skipped = 0;
  QString resultLine = notes.last();
  static const QRegularExpression skippedLine(
      QStringLiteral("^AoV undefined at (\\d+) of 500 trial periods"));
  if (const QRegularExpressionMatch m = skippedLine.match(notes.last()); m.hasMatch()) {
    skipped = m.captured(1).toLongLong();
    resultLine = notes[notes.size() - 2];
  }
  QVERIFY2(resultLine.startsWith(prefix), qPrintable(resultLine));
  QVERIFY(resultLine.endsWith(QStringLiteral(" Best Period:") + f.form->Edit3->text()));

  PeriodogramWindow& w = *f.window;
  QVERIFY(w.isVisible());
  QCOMPARE(w.windowTitle(), QStringLiteral("Periodogram"));
  QVERIFY(f.form->PeriodogramBtn->isEnabled());
  QVERIFY(f.form->PeriodogramCmd->isEnabled());
  const Periodogram& periodogram = *w.periodogram;
  QCOMPARE(periodogram.trials, int64_t{500});
  QCOMPARE(periodogram.points.size(), static_cast<size_t>(500 - skipped));
  QCOMPARE(static_cast<int>(periodogram.method), method);
  // The curve in kPeriodogramCurveSeries against the trial period; better is up.
  const ChartModel& model = w.model();
  QCOMPARE(model.Series(kPeriodogramCurveSeries).Count(), f.CurvePoints());
  QCOMPARE(model.Series(kPeriodogramCurveSeries).Point(0).x, 0.4);
  QCOMPARE(model.bottomAxisTitle, std::string("Trial period (d)"));
  QCOMPARE(model.leftAxisInverted, method == 0 || method == 4);  // SL and PDM: smaller is better
  QCOMPARE(model.titleLines.front(), std::string("Periodogram of sine.txt"));
  // The best period is marked and is the first peak of the table.
  QCOMPARE(model.Series(kMarkerSeries).Count(), 1);
  QCOMPARE(model.Series(kMarkerSeries).Point(0).x, static_cast<double>(f.form->star().bestPeriod));
  QTableWidget& table = *w.PeakTable;
  QCOMPARE(table.rowCount(), 5);
  QCOMPARE(table.columnCount(), columns);
  QCOMPARE(table.item(0, 0)->text(), f.form->Edit3->text());
  QCOMPARE(model.Series(kPeakSeries).Count(), 5);
  // Five separate peaks: no two within the peak width 1/T of each other in frequency.
  for (size_t i = 0; i < w.peaks.size(); ++i)
    for (size_t j = i + 1; j < w.peaks.size(); ++j)
      QVERIFY(std::fabs(w.peaks[i].frequency - w.peaks[j].frequency) >= 1 / periodogram.timeSpan);
  if (method == 1) {
    QCOMPARE(table.horizontalHeaderItem(3)->text(), QStringLiteral("p (one trial)"));
    // A sine of 0.3 mag in 300 points: the best peak is far beyond chance.
    const std::optional<AovSignificance> s = SignificanceOf(periodogram, w.peaks[0].score);
    QVERIFY(s && s->falseAlarm < 1e-20L);
    QCOMPARE(table.item(0, 4)->text().toStdString(), FormatGeneralDigits(s->falseAlarm, 3));
    QVERIFY(w.Summary->text().contains(QStringLiteral("(9, 291)")));
  }
  if (method == 2) {
    QCOMPARE(table.horizontalHeaderItem(3)->text(), QStringLiteral("FAP (band)"));
    QVERIFY2(table.item(0, 3)->text().contains(QStringLiteral("E-")), qPrintable(table.item(0, 3)->text()));
    QVERIFY(w.Summary->text().contains(QStringLiteral("Baluev (2008)")));
  }
  if (method == 5) QCOMPARE(table.horizontalHeaderItem(6)->text(), QStringLiteral("SDE"));
}

void TestPeriodogram::suggestFillsTheGridAndASearchUsesIt() {
  FormFixture f;
  QTemporaryDir dir;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(300, 15, 0.61));
  TForm1& form = *f.form;
  form.SuggestGrid->click();
  QVERIFY(form.FrequencyStep->isChecked());
  const QString note = LastLine(form.RichEdit1);
  QVERIFY2(note.startsWith(QStringLiteral("Suggested grid: periods ")), qPrintable(note));
  static const QRegularExpression trials(QStringLiteral("\\): (\\d+) trials\\.$"));
  const QRegularExpressionMatch m = trials.match(note);
  QVERIFY2(m.hasMatch(), qPrintable(note));
  // The boxes hold the grid: Max is the time span, the step 1/(5 T) per day.
  const long double span = form.star().searchMax;
  QVERIFY(span > 10 && span < 15);
  QCOMPARE(static_cast<double>(form.star().increment), static_cast<double>(1 / (5 * span)));
  form.RadioGroup4->item(2)->click();
  form.Button7->click();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  QCOMPARE(form.Periodogram1->periodogram->trials, m.captured(1).toLongLong());
  QVERIFY(std::fabs(static_cast<double>(form.star().bestPeriod) - 0.61) < 0.01);
  // AoV steps in frequency too, over the same trials.
  form.RadioGroup4->item(1)->click();
  form.Button7->click();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  QCOMPARE(form.Periodogram1->periodogram->method, SearchMethod::Aov);
  QCOMPARE(form.Periodogram1->periodogram->trials, m.captured(1).toLongLong());
  QVERIFY(std::fabs(static_cast<double>(form.star().bestPeriod) - 0.61) < 0.01);
}

void TestPeriodogram::optionsReachTheSearch() {
  FormFixture f;
  QTemporaryDir dir;
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(300, 15, 0.61));
  TForm1& form = *f.form;
  // The dialog: three harmonics for MHAOV, then a list of durations that does not read, which
  // changes nothing and says why.
  auto answer = [](int harmonics, const QString& durations) {
    QTimer::singleShot(0, [harmonics, durations] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      dialog->findChild<QSpinBox*>(QStringLiteral("Harmonics"))->setValue(harmonics);
      dialog->findChild<QLineEdit*>(QStringLiteral("Durations"))->setText(durations);
      dialog->accept();
    });
  };
  answer(3, QStringLiteral("0.05, 0.1"));
  form.MethodOptions->click();
  answer(5, QStringLiteral("0.05,0.9"));
  form.MethodOptions->click();
  QVERIFY(f.outside->errors.join('|').contains(QStringLiteral("at most 0.5")));
  form.RadioGroup4->item(3)->click();
  form.Edit4->setText(QStringLiteral("0.4"));
  form.Edit5->setText(QStringLiteral("0.9"));
  form.Edit6->setText(QStringLiteral("0.001"));
  form.Button7->click();
  QVERIFY(form.Periodogram1->Summary->text().startsWith(QStringLiteral("sine.txt: MHAOV search")));
  QVERIFY2(form.Periodogram1->Summary->text().contains(QStringLiteral("3 harmonics")),
           qPrintable(form.Periodogram1->Summary->text()));
  QVERIFY(std::fabs(static_cast<double>(form.star().bestPeriod) - 0.61) < 0.002);
}

void TestPeriodogram::aRowOrAPeakFoldsAtItsPeriod() {
  Searched f(1);
  TForm1& form = *f.form;
  PeriodogramWindow& w = *f.window;
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  // A row: the period of the third peak into the period box, which folds there.
  QTableWidget& table = *w.PeakTable;
  QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, table.visualItemRect(table.item(2, 1)).center());
  const long double third = w.peaks[2].period;
  QCOMPARE(form.Edit3->text(), f.PeriodText(third));
  QCOMPARE(form.star().period, TextToFloat(f.PeriodText(third).toStdString(), '.'));
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * form.data().pointCount - 2);
  QCOMPARE(form.view().phaseView, true);

  // A peak's symbol on the chart: the best peak.
  const ChartSeries& symbols = w.model().Series(kPeakSeries);
  int best = -1;
  for (int i = 0; i < symbols.Count(); ++i)
    if (w.picture.peakRank[static_cast<size_t>(i)] == 0) best = i;
  QVERIFY(best >= 0);
  const QPoint at(w.Chart->XPixel(symbols.Point(best).x), w.Chart->YPixel(symbols.Point(best).y));
  QTest::mouseClick(w.Chart, Qt::LeftButton, {}, at);
  QCOMPARE(form.Edit3->text(), f.PeriodText(w.peaks[0].period));

  // The same period again: the box shows it already, and the click still folds there.
  form.AllClick();
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 0);
  QTest::mouseClick(w.Chart, Qt::LeftButton, {}, at);
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * form.data().pointCount - 2);
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
}

// A click on the curve beside the listed peaks: the best kept point within a few pixels.
void TestPeriodogram::aClickOnTheCurveTakesTheTopOfThePeakThere() {
  Searched f(0);
  PeriodogramWindow& w = *f.window;
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const ChartWidget& chart = *w.Chart;
  const Periodogram& periodogram = *w.periodogram;
  // A curve point far (30 pixels) from every peak symbol.
  auto pixel = [&](const TrialScore& p) {
    return QPoint(chart.XPixel(static_cast<double>(p.period)), chart.YPixel(static_cast<double>(p.score)));
  };
  const TrialScore* target = nullptr;
  for (const TrialScore& p : periodogram.points) {
    const bool far = std::all_of(w.peaks.begin(), w.peaks.end(), [&](const Peak& peak) {
      return std::abs(chart.XPixel(static_cast<double>(peak.period)) - pixel(p).x()) > 30;
    });
    if (far && chart.PlotRect().contains(pixel(p))) {
      target = &p;
      break;
    }
  }
  QVERIFY(target != nullptr);
  const QPoint at = pixel(*target);
  QTest::mouseClick(w.Chart, Qt::LeftButton, {}, at);
  const QString applied = f.form->Edit3->text();
  QVERIFY(applied != QStringLiteral("0"));
  // The applied period is a kept point within 6 pixels of the click, and no kept point within 5
  // pixels has a shorter string.
  const TrialScore* chosen = nullptr;
  for (const TrialScore& p : periodogram.points)
    if (f.PeriodText(p.period) == applied) chosen = &p;
  QVERIFY(chosen != nullptr);
  QVERIFY(std::abs(pixel(*chosen).x() - at.x()) <= 7);
  for (const TrialScore& p : periodogram.points)
    if (std::abs(pixel(p).x() - at.x()) <= 5) QVERIFY(!(p.score < chosen->score));
}

void TestPeriodogram::frequencyAxis() {
  Searched f(1);
  PeriodogramWindow& w = *f.window;
  w.FrequencyAxis->click();
  const ChartModel& model = w.model();
  QCOMPARE(model.bottomAxisTitle, std::string("Frequency (1/d)"));
  const ChartSeries& curve = model.Series(kPeriodogramCurveSeries);
  QCOMPARE(curve.Count(), f.CurvePoints());
  // Ascending frequency: the last trial period first.
  QCOMPARE(curve.Point(0).x, static_cast<double>(1 / w.periodogram->points.back().period));
  double last = 0;
  for (const ChartPoint& p : curve.Points()) {
    if (std::isnan(p.x)) continue;  // a break
    QVERIFY(last < p.x);
    last = p.x;
  }
  QCOMPARE(model.Series(kMarkerSeries).Point(0).x, static_cast<double>(1 / f.form->star().bestPeriod));
  QVERIFY(w.Chart->BottomLabels().size() > 1);
  // A peak row still applies its period, whatever the abscissa.
  QTableWidget& table = *w.PeakTable;
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, table.visualItemRect(table.item(1, 0)).center());
  QCOMPARE(f.form->Edit3->text(), f.PeriodText(w.peaks[1].period));
  w.PeriodAxis->click();
  QCOMPARE(model.bottomAxisTitle, std::string("Trial period (d)"));
}

void TestPeriodogram::readoutAndZoom() {
  Searched f(1);
  PeriodogramWindow& w = *f.window;
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  ChartWidget& chart = *w.Chart;
  const QRect plot = chart.PlotRect();
  const QPoint middle = plot.center();
  QTest::mouseMove(&chart, middle);
  const QString readout = w.Readout->text();
  QVERIFY2(readout.startsWith(QStringLiteral("Period: ")), qPrintable(readout));
  QVERIFY(readout.contains(QStringLiteral("\nFrequency: ")));
  QVERIFY(readout.contains(QString::fromStdString(FormatAxis(chart.XValue(middle.x())))));
  // Drag a rectangle: zoomed; a new search shows the whole periodogram again.
  QTest::mousePress(&chart, Qt::LeftButton, {}, plot.topLeft() + QPoint(20, 20));
  QTest::mouseMove(&chart, middle);
  QTest::mouseRelease(&chart, Qt::LeftButton, {}, middle);
  QVERIFY(chart.IsZoomed());
  f.form->Button7->click();
  QVERIFY(!chart.IsZoomed());
  QVERIFY(f.outside->errors.isEmpty());
}

void TestPeriodogram::csvFile() {
  Searched f(1);
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("sine periodogram.csv"));
  f.outside->saveAnswers = {QString()};  // cancelled: nothing written
  f.window->SaveCsv->click();
  QVERIFY(!QFile::exists(path));
  f.outside->saveAnswers = {path};
  f.window->SaveCsv->click();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  QCOMPARE(f.outside->saveCaptions.last(), QStringLiteral("Save the periodogram as CSV"));
  const QByteArray text = ReadAll(path);
  QCOMPARE(text, QByteArray::fromStdString(PeriodogramCsv(*f.window->periodogram)));
  const QList<QByteArray> lines = text.split('\n');
  QCOMPARE(lines.front(), QByteArray("period,frequency,aov_theta"));
  // The header, a line per kept point and the empty rest after the last line end.
  QCOMPARE(lines.size(), static_cast<qsizetype>(f.window->periodogram->points.size()) + 2);
  // The second line is the first trial: period 0.4, frequency 2.5, and its score.
  QVERIFY(lines[1].startsWith("0.4,2.5,"));
  // A file that cannot be written is told, and nothing else changes.
  f.outside->saveAnswers = {out.filePath(QStringLiteral("missing/folder/x.csv"))};
  f.window->SaveCsv->click();
  QCOMPARE(f.outside->errors.size(), 1);
  QVERIFY(f.outside->errors.front().startsWith(QStringLiteral("Could not write ")));
}

void TestPeriodogram::pictureFiles_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("magic");
  QTest::newRow("png") << "p.png" << QByteArray("\x89PNG");
  QTest::newRow("bmp") << "p.bmp" << QByteArray("BM");
  QTest::newRow("svg") << "p.svg" << QByteArray("<?xml");
  QTest::newRow("pdf") << "p.pdf" << QByteArray("%PDF");
}

void TestPeriodogram::pictureFiles() {
  QFETCH(QString, name);
  QFETCH(QByteArray, magic);
  Searched f(0);
  QTemporaryDir out;
  const QString path = out.filePath(name);
  f.outside->saveAnswers = {path};
  f.window->SavePicture->click();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  QVERIFY(ReadAll(path).startsWith(magic));
  if (name.endsWith(QStringLiteral(".png"))) {
    QCOMPARE(QImageReader(path).read().size(), f.window->Chart->size());
  }
  if (name.endsWith(QStringLiteral(".svg"))) {
    QVERIFY(ReadAll(path).contains("Periodogram of sine.txt"));
  }
  // The main window's picture dialogs are not touched.
  QCOMPARE(f.form->SaveDialog1.filter, QStringLiteral("*.*|*.*"));
  f.window->CopyPicture->click();
  QCOMPARE(f.outside->copiedImage.size(), f.window->Chart->size());
}

void TestPeriodogram::toolbarButtonAndMenuItem() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  QVERIFY(!form.PeriodogramBtn->isEnabled());
  QVERIFY(!form.PeriodogramCmd->isEnabled());
  QVERIFY(!form.Periodogram1->isVisible());
  // The button at the right end of the menu bar; the toolbar keeps its four check boxes in view.
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QVERIFY(form.PeriodogramBtn->isVisible());
  QCOMPARE(form.PeriodogramBtn->window(), static_cast<QWidget*>(&form));
  for (QCheckBox* box : {form.CheckBox1, form.CheckBox2, form.CheckBox3, form.CheckBox4})
    QVERIFY(box->isVisible());
  f.Load(dir, QStringLiteral("sine.txt"), SineCurve(300, 15, 0.61));
  form.Edit4->setText(QStringLiteral("0.5"));
  form.Edit5->setText(QStringLiteral("0.7"));
  form.Edit6->setText(QStringLiteral("0.015625"));
  form.Button7->click();
  QVERIFY(form.Periodogram1->isVisible());
  form.Periodogram1->close();
  QVERIFY(!form.Periodogram1->isVisible());
  form.PeriodogramBtn->click();
  QVERIFY(form.Periodogram1->isVisible());
  form.Periodogram1->close();
  form.PeriodogramCmd->trigger();
  QVERIFY(form.Periodogram1->isVisible());
  // It shows the last search: 0.5, 0.5 + 1/64, ... below 0.7, 13 trials.
  QCOMPARE(form.Periodogram1->periodogram->trials, int64_t{13});
  QVERIFY(f.outside->errors.isEmpty());
}

void TestPeriodogram::aNewFileForgetsTheLastSearch_data() {
  QTest::addColumn<int>("load");
  QTest::newRow("another file") << 0;
  // Open data empties the store before its dialog: a cancelled dialog leaves no data either.
  QTest::newRow("dialog cancelled") << 1;
  QTest::newRow("an import") << 2;
}

// The peaks of the last search are periods of the star searched: after a new load, a click on
// them would fold the new star at periods that are not its own.
void TestPeriodogram::aNewFileForgetsTheLastSearch() {
  QFETCH(int, load);
  const bool cancelled = load == 1;
  Searched s(1);
  TForm1& form = *s.form;
  QVERIFY(s.window->isVisible());
  QVERIFY(form.PeriodogramBtn->isEnabled());
  if (cancelled) {
    s.outside->openAnswers.push_back(FileChoice{QString(), false});
    form.OpenData->click();
  } else if (load == 2) {
    const QString path = s.dir.filePath(QStringLiteral("other.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("JD,Mag\n" + SineCurve(300, 15, 0.47).replace("  ", ","));
    file.close();
    s.outside->openAnswers.push_back(FileChoice{path, false});
    s.outside->dialogAnswer = [](QDialog&) { return true; };
    form.Import->click();
    QCOMPARE(form.Label1->text(), QStringLiteral("other.csv"));
  } else {
    s.Load(s.dir, QStringLiteral("other.txt"), SineCurve(300, 15, 0.47));
  }
  QVERIFY(!s.window->isVisible());
  QVERIFY(!s.window->periodogram);
  QCOMPARE(s.window->PeakTable->rowCount(), 0);
  QVERIFY(!form.PeriodogramBtn->isEnabled());
  QVERIFY(!form.PeriodogramCmd->isEnabled());
  form.PeriodogramBtn->click();
  QVERIFY(!s.window->isVisible());
  // The next search shows its own periodogram again.
  if (cancelled) s.Load(s.dir, QStringLiteral("other.txt"), SineCurve(300, 15, 0.47));
  form.Button7->click();
  QVERIFY(s.window->isVisible());
  QVERIFY(s.window->periodogram);
  QVERIFY(form.PeriodogramBtn->isEnabled());
  QVERIFY(s.outside->errors.isEmpty());
}

void TestPeriodogram::theButtonAndItsSaveDialogsKeepTheWindowInFront() {
  Searched s(0);
  TForm1& form = *s.form;
  PeriodogramWindow* window = s.window;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QVERIFY(window->isVisible());
  // The main window in front: the button brings the periodogram back and gives it the focus.
  form.activateWindow();
  QTRY_VERIFY(form.isActiveWindow());
  form.PeriodogramBtn->click();
  QTRY_VERIFY(window->isActiveWindow());
  // Minimised, the menu item brings it back too.
  form.activateWindow();
  window->showMinimized();
  QTRY_VERIFY(form.isActiveWindow());
  form.PeriodogramCmd->trigger();
  QVERIFY(!window->isMinimized());
  QTRY_VERIFY(window->isActiveWindow());
  // Its save dialogs stand over it, and it stays in front after them, saved or cancelled.
  s.outside->saveAnswers = {s.dir.filePath(QStringLiteral("p.csv")), QString()};
  window->SaveCsv->click();
  QVERIFY(QFile::exists(s.dir.filePath(QStringLiteral("p.csv"))));
  window->SavePicture->click();
  QCOMPARE(s.outside->saveParents, (QList<QWidget*>{window, window}));
  QTRY_VERIFY(window->isActiveWindow());
  QVERIFY(s.outside->errors.isEmpty());
}

QTEST_MAIN(TestPeriodogram)
#include "tst_Periodogram.moc"
