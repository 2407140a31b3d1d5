// TForm1: the minima window. Every eclipse of the loaded series is timed against the ephemeris
// boxes, tables of published or own minima are added, and the O−C diagram shows them with the
// fitted ephemeris, which can go back into the boxes.
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>
#include <cmath>

#include "BusyCursor.h"
#include "ChartOutput.h"
#include "ChartWidget.h"
#include "Controls.h"
#include "MinimaWindow.h"
#include "Unit1.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "store/Records.h"
#include "timing/EclipseTiming.h"
#include "timing/MinimaTable.h"
#include "timing/OcDiagram.h"

namespace ombrane {

namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

void TForm1::CreateMinimaWindow() {
  Minima1 = new MinimaWindow(this);
  Minima1->setAttribute(Qt::WA_ShowWithoutActivating);
  QMenu* window = menuBar()->findChild<QMenu*>(QStringLiteral("Window1"));
  if (window == nullptr) window = menuBar()->addMenu(QStringLiteral("&Window"));
  MinimaCmd = new QAction(QStringLiteral("&Minima and O-C"), this);
  MinimaCmd->setObjectName(QStringLiteral("MinimaCmd"));
  MinimaCmd->setToolTip(QStringLiteral("Time every eclipse, fit the ephemeris, see the O-C diagram"));
  window->addAction(MinimaCmd);
  connect(MinimaCmd, &QAction::triggered, this, &TForm1::MinimaClick);
  connect(Minima1->TimeEclipses, &QPushButton::clicked, this, &TForm1::MinimaTimeClick);
  connect(Minima1->OpenTable, &QPushButton::clicked, this, &TForm1::MinimaOpenClick);
  connect(Minima1->FitLinear, &QPushButton::clicked, this, [this] { MinimaFitClick(false); });
  connect(Minima1->FitQuadratic, &QPushButton::clicked, this, [this] { MinimaFitClick(true); });
  connect(Minima1->UseEphemeris, &QPushButton::clicked, this, &TForm1::MinimaUseClick);
  connect(Minima1->SaveTable, &QPushButton::clicked, this, &TForm1::MinimaSaveTableClick);
  connect(Minima1->SaveFit, &QPushButton::clicked, this, &TForm1::MinimaSaveFitClick);
  connect(Minima1->SavePicture, &QPushButton::clicked, this, &TForm1::MinimaSavePictureClick);
  connect(Minima1->Clear, &QPushButton::clicked, this, [this] {
    Run([this] {
      Minima1->table = OcTable{};
      Minima1->origins.clear();
      DrawMinimaWindow();
    });
  });
  connect(Minima1->Minutes, &QCheckBox::toggled, this, [this] { Run([this] { DrawMinimaWindow(); }); });
  connect(Minima1->Chart, &ChartWidget::ClickSeries, this, &TForm1::MinimaClickSeries);
  connect(Minima1->Table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (fillingMinima_ || item->column() != 0) return;
    Run([this, item] { MinimaUse(item->row(), item->checkState() == Qt::Checked); });
  });
  DrawMinimaWindow();
}

void TForm1::MinimaClick() {
  Run([this] {
    Minima1->show();
    Minima1->raise();
  });
}

