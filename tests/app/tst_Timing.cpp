// The time of minimum, the heliocentric and barycentric lines and the star catalogue through the
// window: sincos in its modes, the notes pane, the markers, the coordinate and name boxes.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>
#include <cmath>

#include "Controls.h"
#include "FormTestHelper.h"
#include "timing/MinimumTimingPresentation.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// One night through a primary eclipse: a Gaussian dip of 0.8 mag (sigma 0.02 d) centred on
// JD 2459000.4137, 120 points every 0.0021 d from 2459000.30.
constexpr double kCentre = 2459000.4137;
QByteArray EclipseNight() {
  QByteArray text;
  for (int i = 0; i < 120; ++i) {
    const double jd = 2459000.30 + 0.0021 * i;
    const double d = (jd - kCentre) / 0.02;
    text += QByteArray::number(jd, 'f', 5) + "  " +
            QByteArray::number(11.0 + 0.8 * std::exp(-0.5 * d * d), 'f', 5) + "\n";
  }
  return text;
}

QStringList Lines(const QTextEdit* pane) {
  return pane->toPlainText().split('\n');
}

void Pick(TForm1& form, int first, int second, bool onLightCurve) {
  form.view().areaIndex1 = first;
  form.view().areaIndex2 = second;
  form.view().areaOnLightCurve = onLightCurve;
  form.sincos->setEnabled(true);
}

int Markers(const TForm1& form, uint32_t colour) {
  int count = 0;
  for (const ChartPoint& p : const_cast<TForm1&>(form).chartModel().Series(kMarkerSeries).Points())
    count += p.colour == colour ? 1 : 0;
  return count;
}

}  // namespace

class TestTiming : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void cleanup() { QLocale::setDefault(QLocale::c()); }
  void minimumOnTheLightCurve();
  void correctionsWhenTicked();
  void faultKeepsTheButtonEnabled();
  void selectionThatCannotBeTimed();
  void minimumOnThePhaseDiagram();
  void catalogueFillsTheBoxes();
  void catalogueMissingOrWithoutTheStar();
  void catalogueThatIsAFolderSaysSo();
  void correctionsNeedCoordinatesGivenForThisFile();
};

void TestTiming::minimumOnTheLightCurve() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("eclipse.txt"), EclipseNight());
  QVERIFY(!form.sincos->isEnabled());
  Pick(form, 100, 12, true);
  form.sincosClick();
  QVERIFY(f.outside->errors.isEmpty());
  const QStringList lines = Lines(form.RichEdit1);
  QCOMPARE(lines[lines.size() - 2], QStringLiteral("Points:  88"));
  const QString minimum = lines.last();
  QVERIFY2(minimum.startsWith(QStringLiteral("Minimum: 2459000.4137")), qPrintable(minimum));
  const double time = minimum.mid(9, minimum.indexOf(QStringLiteral(" +/- ")) - 9).toDouble();
  const double sigma = minimum.mid(minimum.indexOf(QStringLiteral(" +/- ")) + 5).toDouble();
  QVERIFY(std::fabs(time - kCentre) <= 3 * sigma + 1e-5);
  QVERIFY(!form.sincos->isEnabled());  // each selection is timed once
  QCOMPARE(Markers(form, 0x0000FF), 1);
  QCOMPARE(Markers(form, 0x00FF00), 2);
  QCOMPARE(form.view().phaseView, true);
}

