// TForm1, the main window: every control of the program, the records it owns and the event
// handlers. A handler reads its controls, calls the core and writes the results back to the
// controls, the chart model and the notes pane. The construction of the controls and the shared
// handler mechanisms are in Unit1.cpp; each subsystem's handlers live in a file of their own:
// Unit1Notes.cpp, Unit1Store.cpp, Unit1Import.cpp, Unit1View.cpp, Unit1Phase.cpp, Unit1Select.cpp,
// Unit1Fit.cpp, Unit1Timing.cpp, Unit1Output.cpp, Unit1Periodogram.cpp, Unit1Operations.cpp and
// Unit1Project.cpp (the slots below are grouped by file).
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Outside.h"
#include "common/OutputFile.h"
#include "store/Operations.h"
#include "store/Records.h"
#include "view/ChartModel.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QTextEdit;
class QToolBar;
class QToolButton;

namespace ombrane {

class ChartWidget;
class EditBox;
class PeriodogramWindow;
class MinimaWindow;
struct Periodogram;
struct MethodSettings;
class RadioGroup;
class UpDown;
struct NavigationOutcome;
struct LoadReport;
struct FoldOutcome;
enum class CatalogueField;
struct FitRequest;
struct FitSink;
struct FitOutcome;
struct ClickOutcome;
struct Project;
struct ReplayOutcome;
namespace io {
struct ImportOptions;
}

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
  // The data operations done since the load (Delete, magnitude steps, marks), which Edit > Undo
  // and Redo walk and a saved analysis replays.
  OperationLog& operations() { return operations_; }

  // Crosshair state of the chart.
  uint32_t crosshairColour = 0x00FFFF;  // 0x00BBGGRR
  uint8_t crosshairStyle = 0;           // 0 = solid
  int32_t crosshairX = -1;
  int32_t crosshairY = 0;

  // Print resolution of the chart: 0 lays the chart out at the size of the printed rectangle,
  // -100 on twice that size scaled down (texts at half size). Set by each print from the
  // chosen item of RadioGroup1.
  int32_t printResolution = 0;

  // Folder in which the data-file and notes dialogs open: the program's own folder.
  QString programFolder() const;

  // Draws the crosshair once at (x, y) in exclusive-or; a second call at (x, y) erases it.
  void DrawCrosshair(int x, int y);

 public slots:
  // Notes pane (Unit1Notes.cpp).
  void FileNewClick();
  void FileOpenClick();
  void FileSaveClick();
  void CutClick();
  void CopyClick();
  void PastClick();
  void UndoClick();
  // Takes back the user's last undone edit (the notes pane's context menu; Ctrl+Y in the pane).
  void RedoClick();
  // Edit > Clear marks: every mark off, the picture without its crosses (Unit1Select.cpp).
  void ClearMarksClick();
  // Edit > Undo and Redo of the data operations (Unit1Operations.cpp): the last operation taken
  // back or done again, the picture drawn as the operation itself draws it.
  void UndoOperationClick();
  void RedoOperationClick();
  // Loading (Unit1Store.cpp) and importing (Unit1Import.cpp).
  void OpenDataClick();
  void ImportClick();
  // Night navigation and the chart's own events (Unit1View.cpp).
  void FirstClick();
  void PreviousClick();
  void NextClick();
  void LastClick();
  void AllClick();
  void ScrollBar1Change();
  void Chart1ClickAxis();
  void Chart1MouseMove(int x, int y);
  void Chart1AfterDraw();
  void BitBtn1Click();
  // Ephemeris, phase diagram and period search (Unit1Phase.cpp).
  void PhaseClick();
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
  void RadioGroup3Click();
  // The settings of the search methods and the suggested grid (Unit1Methods.cpp).
  void SuggestGridClick();
  void MethodOptionsClick();
  // Selection, measurements, deletion and magnitude steps (Unit1Select.cpp).
  void Chart1ClickSeries(int series, int index, int x, int y);
  void BitBtn2Click();
  void DeleteClick();
  void Button10Click();
  void Button5Click();
  void Button6Click();
  void Edit7Change();
  // Harmonic fits (Unit1Fit.cpp).
  void NJDClick();
  void Button9Click();
  void BitBtn3Click();
  void Edit8Change();
  // Time of minimum, heliocentric correction and catalogue lookup (Unit1Timing.cpp).
  void sincosClick();
  void Button11Click();
  void Edit10Change();
  void Edit13Change();
  void Edit11Change();
  void Edit14Change();
  void Edit16Change();
  void Edit12Change();
  void Edit15Change();
  void Edit17Change();
  // Graph output (Unit1Output.cpp).
  void printGraphClick();
  void saveGraph_bmpClick();
  void saveGraph_emfClick();
  void copyGraphClick();
  // The periodogram window of the last search (Unit1Periodogram.cpp).
  void PeriodogramClick();
  void PeriodogramAxisClick();
  void PeriodogramClickSeries(int series, int index, int x, int y);
  void PeakTableClick(int row);
  void PeriodogramMouseMove(int x, int y);
  void PeriodogramSaveCsvClick();
  void PeriodogramSavePictureClick();
  void PeriodogramCopyPictureClick();
  // The minima window: every eclipse timed, tables of minima, the O−C diagram and the fitted
  // ephemeris (Unit1Minima.cpp).
  void MinimaClick();
  void MinimaTimeClick();
  void MinimaOpenClick();
  void MinimaFitClick(bool quadratic);
  void MinimaUseClick();
  void MinimaClickSeries(int series, int index, int x, int y);
  void MinimaSaveTableClick();
  void MinimaSaveFitClick();
  void MinimaSavePictureClick();
  // The observations' errors (Unit1Errors.cpp): the error bars shown or not.
  void ErrorBarsClick(bool shown);
  // Project files (Unit1Project.cpp): the analysis saved, and opened again by replaying its load
  // and data operations; a recent project by its path.
  void SaveProjectClick();
  void OpenProjectClick();
  void OpenRecentProject(const QString& path);

