// Edit > Undo and Redo of the data operations through the window: Delete and its note, a
// magnitude step, marks, the items' state and text, and a new load that forgets the list.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
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

// Four nights; every value is exact in binary. Entries: night 0 = 0..2, night 1 = 3..5,
// night 2 = 6..8, night 3 = 9, 10 and the repeat 11.
const QByteArray kFourNights =
    "2450001.25 12.5\n2450001.5 12.75\n2450001.75 12.25\n"
    "2450002.25 13.0\n2450002.5 13.25\n2450002.75 12.875\n"
    "2450003.25 12.5\n2450003.5 12.625\n2450003.75 12.375\n"
    "2450004.25 12.0\n2450004.5 12.125\n";

// The two items as "text/enabled": "&Undo Delete/E &Redo/D".
QString Items(const TForm1& form) {
  auto state = [](const QAction* a) { return a->text() + (a->isEnabled() ? "/E" : "/D"); };
  return state(form.EditUndoOperationCmd) + ' ' + state(form.EditRedoOperationCmd);
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
  void Graph(int item) { form.RadioGroup1->item(item)->click(); }
  void Undo() { form.EditUndoOperationCmd->trigger(); }
  void Redo() { form.EditRedoOperationCmd->trigger(); }
  QString Items() const { return ::Items(form); }
};

// The points of a series as (x, y, colour) triples.
QList<std::tuple<double, double, uint32_t>> Points(const TForm1& form, int series) {
  QList<std::tuple<double, double, uint32_t>> points;
  for (const ChartPoint& p : const_cast<TForm1&>(form).chartModel().Series(series).Points())
    points.append({p.x, p.y, p.colour});
  return points;
}

}  // namespace

class TestUndo : public QObject {
  Q_OBJECT

 private slots:
  void deleteWritesItsNoteAndUndoBringsThePointsBack();
  void magnitudeStepThenUndo();
  void marksUndoneAndRedoneWithTheirCrosses();
  void theKeysOfUndoAndRedo();
  void aNewLoadForgetsTheList();
  void theMarksOfAnAutomaticFitAreOneOperation();
};

void TestUndo::deleteWritesItsNoteAndUndoBringsThePointsBack() {
  Window w;
  TForm1& form = w.form;
  QCOMPARE(w.Items(), QStringLiteral("&Undo/D &Redo/D"));
  const auto loaded = Points(form, kLightCurveSeries);
  QCOMPARE(loaded.size(), 12);
  w.Graph(1);
  w.Click(kLightCurveSeries, 5);
  w.Click(kLightCurveSeries, 3);  // the whole of night 1
  form.Delete->click();
  QCOMPARE(LastLine(form.RichEdit1),
           QStringLiteral("Deleted entries 3 .. 5 (3 entries): JD 2450002.25 .. 2450002.75"));
  QCOMPARE(form.data().pointCount, 9);
  QCOMPARE(form.view().lastNight, 2);
  QCOMPARE(w.Items(), QStringLiteral("&Undo Delete/E &Redo/D"));
  const auto deleted = Points(form, kLightCurveSeries);
  QCOMPARE(deleted.size(), 9);

  w.Undo();
  QCOMPARE(form.data().pointCount, 12);
  QCOMPARE(form.view().lastNight, 3);
  QCOMPARE(form.data().jd[3], 2450002.25L);
  QCOMPARE(form.data().mag[4], 13.25L);
  QCOMPARE(form.data().night[3], 1);
  // The whole curve again, each point in its night's colour, as Delete draws it: no title.
  QCOMPARE(Points(form, kLightCurveSeries), loaded);
  QCOMPARE(std::get<2>(Points(form, kLightCurveSeries)[4]), nightColours[1]);
  QVERIFY(form.chartModel().titleLines.empty());
  QCOMPARE(form.view().currentNight, -1);
  QVERIFY(form.First->isEnabled() && form.Last->isEnabled() && form.All->isEnabled());
  QVERIFY(!form.Delete->isEnabled());  // its area named the entries of the store before
  QCOMPARE(form.Label1->text(), QStringLiteral("four.txt"));
  QCOMPARE(w.Items(), QStringLiteral("&Undo/D &Redo Delete/E"));

  w.Redo();
  QCOMPARE(form.data().pointCount, 9);
  QCOMPARE(form.data().jd[3], 2450003.25L);
  QCOMPARE(Points(form, kLightCurveSeries), deleted);
  QCOMPARE(w.Items(), QStringLiteral("&Undo Delete/E &Redo/D"));
  QVERIFY(w.f.outside->errors.isEmpty());
}

