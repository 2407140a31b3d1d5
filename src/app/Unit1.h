// TForm1, the main window: every control of the program, the records it owns and the event
// handlers. A handler reads its controls, calls the core and writes the results back to the
// controls, the chart model and the notes pane. The construction of the controls is in
// Unit1.cpp; each subsystem's handlers live in a file of their own (Unit1Store.cpp,
// Unit1View.cpp, Unit1Phase.cpp, Unit1Notes.cpp).
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Outside.h"
#include "common/OutputFile.h"
#include "store/Records.h"
#include "view/ChartModel.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QTextEdit;
class QToolBar;
class QToolButton;

namespace ombrane {

class ChartWidget;
class EditBox;
class RadioGroup;
class UpDown;
struct NavigationOutcome;
struct FoldOutcome;

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // The window with all its controls; FormCreate has run when the constructor returns.
  // `outside` defaults to the real dialogs, beep, clipboard and printer.
  explicit TForm1(std::unique_ptr<Outside> outside = nullptr, QWidget* parent = nullptr);
  ~TForm1() override;

  // The records and the chart model the window owns (tests read them).
  Data& data() { return *data_; }
  Star& star() { return *star_; }
  ViewState& view() { return *view_; }
  ChartModel& chartModel() { return *chartModel_; }
  ChartWidget* chart() const { return Chart1; }
  Outside& outside() { return *outside_; }

  // Crosshair state of the chart.
  uint32_t crosshairColour = 0x00FFFF;  // 0x00BBGGRR
  uint8_t crosshairStyle = 0;           // 0 = solid
  int32_t crosshairX = -1;
  int32_t crosshairY = 0;

  // Folder in which the data-file and notes dialogs open: the program's own folder.
  QString programFolder() const;

  // Draws the crosshair once at (x, y) in exclusive-or; a second call at (x, y) erases it.
  void DrawCrosshair(int x, int y);

 public slots:
  // Notes pane and toolbar.
  void FileNewClick();
  void FileOpenClick();
  void FileSaveClick();
  void CutClick();
  void CopyClick();
  void PastClick();
  void UndoClick();
  // Loading.
  void OpenDataClick();
  // Graph output.
  void printGraphClick();
  void saveGraph_bmpClick();
  void saveGraph_emfClick();
  void copyGraphClick();
  // Phase, fits, minimum, deletion.
  void PhaseClick();
  void NJDClick();
  void sincosClick();
  void DeleteClick();
  // Night navigation.
  void FirstClick();
  void PreviousClick();
  void NextClick();
  void LastClick();
  void AllClick();
  void ScrollBar1Change();
  // Chart events.
  void Chart1ClickSeries(int series, int index, int x, int y);
  void Chart1ClickAxis();
  void Chart1MouseMove(int x, int y);
  void Chart1AfterDraw();
  void BitBtn1Click();
  void BitBtn2Click();
  // Ephemeris group.
  void Edit2Change();
  void Edit2DblClick();
  void Edit3Change();
  void Edit3DblClick();
  void Edit4Change();
  void Edit4DblClick();
  void Edit5Change();
  void Edit5DblClick();
  void Edit6Change();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button7Click();
  void Button12Click();
  void Button11Click();
  void Edit10Change();
  void Edit13Change();
  void Edit11Change();
  void Edit14Change();
  void Edit16Change();
  void Edit12Change();
  void Edit15Change();
  void Edit17Change();
  // Math group.
  void Button10Click();
  void Button5Click();
  void Button6Click();
  void Edit7Change();
  void BitBtn3Click();
  void Button9Click();
  void Edit8Change();
  void RadioGroup3Click();

 protected:
  // The seven menu shortcuts act even when a box or the notes pane has the focus: the boxes'
  // own Ctrl+C / X / V / Z would otherwise take the keys before the menu sees them.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateToolBar();
  void CreateMenu();
  QWidget* CreateNightBar();
  QWidget* CreateLeftColumn();
  QWidget* CreateEphemerisGroup();
  QWidget* CreateMathGroup();
  QWidget* CreateChartArea();
  void ConnectHandlers();
  void FormCreate();

  // Runs a handler body: conversion errors, floating-point faults and refused input end it and
  // reach the error reporter (one message box per failed handler). Inside a program write of a
  // box (SetBoxText) the error is kept instead and rethrown by SetBoxText, so that it ends the
  // writing handler too. With `draws`, the chart is repainted afterwards (also after a failure,
  // to show what was drawn before it).
  void Run(const std::function<void()>& body, bool draws = false);
  void Report(const std::exception_ptr& error);
  // Writes a box's text as the program; the box's change handler runs when the text differs,
  // and its failure ends the calling handler.
  void SetBoxText(QLineEdit* box, const QString& text);
  // Appends one line at the end of the notes pane.
  void AppendNote(const QString& line);
  // Tells in the notes pane the failure an output file reported, if any (OutputFiles::Append,
  // WritePhaseFile).
  void NoteOutputFailure(const std::optional<std::string>& failure);
  // The user's separators for numbers in boxes, labels and the pane.
  char DecimalSeparator() const;
  std::string GroupSeparator() const;
  long double BoxNumber(const QLineEdit* box) const;
  QString General(long double x) const;