 public:
  // Whether the analysis (the data operations, the boxes and switches, the results) has
  // changed since it was loaded, saved as a project or opened from one.
  bool ProjectModified() const;
  // The project file last saved or opened; empty when none.
  QString projectPath() const { return projectPath_; }
  // The recent projects, the last one first (kept in the user's settings).
  QStringList RecentProjects() const;

 protected:
  // Closing the window asks before changed notes are lost (save, discard or stay).
  void closeEvent(QCloseEvent* event) override;
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
  QWidget* CreateMethodControls();
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
  static QString MessageOf(const std::exception_ptr& error);
  // The one step of every handler that replaces the picture: runs `draw`, the core calls that
  // clear the chart model and draw into it, and when they started a new picture (the model's
  // pictureNumber moved) the picture is shown whole, a zoom into the old one dropped, and the
  // chart is rendered when the handler ends. Also when `draw` fails part way through: what it
  // drew before the failure is a new picture too. Additions to the picture (a clicked point, a
  // marker) keep the zoom.
  void NewPicture(const std::function<void()>& draw);
  // The same for a picture that has just been drawn: shown whole and rendered when the handler
  // ends.
  void NewPicture();
  // Runs a box's change handler. While the user types into the box, an error of the handler is
  // shown without taking the focus, so that no key stroke is lost: the message in the status bar
  // and a red frame round the box, until the box holds a number again (its handler succeeds).
  // Program writes (SetBoxText) keep the message box of their writing handler.
  void BoxChanged(EditBox* box, void (TForm1::*handler)());
  // Writes a box's text as the program; the box's change handler runs when the text differs,
  // and its failure ends the calling handler.
  void SetBoxText(QLineEdit* box, const QString& text);
  // Appends one line at the end of the notes pane, on a line of its own.
  void AppendNote(const QString& line);
  // The undo states of the notes pane right after a result line was appended (the document's
  // available undo steps then): Undo takes those steps back only to reach the user's own last
  // edit, and writes the results again after it. A user's edit drops the states above it.
  // Typing straight after a result, at the end of its line, joins the result's undo step (Qt
  // merges adjacent insertions): `characters`, what the result added, tells the two apart.
  struct ResultUndoState {
    int state = 0;
    QString line;
    int characters = 0;
  };
  std::vector<ResultUndoState> resultUndoStates_;
  bool appendingNote_ = false;
  void NoteUndoStepAdded();
  void ForgetNoteUndoStates() { resultUndoStates_.clear(); }

