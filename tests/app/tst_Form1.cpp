// The main window as built: every control with its name, caption, initial state and hint, the
// menu shortcuts, and what FormCreate sets up.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"

using namespace ombrane;
using namespace ombrane::test;

class TestForm1 : public QObject {
  Q_OBJECT

 private slots:
  void windowCaptionAndSize();
  void controlStates_data();
  void controlStates();
  void texts_data();
  void texts();
  void hints_data();
  void hints();
  void radioGroups();
  void menuShortcuts();
  void keysOnlyNamedInHintsDoNothing();
  void menuShortcutsActOnTheNotesWhateverHasTheFocus();
  void altAcceleratorsPressNavigationButtons();
  void formCreateSetsUpDownAndCrosshair();
  void chartAndNotesHiddenUntilLoad();
  void handlerGuardReportsConversionErrorOnce();
  void typingErrorsGoToTheStatusBar();
  void fileDialogs();
  void qtFileFilter_data();
  void qtFileFilter();
};

void TestForm1::windowCaptionAndSize() {
  FormFixture f;
  QCOMPARE(f.form->windowTitle(), QStringLiteral("Calculations for Eclipsing and Pulsating stars "));
  QCOMPARE(f.form->size(), QSize(1063, 770));
  QCOMPARE(f.form->ToolBar1->height(), 49);
  QCOMPARE(f.form->Image1->pixmap().size(), QSize(800, 600));
  QVERIFY(f.form->StatusBar1->currentMessage().isEmpty());
}

// objectName, expected enabled, expected hidden (not shown when the window is).
void TestForm1::controlStates_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("enabled");
  QTest::addColumn<bool>("hidden");
  const char* enabledVisible[] = {
      "FileNew",   "FileOpen",    "FileSave",   "Cut",           "Copy",          "Past",      "Undo",
      "OpenData",  "Import",      "printGraph", "saveGraph_bmp", "saveGraph_emf", "copyGraph", "Phase",
      "NJD",       "Label1",      "Label4",     "Label3",        "ScrollBar1",    "Label2",    "RadioGroup1",
      "BitBtn2",   "GroupBox1",   "Edit2",      "Button12",      "Edit3",         "Edit6",     "Button1",
      "Button2",   "Button3",     "Button4",    "Button7",       "Edit4",         "Edit5",     "Button11",
      "Edit10",    "Edit13",      "Edit11",     "Edit14",        "Edit16",        "Edit12",    "Edit15",
      "Edit17",    "RadioGroup4", "GroupBox2",  "Button10",      "Button5",       "Button6",   "Edit7",
      "BitBtn3",   "Button9",     "Edit8",      "UpDown3",       "RadioGroup3",   "CheckBox1", "CheckBox2",
      "CheckBox3", "CheckBox4",   "Image1",     "StatusBar1",    "Label11",       "Label13"};
  for (const char* name : enabledVisible) QTest::newRow(name) << QString::fromLatin1(name) << true << false;
  for (const char* name : {"sincos", "Delete", "First", "Previous", "Next", "Last", "All", "RadioGroup2"})
    QTest::newRow(name) << QString::fromLatin1(name) << false << false;
  for (const char* name :
       {"Label5", "BitBtn1", "UpDown1", "Button8", "Edit9", "UpDown4", "UpDown2", "Chart1", "RichEdit1"})
    QTest::newRow(name) << QString::fromLatin1(name) << true << true;
}

void TestForm1::controlStates() {
  QFETCH(QString, name);
  QFETCH(bool, enabled);
  QFETCH(bool, hidden);
  FormFixture f;
  f.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  auto* control = f.form->findChild<QWidget*>(name);
  QVERIFY2(control != nullptr, qPrintable(name));
  QCOMPARE(control->isEnabled(), enabled);
  QCOMPARE(control->isHidden(), hidden);
}

