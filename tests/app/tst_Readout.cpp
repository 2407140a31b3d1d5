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

QTEST_MAIN(TestReadout)
#include "tst_Readout.moc"