 public:
  // The notes pane's context menu at `position` (viewport coordinates): Qt's own, whose Undo and
  // Redo run UndoClick and RedoClick, so that they never take back a result line. The caller
  // owns the menu.
  QMenu* NotesContextMenu(const QPoint& position);

 private:
  // Scrolls the notes pane so that the block at `position` is in sight.
  void ShowNoteAt(int position);
  // Before the notes pane is emptied or replaced: when it holds changes not saved, asks to save
  // them (Save runs the save dialog), discard them, or cancel. True when the pane may go.
  bool NotesMayBeDiscarded();
  // Writes the notes pane through the save dialog; false when the dialog was cancelled.
  bool SaveNotes();
  // Runs a file dialog of the window; the chosen file's folder becomes the current folder. A
  // save dialog takes the name as typed and asks before replacing an existing file (No shows
  // the dialog again).
  std::optional<FileChoice> ChooseOpenFile(const FileDialog& dialog, bool offerReadOnly = false);
  // The dialogs and questions stand over `owner`, the main window unless a window of its own
  // (the periodogram's) asks.
  std::optional<FileChoice> ChooseSaveFile(const FileDialog& dialog, QWidget* owner = nullptr);
  // Shows the periodogram window in front and gives it the focus, also when minimised.
  void BringPeriodogramToFront();
  // Tells in the notes pane the failure an output file reported, if any (OutputFiles::Append,
  // WritePhaseFile).
  void NoteOutputFailure(const std::optional<std::string>& failure);
  // The user's separators for numbers in boxes, labels and the pane.
  char DecimalSeparator() const;
  std::string GroupSeparator() const;
  long double BoxNumber(const QLineEdit* box) const;
  // A box's text for a core routine that reads it itself (the period and harmonics boxes): a
  // number pasted in the other decimal separator is handed on in the user's, as BoxNumber reads it.
  std::string BoxText(const QLineEdit* box) const;
  QString General(long double x) const;