void TestTiming::correctionsWhenTicked() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("eclipse.txt"), EclipseNight());
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  // CM Dra's coordinates: 16 34 20.33 +57 09 44.4.
  for (auto [box, text] : {std::pair{form.Edit11, "16"},
                           {form.Edit14, "34"},
                           {form.Edit16, "20,33"},
                           {form.Edit12, "57"},
                           {form.Edit15, "9"},
                           {form.Edit17, "44,4"}})
    box->setText(QString::fromLatin1(text));
  QCOMPARE(form.star().rightAscension.seconds, 20.33L);
  form.CheckBox4->setChecked(true);
  Pick(form, 12, 100, true);
  form.sincosClick();
  QVERIFY(f.outside->errors.isEmpty());
  const QStringList lines = Lines(form.RichEdit1);
  QVERIFY(lines[lines.size() - 4].startsWith(QStringLiteral("Minimum: 2459000,4137")));
  QVERIFY(lines[lines.size() - 3].startsWith(QStringLiteral("hjd-jd = ")));
  QVERIFY(lines[lines.size() - 2].startsWith(QStringLiteral("minimum+(hjd-jd) = 2459000,41")));
  QVERIFY2(lines.last().startsWith(QStringLiteral("bjd_tdb = 2459000,41")), qPrintable(lines.last()));
  QCOMPARE(lines.last().size(), QStringLiteral("bjd_tdb = 2459000,4145678").size());  // seven decimals
  QVERIFY(std::fabs(static_cast<double>(form.star().raDecimalDegrees) - 248.584708) < 1e-6);
}

void TestTiming::faultKeepsTheButtonEnabled() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("eclipse.txt"), EclipseNight());
  Pick(form, 50, 57, true);  // 7 points: the error estimate divides by zero
  const int markers = form.chartModel().Series(kMarkerSeries).Count();
  form.sincosClick();
  QCOMPARE(f.outside->errors, QStringList{QStringLiteral("Floating point division by zero")});
  QCOMPARE(Lines(form.RichEdit1).last(), QStringLiteral("Points:  7"));
  QVERIFY(form.sincos->isEnabled());
  QCOMPARE(form.chartModel().Series(kMarkerSeries).Count(), markers);
}

void TestTiming::selectionThatCannotBeTimed() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("eclipse.txt"), EclipseNight());
  Pick(form, 40, 43, true);
  form.sincosClick();
  QVERIFY(f.outside->errors.isEmpty());
  QCOMPARE(Lines(form.RichEdit1).last(),
           QStringLiteral("Minimum not computed: 3 points in the range, at least 9 are needed"));
  QCOMPARE(form.view().phaseView, false);
}

void TestTiming::minimumOnThePhaseDiagram() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("eclipse.txt"), EclipseNight());
  form.Edit2->setText(QStringLiteral("2459000.3137"));  // the eclipse at phase 0.1 of a 1-day period
  form.Edit3->setText(QStringLiteral("1"));
  const int n = form.data().pointCount;
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * n - 2);
  // Positions 10 and 110 of the first cycle bound the eclipse.
  Pick(form, 10, 110, false);
  form.sincosClick();
  QVERIFY(f.outside->errors.isEmpty());
  const QString minimum = Lines(form.RichEdit1).last();
  QVERIFY2(minimum.startsWith(QStringLiteral("Minimum: 0.1000")) ||
               minimum.startsWith(QStringLiteral("Minimum: 0.0999")),
           qPrintable(minimum));
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * n - 2);  // redrawn
  QCOMPARE(Markers(form, 0x0000FF), 1);
  QCOMPARE(Markers(form, 0x00FF00), 2);
  QVERIFY(!form.sincos->isEnabled());
}

void TestTiming::catalogueFillsTheBoxes() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("eclipse.txt"), EclipseNight());  // the current folder is now dir
  QFile catalogue(dir.filePath(QStringLiteral("allstars.txt")));
  QVERIFY(catalogue.open(QIODevice::WriteOnly));
  catalogue.write(
      "Other Cyg\n"
      "20 00 00.0 +40 00 00                  (1.5)     2450000.5\n"
      "ExampleEB Ori\n"
      "05 35 17.3 -05 23 28 EA  11.25-12.05  (0.834712)2459215.43127\n");
  catalogue.close();
  form.Edit10->setText(QStringLiteral("ExampleEB"));
  form.Edit13->setText(QStringLiteral("Ori"));
  form.Button11Click();
  QVERIFY(f.outside->errors.isEmpty());
  QCOMPARE(form.Edit2->text(), QStringLiteral("2459215.43127"));
  QCOMPARE(form.Edit3->text(), QStringLiteral("0.834712"));
  QCOMPARE(form.star().period, static_cast<long double>(0.834712));  // the double read, kept whole
  QCOMPARE(form.star().epoch, 2459215.43127L);
  QCOMPARE(form.Edit11->text(), QStringLiteral("5"));
  QCOMPARE(form.Edit14->text(), QStringLiteral("35"));
  QCOMPARE(form.Edit16->text(), QStringLiteral("17.3"));
  QCOMPARE(form.Edit12->text(), QStringLiteral("-5"));
  QCOMPARE(form.Edit15->text(), QStringLiteral("23"));
  QCOMPARE(form.Edit17->text(), QStringLiteral("28"));
  QCOMPARE(form.star().declination.whole, -5.0L);
  // The new period folded the light curve.
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * form.data().pointCount - 2);
}

