// The minima window through the main window: every eclipse of a loaded binary timed against the
// ephemeris boxes, its O−C diagram and table, a minimum left out by a click, the linear fit put
// back into the boxes, a table of minima added from a CSV file, and the CSV and picture files.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <cmath>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"
#include "MinimaWindow.h"
#include "common/NumberFormat.h"
#include "common/TextToFloat.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

constexpr double kEpoch = 2459100.25, kPeriod = 0.8;

// Ten nights round the primaries of P = 0.8 d, the eclipses a Gaussian dip 0.5 mag deep
// (σ 0.012 d) sampled every 0.002 d; the minimum of night n lies 0.0005 n days late.
QByteArray EclipsingBinary() {
  QByteArray text;
  for (int n = 0; n < 10; ++n)
    for (int i = -50; i <= 50; ++i) {
      const double x = i * 0.002;
      const double late = 0.0005 * n;
      const double d = (x - late) / 0.012;
      text += QByteArray::number(kEpoch + n * kPeriod + x, 'f', 6) + ' ' +
              QByteArray::number(10 + 0.5 * std::exp(-0.5 * d * d), 'f', 6) + '\n';
    }
  return text;
}

struct Timed : FormFixture {
  QTemporaryDir dir;
  MinimaWindow* window = nullptr;
  Timed() {
    Load(dir, QStringLiteral("eb.txt"), EclipsingBinary());
    form->Edit2->setText(QStringLiteral("2459100.25"));
    form->Edit3->setText(QStringLiteral("0.8"));
    form->MinimaCmd->trigger();
    window = form->Minima1;
    window->TimeEclipses->click();
  }
};

}  // namespace

class TestMinima : public QObject {
  Q_OBJECT
 private slots:
  void everyEclipseIsTimedAndDrawn();
  void aClickLeavesAMinimumOutAndTheFitGoesIntoTheBoxes();
  void aTableOfMinimaIsAddedAndSaved();
  void nothingToTimeSaysWhy();
};

// Ten primaries at cycles 0..9, each 0.0005 n late: the O−C column and the diagram's ten diamonds
// show it (O−C = 0.0005 n against M0 = 2459100.25, P = 0.8).
void TestMinima::everyEclipseIsTimedAndDrawn() {
  Timed t;
  QVERIFY(t.outside->errors.isEmpty());
  QVERIFY(t.window->isVisible());
  QCOMPARE(t.window->Table->rowCount(), 10);
  QCOMPARE(t.window->model().Series(kLightCurveSeries).Count(), 10);
  for (int n = 0; n < 10; ++n) {
    QCOMPARE(t.window->Table->item(n, 1)->text(), QString::number(n));
    QCOMPARE(t.window->Table->item(n, 2)->text(), QStringLiteral("P"));
    QCOMPARE(t.window->Table->item(n, 0)->checkState(), Qt::Checked);
    const double oc = static_cast<double>(t.window->model().Series(kLightCurveSeries).Point(n).y);
    QVERIFY2(std::fabs(oc - 0.0005 * n) < 2e-5, qPrintable(QString::number(oc)));
  }
}

// A linear fit to the ten minima gives P = 0.8005 d and T0 = 2459100.25 (the times are exactly
// linear in the cycle); the same fit without cycle 9 too. "Use ephemeris" types them into the boxes.
void TestMinima::aClickLeavesAMinimumOutAndTheFitGoesIntoTheBoxes() {
  Timed t;
  emit t.window->Chart->ClickSeries(kLightCurveSeries, 9, 0, 0);
  QCOMPARE(t.window->Table->item(9, 0)->checkState(), Qt::Unchecked);
  QCOMPARE(t.window->model().Series(kMarkedSeries).Count(), 1);
  t.window->FitLinear->click();
  QVERIFY(t.outside->errors.isEmpty());
  QVERIFY(t.window->table.fit.has_value());
  QCOMPARE(t.window->table.fit->used, 9);
  QVERIFY(std::fabs(static_cast<double>(t.window->table.fit->period) - 0.8005) < 3e-6);
  QVERIFY(std::fabs(static_cast<double>(t.window->table.fit->epoch) - kEpoch) < 2e-5);
  QVERIFY(t.window->Summary->text().contains(QStringLiteral("period: 0.800")));
  t.window->UseEphemeris->click();
  const double period = t.form->Edit3->text().toDouble();
  QVERIFY(std::fabs(period - 0.8005) < 3e-6);
  // The table's box takes a minimum back.
  t.window->Table->item(9, 0)->setCheckState(Qt::Checked);
  QVERIFY(!t.window->table.minima[9].excluded);
}

void TestMinima::aTableOfMinimaIsAddedAndSaved() {
  Timed t;
  const QString csv = t.dir.filePath(QStringLiteral("published.csv"));
  QFile file(csv);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("time,error,type\n2459092.2500,0.0002,P\n2459092.65,0.0003,S\n");
  file.close();
  t.outside->openAnswers.push_back(FileChoice{csv, false});
  t.window->OpenTable->click();
  QVERIFY2(t.outside->errors.isEmpty(), qPrintable(t.outside->errors.join('\n')));
  QCOMPARE(t.window->Table->rowCount(), 12);
  QCOMPARE(t.window->Table->item(10, 1)->text(), QStringLiteral("-10"));
  QCOMPARE(t.window->Table->item(11, 1)->text(), QStringLiteral("-9.5"));
  QCOMPARE(t.window->Table->item(11, 2)->text(), QStringLiteral("S"));
  QCOMPARE(t.window->model().Series(kSpareSeries).Count(), 1);
  const QString saved = t.dir.filePath(QStringLiteral("oc.csv"));
  t.outside->saveAnswers.push_back(saved);
  t.window->SaveTable->click();
  QFile back(saved);
  QVERIFY(back.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = back.readAll().split('\n');
  QCOMPARE(lines[0], QByteArray("cycle,type,time,error,o_c,used,time_scale"));
  QCOMPARE(lines[11], QByteArray("-10,P,2459092.25,0.0002,0.00000000,1,JD"));
  const QString picture = t.dir.filePath(QStringLiteral("oc.png"));
  t.outside->saveAnswers.push_back(picture);
  t.window->SavePicture->click();
  QVERIFY(QFile::exists(picture));
}

void TestMinima::nothingToTimeSaysWhy() {
  FormFixture f;
  f.form->MinimaCmd->trigger();
  f.form->Minima1->TimeEclipses->click();
  QCOMPARE(f.outside->errors.size(), 1);
  QVERIFY(f.outside->errors[0].contains(QStringLiteral("Load a light curve first")));
  f.form->Minima1->FitLinear->click();  // disabled: nothing happens
  QCOMPARE(f.outside->errors.size(), 1);
}

QTEST_MAIN(TestMinima)
#include "tst_Minima.moc"
