// Project files in the window: an analysis saved and opened in a fresh window shows the same
// labels, boxes, buttons, records and picture; a changed or missing data file is not replayed
// silently; a damaged project leaves the window as it was; unsaved work is asked about; the
// recent projects.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>
#include <cmath>
#include <functional>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"
#include "MinimaWindow.h"
#include "Unit1.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// A sine of period 0.37 d over six nights, 240 points.
QByteArray Curve() {
  return SineCurve(240, 6, 0.37);
}

// Ten nights round the primaries of P = 0.8 d: a Gaussian dip 0.5 mag deep, the minimum of
// night n 0.0005 n days late (the minima window times them).
QByteArray EclipsingBinary() {
  QByteArray text;
  for (int n = 0; n < 10; ++n)
    for (int i = -50; i <= 50; ++i) {
      const double x = i * 0.002;
      const double d = (x - 0.0005 * n) / 0.012;
      text += QByteArray::number(2459100.25 + n * 0.8 + x, 'f', 6) + ' ' +
              QByteArray::number(10 + 0.5 * std::exp(-0.5 * d * d), 'f', 6) + '\n';
    }
  return text;
}

// The sine with three outliers 1.5 mag too faint: the automatic fit leaves them out (marks them).
QByteArray CurveWithOutliers() {
  QList<QByteArray> lines = Curve().split('\n');
  for (int i : {17, 90, 161}) {
    QList<QByteArray> fields = lines[i].simplified().split(' ');
    fields[1] = QByteArray::number(fields[1].toDouble() + 1.5, 'f', 5);
    lines[i] = fields.join("  ") + '\r';
  }
  return lines.join('\n');
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
  QCoreApplication::sendEvent(w, &event);
}