void TestTiming::catalogueMissingOrWithoutTheStar() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("eclipse.txt"), EclipseNight());
  form.Button11Click();
  QCOMPARE(Lines(form.RichEdit1).last(), QStringLiteral("Cannot open or find file allstars.txt in ") +
                                             QDir::toNativeSeparators(QDir::currentPath()));
  QFile catalogue(dir.filePath(QStringLiteral("allstars.txt")));
  QVERIFY(catalogue.open(QIODevice::WriteOnly));
  catalogue.write("ExampleEB Ori\n05 35 17.3 +05 23 28\n");
  catalogue.close();
  form.Button11Click();  // the name boxes were never edited: two empty words match nothing
  QCOMPARE(Lines(form.RichEdit1).last(), QStringLiteral("no star"));
  QVERIFY(f.outside->errors.isEmpty());
}

// A folder named like the catalogue is not "missing": the line says what is wrong with it.
void TestTiming::catalogueThatIsAFolderSaysSo() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("eclipse.txt"), EclipseNight());
  QVERIFY(QDir(QDir::currentPath()).mkdir(QStringLiteral("allstars.txt")));
  form.Button11Click();
  const QString line = Lines(form.RichEdit1).last();
  QVERIFY(QDir(QDir::currentPath()).rmdir(QStringLiteral("allstars.txt")));
  QCOMPARE(line, QStringLiteral("Cannot read file allstars.txt in ") +
                     QDir::toNativeSeparators(QDir::currentPath()) + QStringLiteral(": Is a directory"));
  QVERIFY(f.outside->errors.isEmpty());
}

// After a load the coordinates are zeros nobody typed: a timing with "Calculate Hel Corr" still
// ticked says that they are missing instead of correcting for RA 0, Dec 0. Typing them, zeros
// included, gives the corrections again.
void TestTiming::correctionsNeedCoordinatesGivenForThisFile() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("eclipse.txt"), EclipseNight());
  form.Edit11->setText(QStringLiteral("16"));
  form.Edit12->setText(QStringLiteral("57"));
  form.CheckBox4->setChecked(true);
  Pick(form, 12, 100, true);
  form.sincosClick();
  QVERIFY(Lines(form.RichEdit1).last().startsWith(QStringLiteral("bjd_tdb = ")));

  f.Load(dir, QStringLiteral("eclipse2.txt"), EclipseNight());
  QVERIFY(form.CheckBox4->isChecked());
  Pick(form, 12, 100, true);
  form.sincosClick();
  QVERIFY(f.outside->errors.isEmpty());
  QStringList lines = Lines(form.RichEdit1);
  QCOMPARE(lines.last(), QString::fromLatin1(kCoordinatesMissingLine));
  QVERIFY(lines[lines.size() - 2].startsWith(QStringLiteral("Minimum: ")));

  // A typed zero is a coordinate given.
  form.Edit12->clear();
  QTest::keyClicks(form.Edit12, QStringLiteral("0"));
  Pick(form, 12, 100, true);
  form.sincosClick();
  lines = Lines(form.RichEdit1);
  QVERIFY2(lines.last().startsWith(QStringLiteral("bjd_tdb = ")), qPrintable(lines.last()));
}

QTEST_MAIN(TestTiming)
#include "tst_Timing.moc"