void TForm1::MinimaTimeClick() {
  Run([this] {
    if (data_->pointCount <= 0) throw InputError("Load a light curve first");
    if (!(star_->period > 0)) throw InputError("Give M0 and the period of a primary minimum first");
    EclipseSearch search;
    search.epoch = star_->epoch;
    search.period = star_->period;
    std::vector<TimedEclipse> eclipses;
    {
      BusyCursor busy;
      eclipses = TimeEveryEclipse(*data_, search);
    }
    OcTable& table = Minima1->table;
    const std::optional<std::string> scaleNote = JoinTimeScale(table, data_->timeScale, data_->fileName);
    if (table.minima.empty()) {
      table.referenceEpoch = star_->epoch;
      table.referencePeriod = star_->period;
    }
    if (scaleNote) AppendNote(Text(*scaleNote));
    int timed = 0;
    for (const TimedEclipse& e : eclipses) {
      if (!e.eclipse.timed) continue;
      TimedMinimum minimum;
      minimum.time = e.time;
      minimum.error = e.eclipse.error;
      minimum.kind = e.kind;
      minimum.cycle = e.cycle;
      // Flagged eclipses are listed but left out of the fit until the user takes them in.
      minimum.excluded = !e.flag.empty();
      table.minima.push_back(minimum);
      table.cycles.push_back(0);
      Minima1->origins.push_back({e.eclipse.points, CoverageName(e.coverage), e.flag});
      ++timed;
    }
    NumberMinima();
    table.fit.reset();
    AppendNote(Text(std::to_string(timed) + (timed == 1 ? " eclipse timed of " : " eclipses timed of ") +
                    std::to_string(eclipses.size()) + " covered"));
    DrawMinimaWindow();
    Minima1->show();
  });
}

void TForm1::MinimaOpenClick() {
  Run([this] {
    const std::optional<FileChoice> choice = ChooseOpenFile(OpenMinimaDialog);
    if (!choice) return;
    std::optional<TimeScale> scale;
    std::vector<TimedMinimum> read =
        ReadMinimaFile(choice->path.toStdString(), choice->path.toStdString(), &scale);
    OcTable& table = Minima1->table;
    // Minima of another scale than the table's are refused before anything changes.
    const std::optional<std::string> scaleNote = JoinTimeScale(table, scale, choice->path.toStdString());
    if (scaleNote) AppendNote(Text(*scaleNote));
    if (table.minima.empty()) {
      table.referenceEpoch = star_->epoch;
      table.referencePeriod = star_->period > 0 ? star_->period : 1;
    }
    for (TimedMinimum& minimum : read) {
      table.minima.push_back(minimum);
      table.cycles.push_back(0);
      Minima1->origins.push_back({});
    }
    NumberMinima();
    table.fit.reset();
    DrawMinimaWindow();
  });
}

// Cycles for every minimum: its own when the table gave one (or the timing found it), the rest
// counted from the reference ephemeris.
void TForm1::NumberMinima() {
  OcTable& table = Minima1->table;
  const std::vector<TimedMinimum>& numbered = table.minima;
  const bool reference = table.referencePeriod > 0 && star_->period > 0;
  table.cycles =
      NumberCycles(numbered, reference ? std::optional(table.referenceEpoch) : std::nullopt,
                   reference ? std::optional(table.referencePeriod) : std::nullopt, table.secondaryPhase);
  for (size_t i = 0; i < table.minima.size(); ++i) table.minima[i].cycle = table.cycles[i];
}

void TForm1::MinimaFitClick(bool quadratic) {
  Run([this, quadratic] {
    OcTable& table = Minima1->table;
    table.fit = FitEphemeris(table.minima, table.cycles, quadratic, table.secondaryPhase);
    for (const std::string& line : EphemerisFitLines(*table.fit, table.minima, table.timeScale))
      AppendNote(Text(line));
    DrawMinimaWindow();
  });
}

void TForm1::MinimaUseClick() {
  Run(
      [this] {
        const std::optional<EphemerisFit>& fit = Minima1->table.fit;
        if (!fit) throw InputError("Fit an ephemeris first");
        SetBoxText(Edit2, Text(FormatGeneral(fit->epoch, DecimalSeparator())));
        SetBoxText(Edit3, Text(FormatGeneral(fit->period, DecimalSeparator())));
        star_->epoch = fit->epoch;  // the full values, not the boxes' 15 digits
        star_->period = fit->period;
      },
      true);
}

void TForm1::MinimaUse(int row, bool used) {
  OcTable& table = Minima1->table;
  if (row < 0 || static_cast<size_t>(row) >= table.minima.size()) return;
  table.minima[static_cast<size_t>(row)].excluded = !used;
  DrawMinimaWindow();
}

