// TForm1: construction of the controls, the shared handler mechanisms and FormCreate.
#include "Unit1.h"
#include "common/PartialOutcome.h"

#include <algorithm>
#include <cmath>

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "ChartWidget.h"
#include "Controls.h"
#include "Separators.h"
#include "common/FloatingPoint.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "common/TextToFloat.h"
#include "search/MethodSearch.h"

// The pictures are compiled into the static window library; registering them here keeps the
// linker from dropping them.
static void InitPictures() {
  Q_INIT_RESOURCE(resources);
}

namespace ombrane {

namespace {

QFont BoldFont(const QFont& base, int pointSize = 0) {
  QFont font = base;
  font.setBold(true);
  if (pointSize > 0) font.setPointSize(pointSize);
  return font;
}

QIcon Picture(const QString& name) {
  return QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
}

QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QLabel* MakeLabel(const QString& name, const QString& caption, QWidget* parent, bool bold = false) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  if (bold) label->setFont(BoldFont(label->font()));
  return label;
}

// The start picture, drawn by the project, rendered at its size of 800 x 600.
QPixmap StartPicture() {
  QPixmap picture(800, 600);
  picture.fill(QColor(0x0b, 0x16, 0x2e));
  QSvgRenderer renderer(QStringLiteral(":/icons/start.svg"));
  if (renderer.isValid()) {
    QPainter painter(&picture);
    renderer.render(&painter, QRectF(0, 0, 800, 600));
  }
  return picture;
}

}  // namespace

TForm1::TForm1(std::unique_ptr<Outside> outside, QWidget* parent)
    : QMainWindow(parent),
      outside_(outside ? std::move(outside) : std::make_unique<QtOutside>()),
      data_(std::make_unique<Data>()),
      star_(std::make_unique<Star>()),
      methodSettings_(std::make_unique<MethodSettings>()),
      view_(std::make_unique<ViewState>()),
      chartModel_(std::make_unique<ChartModel>()) {
  InitPictures();
  CreateControls();
  ConnectHandlers();
  FormCreate();
  qApp->installEventFilter(this);
}

TForm1::~TForm1() = default;

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && widget->window() == this) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const QKeySequence pressed(key->keyCombination());
      // In the notes pane the keys of Undo and Redo act on the pane's text, through the pane's
      // own handlers (which pass over the program's result lines): the override keeps the
      // window's items from taking the key, and the key press is answered here.
      const bool undoKey = pressed == EditUndoOperationCmd->shortcut();
      const bool redoKey = pressed == EditRedoOperationCmd->shortcut();
      if ((undoKey || redoKey) && (watched == RichEdit1 || watched == RichEdit1->viewport())) {
        if (event->type() == QEvent::ShortcutOverride) {
          event->accept();
          return true;
        }
        if (undoKey)
          UndoClick();
        else
          RedoClick();
        return true;
      }
      if (event->type() != QEvent::ShortcutOverride) return QMainWindow::eventFilter(watched, event);
      for (const QAction* menuAction :
           {FileNewCmd, FileOpenCmd, FileSaveCmd, FileImportCmd, EditUndoOperationCmd, EditRedoOperationCmd,
            EditCutCmd, EditCopyCmd, EditPasteCmd}) {
        // Left unaccepted, the override lets the window's shortcut run its action.
        if (menuAction->shortcut() == pressed) return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

QString TForm1::programFolder() const {
  return QCoreApplication::applicationDirPath();
}

void TForm1::CreateControls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Calculations for Eclipsing and Pulsating stars "));
  QFont formFont = font();
  formFont.setPointSize(8);
  setFont(formFont);
  setGeometry(202, 6, 1063, 770);
  QPalette face = palette();
  face.setColor(QPalette::Window, QColor(0xF0, 0xF0, 0xF0));
  setPalette(face);

  CreateToolBar();
  CreateMenu();

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("ClientArea"));
  // The left column runs from the toolbar down; the night bar, the chart and the notes pane
  // stand beside it.
  auto* body = new QHBoxLayout(central);
  body->setContentsMargins(4, 2, 4, 0);
  body->setSpacing(8);
  // The left column scrolls when the window is made lower than its controls.
  auto* columnScroll = new QScrollArea(central);
  columnScroll->setObjectName(QStringLiteral("LeftColumnScroll"));
  columnScroll->setFrameShape(QFrame::NoFrame);
  columnScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  columnScroll->setWidgetResizable(true);
  columnScroll->setWidget(CreateLeftColumn());
  columnScroll->setFixedWidth(columnScroll->widget()->width() + 12);
  body->addWidget(columnScroll);
  auto* right = new QVBoxLayout();
  right->setSpacing(2);
  right->addWidget(CreateNightBar());
  right->addWidget(CreateChartArea(), 1);
  body->addLayout(right, 1);
  setCentralWidget(central);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(true);
  setStatusBar(StatusBar1);
}