// Captions of buttons, labels and check boxes, and the initial texts of the boxes.
void TestForm1::texts_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("text");
  const std::pair<const char*, const char*> rows[] = {{"Label1", ""},
                                                      {"Label4", "Show night:"},
                                                      {"First", "Fi&rst"},
                                                      {"Previous", "Pre&vious"},
                                                      {"Next", "Ne&xt"},
                                                      {"Last", "Las&t"},
                                                      {"All", "A&ll"},
                                                      {"Label3", "Points per night"},
                                                      {"Label2", ""},
                                                      {"Label5", "Label5"},
                                                      {"BitBtn1", "Color"},
                                                      {"BitBtn2", "A&ctive: Graph / Data"},
                                                      {"Edit2", "0"},
                                                      {"Button12", "Period"},
                                                      {"Edit3", "0"},
                                                      {"Edit6", "0.000001"},
                                                      {"Button1", "&*2"},
                                                      {"Button2", "&/2"},
                                                      {"Button3", "&+"},
                                                      {"Button4", "&-"},
                                                      {"Button7", "Search"},
                                                      {"Edit4", "0"},
                                                      {"Edit5", "0"},
                                                      {"Button11", "Na&me"},
                                                      {"Edit10", "star"},
                                                      {"Edit13", "con"},
                                                      {"Edit11", "0"},
                                                      {"Edit14", "0"},
                                                      {"Edit16", "0"},
                                                      {"Edit12", "0"},
                                                      {"Edit15", "0"},
                                                      {"Edit17", "0"},
                                                      {"Label11", "0"},
                                                      {"Label13", "0"},
                                                      {"Label6", "M0:"},
                                                      {"Label7", "Period:"},
                                                      {"Increment", "SL:"},
                                                      {"Label12", "AoV:"},
                                                      {"Label8", "Min:"},
                                                      {"Label9", "Max:"},
                                                      {"Label10", "REC"},
                                                      {"Label14", "DEC"},
                                                      {"Button10", "Bright"},
                                                      {"Button5", "+"},
                                                      {"Button6", "-"},
                                                      {"Edit7", "0"},
                                                      {"BitBtn3", "sin+cos"},
                                                      {"Button9", "sin"},
                                                      {"Edit8", "3"},
                                                      {"Button8", "nw"},
                                                      {"Edit9", "5"},
                                                      {"CheckBox2", "&1 Save Data To File"},
                                                      {"CheckBox1", "&2 Save Fourier To File"},
                                                      {"CheckBox3", "&3 Fourier To Edit"},
                                                      {"CheckBox4", "&4 Calculate Hel Corr"}};
  for (const auto& [name, text] : rows)
    QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(text);
}

void TestForm1::texts() {
  QFETCH(QString, name);
  QFETCH(QString, text);
  FormFixture f;
  QObject* control = f.form->findChild<QObject*>(name);
  QVERIFY2(control != nullptr, qPrintable(name));
  if (auto* box = qobject_cast<QLineEdit*>(control)) {
    QCOMPARE(box->text(), text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    QCOMPARE(button->text(), text);
  } else if (auto* label = qobject_cast<QLabel*>(control)) {
    QCOMPARE(label->text(), text);
  } else {
    QFAIL(qPrintable(QStringLiteral("no text on ") + name));
  }
  if (auto* check = qobject_cast<QCheckBox*>(control)) QVERIFY(!check->isChecked());
}

void TestForm1::hints_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("hint");
  const std::pair<const char*, const char*> rows[] = {
      {"FileNew", "New file Ctrl + N"},
      {"FileOpen", "Open file Ctrl + O"},
      {"FileSave", "Save file Ctrl + S"},
      {"Copy", "Copy text Ctrl + C"},
      {"Past", "Paste text Ctrl + V"},
      {"Cut", "Cut text Ctrl + X"},
      {"Undo", "Undo text Ctrl + Z"},
      {"OpenData", "Load data from file Ctrl + L"},
      {"printGraph", "Print current graph Ctrl + P"},
      {"saveGraph_bmp", "Save current graph as .bmp Ctrl + B"},
      {"saveGraph_emf", "Save current graph as .svg or .pdf Ctrl + E"},
      {"copyGraph", "Copy current graph to clipboard Ctrl + G"},
      {"Phase", "Phase date Ctrl + H"},
      {"NJD", "Fourier (Sine) Series Fitting Ctrl + F"},
      {"sincos", "Calculate the moment of minimum using the Kwee & van Woerden (1956) method Ctrl + M"},
      {"First", "Show first night Alt + R"},
      {"Next", "Show next night Alt + X"},
      {"Previous", "Show previous night Alt + V"},
      {"Last", "Show last night Alt + T"},
      {"All", "Show all nights Alt + L"},
      {"Edit6", "Increment"}};
  for (const auto& [name, hint] : rows)
    QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(hint);
}