void TForm1::MinimaClickSeries(int series, int index, int, int) {
  Run([this, series, index] {
    const int row = MinimumAtPoint(Minima1->table, series, index);
    if (row < 0) return;
    MinimaUse(row, Minima1->table.minima[static_cast<size_t>(row)].excluded);
  });
}

void TForm1::MinimaSaveTableClick() {
  Run([this] {
    const std::optional<FileChoice> choice = ChooseSaveFile(SaveMinimaDialog, Minima1);
    if (!choice) return;
    WriteWhole(choice->path, QByteArray::fromStdString(OcTableCsv(Minima1->table)));
  });
}

void TForm1::MinimaSaveFitClick() {
  Run([this] {
    if (!Minima1->table.fit) throw InputError("Fit an ephemeris first");
    const std::optional<FileChoice> choice = ChooseSaveFile(SaveMinimaDialog, Minima1);
    if (!choice) return;
    WriteWhole(choice->path, QByteArray::fromStdString(EphemerisFitCsv(*Minima1->table.fit)));
  });
}

void TForm1::MinimaSavePictureClick() {
  Run([this] {
    const std::optional<FileChoice> choice = ChooseSaveFile(SavePeriodogramPictureDialog, Minima1);
    if (!choice) return;
    const ChartWidget& chart = *Minima1->Chart;
    const bool vector = NameEndsIn(choice->path, ".svg") || NameEndsIn(choice->path, ".pdf");
    WriteWhole(choice->path, vector ? VectorPicture(chart, Minima1->model(), choice->path)
                                    : BitmapPicture(chart, choice->path));
  });
}

void TForm1::DrawMinimaWindow() {
  MinimaWindow& w = *Minima1;
  const OcTable& table = w.table;
  DrawOcDiagram(w.model(), table, w.Unit());
  w.Chart->ForgetZoom();
  w.Chart->Refresh();
  QString summary;
  if (table.fit)
    for (const std::string& line : EphemerisFitLines(*table.fit, table.minima, table.timeScale))
      summary += (summary.isEmpty() ? QString() : QStringLiteral("\n")) + Text(line);
  w.Summary->setText(summary);
  fillingMinima_ = true;
  w.Table->setRowCount(static_cast<int>(table.minima.size()));
  const char decimal = DecimalSeparator();
  for (size_t i = 0; i < table.minima.size(); ++i) {
    const TimedMinimum& m = table.minima[i];
    const int row = static_cast<int>(i);
    auto* use = new QTableWidgetItem();
    use->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    use->setCheckState(m.excluded ? Qt::Unchecked : Qt::Checked);
    w.Table->setItem(row, 0, use);
    const long double oc = OcOf(table, i) * (w.Unit() == OcUnit::Minutes ? 1440 : 1);
    const MinimaWindow::Origin& origin = w.origins[i];
    const QString cells[] = {Text(FormatGeneral(table.cycles[i], decimal)),
                             KindOf(m) == MinimumKind::Secondary ? QStringLiteral("S") : QStringLiteral("P"),
                             Text(MinimumTimeText(m.time, m.error)),
                             m.error > 0 ? Text(FormatGeneralDigits(m.error, 3, decimal)) : QString(),
                             Text(FormatGeneralDigits(oc, 5, decimal)),
                             origin.points > 0 ? Text(std::to_string(origin.points) + ", " + origin.coverage)
                                               : QStringLiteral("table"),
                             Text(origin.flag)};
    for (int c = 0; c < 7; ++c) w.Table->setItem(row, c + 1, new QTableWidgetItem(cells[c]));
  }
  fillingMinima_ = false;
  const bool any = !table.minima.empty();
  w.FitLinear->setEnabled(any);
  w.FitQuadratic->setEnabled(any);
  w.SaveTable->setEnabled(any);
  w.UseEphemeris->setEnabled(table.fit.has_value());
  w.SaveFit->setEnabled(table.fit.has_value());
}

}  // namespace ombrane