void TestUndo::magnitudeStepThenUndo() {
  Window w;
  TForm1& form = w.form;
  form.Edit3->setText(QStringLiteral("1"));
  form.PhaseClick();
  const long double stringLength = form.star().stringLength;
  w.Graph(3);
  int r = 0;  // the point of the diagram whose entry is 4 (night 1)
  while (form.data().sortIndex[r + 1] != 4) ++r;
  w.Click(kPhaseSeries, r);
  QCOMPARE(form.view().currentNight, 1);
  form.Edit7->setText(QStringLiteral("0.25"));
  form.Button5->click();
  QCOMPARE(form.data().mag[4], 13.5L);
  QCOMPARE(w.Items(), QStringLiteral("&Undo Magnitude step/E &Redo/D"));

  w.Undo();
  // Night 1 back at its loaded magnitudes, still the night of the steps; the diagram drawn again
  // as "+" draws it, and the string length of the loaded magnitudes.
  QCOMPARE(form.data().mag[3], 13.0L);
  QCOMPARE(form.data().mag[4], 13.25L);
  QCOMPARE(form.data().mag[5], 12.875L);
  QCOMPARE(form.view().currentNight, 1);
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 11);
  QCOMPARE(form.chartModel().Series(kSecondCycleSeries).Count(), 11);
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Point(r).y, 13.25);  // entry 4
  QCOMPARE(form.star().stringLength, stringLength);
  QCOMPARE(form.Label11->text(), QString::fromStdString(FormatGeneral(stringLength)));
  form.Button10->click();
  QCOMPARE(LastLine(form.RichEdit1), QStringLiteral("Night 2450002 was change 0 mag"));

  w.Redo();
  QCOMPARE(form.data().mag[4], 13.5L);
  form.Button10->click();
  QCOMPARE(LastLine(form.RichEdit1), QStringLiteral("Night 2450002 was change 0.25 mag"));
}

void TestUndo::marksUndoneAndRedoneWithTheirCrosses() {
  Window w;
  TForm1& form = w.form;
  w.Graph(0);
  w.Click(kLightCurveSeries, 4);
  w.Click(kLightCurveSeries, 7);
  QCOMPARE(w.Items(), QStringLiteral("&Undo Mark/E &Redo/D"));
  form.ClearMarksClick();
  QCOMPARE(form.data().markCount, 0);
  QCOMPARE(w.Items(), QStringLiteral("&Undo Clear marks/E &Redo/D"));

  w.Undo();  // both marks back, with their crosses on their points
  QCOMPARE(form.data().markCount, 2);
  QCOMPARE(form.data().markFlag[4], 1);
  QCOMPARE(form.data().markFlag[7], 1);
  const ChartSeries& crosses = form.chartModel().Series(kMarkedSeries);
  QCOMPARE(crosses.Count(), 2);
  QCOMPARE(crosses.Point(0).x, 2450002.5);
  QCOMPARE(crosses.Point(0).y, 13.25);
  QCOMPARE(crosses.Point(1).x, 2450003.5);
  QCOMPARE(crosses.Point(1).y, 12.625);

  w.Undo();  // the mark of entry 7
  QCOMPARE(form.data().markFlag[7], 0);
  QCOMPARE(crosses.Count(), 1);
  QCOMPARE(w.Items(), QStringLiteral("&Undo Mark/E &Redo Mark/E"));
  w.Redo();
  QCOMPARE(form.data().markFlag[7], 1);
  QCOMPARE(crosses.Count(), 2);

  // The cross of entry 4 clicked: an unmark, which empties the redo list.
  w.Click(kMarkedSeries, 0);
  QCOMPARE(form.data().markFlag[4], 0);
  QCOMPARE(w.Items(), QStringLiteral("&Undo Unmark/E &Redo/D"));
  w.Undo();
  QCOMPARE(form.data().markFlag[4], 1);
  QCOMPARE(form.data().markCount, 2);
}

