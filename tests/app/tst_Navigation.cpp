// Night navigation through the window's buttons and scroll bar: what is drawn, the label, the
// chart title and the state of the five buttons after each step.
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "ChartWidget.h"
#include "FormTestHelper.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// Enabled state of First, Previous, Next, Last, All as a string "EDDEE".
QString Buttons(const TForm1& form) {
  QString s;
  for (const QPushButton* b : {form.First, form.Previous, form.Next, form.Last, form.All})
    s += b->isEnabled() ? 'E' : 'D';
  return s;
}

QString Title(TForm1& form) {
  QStringList lines;
  for (const std::string& line : form.chartModel().titleLines) lines << QString::fromStdString(line);
  return lines.join('|');
}

}  // namespace

class TestNavigation : public QObject {
  Q_OBJECT

 private slots:
  void twelveNightsWalk();
  void minimumPointsPassesShortNights();
  void scrollBarLabel();
  void noQualifyingNightOnlyDisablesTheButton();
  void clickedPointMapsToEntry();
  void aLoadReplacesTheNightLabel();
};

void TestNavigation::twelveNightsWalk() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.LoadNights(dir, std::vector<int>(12, 3));
  QCOMPARE(Buttons(form), QStringLiteral("EDDEE"));

  form.First->click();
  QCOMPARE(form.view().currentNight, 0);
  QCOMPARE(Buttons(form), QStringLiteral("DDEEE"));
  QCOMPARE(form.Label5->text(), QStringLiteral("Night: 1/12"));
  QVERIFY(form.Label5->isHidden());  // First sets the text without showing the label
  QCOMPARE(Title(form), QStringLiteral("LIGHT CURVE  File name:nights.txt"));
  QCOMPARE(form.chartModel().Series(kLightCurveSeries).Count(), 3);

  for (int press = 1; press <= 10; ++press) {
    form.Next->click();
    QCOMPARE(form.view().currentNight, press);
    QCOMPARE(form.Label5->text(), QStringLiteral("Night: %1/12").arg(press + 1));
  }
  QCOMPARE(Buttons(form), QStringLiteral("EEEEE"));
  QCOMPARE(Title(form), QStringLiteral("nights.txt"));
  QCOMPARE(form.view().shownNightFirst, 30);

  // From the last night but one, Next shows nothing and only disables itself.
  form.Next->click();
  QCOMPARE(form.view().currentNight, 11);
  QCOMPARE(form.Label5->text(), QStringLiteral("Night: 11/12"));
  QCOMPARE(Buttons(form), QStringLiteral("EEDEE"));
  QCOMPARE(form.chartModel().Series(kLightCurveSeries).Point(0).x, 2450011.3);

  form.Last->click();
  QCOMPARE(form.Label5->text(), QStringLiteral("Night: 12/12"));
  QVERIFY(!form.Label5->isHidden());
  QCOMPARE(Buttons(form), QStringLiteral("EEDDE"));
  QCOMPARE(Title(form), QString());
  QCOMPARE(form.chartModel().Series(kLightCurveSeries).Count(), 3);  // the repeated entry is not drawn

  form.Previous->click();
  QCOMPARE(form.view().currentNight, 10);
  QCOMPARE(Buttons(form), QStringLiteral("EEEEE"));

  form.All->click();
  QCOMPARE(form.view().currentNight, -1);
  QCOMPARE(form.view().shownNightFirst, 0);
  QCOMPARE(Buttons(form), QStringLiteral("EDDEE"));
  QCOMPARE(form.Label5->text(), QStringLiteral(" Quantity nights: 12"));
  QCOMPARE(form.chartModel().Series(kLightCurveSeries).Count(), 36);  // entries 0 .. N - 2
  QCOMPARE(Title(form), QStringLiteral("nights.txt"));
}

void TestNavigation::minimumPointsPassesShortNights() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.LoadNights(dir, {5, 2, 7, 4});
  form.ScrollBar1->setValue(3);
  QCOMPARE(form.view().minNightPoints, 3);
  form.First->click();
  form.Next->click();
  QCOMPARE(form.view().currentNight, 2);  // night 2 (of 1-based 3) is passed by
  QCOMPARE(form.Label5->text(), QStringLiteral("Night: 3/4"));
  form.Previous->click();
  QCOMPARE(form.view().currentNight, 0);
  QCOMPARE(form.Label5->text(), QStringLiteral("Night: 1/4"));
  QVERIFY(!form.Previous->isEnabled());
}

void TestNavigation::scrollBarLabel() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.LoadNights(dir, {5, 2, 7, 1});
  form.ScrollBar1->setValue(3);
  QVERIFY(!form.Label5->isHidden());
  QCOMPARE(form.Label5->text(), QStringLiteral("Min points: 3\nNight: 3/4"));
  QCOMPARE(form.view().nightsShown, 2);
  form.ScrollBar1->setValue(8);  // every night but the last is short
  QCOMPARE(form.Label5->text(), QStringLiteral("Min points: 8\nNight: 0/4"));
}

void TestNavigation::noQualifyingNightOnlyDisablesTheButton() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.LoadNights(dir, {6, 1, 1, 1, 6});
  form.First->click();
  form.ScrollBar1->setValue(5);
  // Nights 1..3 are short and night 4 is the last: Next passes to it only through its search.
  form.Next->click();
  QCOMPARE(form.view().currentNight, 4);
  form.Previous->click();
  QCOMPARE(form.view().currentNight, 0);
  // From night 0 with a higher minimum, no night before qualifies.
  form.ScrollBar1->setValue(7);
  form.Last->click();
  form.Previous->click();
  QCOMPARE(form.view().currentNight, 4);  // nothing qualifies: unchanged
  QVERIFY(!form.Previous->isEnabled());
  QVERIFY(f.outside->errors.isEmpty());
}

void TestNavigation::clickedPointMapsToEntry() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.LoadNights(dir, {3, 4, 5});
  form.First->click();
  form.Next->click();
  QCOMPARE(form.view().shownNightFirst, 3);
  const ChartPoint& p = form.chartModel().Series(kLightCurveSeries).Point(2);
  QCOMPARE(p.x, static_cast<double>(form.data().jd[form.view().shownNightFirst + 2]));
}

// The label walked to "Night: 5/12" on one file describes the next file after its load.
void TestNavigation::aLoadReplacesTheNightLabel() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  f.LoadNights(dir, std::vector<int>(12, 3));
  form.Last->click();
  for (int i = 0; i < 7; ++i) form.Previous->click();
  QCOMPARE(form.Label5->text(), QStringLiteral("Night: 5/12"));
  QVERIFY(!form.Label5->isHidden());
  f.LoadNights(dir, std::vector<int>(4, 3));
  QCOMPARE(form.Label5->text(), QStringLiteral(" Quantity nights: 4"));
}

QTEST_MAIN(TestNavigation)
#include "tst_Navigation.moc"