  // What a new store leaves behind of the old one, before it is filled: the chart's inverted axis,
  // a picked area, the last search's periodogram, Delete and sincos (Open data, Import).
  void ForgetLastStore();
  // The steps of a load around the load service: the coordinate boxes of a new object before it
  // (ResetCoordinateBoxes); after it, the file's name in Label1, the notes and the whole light
  // curve (ShowLoaded); the buttons and the boxes of the new object's defaults, also after a
  // cancelled data-file dialog (FinishLoad).
  void ResetCoordinateBoxes();
  void ShowLoaded(const QString& name, const std::vector<std::string>& notes);
  void FinishLoad(const LoadReport& report);
  void ApplyNavigation(const NavigationOutcome& outcome);
  void ApplyFoldOutcome(const FoldOutcome& outcome);
  // A fit of NJD or sin, under the busy cursor; the picture it drew is shown, also when a later
  // step of it failed.
  void RunFit(const std::function<void(FitOutcome&)>& fit);
  // One step of the period about the mean Julian Day (+1 up, -1 down), the boxes following.
  void StepPeriod(int direction);
  // A fold: from the period box (period from Edit3, both statistics) or at the stored period
  // (Phase and the abscissa switch, no AoV statistic); the labels and the phase file follow
  // what it produced, also when it fails part way.
  void Fold(bool fromPeriodBox, bool writePhaseFile);
  // A period chosen by a search or in the periodogram: typed into the period box, which folds as
  // typing does; when the box already shows that text, the box's fold is run directly.
  void TypePeriod(long double period);
  void UpdateReadout(int x, int y);
  // The box a value of the star catalogue lookup goes into.
  EditBox* CatalogueFieldControl(CatalogueField field) const;
  // The harmonic fits: what the check boxes and the abscissa switch ask for, and where the
  // lines and files go (the notes pane, the output files with their failures told).
  FitRequest FitRequestOfControls() const;
  FitSink FitOutput();
  // What a chart click did, applied to the controls; (x, y) is the click's pixel.
  void ApplyClickOutcome(const ClickOutcome& outcome, int x, int y);
  // "+" (sign +1) and "-" (sign -1) of the magnitude steps.
  void StepNightMagnitudes(int sign);
  // The list of data operations (Unit1Operations.cpp): the Undo and Redo items' state and text;
  // the list forgotten by a new store; the marks an automatic fit made recorded as one
  // operation; the picture after a Delete, a magnitude step or marks, done or undone.
  void UpdateUndoActions();
  void ForgetOperations();
  void RecordNewMarks(const std::vector<uint8_t>& marksBefore);
  void ShowDeleted();
  void ShowStepped();
  void ShowAfterOperation(const Operation& operation);
  // Prints the chart on one landscape page of `printer` (the default printer, or a PDF file).
  void PrintChart(QPrinter& printer);
  // The periodogram window, its toolbar button's and menu item's wiring; showing the periodogram
  // of a search just done; drawing it again; a period chosen in it typed into the period box.
  void CreatePeriodogramWindow();
  // The "View" menu with "Error bars" and "Weighted Fourier fit"; after a load, their state for
  // the data's errors.
  void CreateErrorBarsAction();
  void UpdateErrorBarsAction();
  void ShowPeriodogram(Periodogram&& periodogram);
  void DrawPeriodogramWindow();
  void ApplyPeriodogramPeriod(long double period);
  // Its periods belong to the star searched: a new store closes it (ForgetLastStore).
  void ForgetPeriodogram();
  // The minima window's wiring, its drawing, the cycles of its minima and a minimum taken into
  // (or left out of) the fit.
  void CreateMinimaWindow();
  void DrawMinimaWindow();
  void NumberMinima();
  void MinimaUse(int row, bool used);
  bool fillingMinima_ = false;  // the table is being filled: its item changes are not the user's
  // Project files (Unit1Project.cpp). The menu's wiring and the tracking of the picture shown.
  void ConnectProject();
  // After a load (Open data, Import): the file the store came from and how it was read, or no
  // file (an emptied store); the analysis starts unmodified.
  void SourceLoaded(const QString& path, const std::optional<io::ImportOptions>& options);
  // Before the analysis is replaced (a load, a project opened, the window closed): when it has
  // changed since it was saved, asks to save it as a project, discard it or cancel. True when
  // it may go.
  bool ProjectMayBeDiscarded();
  // Writes the analysis through the project dialog; false when the dialog was cancelled.
  bool SaveProject();
  // Opens the project at `path`: reads it, checks its source (offering to locate a missing or
  // changed one), replays it and shows it. Nothing changes when it is refused or cancelled.
  void OpenProjectFile(const QString& path);
  Project CaptureProject() const;
  void RestoreProject(const Project& project, ReplayOutcome&& outcome, const QString& sourcePath);
  // Applies the operations of a replay from the first not yet applied up to `until` (-1: all).
  void ApplyReplayedOperations(const ReplayOutcome& outcome, size_t& next, int64_t until);
  // The part of the analysis whose change is unsaved work (not the view nor the notes, which
  // ask on their own), as text to compare.
  std::string ProjectStateKey() const;
  void MarkProjectSaved();
  void AddRecentProject(const QString& path);
  void FillRecentProjects();
  // The picture the chart shows, as the handlers that draw it record it (ConnectProject);
  // `pictureNumber` the chart model's count when it was drawn.
  struct ShownPicture {
    int picture = 0;  // a ProjectPicture
    int fit = 0;      // a ProjectFitKind
    int32_t harmonics = 0;
    bool weighted = false;
    int32_t night = -1;  // the night shown by a night picture, -1 for all
    int64_t pictureNumber = -1;
    // A fit: made after this many data operations, and followed by this many of its own.
    int64_t operations = -1;
    int32_t ownOperations = 0;
  };
  ShownPicture shownPicture_;
  int64_t foldOperations_ = -1;     // the data operations done before the last fold
  int64_t operationsAtPress_ = -1;  // those done when a fit's button was pressed
  void PictureDrawn(int picture, int fit = 0);
  struct LoadedSource;
  std::shared_ptr<const LoadedSource> source_;  // none before a load, or after an emptied one
  std::string savedState_;                      // ProjectStateKey when the analysis was last loaded or saved
  QString projectPath_;
  // The peaks of a periodogram that came with an opened project (its points are not kept).
  struct KeptPeak {
    long double period = 0;
    long double score = 0;
  };
  std::vector<KeptPeak> openedPeaks_;