void TestUndo::theKeysOfUndoAndRedo() {
  Window w;
  TForm1& form = w.form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  form.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  w.Graph(0);
  w.Click(kLightCurveSeries, 4);
  QLineEdit* box = form.Edit3;
  box->setFocus();
  QTRY_VERIFY(box->hasFocus());
  QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);  // Undo: the mark goes
  QCOMPARE(form.data().markFlag[4], 0);
  QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);  // Redo: it comes back
  QCOMPARE(form.data().markFlag[4], 1);
  QCOMPARE(box->text(), QStringLiteral("0"));

  // In the notes pane the keys act on its text, not on the data.
  QTextEdit* notes = form.RichEdit1;
  notes->setFocus();
  QTRY_VERIFY(notes->hasFocus());
  notes->moveCursor(QTextCursor::Start);
  QTest::keyClicks(notes, QStringLiteral("typed "));
  QCOMPARE(notes->toPlainText(), QStringLiteral("typed File name: four.txt"));
  QTest::keyClick(notes, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(notes->toPlainText(), QStringLiteral("File name: four.txt"));
  QCOMPARE(form.data().markFlag[4], 1);
  QTest::keyClick(notes, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(notes->toPlainText(), QStringLiteral("typed File name: four.txt"));
  QCOMPARE(form.data().markFlag[4], 1);
  QVERIFY(w.f.outside->errors.isEmpty());
}

void TestUndo::aNewLoadForgetsTheList() {
  Window w;
  TForm1& form = w.form;
  w.Graph(1);
  w.Click(kLightCurveSeries, 0);
  w.Click(kLightCurveSeries, 1);
  form.Delete->click();
  w.Undo();
  QCOMPARE(w.Items(), QStringLiteral("&Undo/D &Redo Delete/E"));
  w.f.Load(w.dir, QStringLiteral("four.txt"), kFourNights);
  QCOMPARE(w.Items(), QStringLiteral("&Undo/D &Redo/D"));
  w.Redo();  // nothing to redo: the new store stays whole
  QCOMPARE(form.data().pointCount, 12);
  QVERIFY(form.operations().Operations().empty());
}

// The outliers the automatic fit leaves out are marked by the fit: one operation, undone and
// redone with the crosses of the fit's picture (both cycles).
void TestUndo::theMarksOfAnAutomaticFitAreOneOperation() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  QByteArray text = SineCurve(300, 10, 0.61);
  text += "2450011.3  15.0\r\n";  // one wild observation, the last
  f.Load(dir, QStringLiteral("sine.txt"), text);
  form.Edit3->setText(QStringLiteral("0.61"));
  form.NJDClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  const int wild = form.data().pointCount - 2;
  QCOMPARE(form.data().markFlag[wild], 1);
  QCOMPARE(form.data().markCount, 1);
  const ChartSeries& crosses = form.chartModel().Series(kMarkedSeries);
  const int drawn = crosses.Count();
  QCOMPARE(drawn, 2);
  QCOMPARE(Items(form), QStringLiteral("&Undo Mark/E &Redo/D"));

  form.EditUndoOperationCmd->trigger();
  QCOMPARE(form.data().markFlag[wild], 0);
  QCOMPARE(form.data().markCount, 0);
  QCOMPARE(crosses.Count(), 0);
  form.EditRedoOperationCmd->trigger();
  QCOMPARE(form.data().markFlag[wild], 1);
  QCOMPARE(crosses.Count(), drawn);
  QVERIFY(f.outside->errors.isEmpty());
}

QTEST_MAIN(TestUndo)
#include "tst_Undo.moc"