// A zoom dragged over the chart, from the top left towards the bottom right.
void DragZoom(ChartWidget* chart) {
  const QRect plot = chart->PlotRect();
  const QPoint from = plot.topLeft() + QPoint(plot.width() / 5, plot.height() / 5);
  const QPoint to = plot.center() + QPoint(plot.width() / 8, plot.height() / 8);
  SendMouse(chart, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  SendMouse(chart, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
  SendMouse(chart, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  SendMouse(chart, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// What a user sees and the records behind it.
struct Snapshot {
  QStringList labels;
  QStringList boxes;
  QString buttons;
  QStringList switches;
  std::vector<std::vector<ChartPoint>> series;
  std::vector<std::string> titles;
  std::string bottomTitle;
  bool inverted = false;
  std::optional<ChartWidget::ZoomRanges> zoom;
  int32_t pointCount = 0;
  std::vector<long double> jd, mag;
  std::vector<uint8_t> marks;
  long double period = 0, epoch = 0, stringLength = 0;
  std::vector<long double> fourier;
  QStringList minimaRows;
  QString minimaSummary;
  QString notes;
};

Snapshot Take(TForm1& form) {
  Snapshot s;
  for (const QLabel* label : {form.Label1, form.Label5, form.Label11, form.Label13})
    s.labels << label->text();
  for (const QLineEdit* box :
       {form.Edit2, form.Edit3, form.Edit4, form.Edit5, form.Edit6, form.Edit7, form.Edit8, form.Edit10,
        form.Edit11, form.Edit12, form.Edit13, form.Edit14, form.Edit15, form.Edit16, form.Edit17})
    s.boxes << box->text();
  for (const QWidget* b : std::initializer_list<const QWidget*>{
           form.First, form.Previous, form.Next, form.Last, form.All, form.Delete, form.sincos})
    s.buttons += b->isEnabled() ? 'E' : 'D';
  for (const QCheckBox* box :
       {form.CheckBox1, form.CheckBox2, form.CheckBox3, form.CheckBox4, form.FrequencyStep})
    s.switches << (box->isChecked() ? QStringLiteral("on") : QStringLiteral("off"));
  for (const RadioGroup* group : {form.RadioGroup1, form.RadioGroup2, form.RadioGroup3, form.RadioGroup4})
    s.switches << QString::number(group->itemIndex());
  const ChartModel& model = form.chartModel();
  for (int k = 0; k < kSeriesCount; ++k) s.series.push_back(model.Series(k).Points());
  s.titles = model.titleLines;
  s.bottomTitle = model.bottomAxisTitle;
  s.inverted = model.leftAxisInverted;
  s.zoom = form.Chart1->Zoom();
  const Data& d = form.data();
  s.pointCount = d.pointCount;
  s.jd = d.jd;
  s.mag = d.mag;
  s.marks = d.markFlag;
  s.period = form.star().period;
  s.epoch = form.star().epoch;
  s.stringLength = form.star().stringLength;
  for (int i = 0; i < kFourierResults; ++i) s.fourier.push_back(form.star().fourierResults.Slot(i));
  const QTableWidget* table = form.Minima1->Table;
  for (int r = 0; r < table->rowCount(); ++r) {
    QString row = table->item(r, 0)->checkState() == Qt::Checked ? QStringLiteral("+") : QStringLiteral("-");
    for (int c = 1; c < table->columnCount(); ++c) row += QLatin1Char('|') + table->item(r, c)->text();
    s.minimaRows << row;
  }
  s.minimaSummary = form.Minima1->Summary->text();
  s.notes = form.RichEdit1->toPlainText();
  return s;
}

void CompareSnapshots(const Snapshot& a, const Snapshot& b) {
  QCOMPARE(b.labels, a.labels);
  QCOMPARE(b.boxes, a.boxes);
  QCOMPARE(b.buttons, a.buttons);
  QCOMPARE(b.switches, a.switches);
  QCOMPARE(b.titles, a.titles);
  QCOMPARE(b.bottomTitle, a.bottomTitle);
  QCOMPARE(b.inverted, a.inverted);
  QCOMPARE(b.zoom.has_value(), a.zoom.has_value());
  if (a.zoom) {
    QCOMPARE(b.zoom->xMin, a.zoom->xMin);
    QCOMPARE(b.zoom->xMax, a.zoom->xMax);
    QCOMPARE(b.zoom->yMin, a.zoom->yMin);
    QCOMPARE(b.zoom->yMax, a.zoom->yMax);
  }
  for (size_t k = 0; k < a.series.size(); ++k) {
    QCOMPARE(b.series[k].size(), a.series[k].size());
    for (size_t i = 0; i < a.series[k].size(); ++i) {
      QCOMPARE(b.series[k][i].x, a.series[k][i].x);
      QCOMPARE(b.series[k][i].y, a.series[k][i].y);
      QCOMPARE(b.series[k][i].colour, a.series[k][i].colour);
    }
  }
  QCOMPARE(b.pointCount, a.pointCount);
  QVERIFY(b.jd == a.jd);
  QVERIFY(b.mag == a.mag);
  QVERIFY(b.marks == a.marks);
  QVERIFY(b.period == a.period);
  QVERIFY(b.epoch == a.epoch);
  QVERIFY(b.stringLength == a.stringLength);
  QVERIFY(b.fourier == a.fourier);
  QCOMPARE(b.minimaRows, a.minimaRows);
  QCOMPARE(b.minimaSummary, a.minimaSummary);
  QCOMPARE(b.notes, a.notes);
}

// A window whose analysis is built by `steps`, then saved as a project in `dir`.
struct Analysis {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  QString project = dir.filePath(QStringLiteral("analysis.ombrane"));

  void Load(const QString& name, const QByteArray& bytes) { f.Load(dir, name, bytes); }
  void Save() {
    f.outside->saveAnswers.push_back(project);
    form.SaveProjectClick();
  }
};

// Opens `path` in a fresh window through File ▸ Open project….
void OpenIn(FormFixture& fresh, const QString& path) {
  fresh.outside->openAnswers.push_back(FileChoice{path, false});
  fresh.form->FileOpenProjectCmd->trigger();
}

using Steps = std::function<void(Analysis&)>;

}  // namespace

Q_DECLARE_METATYPE(Steps)

class TestProject : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void roundTrip_data();
  void roundTrip();
  void theFileNamesTheSourceAndItsChecksum();
  void aChangedSourceIsNotReplayedUntilLocated();
  void damagedProjectsLeaveTheWindowAsItWas_data();
  void damagedProjectsLeaveTheWindowAsItWas();
  void unsavedWorkIsAskedAboutOnCloseAndOnLoad();
  void recentProjectsReopen();
};

void TestProject::initTestCase() {
  // The recent projects go to a settings file of the tests, not the user's.
  QStandardPaths::setTestModeEnabled(true);
  QLocale::setDefault(QLocale::c());
}

void TestProject::roundTrip_data() {
  QTest::addColumn<Steps>("steps");
  QTest::addColumn<int>("operations");  // the data operations the steps do
  QTest::newRow("a night shown") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("sine.txt"), Curve());
    a.form.First->click();
    a.form.Next->click();
    a.form.Next->click();
  }) << 0;
  QTest::newRow("folded, every night shown after") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("sine.txt"), Curve());
    a.form.Edit3->setText(QStringLiteral("0.37"));
    a.form.All->click();
  }) << 0;
  QTest::newRow("phase diagram against averaged time") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("sine.txt"), Curve());
    a.form.Edit2->setText(QStringLiteral("2450001.1"));
    a.form.Edit3->setText(QStringLiteral("0.37"));
    a.form.RadioGroup3->item(1)->click();
  }) << 0;
  QTest::newRow("automatic fit") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("sine.txt"), Curve());
    a.form.Edit3->setText(QStringLiteral("0.37"));
    a.form.NJD->click();
  }) << 0;
  QTest::newRow("fit of three harmonics") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("sine.txt"), Curve());
    a.form.Edit3->setText(QStringLiteral("0.37"));
    a.form.Edit8->setText(QStringLiteral("3"));
    a.form.Button9->click();
  }) << 0;
  QTest::newRow("O-C rows and their fit") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("eb.txt"), EclipsingBinary());
    a.form.Edit2->setText(QStringLiteral("2459100.25"));
    a.form.Edit3->setText(QStringLiteral("0.8"));
    a.form.MinimaCmd->trigger();
    a.form.Minima1->TimeEclipses->click();
    emit a.form.Minima1->Chart->ClickSeries(kLightCurveSeries, 9, 0, 0);
    a.form.Minima1->FitLinear->click();
  }) << 0;
  QTest::newRow("zoom and inverted axis") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("sine.txt"), Curve());
    a.form.show();
    a.form.All->click();
    a.form.Chart1ClickAxis();
    DragZoom(a.form.Chart1);
  }) << 0;
  QTest::newRow("delete") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("sine.txt"), Curve());
    a.form.RadioGroup1->item(1)->click();  // Select Area
    a.form.Chart1ClickSeries(kLightCurveSeries, 30, 10, 10);
    a.form.Chart1ClickSeries(kLightCurveSeries, 52, 10, 10);
    a.form.Delete->click();
  }) << 1;
  QTest::newRow("marks") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("sine.txt"), Curve());
    a.form.First->click();
    a.form.RadioGroup1->item(0)->click();  // Select Point
    a.form.Chart1ClickSeries(kLightCurveSeries, 3, 10, 10);
    a.form.Chart1ClickSeries(kLightCurveSeries, 7, 10, 10);
  }) << 2;
  QTest::newRow("night shift after a fold") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("sine.txt"), Curve());
    a.form.Edit3->setText(QStringLiteral("0.37"));
    a.form.RadioGroup1->item(3)->click();  // Select Night
    a.form.Chart1ClickSeries(kPhaseSeries, 40, 10, 10);
    a.form.Edit7->setText(QStringLiteral("0.05"));
    a.form.Button5->click();
    a.form.Button5->click();
    a.form.Button6->click();
  }) << 3;
  QTest::newRow("automatic fit leaving outliers out") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("outliers.txt"), CurveWithOutliers());
    a.form.Edit3->setText(QStringLiteral("0.37"));
    a.form.NJD->click();
  }) << 1;
  QTest::newRow("delete, fold, then fit") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("outliers.txt"), CurveWithOutliers());
    a.form.RadioGroup1->item(1)->click();
    a.form.Chart1ClickSeries(kLightCurveSeries, 200, 10, 10);
    a.form.Chart1ClickSeries(kLightCurveSeries, 230, 10, 10);
    a.form.Delete->click();
    a.form.Edit3->setText(QStringLiteral("0.37"));
    a.form.NJD->click();
  }) << 2;
  QTest::newRow("boxes, switches and notes") << Steps([](Analysis& a) {
    a.Load(QStringLiteral("sine.txt"), Curve());
    a.form.Edit10->setText(QStringLiteral("V1"));
    a.form.Edit13->setText(QStringLiteral("Her"));
    a.form.Edit4->setText(QStringLiteral("0.3"));
    a.form.Edit5->setText(QStringLiteral("0.45"));
    a.form.CheckBox3->setChecked(true);
    a.form.FrequencyStep->setChecked(true);
    a.form.RadioGroup4->item(2)->click();
    a.form.RichEdit1->append(QStringLiteral("Comparison star C2 variable?"));
  }) << 0;
}

