// The cursor readout and the exclusive-or crosshair of the chart, and the axis click.
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"
#include "common/NumberFormat.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// The chart's own pixels, without the label and the button that sit on it.
QImage ChartPixels(TForm1& form) {
  const bool labelShown = !form.Label2->isHidden();
  const bool buttonShown = !form.BitBtn1->isHidden();
  form.Label2->hide();
  form.BitBtn1->hide();
  const QImage image = form.Chart1->grab().toImage();
  form.Label2->setVisible(labelShown);
  form.BitBtn1->setVisible(buttonShown);
  return image;
}

}  // namespace

class TestReadout : public QObject {
  Q_OBJECT

 private:
  // A shown window with a loaded light curve.
  void Prepare(FormFixture& f, const QTemporaryDir& dir) {
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    f.LoadNights(dir, {20, 20, 20});
    QCoreApplication::processEvents();
  }

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void modes_data();
  void modes();
  void leavingThePlotErasesTheCrosshair();
  void repaintForgetsTheCrosshair();
  void colourButton();
  void readoutUsesTheAxisFormat();
  void axisClickTurnsTheMagnitudeAxisOver();
  void oneSeparatorEverywhere_data();
  void oneSeparatorEverywhere();
};

void TestReadout::modes_data() {
  QTest::addColumn<int>("graph");
  QTest::addColumn<int>("measure");
  QTest::addColumn<bool>("crosshair");
  QTest::addColumn<bool>("readout");
  QTest::newRow("select point") << 0 << -1 << false << true;
  QTest::newRow("select area") << 1 << -1 << true << true;
  QTest::newRow("select single night") << 2 << -1 << false << true;
  QTest::newRow("select night") << 3 << -1 << false << true;
  QTest::newRow("time interval") << -1 << 0 << true << true;
  QTest::newRow("sec amplitude") << -1 << 6 << true << true;
  QTest::newRow("nothing chosen") << -1 << -1 << false << false;
}

void TestReadout::modes() {
  QFETCH(int, graph);
  QFETCH(int, measure);
  QFETCH(bool, crosshair);
  QFETCH(bool, readout);
  QTemporaryDir dir;
  FormFixture f;
  Prepare(f, dir);
  TForm1& form = *f.form;
  form.RadioGroup1->setItemIndex(graph);
  form.RadioGroup2->setItemIndex(measure);
  const QRect plot = form.Chart1->PlotRect();
  const QPoint at = plot.center();
  form.Chart1MouseMove(at.x(), at.y());
  QCOMPARE(form.crosshairX != -1, crosshair);
  QCOMPARE(!form.BitBtn1->isHidden(), crosshair);
  QCOMPARE(!form.Label2->text().isEmpty(), readout);
  if (crosshair) {
    QCOMPARE(form.crosshairX, at.x());
    QCOMPARE(form.crosshairY, at.y());
  }
}

void TestReadout::leavingThePlotErasesTheCrosshair() {
  QTemporaryDir dir;
  FormFixture f;
  Prepare(f, dir);
  TForm1& form = *f.form;
  form.RadioGroup1->setItemIndex(1);
  const QImage clean = ChartPixels(form);
  const QRect plot = form.Chart1->PlotRect();
  form.Chart1MouseMove(plot.left() + 10, plot.top() + 10);
  const QString readout = form.Label2->text();
  QVERIFY(ChartPixels(form) != clean);
  // The right and bottom edges are outside the plot rectangle.
  form.Chart1MouseMove(plot.left() + plot.width(), plot.top() + 10);
  QCOMPARE(form.crosshairX, -1);
  QCOMPARE(form.Label2->text(), readout);  // keeps its last text
  QCOMPARE(ChartPixels(form), clean);
  form.Chart1MouseMove(plot.left(), plot.top());  // left and top edges are inside
  QCOMPARE(form.crosshairX, plot.left());
}

void TestReadout::repaintForgetsTheCrosshair() {
  QTemporaryDir dir;
  FormFixture f;
  Prepare(f, dir);
  TForm1& form = *f.form;
  form.RadioGroup1->setItemIndex(1);
  const QPoint at = form.Chart1->PlotRect().center();
  form.Chart1MouseMove(at.x(), at.y());
  QVERIFY(form.crosshairX != -1);
  form.Chart1->Refresh();
  QCOMPARE(form.crosshairX, -1);
  const QImage clean = ChartPixels(form);
  // The next move draws a new crosshair without erasing anything first.
  form.Chart1MouseMove(at.x() + 5, at.y());
  form.Chart1MouseMove(at.x() + 600000, at.y());  // far outside: erase the one drawn
  QCOMPARE(ChartPixels(form), clean);
}

