// The Alt accelerators that two controls share once the "Data" group is enabled: "Delta &mag"
// and "Na&me", "&Eclipse Total Length" and the "&Edit" menu, "&Flat Bottom Length" and the
// "&File" menu. The captions stay as they are; the keyboard still reaches every control. While
// the group is disabled its items take no keys, so each key acts at once. While it is enabled a
// shared key acts on neither control directly: each press moves to the next of the two, giving a
// radio item or a button the focus (Space then chooses or presses it) or opening the menu.
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include "Controls.h"
#include "FormTestHelper.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// What a key press reached: the menu it opened, else the control that has the focus.
QString Reached() {
  if (QWidget* popup = QApplication::activePopupWidget()) {
    const QString name = popup->objectName();
    popup->close();
    return name;
  }
  QWidget* focus = QApplication::focusWidget();
  return focus ? focus->objectName() : QString();
}

}  // namespace

class TestSelectKeys : public QObject {
  Q_OBJECT

 private slots:
  void sharedAccelerators_data();
  void sharedAccelerators();
};

void TestSelectKeys::sharedAccelerators_data() {
  QTest::addColumn<bool>("dataGroup");  // the "Data" group is enabled
  QTest::addColumn<int>("key");
  QTest::addColumn<QStringList>("reached");  // by two presses, in either order
  QTest::newRow("Alt+E, Graph group") << false << int(Qt::Key_E) << QStringList{"Edit1", "Edit1"};
  QTest::newRow("Alt+F, Graph group") << false << int(Qt::Key_F) << QStringList{"File1", "File1"};
  QTest::newRow("Alt+E, Data group") << true << int(Qt::Key_E) << QStringList{"Edit1", "RadioGroup2_item2"};
  QTest::newRow("Alt+F, Data group") << true << int(Qt::Key_F) << QStringList{"File1", "RadioGroup2_item3"};
  QTest::newRow("Alt+M, Data group") << true << int(Qt::Key_M)
                                     << QStringList{"Button11", "RadioGroup2_item1"};
}

void TestSelectKeys::sharedAccelerators() {
  QFETCH(bool, dataGroup);
  QFETCH(int, key);
  QFETCH(QStringList, reached);
  FormFixture f;
  TForm1& form = *f.form;
  form.show();
  form.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  if (dataGroup) form.BitBtn2->click();
  form.Edit2->setFocus();
  QSignalSpy name(form.Button11, &QPushButton::clicked);
  QStringList got;
  for (int press = 0; press < 2; ++press) {
    QTest::keyClick(&form, Qt::Key(key), Qt::AltModifier);
    got << Reached();
  }
  got.sort();
  QCOMPARE(got, reached);
  // A shared key only moves the focus: no item is chosen and the lookup does not run.
  QCOMPARE(form.RadioGroup2->itemIndex(), dataGroup ? 0 : -1);
  QCOMPARE(name.count(), 0);
  // Space chooses the focused item.
  if (dataGroup && got.contains(QStringLiteral("RadioGroup2_item2"))) {
    form.RadioGroup2->item(2)->setFocus();
    QTest::keyClick(form.RadioGroup2->item(2), Qt::Key_Space);
    QCOMPARE(form.RadioGroup2->itemIndex(), 2);
  }
}

QTEST_MAIN(TestSelectKeys)
#include "tst_SelectKeys.moc"