void TestProject::roundTrip() {
  QFETCH(Steps, steps);
  QFETCH(int, operations);
  Analysis a;
  steps(a);
  QVERIFY2(a.f.outside->errors.isEmpty(), qPrintable(a.f.outside->errors.join('\n')));
  QCOMPARE(static_cast<int>(a.form.operations().Operations().size()), operations);
  const Snapshot before = Take(a.form);
  a.Save();
  QVERIFY2(a.f.outside->errors.isEmpty(), qPrintable(a.f.outside->errors.join('\n')));
  QVERIFY(!a.form.ProjectModified());

  FormFixture fresh;
  fresh.form->show();
  OpenIn(fresh, a.project);
  QVERIFY2(fresh.outside->errors.isEmpty(), qPrintable(fresh.outside->errors.join('\n')));
  QVERIFY(fresh.outside->questions.isEmpty());
  CompareSnapshots(before, Take(*fresh.form));
  QCOMPARE(fresh.form->projectPath(), a.project);
  QVERIFY(!fresh.form->ProjectModified());
  // The operations came back as the list Edit ▸ Undo walks.
  QVERIFY(fresh.form->operations().Operations() == a.form.operations().Operations());
}

void TestProject::theFileNamesTheSourceAndItsChecksum() {
  Analysis a;
  a.Load(QStringLiteral("check.txt"), QByteArray("2450001.25 12.5\n2450001.5 12.75\n2450002.25 13\n"));
  a.form.Edit3->setText(QStringLiteral("0.5"));
  a.Save();
  const QByteArray text = ReadAll(a.project);
  QVERIFY(text.startsWith("{\n  \"format\": \"ombrane-project\",\n  \"version\": 1,"));
  QVERIFY(text.contains(("\"path\": \"" + a.dir.filePath(QStringLiteral("check.txt")) + "\"").toUtf8()));
  // 46 bytes; the CRC-32 of these bytes, worked out with Python's zlib.crc32.
  QVERIFY(text.contains("\"size\": 46,"));
  QVERIFY(text.contains("\"crc32\": \"6210d383\""));
  QVERIFY(text.contains("\"period\": \"0.5\""));
}

