// TForm1: project files. File ▸ Save project… writes the analysis (the source file and how it
// was read, the data operations, the boxes and switches, the search, the fit, the minima, the
// chart's view and the notes) to a project file; Open project… and the recent projects replay it
// (project/OpenProject.h) and show it again: the same labels and the same picture. A source file
// that is missing or changed is not replayed: the window says so and offers to locate it. Work
// not saved is asked about before a load, an opened project or closing replaces it.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

#include "ChartWidget.h"
#include "Controls.h"
#include "MinimaWindow.h"
#include "PeriodogramWindow.h"
#include "Separators.h"
#include "Unit1.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "common/TextToFloat.h"
#include "fit/FourierPresentation.h"
#include "project/OpenProject.h"
#include "store/OperationsJson.h"
#include "view/LightCurve.h"
#include "view/Navigation.h"

namespace ombrane {

struct TForm1::LoadedSource {
  std::string path;  // as the file system spells it, absolute
  std::optional<io::ImportOptions> importOptions;
  SourceFingerprint fingerprint;
};

namespace {

constexpr int kRecentProjects = 8;
const QString kRecentKey = QStringLiteral("recentProjects");

QSettings UserSettings() {
  return QSettings(QStringLiteral("Ombrane"), QStringLiteral("Ombrane"));
}

std::string FileSystemPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

QString ShownName(const QString& path) {
  return QFileInfo(path).fileName();
}

}  // namespace

// ---- wiring ---------------------------------------------------------------------------------

void TForm1::ConnectProject() {
  connect(FileOpenProjectCmd, &QAction::triggered, this, &TForm1::OpenProjectClick);
  connect(FileSaveProjectCmd, &QAction::triggered, this, &TForm1::SaveProjectClick);
  connect(FileRecentMenu, &QMenu::aboutToShow, this, &TForm1::FillRecentProjects);
  FillRecentProjects();

  // The picture each drawing handler leaves, recorded after it ran (these connections come after
  // the handlers' own): reopening draws it the same way.
  const int night = static_cast<int>(ProjectPicture::Night);
  for (QPushButton* button : {First, Previous, Next, Last, All})
    connect(button, &QPushButton::clicked, this, [this, night] { PictureDrawn(night); });
  connect(Delete, &QToolButton::clicked, this,
          [this] { PictureDrawn(static_cast<int>(ProjectPicture::DeletedCurve)); });
  const int phase = static_cast<int>(ProjectPicture::PhaseDiagram);
  connect(Phase, &QToolButton::clicked, this, [this, phase] { PictureDrawn(phase); });
  connect(RadioGroup3, &RadioGroup::clicked, this, [this, phase] { PictureDrawn(phase); });
  connect(Edit3, &QLineEdit::textChanged, this, [this, phase] { PictureDrawn(phase); });
  const int step = static_cast<int>(ProjectPicture::MagnitudeStep);
  connect(Button5, &QPushButton::clicked, this, [this, step] { PictureDrawn(step); });
  connect(Button6, &QPushButton::clicked, this, [this, step] { PictureDrawn(step); });
  // The operations before a fit: the automatic fit records the outliers it marks as one more.
  for (QAbstractButton* fitButton : std::initializer_list<QAbstractButton*>{NJD, Button9})
    connect(fitButton, &QAbstractButton::pressed, this,
            [this] { operationsAtPress_ = static_cast<int64_t>(operations_.Operations().size()); });
  const int fit = static_cast<int>(ProjectPicture::Fit);
  connect(NJD, &QToolButton::clicked, this,
          [this, fit] { PictureDrawn(fit, static_cast<int>(ProjectFitKind::Automatic)); });
  connect(Button9, &QPushButton::clicked, this,
          [this, fit] { PictureDrawn(fit, static_cast<int>(ProjectFitKind::Fixed)); });
}

void TForm1::PictureDrawn(int picture, int fit) {
  // A handler that ended before drawing (a failure, Next past the last night) left the old one.
  if (chartModel_->pictureNumber == shownPicture_.pictureNumber) return;
  const auto done = static_cast<int64_t>(operations_.Operations().size());
  shownPicture_ = ShownPicture{.picture = picture,
                               .fit = fit,
                               .harmonics = star_->harmonicCount,
                               .weighted = FitRequestOfControls().weighted,
                               .night = view_->currentNight,
                               .pictureNumber = chartModel_->pictureNumber};
  if (picture == static_cast<int>(ProjectPicture::PhaseDiagram)) foldOperations_ = done;
  if (picture == static_cast<int>(ProjectPicture::Fit)) {
    const int64_t before = operationsAtPress_ >= 0 && operationsAtPress_ <= done ? operationsAtPress_ : done;
    shownPicture_.operations = before;
    shownPicture_.ownOperations = static_cast<int32_t>(std::min<int64_t>(done - before, 1));
  }
  operationsAtPress_ = -1;
}

void TForm1::SourceLoaded(const QString& path, const std::optional<io::ImportOptions>& options) {
  if (path.isEmpty()) {
    source_.reset();
  } else {
    const std::string file = FileSystemPath(QFileInfo(path).absoluteFilePath());
    source_ = std::make_shared<const LoadedSource>(
        LoadedSource{.path = file,
                     .importOptions = options,
                     .fingerprint = FingerprintOf(file).value_or(SourceFingerprint{})});
  }
  // A new analysis: not the project saved before, and nothing of it to save yet.
  projectPath_.clear();
  openedPeaks_.clear();
  shownPicture_ = ShownPicture{.picture = static_cast<int>(ProjectPicture::LoadedCurve),
                               .pictureNumber = chartModel_->pictureNumber};
  foldOperations_ = -1;
  savedState_ = ProjectStateKey();
}

// ---- the state of the window as a project -----------------------------------------------------

namespace {

// The boxes of the window by the names a project gives them.
std::vector<std::pair<std::string, EditBox*>> BoxesOf(const TForm1& w) {
  return {{"epoch", w.Edit2},       {"period", w.Edit3},      {"increment", w.Edit6},
          {"searchMin", w.Edit4},   {"searchMax", w.Edit5},   {"magnitudeStep", w.Edit7},
          {"harmonics", w.Edit8},   {"starName", w.Edit10},   {"constellation", w.Edit13},
          {"raHours", w.Edit11},    {"raMinutes", w.Edit14},  {"raSeconds", w.Edit16},
          {"decDegrees", w.Edit12}, {"decMinutes", w.Edit15}, {"decSeconds", w.Edit17}};
}

std::vector<std::pair<std::string, QCheckBox*>> CheckBoxesOf(const TForm1& w) {
  return {{"saveData", w.CheckBox2},
          {"saveFourier", w.CheckBox1},
          {"fourierToNotes", w.CheckBox3},
          {"heliocentric", w.CheckBox4},
          {"frequencyStep", w.FrequencyStep}};
}

std::vector<std::pair<std::string, RadioGroup*>> ChoicesOf(const TForm1& w) {
  return {{"graphSelection", w.RadioGroup1},
          {"measurement", w.RadioGroup2},
          {"plotAxis", w.RadioGroup3},
          {"method", w.RadioGroup4}};
}

}  // namespace

Project TForm1::CaptureProject() const {
  Project p;
  if (source_) {
    p.sources.push_back({.path = source_->path,
                         .fileName = data_->fileName,
                         .size = source_->fingerprint.size,
                         .crc32 = source_->fingerprint.crc32,
                         .importOptions = source_->importOptions,
                         .timeScale = data_->timeScale});
  }
  p.operations = nlohmann::ordered_json::parse(OperationsToJson(operations_.Operations()).dump());
  p.star = *star_;
  for (const auto& [name, box] : BoxesOf(*this)) p.boxes[name] = box->text().toStdString();
  for (const auto& [name, box] : CheckBoxesOf(*this)) p.switches[name] = box->isChecked();
  p.switches["errorBars"] = ErrorBarsCmd->isChecked();
  p.switches["weightedFit"] = WeightedFitCmd->isChecked();
  p.switches["graphGroupActive"] = RadioGroup1->isEnabled();
  for (const auto& [name, group] : ChoicesOf(*this)) p.choices[name] = group->itemIndex();

  p.search.method = static_cast<SearchMethod>(std::clamp(RadioGroup4->itemIndex(), 0, 5));
  p.search.settings = *methodSettings_;
  p.search.settings.step = FrequencyStep->isChecked() ? GridStep::Frequency : GridStep::Period;
  p.search.oversampling = oversampling_;
  if (Periodogram1->periodogram) {
    for (const Peak& peak : Periodogram1->peaks) p.search.peaks.push_back({peak.period, peak.score});
  } else {
    for (const KeptPeak& peak : openedPeaks_) p.search.peaks.push_back({peak.period, peak.score});
  }

  // The picture: as its handler recorded it, or, drawn by a handler that records none, the
  // phase diagram after a fold and else the night shown.
  ProjectView& v = p.view;
  if (shownPicture_.pictureNumber == chartModel_->pictureNumber) {
    v.picture = static_cast<ProjectPicture>(shownPicture_.picture);
    v.night = shownPicture_.night;
  } else {
    v.picture = view_->phaseView ? ProjectPicture::PhaseDiagram : ProjectPicture::Night;
    v.night = view_->currentNight;
  }
  if (v.picture == ProjectPicture::Fit) {
    p.fit = {.kind = static_cast<ProjectFitKind>(shownPicture_.fit),
             .harmonics = shownPicture_.harmonics,
             .weighted = shownPicture_.weighted,
             .operations = shownPicture_.operations,
             .ownOperations = shownPicture_.ownOperations};
  }
  v.jdAverageAxis = RadioGroup3->itemIndex() == 1;
  v.leftAxisInverted = chartModel_->leftAxisInverted;
  if (const auto zoom = Chart1->Zoom())
    v.zoom =
        ProjectView::Zoom{.xMin = zoom->xMin, .xMax = zoom->xMax, .yMin = zoom->yMin, .yMax = zoom->yMax};
  v.minNightPoints = ScrollBar1->value();
  v.folded = view_->phaseView;
  v.foldOperations = foldOperations_;

  const OcTable& table = Minima1->table;
  if (!table.minima.empty() || table.fit) {
    p.minima = table;
    for (const MinimaWindow::Origin& origin : Minima1->origins)
      p.minimaOrigins.push_back({.points = origin.points, .coverage = origin.coverage, .flag = origin.flag});
  }
  p.notes = RichEdit1->toHtml().toStdString();
  p.notesRich = true;
  return p;
}

std::string TForm1::ProjectStateKey() const {
  if (!source_) return {};
  Project p = CaptureProject();
  p.view = ProjectView{};
  p.fit = ProjectFit{};
  p.notes.clear();
  return WriteProjectJson(p);
}

bool TForm1::ProjectModified() const {
  return source_ && ProjectStateKey() != savedState_;
}

void TForm1::MarkProjectSaved() {
  savedState_ = ProjectStateKey();
  // The notes are kept in the project: they have no change of their own to ask about.
  RichEdit1->document()->setModified(false);
}

// ---- save -----------------------------------------------------------------------------------

bool TForm1::ProjectMayBeDiscarded() {
  if (!ProjectModified()) return true;
  const QString question =
      QStringLiteral(
          "The analysis of %1 has changed since it was loaded or saved.\nSave it as a project first?")
          .arg(QString::fromStdString(data_->fileName));
  switch (outside_->AskToSave(this, question)) {
    case UnsavedAnswer::Save:
      return SaveProject();
    case UnsavedAnswer::Discard:
      return true;
    case UnsavedAnswer::Cancel:
      break;
  }
  return false;
}

bool TForm1::SaveProject() {
  if (!source_) throw InputError("Load a light curve first: a project keeps the analysis of a loaded file.");
  if (!projectPath_.isEmpty()) SaveProjectDialog.initialDir = QFileInfo(projectPath_).absolutePath();
  const std::optional<FileChoice> choice = ChooseSaveFile(SaveProjectDialog);
  if (!choice) return false;
  QString path = choice->path;
  // A name typed without the extension gets it, so that Open project and the batch know the file.
  if (!IsProjectPath(FileSystemPath(path))) {
    path += QString::fromLatin1(kProjectExtension.data(), static_cast<qsizetype>(kProjectExtension.size()));
    if (QFileInfo::exists(path) &&
        !outside_->Ask(this, QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                 .arg(QDir::toNativeSeparators(path))))
      return false;
  }
  WriteProjectFile(FileSystemPath(path), ShownName(path).toStdString(), CaptureProject());
  projectPath_ = path;
  SaveProjectDialog.initialDir = QFileInfo(path).absolutePath();
  MarkProjectSaved();
  AddRecentProject(path);
  StatusBar1->showMessage(QStringLiteral("Project saved: %1").arg(QDir::toNativeSeparators(path)));
  return true;
}

void TForm1::SaveProjectClick() {
  Run([this] { SaveProject(); });
}

// ---- open -----------------------------------------------------------------------------------

void TForm1::OpenProjectClick() {
  Run(
      [this] {
        if (!ProjectMayBeDiscarded() || !NotesMayBeDiscarded()) return;
        const std::optional<FileChoice> choice = ChooseOpenFile(OpenProjectDialog);
        if (!choice) return;
        OpenProjectDialog.initialDir = QFileInfo(choice->path).absolutePath();
        OpenProjectFile(choice->path);
      },
      true);
}

void TForm1::OpenRecentProject(const QString& path) {
  Run(
      [this, &path] {
        if (!ProjectMayBeDiscarded() || !NotesMayBeDiscarded()) return;
        OpenProjectFile(path);
      },
      true);
}

void TForm1::OpenProjectFile(const QString& path) {
  const QString shown = ShownName(path);
  // 1. The file, checked whole: a damaged one is refused here and nothing changes.
  const Project project = ReadProjectFile(FileSystemPath(path), shown.toStdString());

  // 2. Its data file, the very one it was saved with; a missing or changed one may be located.
  std::string sourcePath = SourcePathOf(project.sources.front(), FileSystemPath(path));
  for (;;) {
    const SourceState state = CheckSource(project.sources.front(), sourcePath);
    if (state == SourceState::Same) break;
    const QString message =
        QString::fromStdString(SourceMismatchMessage(state, sourcePath, shown.toStdString()));
    if (!outside_->Ask(this, message + QStringLiteral("\n\nLocate the data file?"))) return;
    const QFileInfo where(QString::fromStdString(sourcePath));
    LocateSourceDialog.initialDir =
        where.absoluteDir().exists() ? where.absolutePath() : QFileInfo(path).absolutePath();
    const std::optional<FileChoice> located = ChooseOpenFile(LocateSourceDialog);
    if (!located) return;
    sourcePath = FileSystemPath(located->path);
  }

  // 3. The replay, in records of its own: a failure leaves the window as it was. It stops at
  // the first place a fold or a fit was made, where RestoreProject goes on.
  auto place = [](int64_t operations) {
    return operations < 0 ? kAllOperations : static_cast<size_t>(operations);
  };
  size_t applied = kAllOperations;
  if (project.view.folded) applied = std::min(applied, place(project.view.foldOperations));
  if (project.view.picture == ProjectPicture::Fit) applied = std::min(applied, place(project.fit.operations));
  ReplayOutcome outcome = ReplayProject(project, sourcePath, DecimalSeparator(), applied);

  // 4. The window as the analysis had it.
  RestoreProject(project, std::move(outcome), QString::fromStdString(sourcePath));
  projectPath_ = path;
  MarkProjectSaved();
  AddRecentProject(path);
  StatusBar1->showMessage(QStringLiteral("Project opened: %1").arg(QDir::toNativeSeparators(path)));
}

void TForm1::ApplyReplayedOperations(const ReplayOutcome& outcome, size_t& next, int64_t until) {
  const size_t end =
      until < 0 ? outcome.operations.size() : std::min(outcome.operations.size(), static_cast<size_t>(until));
  for (; next < end; ++next) operations_.Apply(outcome.operations[next], *data_, *view_);
}

void TForm1::RestoreProject(const Project& project, ReplayOutcome&& outcome, const QString& sourcePath) {
  ForgetLastStore();
  *data_ = std::move(outcome.data);
  *star_ = std::move(outcome.star);
  *view_ = std::move(outcome.view);
  // The operations the replay applied; the rest follow at the places of the fold and the fit.
  size_t next = outcome.log.Operations().size();
  operations_ = std::move(outcome.log);
  const ProjectSource& source = project.sources.front();
  source_ = std::make_shared<const LoadedSource>(
      LoadedSource{.path = FileSystemPath(sourcePath),
                   .importOptions = source.importOptions,
                   .fingerprint = {.size = source.size, .crc32 = source.crc32}});
  openedPeaks_.clear();
  for (const ProjectSearch::Peak& peak : project.search.peaks)
    openedPeaks_.push_back({peak.period, peak.score});

  // The boxes, switches and choices as they were, without running their handlers: the records
  // already hold what the handlers had made of them.
  for (const auto& [name, box] : BoxesOf(*this)) {
    const auto it = project.boxes.find(name);
    if (it == project.boxes.end()) continue;
    const QSignalBlocker quiet(box);
    box->setText(QString::fromStdString(it->second));
    box->SetErrorMark(false);
  }
  for (const auto& [name, box] : CheckBoxesOf(*this)) {
    const auto it = project.switches.find(name);
    if (it == project.switches.end()) continue;
    const QSignalBlocker quiet(box);
    box->setChecked(it->second);
  }
  for (const auto& [name, group] : ChoicesOf(*this)) {
    const auto it = project.choices.find(name);
    if (it != project.choices.end()) group->setItemIndex(it->second);
  }
  if (const auto it = project.switches.find("graphGroupActive"); it != project.switches.end()) {
    RadioGroup1->setEnabled(it->second);
    RadioGroup2->setEnabled(!it->second);
  }
  *methodSettings_ = project.search.settings;
  oversampling_ = project.search.oversampling;

  // The file's name, the chart and the pane shown, the buttons of the loaded nights.
  Label1->setText(QString::fromStdString(data_->fileName));
  Image1->hide();
  RichEdit1->show();
  Chart1->show();
  ApplyNavigation(outcome.load.navigation);
  UpdateErrorBarsAction();
  auto switchOn = [&project](const char* name) {
    const auto it = project.switches.find(name);
    return it != project.switches.end() && it->second;
  };
  for (const auto& [action, name] :
       {std::pair{ErrorBarsCmd, "errorBars"}, std::pair{WeightedFitCmd, "weightedFit"}}) {
    const QSignalBlocker quiet(action);
    action->setChecked(action->isEnabled() && switchOn(name));
  }
  chartModel_->showErrorBars = ErrorBarsCmd->isChecked();
  {
    const QSignalBlocker quiet(ScrollBar1);
    ScrollBar1->setValue(project.view.minNightPoints);
  }
  // The least points of a night that Next and Previous visit; the night label stays as the
  // picture leaves it.
  NavigationOutcome visited = ApplyMinNightPoints(*view_, ScrollBar1->value());
  visited.nightText.reset();
  visited.showNightText = false;
  ApplyNavigation(visited);

  // The picture: the fold first where there was one (the labels and the phases), then the
  // picture itself.
  const ProjectView& v = project.view;
  if (v.folded) {
    ApplyReplayedOperations(outcome, next, v.foldOperations);
    const NumberSeparators separators = UserNumberSeparators();
    bool periodBoxIsNumber = true;
    try {
      BoxTextToFloat(Edit3->text().toStdString(), separators.decimal, separators.group);
    } catch (const ConversionError&) {
      periodBoxIsNumber = false;
    }
    Fold(periodBoxIsNumber, false);
  }
  if (v.picture != ProjectPicture::Fit) ApplyReplayedOperations(outcome, next, -1);
  switch (v.picture) {
    case ProjectPicture::LoadedCurve:
      NewPicture([this] { DrawLoadedCurve(*chartModel_, *data_, data_->fileName); });
      break;
    case ProjectPicture::DeletedCurve:
      NewPicture([this] {
        DrawLoadedCurve(*chartModel_, *data_, std::string());
        chartModel_->titleLines.clear();
      });
      ApplyNavigation(NightStateAfterDelete(*view_));
      break;
    case ProjectPicture::Night:
      NewPicture([this, &v] {
        NavigationOutcome shown;
        if (v.night < 0) {
          shown = ShowAllNights(*data_, *view_, *chartModel_);
        } else if (v.night == 0) {
          shown = ShowFirstNight(*data_, *view_, *chartModel_);
        } else if (v.night >= view_->lastNight) {
          shown = ShowLastNight(*data_, *view_, *chartModel_);
        } else {
          // Next from the night before, whatever the least points of a night.
          const int32_t least = view_->minNightPoints;
          view_->currentNight = v.night - 1;
          view_->minNightPoints = 0;
          shown = ShowNextNight(*data_, *view_, *chartModel_);
          view_->minNightPoints = least;
          // A night before the last was reached by First and Next (or Previous): both go on.
          if (!shown.buttons.next) shown.buttons.next = true;
        }
        ApplyNavigation(shown);
      });
      break;
    case ProjectPicture::PhaseDiagram:
      if (!v.folded) Fold(false, false);
      break;
    case ProjectPicture::Fit: {
      // The fit again, quietly: its lines are in the notes and its files were written then.
      FitRequest request = FitRequestOfControls();
      request.linesToNotes = false;
      request.fourierFile = false;
      request.dataFile = false;
      request.openFiles = false;
      request.weighted = project.fit.weighted;
      FitOutcome fitted;
      ApplyReplayedOperations(outcome, next, project.fit.operations);
      NewPicture([&] {
        if (project.fit.kind == ProjectFitKind::Automatic)
          RunAutomaticFit(*data_, *star_, *view_, *chartModel_, request, FitSink{}, fitted);
        else
          RunFixedFit(FormatGeneral(project.fit.harmonics, DecimalSeparator()), *data_, *star_, *view_,
                      *chartModel_, request, FitSink{}, fitted);
      });
      // The outliers the fit marked again are its own operation, recorded as the fit recorded it.
      for (int32_t own = 0; own < project.fit.ownOperations && next < outcome.operations.size();
           ++own, ++next)
        operations_.Record(outcome.operations[next], *data_);
      ApplyReplayedOperations(outcome, next, -1);
      break;
    }
    case ProjectPicture::MagnitudeStep:
      // The night the step was made on, and the picture the step draws.
      view_->currentNight = v.night;
      ShowStepped();
      break;
  }
  chartModel_->leftAxisInverted = v.leftAxisInverted;
  if (v.zoom)
    Chart1->SetZoom({.xMin = v.zoom->xMin, .xMax = v.zoom->xMax, .yMin = v.zoom->yMin, .yMax = v.zoom->yMax});
  renderPending_ = true;
  shownPicture_ = ShownPicture{.picture = static_cast<int>(v.picture),
                               .fit = static_cast<int>(project.fit.kind),
                               .harmonics = project.fit.harmonics,
                               .weighted = project.fit.weighted,
                               .night = v.night,
                               .pictureNumber = chartModel_->pictureNumber,
                               .operations = project.fit.operations,
                               .ownOperations = project.fit.ownOperations};
  foldOperations_ = v.foldOperations;
  UpdateUndoActions();
  // The star's record as saved: the replay of the picture recomputed what it holds.
  *star_ = project.star;

  // The minima window's table and fit.
  Minima1->table = project.minima.value_or(OcTable{});
  Minima1->origins.assign(Minima1->table.minima.size(), MinimaWindow::Origin{});
  for (size_t i = 0; i < project.minimaOrigins.size() && i < Minima1->origins.size(); ++i)
    Minima1->origins[i] = {.points = project.minimaOrigins[i].points,
                           .coverage = project.minimaOrigins[i].coverage,
                           .flag = project.minimaOrigins[i].flag};
  DrawMinimaWindow();

  // The notes.
  if (project.notesRich)
    RichEdit1->setHtml(QString::fromStdString(project.notes));
  else
    RichEdit1->setPlainText(QString::fromStdString(project.notes));
  ForgetNoteUndoStates();
  RichEdit1->document()->setModified(false);
}

// ---- recent projects --------------------------------------------------------------------------

QStringList TForm1::RecentProjects() const {
  return UserSettings().value(kRecentKey).toStringList();
}

void TForm1::AddRecentProject(const QString& path) {
  QStringList recent = RecentProjects();
  const QString absolute = QFileInfo(path).absoluteFilePath();
  recent.removeAll(absolute);
  recent.prepend(absolute);
  while (recent.size() > kRecentProjects) recent.removeLast();
  UserSettings().setValue(kRecentKey, recent);
  FillRecentProjects();
}

void TForm1::FillRecentProjects() {
  FileRecentMenu->clear();
  const QStringList recent = RecentProjects();
  for (int i = 0; i < recent.size(); ++i) {
    const QString path = recent[i];
    QAction* item = FileRecentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
        QDir::toNativeSeparators(path).replace('&', QStringLiteral("&&"))));
    item->setObjectName(QStringLiteral("RecentProject%1").arg(i + 1));
    connect(item, &QAction::triggered, this, [this, path] { OpenRecentProject(path); });
  }
  FileRecentMenu->setEnabled(!recent.isEmpty());
}

}  // namespace ombrane