void TForm1::CreateToolBar() {
  ToolBar1 = new QToolBar(this);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setIconSize(QSize(28, 28));
  ToolBar1->setFixedHeight(49);
  ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
  addToolBar(Qt::TopToolBarArea, ToolBar1);

  auto speedButton = [this](const QString& name) {
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(name);
    button->setIcon(Picture(name));
    button->setFixedSize(40, 39);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->addWidget(button);
    return button;
  };
  FileNew = speedButton(QStringLiteral("FileNew"));
  FileOpen = speedButton(QStringLiteral("FileOpen"));
  FileSave = speedButton(QStringLiteral("FileSave"));
  Cut = speedButton(QStringLiteral("Cut"));
  Copy = speedButton(QStringLiteral("Copy"));
  Past = speedButton(QStringLiteral("Past"));
  Undo = speedButton(QStringLiteral("Undo"));
  ToolBar1->addSeparator();
  OpenData = speedButton(QStringLiteral("OpenData"));
  Import = speedButton(QStringLiteral("Import"));
  printGraph = speedButton(QStringLiteral("printGraph"));
  saveGraph_bmp = speedButton(QStringLiteral("saveGraph_bmp"));
  saveGraph_emf = speedButton(QStringLiteral("saveGraph_emf"));
  copyGraph = speedButton(QStringLiteral("copyGraph"));
  ToolBar1->addSeparator();
  Phase = speedButton(QStringLiteral("Phase"));
  NJD = speedButton(QStringLiteral("NJD"));
  sincos = speedButton(QStringLiteral("sincos"));
  Delete = speedButton(QStringLiteral("Delete"));
  sincos->setEnabled(false);
  Delete->setEnabled(false);

  auto* spacer = new QWidget(ToolBar1);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  ToolBar1->addWidget(spacer);

  // The four check boxes at the top right, in two columns of two, in their order from the top.
  auto* boxes = new QWidget(ToolBar1);
  auto* grid = new QGridLayout(boxes);
  grid->setContentsMargins(0, 0, 8, 0);
  grid->setHorizontalSpacing(14);
  grid->setVerticalSpacing(1);
  auto checkBox = [boxes](const QString& name, const QString& caption) {
    auto* box = new QCheckBox(caption, boxes);
    box->setObjectName(name);
    box->setFont(BoldFont(box->font()));
    return box;
  };
  CheckBox2 = checkBox(QStringLiteral("CheckBox2"), QStringLiteral("&1 Save Data To File"));
  CheckBox1 = checkBox(QStringLiteral("CheckBox1"), QStringLiteral("&2 Save Fourier To File"));
  CheckBox3 = checkBox(QStringLiteral("CheckBox3"), QStringLiteral("&3 Fourier To Edit"));
  CheckBox4 = checkBox(QStringLiteral("CheckBox4"), QStringLiteral("&4 Calculate Hel Corr"));
  grid->addWidget(CheckBox2, 0, 0);
  grid->addWidget(CheckBox1, 1, 0);
  grid->addWidget(CheckBox3, 0, 1);
  grid->addWidget(CheckBox4, 1, 1);
  ToolBar1->addWidget(boxes);
}