void TestReadout::colourButton() {
  QTemporaryDir dir;
  FormFixture f;
  Prepare(f, dir);
  TForm1& form = *f.form;
  f.outside->colourAnswers.push_back(std::nullopt);
  form.BitBtn1Click();
  QCOMPARE(form.crosshairColour, 0x00FFFFu);
  QCOMPARE(f.outside->lastColourPreset, QColor(255, 255, 0));  // yellow
  f.outside->colourAnswers.push_back(QColor(0x10, 0x20, 0x30));
  form.BitBtn1Click();
  QCOMPARE(form.crosshairColour, 0x302010u);  // 0x00BBGGRR
  // A crosshair in the chart's background colour changes nothing (the pen is 0).
  const QColor back = form.Chart1->BackgroundColour();
  form.crosshairColour = static_cast<uint32_t>(back.red()) | (static_cast<uint32_t>(back.green()) << 8) |
                         (static_cast<uint32_t>(back.blue()) << 16);
  form.RadioGroup1->setItemIndex(1);
  const QImage clean = ChartPixels(form);
  const QPoint at = form.Chart1->PlotRect().center();
  form.Chart1MouseMove(at.x(), at.y());
  QCOMPARE(ChartPixels(form), clean);
}

void TestReadout::readoutUsesTheAxisFormat() {
  QTemporaryDir dir;
  FormFixture f;
  Prepare(f, dir);
  TForm1& form = *f.form;
  const QPoint at = form.Chart1->PlotRect().center();
  form.Chart1MouseMove(at.x(), at.y());
  const QString expected =
      QStringLiteral("X: %1\nY: %2")
          .arg(QString::fromStdString(FormatAxis(form.Chart1->XValue(at.x()), '.', ",")),
               QString::fromStdString(FormatAxis(form.Chart1->YValue(at.y()), '.', ",")));
  QCOMPARE(form.Label2->text(), expected);
  QVERIFY(form.Label2->text().startsWith(QStringLiteral("X: 2,450,00")));
}

void TestReadout::axisClickTurnsTheMagnitudeAxisOver() {
  QTemporaryDir dir;
  FormFixture f;
  Prepare(f, dir);
  TForm1& form = *f.form;
  QVERIFY(form.chartModel().leftAxisInverted);
  emit form.Chart1->ClickAxis();
  QVERIFY(!form.chartModel().leftAxisInverted);
  form.Chart1ClickAxis();
  QVERIFY(form.chartModel().leftAxisInverted);
}

void TestReadout::oneSeparatorEverywhere_data() {
  QTest::addColumn<QLocale>("locale");
  QTest::addColumn<QString>("decimal");  // the separator every number of the window shows
  QTest::newRow("C") << QLocale::c() << QStringLiteral(".");
  QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << QStringLiteral(",");
  // The Persian decimal separator (U+066B) is not one the conversion of typed numbers reads:
  // the window shows "." there, and so can read back what it shows.
  QTest::newRow("Persian") << QLocale(QLocale::Persian, QLocale::Iran) << QStringLiteral(".");
}

void TestReadout::oneSeparatorEverywhere() {
  QFETCH(QLocale, locale);
  QFETCH(QString, decimal);
  QLocale::setDefault(locale);
  QTemporaryDir dir;
  FormFixture f;
  // The initial text of the increment box, which the load reads.
  QCOMPARE(f.form->Edit6->text(), QStringLiteral("0") + decimal + QStringLiteral("000001"));
  // A file whose magnitudes span 0.2: the magnitude axis is labelled in fractions.
  f.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  f.Load(dir, QStringLiteral("a.txt"), "2450001.31 12.05\n2450001.32 12.25\n2450001.33 12.15\n");
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('\n')));
  QCOMPARE(f.form->star().increment, 0.000001L);
  // A box the program writes, read back by its change handler.
  QTest::mouseClick(f.form->Button1, Qt::LeftButton);  // period 0 doubled: the box shows 0
  f.form->Edit3->setText(QStringLiteral("0") + decimal + QStringLiteral("25"));
  QCOMPARE(f.form->star().period, 0.25L);
  QVERIFY(f.outside->errors.isEmpty());
  // The chart's magnitude labels and the readout.
  const QStringList labels = f.form->Chart1->LeftLabels();
  QVERIFY(!labels.isEmpty());
  for (const QString& label : labels)
    if (label != QStringLiteral("12"))
      QVERIFY2(label.startsWith(QStringLiteral("12") + decimal), qPrintable(label));
  f.form->RadioGroup1->setItemIndex(0);
  const QRect plot = f.form->Chart1->PlotRect();
  f.form->Chart1MouseMove(plot.center().x(), plot.center().y());
  const QString readout = f.form->Label2->text();
  QVERIFY2(readout.contains(QRegularExpression(QStringLiteral("Y: 12\\") + decimal + QStringLiteral("\\d"))),
           qPrintable(readout));
  QLocale::setDefault(QLocale::c());
}

QTEST_MAIN(TestReadout)
#include "tst_Readout.moc"
