// TForm1: the periodogram window. Every search in the window hands its periodogram over here;
// the window shows it against period or frequency with its best peaks, and a click on a peak
// or on a row of the table types that period into the period box, which folds as typing does.
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>

#include "ChartOutput.h"
#include "ChartWidget.h"
#include "Controls.h"
#include "PeriodogramWindow.h"
#include "Unit1.h"
#include "common/NumberFormat.h"
#include "phase/Periodogram.h"
#include "phase/PeriodogramPresentation.h"

namespace ombrane {

namespace {

constexpr int kListedPeaks = 5;
// A click on the curve takes the best point this many pixels either side: the top of the peak
// under the mouse, not the flank the mouse happens to touch.
constexpr int kPeakReach = 6;

}  // namespace

void TForm1::CreatePeriodogramWindow() {
  Periodogram1 = new PeriodogramWindow(this);
  // Its button stands at the right end of the menu bar: the toolbar is full at the window's
  // first size (a 40-pixel speed button more pushes the four check boxes into its overflow
  // menu), while the menu bar's row has room.
  PeriodogramBtn = new QToolButton(this);
  PeriodogramBtn->setObjectName(QStringLiteral("Periodogram"));
  PeriodogramBtn->setIcon(QIcon(QStringLiteral(":/icons/Periodogram.svg")));
  PeriodogramBtn->setText(QStringLiteral("Periodogram"));
  PeriodogramBtn->setIconSize(QSize(18, 18));
  PeriodogramBtn->setAutoRaise(true);
  PeriodogramBtn->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  menuBar()->setCornerWidget(PeriodogramBtn, Qt::TopRightCorner);
  // A search leaves the focus where it was: the window appears beside the main window.
  Periodogram1->setAttribute(Qt::WA_ShowWithoutActivating);

  QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
  window->setObjectName(QStringLiteral("Window1"));
  PeriodogramCmd = new QAction(QStringLiteral("&Periodogram"), this);
  PeriodogramCmd->setObjectName(QStringLiteral("PeriodogramCmd"));
  window->addAction(PeriodogramCmd);
  const QString hint = QStringLiteral("Periodogram of the last search");
  PeriodogramBtn->setToolTip(hint);
  PeriodogramCmd->setToolTip(hint);
  // Nothing to show before the first search.
  PeriodogramBtn->setEnabled(false);
  PeriodogramCmd->setEnabled(false);

  connect(PeriodogramBtn, &QToolButton::clicked, this, &TForm1::PeriodogramClick);
  connect(PeriodogramCmd, &QAction::triggered, this, &TForm1::PeriodogramClick);
  connect(Periodogram1->FrequencyAxis, &QRadioButton::toggled, this, &TForm1::PeriodogramAxisClick);
  connect(Periodogram1->Chart, &ChartWidget::ClickSeries, this, &TForm1::PeriodogramClickSeries);
  connect(Periodogram1->Chart, &ChartWidget::MouseMoved, this, &TForm1::PeriodogramMouseMove);
  connect(Periodogram1->PeakTable, &QTableWidget::cellClicked, this,
          [this](int row, int) { PeakTableClick(row); });
  connect(Periodogram1->PeakTable, &QTableWidget::cellActivated, this,
          [this](int row, int) { PeakTableClick(row); });
  connect(Periodogram1->SaveCsv, &QPushButton::clicked, this, &TForm1::PeriodogramSaveCsvClick);
  connect(Periodogram1->SavePicture, &QPushButton::clicked, this, &TForm1::PeriodogramSavePictureClick);
  connect(Periodogram1->CopyPicture, &QPushButton::clicked, this, &TForm1::PeriodogramCopyPictureClick);
}

void TForm1::ShowPeriodogram(Periodogram&& periodogram) {
  PeriodogramWindow& w = *Periodogram1;
  w.periodogram = std::make_shared<const Periodogram>(std::move(periodogram));
  w.fileName = data_->fileName;
  w.peaks = FindPeaks(*w.periodogram, kListedPeaks);
  PeriodogramBtn->setEnabled(true);
  PeriodogramCmd->setEnabled(true);

  const char separator = DecimalSeparator();
  const std::vector<std::string> header = PeakTableHeader(*w.periodogram);
  QTableWidget& table = *w.PeakTable;
  table.clear();
  table.setColumnCount(static_cast<int>(header.size()));
  table.setRowCount(static_cast<int>(w.peaks.size()));
  QStringList titles;
  for (const std::string& title : header) titles << QString::fromStdString(title);
  table.setHorizontalHeaderLabels(titles);
  for (int row = 0; row < table.rowCount(); ++row) {
    const std::vector<std::string> cells =
        PeakTableRow(*w.periodogram, w.peaks[static_cast<size_t>(row)], separator);
    for (int column = 0; column < static_cast<int>(cells.size()); ++column)
      table.setItem(row, column,
                    new QTableWidgetItem(QString::fromStdString(cells[static_cast<size_t>(column)])));
  }
  table.resizeColumnsToContents();
  w.Summary->setText(QString::fromStdString(PeriodogramSummary(*w.periodogram, w.fileName, separator)) +
                     QStringLiteral(" Click a peak or a row to fold at its period."));
  w.Readout->clear();
  DrawPeriodogramWindow();
  w.show();
  w.raise();
}

void TForm1::DrawPeriodogramWindow() {
  PeriodogramWindow& w = *Periodogram1;
  if (!w.periodogram) return;
  w.picture = DrawPeriodogram(*w.periodogram, w.peaks, w.Axis(), w.fileName, w.model());
  w.Chart->ForgetZoom();
  w.Chart->Refresh();
}

void TForm1::ForgetPeriodogram() {
  PeriodogramWindow& w = *Periodogram1;
  w.hide();
  w.periodogram.reset();
  w.fileName.clear();
  w.peaks.clear();
  w.picture = {};
  w.PeakTable->clear();
  w.PeakTable->setRowCount(0);
  w.Summary->clear();
  w.Readout->clear();
  // The chart keeps its last picture, hidden: only a new search shows the window again, and it
  // draws its own.
  PeriodogramBtn->setEnabled(false);
  PeriodogramCmd->setEnabled(false);
}

void TForm1::BringPeriodogramToFront() {
  PeriodogramWindow& w = *Periodogram1;
  // A search shows the window without taking the focus; asked for, it takes it.
  w.setAttribute(Qt::WA_ShowWithoutActivating, false);
  if (w.isMinimized()) w.setWindowState(w.windowState() & ~Qt::WindowMinimized);
  w.show();
  w.raise();
  w.activateWindow();
  w.setAttribute(Qt::WA_ShowWithoutActivating, true);
}

void TForm1::PeriodogramClick() {
  Run([this] {
    if (!Periodogram1->periodogram) return;
    BringPeriodogramToFront();
  });
}

void TForm1::PeriodogramAxisClick() {
  Run([this] { DrawPeriodogramWindow(); });
}

void TForm1::ApplyPeriodogramPeriod(long double period) {
  // As the search applies its best period.
  Run([this, period] { TypePeriod(period); }, true);
}

void TForm1::PeakTableClick(int row) {
  const PeriodogramWindow& w = *Periodogram1;
  if (row < 0 || row >= static_cast<int>(w.peaks.size())) return;
  ApplyPeriodogramPeriod(w.peaks[static_cast<size_t>(row)].period);
}

void TForm1::PeriodogramClickSeries(int series, int index, int x, int) {
  const PeriodogramWindow& w = *Periodogram1;
  if (!w.periodogram || index < 0) return;
  if (series == kPeakSeries) {
    // A listed peak's symbol.
    if (index >= static_cast<int>(w.picture.peakRank.size())) return;
    ApplyPeriodogramPeriod(w.peaks[w.picture.peakRank[static_cast<size_t>(index)]].period);
    return;
  }
  if (series != kPeriodogramCurveSeries && series != kMarkerSeries) return;
  // The curve or the best period's marker: the top of the peak under the mouse.
  const double a = w.Chart->XValue(x - kPeakReach);
  const double b = w.Chart->XValue(x + kPeakReach);
  if (const std::optional<size_t> point =
          BestPointWithin(*w.periodogram, w.picture.axis, std::min(a, b), std::max(a, b)))
    ApplyPeriodogramPeriod(w.periodogram->points[*point].period);
}

void TForm1::PeriodogramMouseMove(int x, int y) {
  Run([this, x, y] {
    const PeriodogramWindow& w = *Periodogram1;
    if (!w.periodogram || !w.Chart->PlotRect().contains(x, y)) return;
    const char decimal = DecimalSeparator();
    const std::string group = GroupSeparator();
    // A period or frequency of 0 or less (left of a zero in the margin) has no counterpart.
    auto text = [&](double v) {
      return v > 0 ? QString::fromStdString(FormatAxis(v, decimal, group)) : QStringLiteral("\u2013");
    };
    const double abscissa = w.Chart->XValue(x);
    const bool frequency = w.picture.axis == PeriodogramAxis::Frequency;
    const double inverse = abscissa > 0 ? 1 / abscissa : 0;
    const double period = frequency ? inverse : abscissa;
    const QString score = w.periodogram->columns
                              ? QString::fromStdString(w.periodogram->columns->scoreTitle)
                              : (w.periodogram->method == SearchMethod::Aov ? QStringLiteral("AoV \u0398")
                                                                            : QStringLiteral("SL"));
    w.Readout->setText(QStringLiteral("Period: %1\nFrequency: %2\n%3: %4")
                           .arg(text(period), text(frequency ? abscissa : inverse), score,
                                QString::fromStdString(FormatAxis(w.Chart->YValue(y), decimal, group))));
    w.Readout->adjustSize();
  });
}

void TForm1::PeriodogramSaveCsvClick() {
  Run([this] {
    if (!Periodogram1->periodogram) return;
    // The dialog stands over the periodogram window, which stays in front after it.
    const std::optional<FileChoice> choice = ChooseSaveFile(SavePeriodogramDialog, Periodogram1);
    BringPeriodogramToFront();
    if (!choice) return;
    WriteWhole(choice->path, QByteArray::fromStdString(PeriodogramCsv(*Periodogram1->periodogram)));
  });
}

void TForm1::PeriodogramSavePictureClick() {
  Run([this] {
    const std::optional<FileChoice> choice = ChooseSaveFile(SavePeriodogramPictureDialog, Periodogram1);
    BringPeriodogramToFront();
    if (!choice) return;
    // The format by the name's ending, as the main chart's two picture buttons choose it.
    const ChartWidget& chart = *Periodogram1->Chart;
    const bool vector = NameEndsIn(choice->path, ".svg") || NameEndsIn(choice->path, ".pdf");
    WriteWhole(choice->path, vector ? VectorPicture(chart, Periodogram1->model(), choice->path)
                                    : BitmapPicture(chart, choice->path));
  });
}

void TForm1::PeriodogramCopyPictureClick() {
  Run([this] { outside_->CopyImage(Periodogram1->Chart->RenderImage()); });
}

}  // namespace ombrane