void TForm1::CreateMenu() {
  auto* menu = new QMenuBar(this);
  menu->setObjectName(QStringLiteral("MainMenu1"));
  setMenuBar(menu);
  auto action = [this](const QString& name, const QString& caption, const QKeySequence& shortcut) {
    auto* act = new QAction(caption, this);
    act->setObjectName(name);
    act->setShortcut(shortcut);
    act->setShortcutContext(Qt::WindowShortcut);
    return act;
  };
  FileNewCmd =
      action(QStringLiteral("FileNewCmd"), QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N));
  FileOpenCmd =
      action(QStringLiteral("FileOpenCmd"), QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O));
  FileSaveCmd =
      action(QStringLiteral("FileSaveCmd"), QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
  EditUndoOperationCmd = action(QStringLiteral("EditUndoOperationCmd"), QStringLiteral("&Undo"),
                                QKeySequence(Qt::CTRL | Qt::Key_Z));
  EditRedoOperationCmd = action(QStringLiteral("EditRedoOperationCmd"), QStringLiteral("&Redo"),
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  EditUndoCmd = action(QStringLiteral("EditUndoCmd"), QStringLiteral("Undo in &notes"), QKeySequence());
  EditCutCmd =
      action(QStringLiteral("EditCutCmd"), QStringLiteral("&Cut"), QKeySequence(Qt::CTRL | Qt::Key_X));
  EditCopyCmd =
      action(QStringLiteral("EditCopyCmd"), QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
  EditPasteCmd =
      action(QStringLiteral("EditPasteCmd"), QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
  FileImportCmd = action(QStringLiteral("FileImportCmd"), QStringLiteral("&Import..."),
                         QKeySequence(Qt::CTRL | Qt::Key_I));
  EditClearMarksCmd =
      action(QStringLiteral("EditClearMarksCmd"), QStringLiteral("Clear &marks"), QKeySequence());
  EditClearMarksCmd->setStatusTip(
      QStringLiteral("Takes every mark off: the points marked by hand and those the automatic fit left out"));
  QMenu* file = menu->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("File1"));
  file->addAction(FileNewCmd);
  file->addAction(FileOpenCmd);
  file->addAction(FileSaveCmd);
  file->addSeparator();
  file->addAction(FileImportCmd);
  file->addSeparator();
  FileOpenProjectCmd = action(QStringLiteral("FileOpenProjectCmd"), QStringLiteral("Open p&roject..."), {});
  file->addAction(FileOpenProjectCmd);
  FileRecentMenu = file->addMenu(QStringLiteral("Open rece&nt project"));
  FileRecentMenu->setObjectName(QStringLiteral("FileRecentMenu"));
  FileSaveProjectCmd = action(QStringLiteral("FileSaveProjectCmd"), QStringLiteral("Save pro&ject..."), {});
  file->addAction(FileSaveProjectCmd);
  QMenu* edit = menu->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("Edit1"));
  edit->addAction(EditUndoOperationCmd);
  edit->addAction(EditRedoOperationCmd);
  edit->addSeparator();
  edit->addAction(EditCopyCmd);
  edit->addAction(EditCutCmd);
  edit->addAction(EditPasteCmd);
  edit->addAction(EditUndoCmd);
  edit->addSeparator();
  edit->addAction(EditClearMarksCmd);
  UpdateUndoActions();
}

QWidget* TForm1::CreateNightBar() {
  auto* bar = new QWidget(this);
  bar->setObjectName(QStringLiteral("NightBar"));
  bar->setFixedHeight(31);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(6);

  Label1 = MakeLabel(QStringLiteral("Label1"), QString(), bar, true);
  Label1->setMinimumWidth(80);
  Label4 = MakeLabel(QStringLiteral("Label4"), QStringLiteral("Show night:"), bar, true);
  auto navButton = [bar](const QString& name, const QString& caption, const QString& picture,
                         bool pictureRight) {
    QPushButton* button = MakeButton(name, caption, bar);
    button->setIcon(Picture(picture));
    button->setIconSize(QSize(16, 16));
    button->setFont(BoldFont(button->font()));
    if (pictureRight) button->setLayoutDirection(Qt::RightToLeft);
    button->setMinimumWidth(60);
    button->setEnabled(false);
    return button;
  };
  First = navButton(QStringLiteral("First"), QStringLiteral("Fi&rst"), QStringLiteral("First"), false);
  Previous =
      navButton(QStringLiteral("Previous"), QStringLiteral("Pre&vious"), QStringLiteral("Previous"), false);
  Next = navButton(QStringLiteral("Next"), QStringLiteral("Ne&xt"), QStringLiteral("Next"), true);
  Last = navButton(QStringLiteral("Last"), QStringLiteral("Las&t"), QStringLiteral("Last"), true);
  All = MakeButton(QStringLiteral("All"), QStringLiteral("A&ll"), bar);
  All->setFont(BoldFont(All->font(), 11));
  All->setMinimumWidth(50);
  All->setEnabled(false);
  Label3 = MakeLabel(QStringLiteral("Label3"), QStringLiteral("Points per night"), bar, true);
  ScrollBar1 = new QScrollBar(Qt::Horizontal, bar);
  ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
  ScrollBar1->setRange(1, 200);
  ScrollBar1->setValue(1);
  ScrollBar1->setSingleStep(1);
  ScrollBar1->setPageStep(5);
  ScrollBar1->setFixedWidth(140);

  row->addWidget(Label1);
  row->addWidget(Label4);
  row->addWidget(First);
  row->addWidget(Previous);
  row->addWidget(Next);
  row->addWidget(Last);
  row->addWidget(All);
  row->addSpacing(12);
  row->addWidget(Label3);
  row->addWidget(ScrollBar1);
  row->addStretch(1);
  return bar;
}

QWidget* TForm1::CreateLeftColumn() {
  auto* column = new QWidget(this);
  column->setObjectName(QStringLiteral("LeftColumn"));
  column->setFixedWidth(180);
  auto* stack = new QVBoxLayout(column);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(2);

  RadioGroup1 = new RadioGroup(QStringLiteral("RadioGroup1"), QStringLiteral("Graph "),
                               {QStringLiteral("Select &Point"), QStringLiteral("Select &Area"),
                                QStringLiteral("Select Single &Night"), QStringLiteral("Select N&ight ")},
                               1, column);
  RadioGroup1->setItemIndex(0);
  BitBtn2 = MakeButton(QStringLiteral("BitBtn2"), QStringLiteral("A&ctive: Graph / Data"), column);
  RadioGroup2 = new RadioGroup(QStringLiteral("RadioGroup2"), QStringLiteral("Data"),
                               {QStringLiteral("Time &Interval "), QStringLiteral("Delta &mag"),
                                QStringLiteral("&Eclipse Total Length"),
                                QStringLiteral("&Flat Bottom Length"), QStringLiteral("&O'Connell Effect"),
                                QStringLiteral("&Pri Amplitude"), QStringLiteral("&Sec Amplitude")},
                               1, column);
  RadioGroup2->setEnabled(false);
  RadioGroup4 = new RadioGroup(QStringLiteral("RadioGroup4"), QStringLiteral("Method"),
                               {QStringLiteral("SL"), QStringLiteral("AoV"), QStringLiteral("GLS"),
                                QStringLiteral("MHAOV"), QStringLiteral("PDM"), QStringLiteral("BLS")},
                               2, column);
  RadioGroup4->setItemIndex(0);
  RadioGroup3 = new RadioGroup(QStringLiteral("RadioGroup3"), QStringLiteral("Plot/File"),
                               {QStringLiteral("P&hase"), QStringLiteral("&JD average")}, 2, column);
  RadioGroup3->setItemIndex(0);

  for (RadioGroup* group : {RadioGroup1, RadioGroup2, RadioGroup4, RadioGroup3})
    group->setFont(BoldFont(group->font()));

  stack->addWidget(RadioGroup1);
  stack->addWidget(BitBtn2);
  stack->addWidget(RadioGroup2);
  stack->addWidget(CreateEphemerisGroup());
  stack->addWidget(RadioGroup4);
  stack->addWidget(CreateMethodControls());
  stack->addWidget(CreateMathGroup());
  stack->addWidget(RadioGroup3);
  stack->addStretch(1);
  return column;
}

QWidget* TForm1::CreateEphemerisGroup() {
  auto* group = new QGroupBox(QStringLiteral("EPHEMERIDES"), this);
  group->setObjectName(QStringLiteral("GroupBox1"));
  group->setFont(BoldFont(group->font()));
  GroupBox1 = group;
  group->setStyleSheet(QStringLiteral("QPushButton { padding: 2px 1px; }"));
  QFont plain = font();
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(4, 2, 4, 4);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(2);

  auto label = [group, &plain](const QString& name, const QString& caption) {
    QLabel* l = MakeLabel(name, caption, group);
    l->setFont(plain);
    return l;
  };
  auto box = [group, &plain](const QString& name, const QString& text) {
    auto* e = new EditBox(name, text, group);
    e->setFont(plain);
    e->setMinimumWidth(20);
    e->setFixedHeight(20);
    return e;
  };
  auto button = [group, &plain](const QString& name, const QString& caption) {
    QPushButton* b = MakeButton(name, caption, group);
    b->setFont(plain);
    b->setMinimumWidth(10);
    return b;
  };

  Edit2 = box(QStringLiteral("Edit2"), QStringLiteral("0"));
  Edit3 = box(QStringLiteral("Edit3"), QStringLiteral("0"));
  Button12 = button(QStringLiteral("Button12"), QStringLiteral("Period"));
  // The increment is shown with the user's decimal separator, so that the box reads back as a
  // number wherever the program runs.
  Edit6 = box(QStringLiteral("Edit6"),
              QStringLiteral("0") + QChar(DecimalSeparator()) + QStringLiteral("000001"));
  Edit6->setToolTip(QStringLiteral("Increment"));
  Button1 = button(QStringLiteral("Button1"), QStringLiteral("&*2"));
  Button2 = button(QStringLiteral("Button2"), QStringLiteral("&/2"));
  Button3 = button(QStringLiteral("Button3"), QStringLiteral("&+"));
  Button4 = button(QStringLiteral("Button4"), QStringLiteral("&-"));
  Button7 = button(QStringLiteral("Button7"), QStringLiteral("Search"));
  Label11 = label(QStringLiteral("Label11"), QStringLiteral("0"));
  Label13 = label(QStringLiteral("Label13"), QStringLiteral("0"));
  Edit4 = box(QStringLiteral("Edit4"), QStringLiteral("0"));
  Edit5 = box(QStringLiteral("Edit5"), QStringLiteral("0"));
  Button11 = button(QStringLiteral("Button11"), QStringLiteral("Na&me"));
  Edit10 = box(QStringLiteral("Edit10"), QStringLiteral("star"));
  Edit13 = box(QStringLiteral("Edit13"), QStringLiteral("con"));
  Edit11 = box(QStringLiteral("Edit11"), QStringLiteral("0"));
  Edit14 = box(QStringLiteral("Edit14"), QStringLiteral("0"));
  Edit16 = box(QStringLiteral("Edit16"), QStringLiteral("0"));
  Edit12 = box(QStringLiteral("Edit12"), QStringLiteral("0"));
  Edit15 = box(QStringLiteral("Edit15"), QStringLiteral("0"));
  Edit17 = box(QStringLiteral("Edit17"), QStringLiteral("0"));
  UpDown1 = new UpDown(QStringLiteral("UpDown1"), -32000, 32000, 0, group);
  UpDown1->hide();

  // A grid of twelve equal columns keeps the rows compact in the narrow column.
  for (int c = 0; c < 12; ++c) grid->setColumnStretch(c, 1);
  auto row = [grid](int r, std::initializer_list<std::pair<QWidget*, int>> cells) {
    int column = 0;
    for (const auto& [widget, span] : cells) {
      grid->addWidget(widget, r, column, 1, span);
      column += span;
    }
  };
  row(0, {{label(QStringLiteral("Label6"), QStringLiteral("M0:")), 3}, {Edit2, 9}});
  row(1, {{label(QStringLiteral("Label7"), QStringLiteral("Period:")), 3}, {Edit3, 9}});
  row(2, {{Button1, 3}, {Button2, 3}, {Button3, 3}, {Button4, 3}});
  row(3, {{Edit6, 5}, {Button7, 4}, {Button12, 3}});
  row(4, {{label(QStringLiteral("Increment"), QStringLiteral("SL:")), 3}, {Label11, 9}});
  row(5, {{label(QStringLiteral("Label12"), QStringLiteral("AoV:")), 3}, {Label13, 9}});
  row(6, {{label(QStringLiteral("Label8"), QStringLiteral("Min:")), 2},
          {Edit4, 4},
          {label(QStringLiteral("Label9"), QStringLiteral("Max:")), 2},
          {Edit5, 4}});
  row(7, {{Button11, 4}, {Edit10, 5}, {Edit13, 3}});
  row(8,
      {{label(QStringLiteral("Label10"), QStringLiteral("REC")), 3}, {Edit11, 3}, {Edit14, 3}, {Edit16, 3}});
  row(9,
      {{label(QStringLiteral("Label14"), QStringLiteral("DEC")), 3}, {Edit12, 3}, {Edit15, 3}, {Edit17, 3}});
  return group;
}

QWidget* TForm1::CreateMathGroup() {
  auto* group = new QGroupBox(QStringLiteral("Math"), this);
  group->setObjectName(QStringLiteral("GroupBox2"));
  group->setFont(BoldFont(group->font()));
  GroupBox2 = group;
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(4, 2, 4, 4);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(2);

  Button10 = MakeButton(QStringLiteral("Button10"), QStringLiteral("Bright"), group);
  Button5 = MakeButton(QStringLiteral("Button5"), QStringLiteral("+"), group);
  Button6 = MakeButton(QStringLiteral("Button6"), QStringLiteral("-"), group);
  Edit7 = new EditBox(QStringLiteral("Edit7"), QStringLiteral("0"), group);
  BitBtn3 = MakeButton(QStringLiteral("BitBtn3"), QStringLiteral("sin+cos"), group);
  Button9 = MakeButton(QStringLiteral("Button9"), QStringLiteral("sin"), group);
  Edit8 = new EditBox(QStringLiteral("Edit8"), QStringLiteral("10"), group);
  UpDown3 = new UpDown(QStringLiteral("UpDown3"), 1, 45, 3, group);
  Button8 = MakeButton(QStringLiteral("Button8"), QStringLiteral("nw"), group);
  Edit9 = new EditBox(QStringLiteral("Edit9"), QStringLiteral("5"), group);
  UpDown4 = new UpDown(QStringLiteral("UpDown4"), 0, 100, 5, group);
  UpDown2 = new UpDown(QStringLiteral("UpDown2"), -1000, 1000, 0, group);
  for (QWidget* hidden : std::initializer_list<QWidget*>{Button8, Edit9, UpDown4, UpDown2}) hidden->hide();
  for (QWidget* w :
       std::initializer_list<QWidget*>{Button10, Button5, Button6, Edit7, BitBtn3, Button9, Edit8}) {
    w->setFont(font());
    w->setMinimumWidth(10);
  }

  for (int c = 0; c < 12; ++c) grid->setColumnStretch(c, 1);
  grid->addWidget(Button10, 0, 0, 1, 4);
  grid->addWidget(Button5, 0, 4, 1, 2);
  grid->addWidget(Button6, 0, 6, 1, 2);
  grid->addWidget(Edit7, 0, 8, 1, 4);
  grid->addWidget(BitBtn3, 1, 0, 1, 4);
  grid->addWidget(Button9, 1, 4, 1, 2);
  grid->addWidget(Edit8, 1, 6, 1, 3);
  grid->addWidget(UpDown3, 1, 9, 1, 3);
  return group;
}

QWidget* TForm1::CreateChartArea() {
  auto* area = new QWidget(this);
  area->setObjectName(QStringLiteral("ChartArea"));
  auto* stack = new QVBoxLayout(area);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(4);

  Image1 = new QLabel(area);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(StartPicture());
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setMinimumSize(200, 150);
  Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);

  Chart1 = new ChartWidget(chartModel_.get(), area);
  Chart1->setObjectName(QStringLiteral("Chart1"));
  Chart1->setMinimumSize(400, 250);
  Chart1->hide();

  Label2 = MakeLabel(QStringLiteral("Label2"), QString(), Chart1);
  Label2->setAttribute(Qt::WA_TransparentForMouseEvents);
  Label2->move(12, 6);
  Label2->resize(170, 30);
  Label5 = MakeLabel(QStringLiteral("Label5"), QStringLiteral("Label5"), Chart1, true);
  Label5->setAttribute(Qt::WA_TransparentForMouseEvents);
  Label5->move(200, 6);
  Label5->resize(220, 30);
  Label5->hide();
  BitBtn1 = MakeButton(QStringLiteral("BitBtn1"), QStringLiteral("Color"), Chart1);
  BitBtn1->setIcon(Picture(QStringLiteral("Color")));
  QPalette red = BitBtn1->palette();
  red.setColor(QPalette::ButtonText, Qt::red);
  BitBtn1->setPalette(red);
  BitBtn1->resize(70, 24);
  BitBtn1->move(12, 40);
  BitBtn1->hide();

  RichEdit1 = new QTextEdit(area);
  RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
  RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  RichEdit1->setAcceptRichText(true);
  RichEdit1->hide();
  connect(RichEdit1->document(), &QTextDocument::undoCommandAdded, this, [this] { NoteUndoStepAdded(); });
  RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(RichEdit1, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    const std::unique_ptr<QMenu> menu(NotesContextMenu(position));
    menu->exec(RichEdit1->viewport()->mapToGlobal(position));
  });

  stack->addWidget(Image1, 1);
  stack->addWidget(Chart1, 465);
  stack->addWidget(RichEdit1, 145);
  return area;
}