void TestForm1::hints() {
  QFETCH(QString, name);
  QFETCH(QString, hint);
  FormFixture f;
  auto* control = f.form->findChild<QWidget*>(name);
  QVERIFY2(control != nullptr, qPrintable(name));
  QCOMPARE(control->toolTip(), hint);
}

void TestForm1::radioGroups() {
  FormFixture f;
  struct Expect {
    RadioGroup* group;
    QString caption;
    QStringList items;
    int index;
  };
  const Expect groups[] = {{f.form->RadioGroup1,
                            "Graph ",
                            {"Select &Point", "Select &Area", "Select Single &Night", "Select N&ight "},
                            0},
                           {f.form->RadioGroup2,
                            "Data",
                            {"Time &Interval ", "Delta &mag", "&Eclipse Total Length", "&Flat Bottom Length",
                             "&O'Connell Effect", "&Pri Amplitude", "&Sec Amplitude"},
                            -1},
                           {f.form->RadioGroup4, "Method", {"SL", "AoV", "GLS", "MHAOV", "PDM", "BLS"}, 0},
                           {f.form->RadioGroup3, "Plot/File", {"P&hase", "&JD average"}, 0}};
  for (const Expect& e : groups) {
    QCOMPARE(e.group->title(), e.caption);
    QCOMPARE(e.group->count(), e.items.size());
    for (int i = 0; i < e.group->count(); ++i) {
      QCOMPARE(e.group->item(i)->text(), e.items[i]);
      QCOMPARE(e.group->item(i)->isChecked(), i == e.index);
    }
    QCOMPARE(e.group->itemIndex(), e.index);
  }
  auto* groupBox1 = qobject_cast<QGroupBox*>(f.form->GroupBox1);
  auto* groupBox2 = qobject_cast<QGroupBox*>(f.form->GroupBox2);
  QCOMPARE(groupBox1->title(), QStringLiteral("EPHEMERIDES"));
  QCOMPARE(groupBox2->title(), QStringLiteral("Math"));
  QCOMPARE(f.form->ScrollBar1->minimum(), 1);
  QCOMPARE(f.form->ScrollBar1->maximum(), 200);
  QCOMPARE(f.form->ScrollBar1->value(), 1);
  QCOMPARE(f.form->ScrollBar1->pageStep(), 5);
  QCOMPARE(f.form->UpDown3->minimum(), 1);
  QCOMPARE(f.form->UpDown3->maximum(), 45);
  QCOMPARE(f.form->UpDown1->minimum(), -32000);
  QCOMPARE(f.form->UpDown1->maximum(), 32000);
  QCOMPARE(f.form->UpDown2->minimum(), -1000);
  QCOMPARE(f.form->UpDown2->maximum(), 1000);
}