void TestProject::aChangedSourceIsNotReplayedUntilLocated() {
  Analysis a;
  const QByteArray original = Curve();
  a.Load(QStringLiteral("sine.txt"), original);
  a.form.Edit3->setText(QStringLiteral("0.37"));
  const Snapshot before = Take(a.form);
  a.Save();
  // The data file changed in one digit: the same size, another checksum.
  QByteArray changed = original;
  changed[20] = changed[20] == '1' ? '2' : '1';
  WriteFile(a.dir.filePath(QStringLiteral("sine.txt")), changed);

  FormFixture fresh;
  const Snapshot untouched = Take(*fresh.form);
  fresh.outside->askAnswers.push_back(false);  // do not locate it
  OpenIn(fresh, a.project);
  QCOMPARE(fresh.outside->questions.size(), 1);
  QVERIFY(fresh.outside->questions[0].contains(QStringLiteral("is not the file the project was saved with")));
  QVERIFY(fresh.outside->questions[0].endsWith(QStringLiteral("Locate the data file?")));
  QVERIFY(fresh.outside->errors.isEmpty());
  CompareSnapshots(untouched, Take(*fresh.form));
  QVERIFY(fresh.form->projectPath().isEmpty());

  // Located: first the changed file again (asked once more), then the original kept elsewhere.
  const QString kept = a.dir.filePath(QStringLiteral("kept/sine.txt"));
  QVERIFY(QDir(a.dir.path()).mkdir(QStringLiteral("kept")));
  WriteFile(kept, original);
  fresh.outside->questions.clear();
  fresh.outside->askAnswers = {true, true};
  fresh.outside->openAnswers.push_back(FileChoice{a.project, false});
  fresh.outside->openAnswers.push_back(FileChoice{a.dir.filePath(QStringLiteral("sine.txt")), false});
  fresh.outside->openAnswers.push_back(FileChoice{kept, false});
  fresh.form->FileOpenProjectCmd->trigger();
  QCOMPARE(fresh.outside->questions.size(), 2);
  QVERIFY2(fresh.outside->errors.isEmpty(), qPrintable(fresh.outside->errors.join('\n')));
  CompareSnapshots(before, Take(*fresh.form));

  // A missing file says so.
  FormFixture third;
  QVERIFY(QFile::remove(a.dir.filePath(QStringLiteral("sine.txt"))));
  OpenIn(third, a.project);
  QCOMPARE(third.outside->questions.size(), 1);
  QVERIFY(third.outside->questions[0].contains(QStringLiteral("cannot be found or read")));
  QCOMPARE(third.form->data().pointCount, 0);
}