void TForm1::ConnectHandlers() {
  const std::pair<QToolButton*, void (TForm1::*)()> toolbar[] = {{FileNew, &TForm1::FileNewClick},
                                                                 {FileOpen, &TForm1::FileOpenClick},
                                                                 {FileSave, &TForm1::FileSaveClick},
                                                                 {Cut, &TForm1::CutClick},
                                                                 {Copy, &TForm1::CopyClick},
                                                                 {Past, &TForm1::PastClick},
                                                                 {Undo, &TForm1::UndoClick},
                                                                 {OpenData, &TForm1::OpenDataClick},
                                                                 {Import, &TForm1::ImportClick},
                                                                 {printGraph, &TForm1::printGraphClick},
                                                                 {saveGraph_bmp, &TForm1::saveGraph_bmpClick},
                                                                 {saveGraph_emf, &TForm1::saveGraph_emfClick},
                                                                 {copyGraph, &TForm1::copyGraphClick},
                                                                 {Phase, &TForm1::PhaseClick},
                                                                 {NJD, &TForm1::NJDClick},
                                                                 {sincos, &TForm1::sincosClick},
                                                                 {Delete, &TForm1::DeleteClick}};
  for (const auto& [button, handler] : toolbar) connect(button, &QToolButton::clicked, this, handler);

  const std::pair<QAction*, void (TForm1::*)()> actions[] = {
      {FileNewCmd, &TForm1::FileNewClick},
      {FileOpenCmd, &TForm1::FileOpenClick},
      {FileSaveCmd, &TForm1::FileSaveClick},
      {FileImportCmd, &TForm1::ImportClick},
      {EditUndoCmd, &TForm1::UndoClick},
      {EditCutCmd, &TForm1::CutClick},
      {EditCopyCmd, &TForm1::CopyClick},
      {EditPasteCmd, &TForm1::PastClick},
      {EditClearMarksCmd, &TForm1::ClearMarksClick},
      {EditUndoOperationCmd, &TForm1::UndoOperationClick},
      {EditRedoOperationCmd, &TForm1::RedoOperationClick}};
  for (const auto& [act, handler] : actions) connect(act, &QAction::triggered, this, handler);

  const std::pair<QPushButton*, void (TForm1::*)()> buttons[] = {
      {First, &TForm1::FirstClick},       {Previous, &TForm1::PreviousClick},
      {Next, &TForm1::NextClick},         {Last, &TForm1::LastClick},
      {All, &TForm1::AllClick},           {BitBtn1, &TForm1::BitBtn1Click},
      {BitBtn2, &TForm1::BitBtn2Click},   {Button1, &TForm1::Button1Click},
      {Button2, &TForm1::Button2Click},   {Button3, &TForm1::Button3Click},
      {Button4, &TForm1::Button4Click},   {Button7, &TForm1::Button7Click},
      {Button12, &TForm1::Button12Click}, {Button11, &TForm1::Button11Click},
      {Button10, &TForm1::Button10Click}, {Button5, &TForm1::Button5Click},
      {Button6, &TForm1::Button6Click},   {BitBtn3, &TForm1::BitBtn3Click},
      {Button9, &TForm1::Button9Click}};
  for (const auto& [button, handler] : buttons) connect(button, &QPushButton::clicked, this, handler);

  const std::pair<EditBox*, void (TForm1::*)()> changes[] = {
      {Edit2, &TForm1::Edit2Change},   {Edit3, &TForm1::Edit3Change},   {Edit4, &TForm1::Edit4Change},
      {Edit5, &TForm1::Edit5Change},   {Edit6, &TForm1::Edit6Change},   {Edit7, &TForm1::Edit7Change},
      {Edit8, &TForm1::Edit8Change},   {Edit10, &TForm1::Edit10Change}, {Edit13, &TForm1::Edit13Change},
      {Edit11, &TForm1::Edit11Change}, {Edit14, &TForm1::Edit14Change}, {Edit16, &TForm1::Edit16Change},
      {Edit12, &TForm1::Edit12Change}, {Edit15, &TForm1::Edit15Change}, {Edit17, &TForm1::Edit17Change}};
  for (const auto& [box, handler] : changes) {
    connect(box, &QLineEdit::textChanged, this,
            [this, box = box, handler = handler] { BoxChanged(box, handler); });
  }

  const std::pair<EditBox*, void (TForm1::*)()> doubleClicks[] = {{Edit2, &TForm1::Edit2DblClick},
                                                                  {Edit3, &TForm1::Edit3DblClick},
                                                                  {Edit4, &TForm1::Edit4DblClick},
                                                                  {Edit5, &TForm1::Edit5DblClick}};
  for (const auto& [box, handler] : doubleClicks) connect(box, &EditBox::doubleClicked, this, handler);

  connect(ScrollBar1, &QScrollBar::valueChanged, this, &TForm1::ScrollBar1Change);
  connect(RadioGroup3, &RadioGroup::clicked, this, &TForm1::RadioGroup3Click);

  connect(Chart1, &ChartWidget::ClickSeries, this, &TForm1::Chart1ClickSeries);
  connect(Chart1, &ChartWidget::ClickAxis, this, &TForm1::Chart1ClickAxis);
  connect(Chart1, &ChartWidget::MouseMoved, this, &TForm1::Chart1MouseMove);
  connect(Chart1, &ChartWidget::AfterDraw, this, &TForm1::Chart1AfterDraw);
  CreateErrorBarsAction();
  CreatePeriodogramWindow();
  CreateMinimaWindow();
  ConnectProject();
}