void TestForm1::menuShortcuts() {
  FormFixture f;
  struct Row {
    const char* name;
    const char* caption;
    QKeySequence key;
  };
  const Row rows[] = {{"FileNewCmd", "&New", QKeySequence(Qt::CTRL | Qt::Key_N)},
                      {"FileOpenCmd", "&Open", QKeySequence(Qt::CTRL | Qt::Key_O)},
                      {"FileSaveCmd", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S)},
                      {"FileImportCmd", "&Import...", QKeySequence(Qt::CTRL | Qt::Key_I)},
                      {"EditUndoOperationCmd", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z)},
                      {"EditRedoOperationCmd", "&Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
                      {"EditUndoCmd", "Undo in &notes", QKeySequence()},
                      {"EditCutCmd", "&Cut", QKeySequence(Qt::CTRL | Qt::Key_X)},
                      {"EditCopyCmd", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C)},
                      {"EditPasteCmd", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V)}};
  for (const Row& row : rows) {
    auto* act = f.form->findChild<QAction*>(QString::fromLatin1(row.name));
    QVERIFY2(act != nullptr, row.name);
    QCOMPARE(act->text(), QString::fromLatin1(row.caption));
    QCOMPARE(act->shortcut(), row.key);
  }
  // These nine and nothing more: no other action or shortcut object carries a key.
  int withShortcut = 0;
  for (QAction* act : f.form->findChildren<QAction*>())
    if (!act->shortcut().isEmpty()) ++withShortcut;
  QCOMPARE(withShortcut, 9);
  QVERIFY(f.form->findChildren<QShortcut*>().isEmpty());
  const QList<QAction*> menus = f.form->menuBar()->actions();
  QCOMPARE(menus.size(), 4);
  QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
  QCOMPARE(menus[1]->text(), QStringLiteral("&Edit"));
  QCOMPARE(menus[2]->text(), QStringLiteral("View"));
  QCOMPARE(menus[3]->text(), QStringLiteral("&Window"));
  QStringList viewItems;
  for (QAction* act : menus[2]->menu()->actions()) viewItems << act->text();
  QCOMPARE(viewItems, (QStringList{"Error &bars", "", "&Weighted Fourier fit"}));
  QStringList windowItems;
  for (QAction* act : menus[3]->menu()->actions()) windowItems << act->text();
  QCOMPARE(windowItems, (QStringList{"&Periodogram", "&Minima and O-C"}));
  QStringList editItems;
  for (QAction* act : menus[1]->menu()->actions()) editItems << act->text();
  QCOMPARE(editItems, (QStringList{"&Undo", "&Redo", "", "&Copy", "&Cut", "&Paste", "Undo in &notes", "",
                                   "Clear &marks"}));
  QStringList fileItems;
  for (QAction* act : menus[0]->menu()->actions())
    if (!act->isSeparator()) fileItems << act->text();
  // The notes, the import, then the project files (no keys of their own).
  QCOMPARE(fileItems, (QStringList{"&New", "&Open", "&Save", "&Import...", "Open p&roject...",
                                   "Open rece&nt project", "Save pro&ject..."}));
}

void TestForm1::keysOnlyNamedInHintsDoNothing() {
  FormFixture f;
  f.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  f.form->activateWindow();
  for (Qt::Key key : {Qt::Key_L, Qt::Key_P, Qt::Key_B, Qt::Key_E, Qt::Key_G, Qt::Key_H, Qt::Key_F, Qt::Key_M})
    QTest::keyClick(f.form.get(), key, Qt::ControlModifier);
  QTest::qWait(150);                    // a shortcut clicks its button after a short animation
  QCOMPARE(f.outside->openDialogs, 0);  // Ctrl+L does not load
  QVERIFY(f.outside->errors.isEmpty());
  QVERIFY(f.form->Chart1->isHidden());
}

void TestForm1::menuShortcutsActOnTheNotesWhateverHasTheFocus() {
  QTemporaryDir dir;
  FormFixture f;
  f.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  f.form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
  f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
  QTextEdit* notes = f.form->RichEdit1;
  QCOMPARE(notes->toPlainText(), QStringLiteral("File name: a.txt"));
  QTextCursor all(notes->document());
  all.select(QTextCursor::Document);
  notes->setTextCursor(all);
  QLineEdit* box = f.form->Edit3;
  box->setFocus();
  box->selectAll();
  QTRY_VERIFY(box->hasFocus());

  QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);  // Cut: the notes lose their text
  QCOMPARE(notes->toPlainText(), QString());
  QCOMPARE(box->text(), QStringLiteral("0"));
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("File name: a.txt"));
  // Ctrl+Z is the Undo of the data operations (none yet); in the notes pane it undoes the
  // pane's last edit.
  QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(notes->toPlainText(), QString());
  notes->setFocus();
  QTRY_VERIFY(notes->hasFocus());
  QTest::keyClick(notes, Qt::Key_Z, Qt::ControlModifier);  // Undo: they have it back
  QCOMPARE(notes->toPlainText(), QStringLiteral("File name: a.txt"));
  box->setFocus();
  QTRY_VERIFY(box->hasFocus());
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);  // Paste: into the notes, not the box
  QCOMPARE(notes->toPlainText().count(QStringLiteral("File name: a.txt")), 2);
  QCOMPARE(box->text(), QStringLiteral("0"));
  QVERIFY(f.outside->errors.isEmpty());
}