  std::unique_ptr<Outside> outside_;
  std::unique_ptr<Data> data_;
  std::unique_ptr<Star> star_;
  // The settings of the methods on arrays (the Options dialog); the grid step follows
  // FrequencyStep at each search.
  std::unique_ptr<MethodSettings> methodSettings_;
  double oversampling_ = 5;  // of a suggested grid
  std::unique_ptr<ViewState> view_;
  std::unique_ptr<ChartModel> chartModel_;
  OperationLog operations_;
  OutputFiles outputFiles_;

  int programWriteDepth_ = 0;
  EditBox* typingBox_ = nullptr;        // the box whose typed change runs now (BoxChanged)
  std::optional<QString> typingError_;  // the message of its handler's failure
  int64_t failures_ = 0;                // handlers ended by an error so far
  QString typingMessage_;               // the last typing error shown in the status bar
  bool renderPending_ = false;          // NewPicture ran: Run renders the chart when the handler ends
  std::exception_ptr pendingError_;

 public:
  // The file dialogs of the window, named as their components: the notes dialogs, the
  // data-file dialog, the two picture dialogs (bitmap or PNG; SVG or PDF), and the dialog that
  // saves the printed page as PDF when no printer is installed.
  FileDialog OpenDialog1;
  FileDialog SaveDialog1;
  FileDialog OpenDialog2{.caption = QStringLiteral("Open photometry file")};
  FileDialog ImportDialog1{
      .caption = QStringLiteral("Import observations"),
      .filter = QStringLiteral("Observations (*.txt *.csv *.tsv *.dat *.lc *.fits *.fit *.fts *.fits.gz)|"
                               "*.txt *.csv *.tsv *.dat *.lc *.fits *.fit *.fts *.fits.gz|All files (*)|*")};
  FileDialog SavePictureDialog1{.caption = QStringLiteral("Save graph as bitmap"),
                                .filter = QStringLiteral("*.bmp")};
  FileDialog SavePictureDialog2{
      .caption = QStringLiteral("Save graph as SVG or PDF"),
      .filter = QStringLiteral("SVG pictures (*.svg)|*.svg|PDF documents (*.pdf)|*.pdf")};
  FileDialog PrintPdfDialog{.caption = QStringLiteral("Save the printed page as PDF"),
                            .filter = QStringLiteral("PDF documents (*.pdf)|*.pdf")};
  // The periodogram window's CSV and picture dialogs.
  FileDialog SavePeriodogramDialog{.caption = QStringLiteral("Save the periodogram as CSV"),
                                   .filter = QStringLiteral("CSV files (*.csv)|*.csv|All files (*.*)|*.*")};
  FileDialog SavePeriodogramPictureDialog{
      .caption = QStringLiteral("Save the periodogram as a picture"),
      .filter = QStringLiteral("PNG pictures (*.png)|*.png|Bitmaps (*.bmp)|*.bmp|SVG pictures (*.svg)|*.svg|"
                               "PDF documents (*.pdf)|*.pdf")};

  // The minima window's table dialogs.
  FileDialog OpenMinimaDialog{.caption = QStringLiteral("Add the minima of a CSV table"),
                              .filter = QStringLiteral("CSV files (*.csv)|*.csv|All files (*.*)|*.*")};
  FileDialog SaveMinimaDialog{.caption = QStringLiteral("Save as CSV"),
                              .filter = QStringLiteral("CSV files (*.csv)|*.csv|All files (*.*)|*.*")};
  // The project dialogs, and the dialog that locates a project's data file.
  FileDialog OpenProjectDialog{
      .caption = QStringLiteral("Open project"),
      .filter = QStringLiteral("Ombrane projects (*.ombrane)|*.ombrane|All files (*)|*")};
  FileDialog SaveProjectDialog{.caption = QStringLiteral("Save project"),
                               .filter = QStringLiteral("Ombrane projects (*.ombrane)|*.ombrane")};
  FileDialog LocateSourceDialog{.caption = QStringLiteral("Locate the project's data file")};