void TForm1::FormCreate() {
  // 1. The notes dialogs open in the program's folder and show every file.
  for (FileDialog* dialog : {&OpenDialog1, &SaveDialog1}) {
    dialog->initialDir = programFolder();
    dialog->filter = QStringLiteral("*.*|*.*");
  }
  // The import dialog starts there too, and then stays in the folder of the last import.
  ImportDialog1.initialDir = programFolder();

  // 2. Hints of the toolbar and of the navigation buttons.
  const std::pair<QWidget*, const char*> hints[] = {
      {FileNew, "New file Ctrl + N"},
      {FileOpen, "Open file Ctrl + O"},
      {FileSave, "Save file Ctrl + S"},
      {Copy, "Copy text Ctrl + C"},
      {Past, "Paste text Ctrl + V"},
      {Cut, "Cut text Ctrl + X"},
      {Undo, "Undo text Ctrl + Z"},
      {OpenData, "Load data from file Ctrl + L"},
      {Import, "Import observations: columns, CSV, AAVSO export, Kepler/TESS FITS Ctrl + I"},
      {printGraph, "Print current graph Ctrl + P"},
      {saveGraph_bmp, "Save current graph as .bmp Ctrl + B"},
      {saveGraph_emf, "Save current graph as .svg or .pdf Ctrl + E"},
      {copyGraph, "Copy current graph to clipboard Ctrl + G"},
      {Phase, "Phase date Ctrl + H"},
      {NJD, "Fourier (Sine) Series Fitting Ctrl + F"},
      {sincos, "Calculate the moment of minimum using the Kwee & van Woerden (1956) method Ctrl + M"},
      {First, "Show first night Alt + R"},
      {Next, "Show next night Alt + X"},
      {Previous, "Show previous night Alt + V"},
      {Last, "Show last night Alt + T"},
      {All, "Show all nights Alt + L"}};
  for (const auto& [control, hint] : hints) control->setToolTip(QString::fromUtf8(hint));

  // 3. No crosshair drawn yet; yellow, solid.
  crosshairX = -1;
  crosshairColour = 0x00FFFF;
  crosshairStyle = 0;

  // 4. The harmonics box shows its up-down's position from now on (runs Edit8Change).
  UpDown3->Associate(Edit8);
  UpDown4->Associate(Edit9);
}