void TestForm1::altAcceleratorsPressNavigationButtons() {
  QTemporaryDir dir;
  FormFixture f;
  f.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  f.form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
  f.LoadNights(dir, {3, 3, 3, 3});
  QVERIFY(f.form->First->isEnabled());
  QTest::keyClick(f.form.get(), Qt::Key_R, Qt::AltModifier);  // First
  QTRY_COMPARE(f.form->view().currentNight, 0);
  QTest::keyClick(f.form.get(), Qt::Key_X, Qt::AltModifier);  // Next
  QTRY_COMPARE(f.form->view().currentNight, 1);
  QTest::keyClick(f.form.get(), Qt::Key_V, Qt::AltModifier);  // Previous
  QTRY_COMPARE(f.form->view().currentNight, 0);
  QTest::keyClick(f.form.get(), Qt::Key_T, Qt::AltModifier);  // Last
  QTRY_COMPARE(f.form->view().currentNight, 3);
  QTest::keyClick(f.form.get(), Qt::Key_L, Qt::AltModifier);  // All
  QTRY_COMPARE(f.form->view().currentNight, -1);
}

void TestForm1::formCreateSetsUpDownAndCrosshair() {
  FormFixture f;
  QCOMPARE(f.form->Edit8->text(), QStringLiteral("3"));  // not the design text "10"
  QCOMPARE(f.form->UpDown3->position(), 3);
  QCOMPARE(f.form->star().harmonicCount, 3);  // Edit8Change ran
  QCOMPARE(f.form->Edit9->text(), QStringLiteral("5"));
  QCOMPARE(f.form->crosshairX, -1);
  QCOMPARE(f.form->crosshairColour, 0x00FFFFu);
  QCOMPARE(static_cast<int>(f.form->crosshairStyle), 0);
  // The up-down steps the box, and the box's change handler follows.
  f.form->UpDown3->upButton()->click();
  QCOMPARE(f.form->Edit8->text(), QStringLiteral("4"));
  QCOMPARE(f.form->star().harmonicCount, 4);
  // Until a box is edited or a file loaded, Star holds zeros whatever the boxes show.
  QCOMPARE(f.form->star().increment, 0.0L);
}

void TestForm1::chartAndNotesHiddenUntilLoad() {
  QTemporaryDir dir;
  FormFixture f;
  QVERIFY(f.form->Chart1->isHidden());
  QVERIFY(f.form->RichEdit1->isHidden());
  QCOMPARE(f.form->chartModel().titleLines, (std::vector<std::string>{"Light Curve"}));
  f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
  QVERIFY(!f.form->Chart1->isHidden());
  QVERIFY(!f.form->RichEdit1->isHidden());
}

void TestForm1::handlerGuardReportsConversionErrorOnce() {
  FormFixture f;
  f.form->Edit2->setText(QStringLiteral("2450000.5"));
  QCOMPARE(f.form->star().epoch, 2450000.5L);
  f.form->Edit2->setText(QStringLiteral("-"));
  QCOMPARE(f.outside->errors, QStringList{QStringLiteral("'-' is not a valid floating point value")});
  QCOMPARE(f.form->star().epoch, 2450000.5L);  // the field keeps its value
  f.form->Edit2->setText(QString());
  QCOMPARE(f.outside->errors.size(), 2);
  QCOMPARE(f.outside->errors.last(), QStringLiteral("'' is not a valid floating point value"));
}