  void ApplyNavigation(const NavigationOutcome& outcome);
  void ApplyFoldOutcome(const FoldOutcome& outcome);
  // A fold: from the period box (period from Edit3, both statistics) or at the stored period
  // (Phase and the abscissa switch, no AoV statistic); the labels and the phase file follow
  // what it produced, also when it fails part way.
  void Fold(bool fromPeriodBox, bool writePhaseFile);
  void UpdateReadout(int x, int y);

  std::unique_ptr<Outside> outside_;
  std::unique_ptr<Data> data_;
  std::unique_ptr<Star> star_;
  std::unique_ptr<ViewState> view_;
  std::unique_ptr<ChartModel> chartModel_;
  OutputFiles outputFiles_;

  int programWriteDepth_ = 0;
  std::exception_ptr pendingError_;

 public:
  // The file dialogs of the window, named as their components: the notes dialogs (also the
  // text output of the graph), the data-file dialog and the two picture dialogs.
  FileDialog OpenDialog1;
  FileDialog SaveDialog1;
  FileDialog OpenDialog2{.caption = QStringLiteral("Open photometry file")};
  FileDialog SavePictureDialog1{.caption = QStringLiteral("Save graph as bitmap"),
                                .filter = QStringLiteral("*.bmp")};
  FileDialog SavePictureDialog2{
      .caption = QStringLiteral("Save graph as metafile"),
      .filter = QStringLiteral("Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf")};

  // Controls, named as their components.
  QToolBar* ToolBar1 = nullptr;
  QToolButton* FileNew = nullptr;
  QToolButton* FileOpen = nullptr;
  QToolButton* FileSave = nullptr;
  QToolButton* Cut = nullptr;
  QToolButton* Copy = nullptr;
  QToolButton* Past = nullptr;
  QToolButton* Undo = nullptr;
  QToolButton* OpenData = nullptr;
  QToolButton* printGraph = nullptr;
  QToolButton* saveGraph_bmp = nullptr;
  QToolButton* saveGraph_emf = nullptr;
  QToolButton* copyGraph = nullptr;
  QToolButton* Phase = nullptr;
  QToolButton* NJD = nullptr;
  QToolButton* sincos = nullptr;
  QToolButton* Delete = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QCheckBox* CheckBox4 = nullptr;

  QLabel* Label1 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* First = nullptr;
  QPushButton* Previous = nullptr;
  QPushButton* Next = nullptr;
  QPushButton* Last = nullptr;
  QPushButton* All = nullptr;
  QLabel* Label3 = nullptr;
  QScrollBar* ScrollBar1 = nullptr;

  ChartWidget* Chart1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label5 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QLabel* Image1 = nullptr;
  QTextEdit* RichEdit1 = nullptr;

  RadioGroup* RadioGroup1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  RadioGroup* RadioGroup2 = nullptr;
  QWidget* GroupBox1 = nullptr;
  EditBox* Edit2 = nullptr;
  QPushButton* Button12 = nullptr;
  EditBox* Edit3 = nullptr;
  EditBox* Edit6 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button7 = nullptr;
  QLabel* Label11 = nullptr;
  QLabel* Label13 = nullptr;
  EditBox* Edit4 = nullptr;
  EditBox* Edit5 = nullptr;
  QPushButton* Button11 = nullptr;
  EditBox* Edit10 = nullptr;
  EditBox* Edit13 = nullptr;
  EditBox* Edit11 = nullptr;
  EditBox* Edit14 = nullptr;
  EditBox* Edit16 = nullptr;
  EditBox* Edit12 = nullptr;
  EditBox* Edit15 = nullptr;
  EditBox* Edit17 = nullptr;
  UpDown* UpDown1 = nullptr;
  RadioGroup* RadioGroup4 = nullptr;
  QWidget* GroupBox2 = nullptr;
  QPushButton* Button10 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button6 = nullptr;
  EditBox* Edit7 = nullptr;
  QPushButton* BitBtn3 = nullptr;
  QPushButton* Button9 = nullptr;
  EditBox* Edit8 = nullptr;
  UpDown* UpDown3 = nullptr;
  QPushButton* Button8 = nullptr;
  EditBox* Edit9 = nullptr;
  UpDown* UpDown4 = nullptr;
  UpDown* UpDown2 = nullptr;
  RadioGroup* RadioGroup3 = nullptr;
  QStatusBar* StatusBar1 = nullptr;

  QAction* FileNewCmd = nullptr;
  QAction* FileOpenCmd = nullptr;
  QAction* FileSaveCmd = nullptr;
  QAction* EditUndoCmd = nullptr;
  QAction* EditCutCmd = nullptr;
  QAction* EditCopyCmd = nullptr;
  QAction* EditPasteCmd = nullptr;
};

}  // namespace ombrane