  // Controls, named as their components, each with its caption, text or role ("&" marks the
  // Alt accelerator letter).
  QToolBar* ToolBar1 = nullptr;
  QToolButton* FileNew = nullptr;        // picture: new notes
  QToolButton* FileOpen = nullptr;       // picture: open notes
  QToolButton* FileSave = nullptr;       // picture: save notes
  QToolButton* Cut = nullptr;            // picture: cut text
  QToolButton* Copy = nullptr;           // picture: copy text
  QToolButton* Past = nullptr;           // picture: paste text
  QToolButton* Undo = nullptr;           // picture: undo text
  QToolButton* OpenData = nullptr;       // picture: load data file
  QToolButton* Import = nullptr;         // picture: import observations (columns, CSV, AAVSO, FITS)
  QToolButton* printGraph = nullptr;     // picture: print graph
  QToolButton* saveGraph_bmp = nullptr;  // picture: save graph as bitmap
  QToolButton* saveGraph_emf = nullptr;  // picture: save graph as metafile
  QToolButton* copyGraph = nullptr;      // picture: copy graph
  QToolButton* Phase = nullptr;          // picture: phase diagram
  QToolButton* NJD = nullptr;            // picture: Fourier fit, automatic harmonics
  QToolButton* sincos = nullptr;         // picture: time of minimum (Kwee & van Woerden)
  QToolButton* Delete = nullptr;         // picture: delete a run of points
  // "Periodogram" at the right end of the menu bar: the periodogram of the last search
  QToolButton* PeriodogramBtn = nullptr;
  QCheckBox* CheckBox1 = nullptr;  // "&2 Save Fourier To File"
  QCheckBox* CheckBox2 = nullptr;  // "&1 Save Data To File"
  QCheckBox* CheckBox3 = nullptr;  // "&3 Fourier To Edit"
  QCheckBox* CheckBox4 = nullptr;  // "&4 Calculate Hel Corr"

  QLabel* Label1 = nullptr;          // the loaded file's name
  QLabel* Label4 = nullptr;          // "Show night:"
  QPushButton* First = nullptr;      // "Fi&rst"
  QPushButton* Previous = nullptr;   // "Pre&vious"
  QPushButton* Next = nullptr;       // "Ne&xt"
  QPushButton* Last = nullptr;       // "Las&t"
  QPushButton* All = nullptr;        // "A&ll"
  QLabel* Label3 = nullptr;          // "Points per night"
  QScrollBar* ScrollBar1 = nullptr;  // least points of a night shown (1 ... 200)

  ChartWidget* Chart1 = nullptr;   // title "Light Curve"
  QLabel* Label2 = nullptr;        // cursor readout "X: ... / Y: ..."
  QLabel* Label5 = nullptr;        // night label
  QPushButton* BitBtn1 = nullptr;  // "Color" (crosshair colour)
  QLabel* Image1 = nullptr;        // start picture
  QTextEdit* RichEdit1 = nullptr;  // notes pane

  // "Graph ": "Select &Point", "Select &Area", "Select Single &Night", "Select N&ight "
  RadioGroup* RadioGroup1 = nullptr;
  QPushButton* BitBtn2 = nullptr;  // "A&ctive: Graph / Data"
  // "Data": "Time &Interval ", "Delta &mag", "&Eclipse Total Length", "&Flat Bottom Length",
  // "&O'Connell Effect", "&Pri Amplitude", "&Sec Amplitude"
  RadioGroup* RadioGroup2 = nullptr;
  QWidget* GroupBox1 = nullptr;       // "EPHEMERIDES"
  EditBox* Edit2 = nullptr;           // after "M0:" (epoch)
  QPushButton* Button12 = nullptr;    // "Period"
  EditBox* Edit3 = nullptr;           // after "Period:"
  EditBox* Edit6 = nullptr;           // hint "Increment" (period step)
  QPushButton* Button1 = nullptr;     // "&*2"
  QPushButton* Button2 = nullptr;     // "&/2"
  QPushButton* Button3 = nullptr;     // "&+"
  QPushButton* Button4 = nullptr;     // "&-"
  QPushButton* Button7 = nullptr;     // "Search"
  QLabel* Label11 = nullptr;          // after "SL:" (string length)
  QLabel* Label13 = nullptr;          // after "AoV:" (AoV statistic)
  EditBox* Edit4 = nullptr;           // after "Min:" (search range)
  EditBox* Edit5 = nullptr;           // after "Max:" (search range)
  QPushButton* Button11 = nullptr;    // "Na&me" (catalogue lookup)
  EditBox* Edit10 = nullptr;          // star name, "star"
  EditBox* Edit13 = nullptr;          // constellation, "con"
  EditBox* Edit11 = nullptr;          // after "REC": hours
  EditBox* Edit14 = nullptr;          // right ascension minutes
  EditBox* Edit16 = nullptr;          // right ascension seconds
  EditBox* Edit12 = nullptr;          // after "DEC": degrees
  EditBox* Edit15 = nullptr;          // declination minutes
  EditBox* Edit17 = nullptr;          // declination seconds
  UpDown* UpDown1 = nullptr;          // hidden, no function
  RadioGroup* RadioGroup4 = nullptr;  // "Method": "SL", "AoV", "GLS", "MHAOV", "PDM", "BLS"
  QWidget* GroupBox2 = nullptr;       // "Math"
  QPushButton* Button10 = nullptr;    // "Bright" (a night's brightness shift)
  QPushButton* Button5 = nullptr;     // "+" (magnitude step up)
  QPushButton* Button6 = nullptr;     // "-" (magnitude step down)
  EditBox* Edit7 = nullptr;           // magnitude step
  QPushButton* BitBtn3 = nullptr;     // "sin+cos"
  QPushButton* Button9 = nullptr;     // "sin" (Fourier fit, chosen harmonics)
  EditBox* Edit8 = nullptr;           // number of harmonics
  UpDown* UpDown3 = nullptr;          // up-down of Edit8, 1 ... 45
  QPushButton* Button8 = nullptr;     // "nw", hidden, no function
  EditBox* Edit9 = nullptr;           // hidden, no function
  UpDown* UpDown4 = nullptr;          // hidden, no function
  UpDown* UpDown2 = nullptr;          // hidden, no function
  RadioGroup* RadioGroup3 = nullptr;  // "Plot/File": "P&hase", "&JD average"
  QStatusBar* StatusBar1 = nullptr;   // status bar