void TestProject::damagedProjectsLeaveTheWindowAsItWas_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("message");
  QTest::newRow("truncated") << QByteArray(
                                    "{\n  \"format\": \"ombrane-project\",\n  \"version\": 1,\n  \"sour")
                             << QStringLiteral("damaged.ombrane is not a project file: it is not valid JSON");
  QTest::newRow("not JSON") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)
                            << QStringLiteral("damaged.ombrane is not a project file: it is not valid JSON");
  QTest::newRow("newer version") << QByteArray("{\"format\": \"ombrane-project\", \"version\": 3}")
                                 << QStringLiteral("damaged.ombrane was saved by a newer version of Ombrane");
  QTest::newRow("wrong type") << QByteArray(
                                     "{\"format\": \"ombrane-project\", \"version\": 1, \"sources\": {}}")
                              << QStringLiteral("damaged.ombrane: the field \"sources\" is not a list.");
}

void TestProject::damagedProjectsLeaveTheWindowAsItWas() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, message);
  Analysis a;
  a.Load(QStringLiteral("sine.txt"), Curve());
  a.form.Edit3->setText(QStringLiteral("0.37"));
  a.form.RichEdit1->append(QStringLiteral("my notes"));
  const Snapshot before = Take(a.form);
  const QString damaged = a.dir.filePath(QStringLiteral("damaged.ombrane"));
  WriteFile(damaged, bytes);
  a.f.outside->unsavedAnswers.push_back(UnsavedAnswer::Discard);
  a.f.outside->openAnswers.push_back(FileChoice{damaged, false});
  a.form.FileOpenProjectCmd->trigger();
  QCOMPARE(a.f.outside->errors.size(), 1);
  QVERIFY2(a.f.outside->errors[0].startsWith(message), qPrintable(a.f.outside->errors[0]));
  CompareSnapshots(before, Take(a.form));
}

void TestProject::unsavedWorkIsAskedAboutOnCloseAndOnLoad() {
  Analysis a;
  // Nothing loaded, nothing to ask about.
  QVERIFY(a.form.close());
  QVERIFY(a.f.outside->questions.isEmpty());
  a.Load(QStringLiteral("sine.txt"), Curve());
  QVERIFY(!a.form.ProjectModified());
  a.form.Edit3->setText(QStringLiteral("0.37"));
  QVERIFY(a.form.ProjectModified());

  // Close: Cancel keeps the window and its work.
  a.f.outside->unsavedAnswers.push_back(UnsavedAnswer::Cancel);
  a.form.show();
  QVERIFY(!a.form.close());
  QCOMPARE(a.f.outside->questions.size(), 1);
  QVERIFY(a.f.outside->questions[0].startsWith(QStringLiteral("The analysis of sine.txt has changed")));

  // Open data: Cancel leaves the store as it was, without a file dialog.
  const int dialogs = a.f.outside->openDialogs;
  a.f.outside->unsavedAnswers.push_back(UnsavedAnswer::Cancel);
  a.form.OpenData->click();
  QCOMPARE(a.f.outside->openDialogs, dialogs);
  QCOMPARE(a.form.data().pointCount, 241);
  QCOMPARE(a.form.Edit3->text(), QStringLiteral("0.37"));

  // Close again: Save writes the project and the window closes.
  a.f.outside->unsavedAnswers.push_back(UnsavedAnswer::Save);
  a.f.outside->saveAnswers.push_back(a.project);
  QVERIFY(a.form.close());
  QVERIFY(QFile::exists(a.project));
  QVERIFY(!a.form.ProjectModified());
  QVERIFY(a.f.outside->errors.isEmpty());
}

void TestProject::recentProjectsReopen() {
  Analysis a;
  a.Load(QStringLiteral("sine.txt"), Curve());
  a.form.Edit3->setText(QStringLiteral("0.37"));
  a.Save();
  QCOMPARE(a.form.RecentProjects().value(0), a.project);
  FormFixture fresh;
  QVERIFY(fresh.form->FileRecentMenu->isEnabled());
  auto* first = fresh.form->FileRecentMenu->findChild<QAction*>(QStringLiteral("RecentProject1"));
  QVERIFY(first != nullptr);
  QVERIFY(first->text().endsWith(QStringLiteral("analysis.ombrane")));
  first->trigger();
  QVERIFY2(fresh.outside->errors.isEmpty(), qPrintable(fresh.outside->errors.join('\n')));
  QCOMPARE(fresh.form->data().pointCount, 241);
  QCOMPARE(fresh.form->Edit3->text(), QStringLiteral("0.37"));
}

QTEST_MAIN(TestProject)
#include "tst_Project.moc"