void TestForm1::typingErrorsGoToTheStatusBar() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  // 80 observations spread over four nights at an irregular step: every fold below fills the
  // ten phase bins.
  QByteArray curve;
  for (int i = 0; i < 80; ++i)
    curve += QByteArray::number(2450001.02 + (i / 20) + 0.0437 * (i % 20), 'f', 5) + ' ' +
             QByteArray::number(12 + 0.01 * ((i * 7) % 13), 'f', 2) + '\n';
  f.Load(dir, QStringLiteral("curve.txt"), curve);
  EditBox* box = form.Edit3;
  box->setFocus();
  const auto type = [box](const QString& keys) { QTest::keyClicks(box, keys); };

  QTest::keyClick(box, Qt::Key_Backspace);  // "0" -> "": not a number
  QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("'' is not a valid floating point value"));
  QVERIFY(box->ErrorMarked());
  type(QStringLiteral("0.514333"));  // every key arrives, each prefix folds
  QCOMPARE(box->text(), QStringLiteral("0.514333"));
  QCOMPARE(form.star().period, 0.514333L);
  QVERIFY(!box->ErrorMarked());
  QCOMPARE(form.StatusBar1->currentMessage(), QString());
  type(QStringLiteral("x"));
  QCOMPARE(form.StatusBar1->currentMessage(),
           QStringLiteral("'0.514333x' is not a valid floating point value"));
  QVERIFY(box->ErrorMarked());
  QCOMPARE(form.star().period, 0.514333L);  // the field keeps its last value
  QVERIFY(f.outside->errors.isEmpty());     // no message box took the focus
  QCOMPARE(QApplication::focusWidget(), box);
  QTest::keyClick(box, Qt::Key_Backspace);
  QVERIFY(!box->ErrorMarked());
  QCOMPARE(form.StatusBar1->currentMessage(), QString());

  // A lone minus sign in another box, then a number.
  form.Edit4->setFocus();
  QTest::keyClick(form.Edit4, Qt::Key_Backspace);
  QTest::keyClicks(form.Edit4, QStringLiteral("-"));
  QCOMPARE(form.StatusBar1->currentMessage(), QStringLiteral("'-' is not a valid floating point value"));
  QVERIFY(form.Edit4->ErrorMarked());
  QTest::keyClicks(form.Edit4, QStringLiteral("2"));
  QCOMPARE(form.star().searchMin, -2.0L);
  QVERIFY(!form.Edit4->ErrorMarked());
  QVERIFY(f.outside->errors.isEmpty());

  // A text that was not typed keeps the message box.
  form.Edit2->setText(QStringLiteral("x"));
  QCOMPARE(f.outside->errors, QStringList{QStringLiteral("'x' is not a valid floating point value")});
  QVERIFY(!form.Edit2->ErrorMarked());
}

void TestForm1::fileDialogs() {
  FormFixture f;
  const QString programFolder = QCoreApplication::applicationDirPath();
  for (const FileDialog* dialog : {&f.form->OpenDialog1, &f.form->SaveDialog1}) {
    QCOMPARE(dialog->initialDir, programFolder);
    QCOMPARE(dialog->filter, QStringLiteral("*.*|*.*"));
  }
  QVERIFY(f.form->OpenDialog2.filter.isEmpty());
  QCOMPARE(f.form->SavePictureDialog1.filter, QStringLiteral("*.bmp"));
  QCOMPARE(f.form->SavePictureDialog2.filter,
           QStringLiteral("SVG pictures (*.svg)|*.svg|PDF documents (*.pdf)|*.pdf"));
}

void TestForm1::qtFileFilter_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("expected");
  QTest::newRow("none") << QString() << QString();
  QTest::newRow("lone pattern") << QStringLiteral("*.bmp") << QStringLiteral("*.bmp");
  QTest::newRow("pattern as description") << QStringLiteral("*.*|*.*") << QStringLiteral("*.* (*.*)");
  QTest::newRow("descriptions with patterns")
      << QStringLiteral("Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf")
      << QStringLiteral("Enhanced Metafiles (*.emf);;Metafiles (*.wmf)");
  QTest::newRow("description without pattern")
      << QStringLiteral("Text files|*.txt") << QStringLiteral("Text files (*.txt)");
}

void TestForm1::qtFileFilter() {
  QFETCH(QString, filter);
  QFETCH(QString, expected);
  QCOMPARE(QtFileFilter(filter), expected);
}

QTEST_MAIN(TestForm1)
#include "tst_Form1.moc"