// ---- shared mechanisms -------------------------------------------------------------------

void TForm1::Run(const std::function<void()>& body, bool draws) {
  auto render = [this, draws] {
    if (std::exchange(renderPending_, false) || draws) Chart1->Refresh();
  };
  try {
    body();
  } catch (...) {
    ++failures_;
    render();
    if (programWriteDepth_ > 0) {
      // A change handler run by a program write: the writing handler ends with this error.
      pendingError_ = std::current_exception();
      return;
    }
    if (typingBox_ != nullptr) {
      typingError_ = MessageOf(std::current_exception());
      return;
    }
    Report(std::current_exception());
    return;
  }
  render();
}

void TForm1::NewPicture() {
  Chart1->ForgetZoom();
  renderPending_ = true;
}

void TForm1::BoxChanged(EditBox* box, void (TForm1::*handler)()) {
  EditBox* const outerBox =
      std::exchange(typingBox_, box->HandlingInput() && programWriteDepth_ == 0 ? box : nullptr);
  std::optional<QString> outerError = std::exchange(typingError_, std::nullopt);
  const int64_t failuresBefore = failures_;
  (this->*handler)();
  const std::optional<QString> error = std::exchange(typingError_, std::move(outerError));
  typingBox_ = outerBox;
  if (error) {
    StatusBar1->showMessage(*error);
    box->SetErrorMark(true);
    typingMessage_ = *error;
  } else if (box->ErrorMarked() && failures_ == failuresBefore) {
    box->SetErrorMark(false);
    if (StatusBar1->currentMessage() == typingMessage_) StatusBar1->clearMessage();
  }
}

