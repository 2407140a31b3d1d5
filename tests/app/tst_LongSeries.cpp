// A long series through the window, end to end: a file of 200 000 observations of a contact
// binary opens, folds at its period, a string-length search over a few hundred trial periods
// finds that period, the automatic Fourier fit gives back the curve's two harmonics and a
// minimum picked on one night is timed where the curve puts it.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>
#include <cmath>
#include <cstdint>

#include "Controls.h"
#include "FormTestHelper.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

constexpr int kNights = 200;
constexpr int kPerNight = 1000;       // 200 000 observations
constexpr double kPeriod = 0.3726;    // days
constexpr double kEpoch = 2459000.2;  // a primary minimum
constexpr double kFirstNight = 2459001.0;

// An EW light curve: 11.25 + 0.05 cos(2 pi phi) + 0.2 cos(4 pi phi) with phi the phase from
// kEpoch. The primary minimum (11.5 mag) is at phase 0, the secondary (11.4) at 0.5, the maxima
// (11.05) at 0.25 and 0.75. Each night holds 1000 observations 0.0004 d apart from 0.1 d past the
// night's integer day on; the magnitudes carry a uniform noise of +-0.005 (a fixed sequence) and
// are written with five decimals.
double Magnitude(double jd, uint32_t& state) {
  const double pi = std::acos(-1.0);
  const double phase = (jd - kEpoch) / kPeriod;
  state = state * 1664525u + 1013904223u;
  const double noise = 0.01 * (state / 4294967296.0 - 0.5);
  return 11.25 + 0.05 * std::cos(2 * pi * phase) + 0.2 * std::cos(4 * pi * phase) + noise;
}

double Jd(int i) {
  return kFirstNight + i / kPerNight + 0.1 + 0.0004 * (i % kPerNight);
}

QByteArray ContactBinary() {
  QByteArray text;
  text.reserve(kNights * kPerNight * 24);
  uint32_t state = 12345;
  for (int i = 0; i < kNights * kPerNight; ++i) {
    const double jd = Jd(i);
    text += QByteArray::number(jd, 'f', 5) + ' ' + QByteArray::number(Magnitude(jd, state), 'f', 5) + '\n';
  }
  return text;
}

QStringList PaneLines(const QTextEdit* pane) {
  return pane->toPlainText().split('\n');
}

// The numbers of a pane line after its caption, read with the C locale's point.
QList<double> Numbers(const QString& line, const QString& caption) {
  QList<double> numbers;
  for (const QString& field : line.mid(caption.size()).split(' ', Qt::SkipEmptyParts))
    numbers << field.toDouble();
  return numbers;
}

}  // namespace

class TestLongSeries : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void opensFoldsSearchesFitsAndTimes();
};

void TestLongSeries::opensFoldsSearchesFitsAndTimes() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.Load(dir, QStringLiteral("ew.txt"), ContactBinary());
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  const int n = form.data().pointCount;
  QCOMPARE(n, kNights * kPerNight + 1);  // the loader repeats the last observation
  QCOMPARE(form.view().lastNight, kNights - 1);
  QCOMPARE(form.chartModel().Series(kLightCurveSeries).Count(), n);

  // Folded at the period from the primary minimum: the faintest observation lies at phase 0.
  form.Edit2->setText(QString::number(kEpoch, 'f', 1));
  form.Edit3->setText(QString::number(kPeriod));
  QCOMPARE(form.chartModel().Series(kPhaseSeries).Count(), 2 * n - 2);
  const Data& data = form.data();
  int faintest = 0;
  for (int e = 1; e < n; ++e)
    if (data.mag[e] > data.mag[faintest]) faintest = e;
  const double phase = static_cast<double>(data.entryPhase[faintest]);
  QVERIFY2(std::min(phase, 1 - phase) < 0.03, qPrintable(QString::number(phase)));

  // A string-length search over 301 trial periods, 0.3650 .. 0.3800 d in steps of 0.00005 d,
  // starting from a wrong period: the best is the curve's period.
  form.Edit3->setText(QStringLiteral("0.37"));
  form.RadioGroup4->item(0)->click();
  form.Edit4->setText(QStringLiteral("0.365"));
  form.Edit5->setText(QStringLiteral("0.38"));
  form.Edit6->setText(QStringLiteral("0.00005"));
  form.Button7->click();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  QVERIFY2(std::fabs(static_cast<double>(form.star().bestPeriod) - kPeriod) < 0.5e-5,
           qPrintable(form.Edit3->text()));

  // The automatic fit at that period: the mean and the two harmonics' amplitudes.
  form.CheckBox3->setChecked(true);
  form.NJDClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  const QStringList lines = PaneLines(form.RichEdit1);
  const qsizetype start = lines.lastIndexOf(QStringLiteral("FOURIER  "));
  QVERIFY(start >= 0);
  const QString a0 = QStringLiteral("A0   sigA0");
  const QString harmonic = QStringLiteral("k A sigA PH sigPH     : ");
  QVERIFY(lines[start + 2].startsWith(QStringLiteral("Sigma")));
  QVERIFY(lines[start + 3].startsWith(a0));
  QVERIFY(std::fabs(Numbers(lines[start + 3], a0)[0] - 11.25) < 2e-4);
  QVERIFY(lines[start + 4].startsWith(harmonic + "1  "));
  QVERIFY(std::fabs(Numbers(lines[start + 4], harmonic)[1] - 0.05) < 2e-4);
  QVERIFY(lines[start + 5].startsWith(harmonic + "2  "));
  QVERIFY(std::fabs(Numbers(lines[start + 5], harmonic)[1] - 0.2) < 2e-4);

  // A primary minimum in the middle of a night from night 100 on: the entries 0.1 d either side
  // of it bound the selection.
  int night = 100;
  double minimum = 0;
  for (; night < kNights; ++night) {
    minimum = kEpoch + std::ceil((Jd(night * kPerNight) + 0.1 - kEpoch) / kPeriod) * kPeriod;
    if (minimum + 0.1 < Jd(night * kPerNight + kPerNight - 1)) break;
  }
  QVERIFY(night < kNights);
  const int nightStart = night * kPerNight;
  const int first = nightStart + static_cast<int>(std::lround((minimum - 0.1 - Jd(nightStart)) / 0.0004));
  const int last = nightStart + static_cast<int>(std::lround((minimum + 0.1 - Jd(nightStart)) / 0.0004));
  form.AllClick();  // the whole light curve again
  form.view().areaIndex1 = first;
  form.view().areaIndex2 = last;
  form.view().areaOnLightCurve = true;
  form.sincos->setEnabled(true);
  form.sincosClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('|')));
  const QString line = PaneLines(form.RichEdit1).last();
  QVERIFY2(line.startsWith(QStringLiteral("Minimum: ")), qPrintable(line));
  const double time = line.mid(9, line.indexOf(QStringLiteral(" +/- ")) - 9).toDouble();
  const double sigma = line.mid(line.indexOf(QStringLiteral(" +/- ")) + 5).toDouble();
  QVERIFY2(std::fabs(time - minimum) < 3 * sigma + 2e-5,
           qPrintable(line + " " + QString::number(minimum, 'f', 5)));
}

QTEST_MAIN(TestLongSeries)
#include "tst_LongSeries.moc"