  // Under the Method group: "Step in fre&quency" (the increment box then steps 1/d),
  // "Su&ggest" (range and step from the data), "Optio&ns..." (harmonics, bins, covers,
  // durations).
  QCheckBox* FrequencyStep = nullptr;
  QPushButton* SuggestGrid = nullptr;
  QPushButton* MethodOptions = nullptr;

  QAction* FileNewCmd = nullptr;     // "&New" Ctrl+N
  QAction* FileOpenCmd = nullptr;    // "&Open" Ctrl+O
  QAction* FileSaveCmd = nullptr;    // "&Save" Ctrl+S
  QAction* FileImportCmd = nullptr;  // "&Import..." Ctrl+I
  // "&Undo" Ctrl+Z and "&Redo" Ctrl+Shift+Z: the data operations, the next one named in the
  // text ("&Undo Delete"), enabled while there is one. In the notes pane the two keys act on
  // its text.
  QAction* EditUndoOperationCmd = nullptr;
  QAction* EditRedoOperationCmd = nullptr;
  QAction* EditUndoCmd = nullptr;         // "Undo in &notes", no key (the pane's own Ctrl+Z)
  QAction* EditCutCmd = nullptr;          // "&Cut" Ctrl+X
  QAction* EditCopyCmd = nullptr;         // "&Copy" Ctrl+C
  QAction* EditPasteCmd = nullptr;        // "&Paste" Ctrl+V
  QAction* EditClearMarksCmd = nullptr;   // "Clear &marks", no key
  QAction* FileOpenProjectCmd = nullptr;  // "Open p&roject...", no key
  QAction* FileSaveProjectCmd = nullptr;  // "Save pro&ject...", no key
  QMenu* FileRecentMenu = nullptr;        // "Open rece&nt project": the last projects, a short list

  // "Error &bars" in the "&View" menu: checkable, off at the start, enabled while the data carry
  // their errors.
  QAction* ErrorBarsCmd = nullptr;
  // "&Weighted Fourier fit" in the "&View" menu: the sin, NJD and sin+cos fits weigh each
  // observation by 1/σ²; checkable, off at the start, enabled while the data carry errors.
  QAction* WeightedFitCmd = nullptr;
  QAction* PeriodogramCmd = nullptr;          // "&Periodogram" in the "&Window" menu
  PeriodogramWindow* Periodogram1 = nullptr;  // "Periodogram": the last search's scores, non-modal
  QAction* MinimaCmd = nullptr;               // "&Minima and O-C" in the "&Window" menu
  MinimaWindow* Minima1 = nullptr;            // "Minima and O-C": times of minimum and the ephemeris
};

}  // namespace ombrane