void TForm1::NewPicture(const std::function<void()>& draw) {
  const int64_t before = chartModel_->pictureNumber;
  auto shown = [this, before] {
    if (chartModel_->pictureNumber != before) NewPicture();
  };
  KeepingPartial(draw, shown);
  shown();
}

QString TForm1::MessageOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QString();
  }
}

void TForm1::Report(const std::exception_ptr& error) {
  outside_->ReportError(this, MessageOf(error));
}

void TForm1::SetBoxText(QLineEdit* box, const QString& text) {
  ++programWriteDepth_;
  box->setText(text);
  --programWriteDepth_;
  if (pendingError_) {
    std::exception_ptr error = std::exchange(pendingError_, nullptr);
    std::rethrow_exception(error);
  }
}

void TForm1::AppendNote(const QString& line) {
  QTextCursor cursor(RichEdit1->document());
  cursor.movePosition(QTextCursor::End);
  // An empty last line (the pane's start, or a line end the user left) takes the result; a
  // line with text gets a new line after it. Results are written in the plain format, not in
  // whatever the user's last typed text was.
  // One edit block, recorded as a result's undo step (Undo passes over it).
  appendingNote_ = true;
  const int charactersBefore = RichEdit1->document()->characterCount();
  cursor.beginEditBlock();
  if (!cursor.block().text().isEmpty()) cursor.insertBlock();
  cursor.insertText(line, QTextCharFormat());
  cursor.endEditBlock();
  appendingNote_ = false;
  resultUndoStates_.push_back({RichEdit1->document()->availableUndoSteps(), line,
                               RichEdit1->document()->characterCount() - charactersBefore});
  ShowNoteAt(cursor.position());
}

void TForm1::NoteUndoStepAdded() {
  if (appendingNote_) return;
  // A user's edit at this state: the results recorded at or above it are no longer on the stack.
  const int state = RichEdit1->document()->availableUndoSteps();
  std::erase_if(resultUndoStates_, [state](const ResultUndoState& r) { return r.state >= state; });
}

void TForm1::ShowNoteAt(int position) {
  // The line just written is scrolled into sight without moving the user's cursor: laying out
  // its block fixes the pane's height, then the scroll bar brings the block's bottom in view.
  QTextDocument* document = RichEdit1->document();
  const QTextBlock block = document->findBlock(position);
  if (!block.isValid()) return;
  const QRectF box = document->documentLayout()->blockBoundingRect(block);
  QScrollBar* bar = RichEdit1->verticalScrollBar();
  const int viewHeight = RichEdit1->viewport()->height();
  const int top = bar->value();
  if (box.bottom() > top + viewHeight) {
    bar->setMaximum(std::max(bar->maximum(), static_cast<int>(std::ceil(box.bottom())) - viewHeight));
    bar->setValue(static_cast<int>(std::ceil(box.bottom())) - viewHeight);
  } else if (box.top() < top) {
    bar->setValue(static_cast<int>(box.top()));
  }
}

std::optional<FileChoice> TForm1::ChooseOpenFile(const FileDialog& dialog, bool offerReadOnly) {
  std::optional<FileChoice> choice =
      outside_->OpenFile(this, dialog.caption, dialog.initialDir, dialog.filter, offerReadOnly);
  // The chosen file's folder becomes the current one: files are opened by bare name there, and
  // the output files of later analyses go beside it.
  if (choice) QDir::setCurrent(QFileInfo(choice->path).absolutePath());
  return choice;
}

std::optional<FileChoice> TForm1::ChooseSaveFile(const FileDialog& dialog, QWidget* owner) {
  QWidget* parent = owner != nullptr ? owner : this;
  QString folder = dialog.initialDir;
  for (;;) {
    std::optional<FileChoice> choice = outside_->SaveFile(parent, dialog.caption, folder, dialog.filter);
    if (!choice) return std::nullopt;
    const QFileInfo chosen(choice->path);
    if (!chosen.exists() ||
        outside_->Ask(parent, QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                  .arg(QDir::toNativeSeparators(choice->path)))) {
      QDir::setCurrent(chosen.absolutePath());
      return choice;
    }
    folder = chosen.absolutePath();
  }
}

void TForm1::NoteOutputFailure(const std::optional<std::string>& failure) {
  if (failure) AppendNote(QString::fromStdString(*failure));
}

char TForm1::DecimalSeparator() const {
  return UserNumberSeparators().decimal;
}

std::string TForm1::GroupSeparator() const {
  return UserNumberSeparators().group;
}

long double TForm1::BoxNumber(const QLineEdit* box) const {
  // A number pasted in the other decimal separator is read where it is not ambiguous.
  const NumberSeparators separators = UserNumberSeparators();
  return BoxTextToFloat(box->text().toStdString(), separators.decimal, separators.group);
}

std::string TForm1::BoxText(const QLineEdit* box) const {
  const NumberSeparators separators = UserNumberSeparators();
  return BoxNumberText(box->text().toStdString(), separators.decimal, separators.group);
}

QString TForm1::General(long double x) const {
  return QString::fromStdString(FormatGeneral(x, DecimalSeparator()));
}

}  // namespace ombrane
