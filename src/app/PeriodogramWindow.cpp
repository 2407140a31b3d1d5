#include "PeriodogramWindow.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ChartWidget.h"
#include "Controls.h"

namespace ombrane {

PeriodogramWindow::PeriodogramWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), model_(std::make_unique<ChartModel>()) {
  setObjectName(QStringLiteral("Periodogram1"));
  setWindowTitle(QStringLiteral("Periodogram"));
  resize(900, 700);

  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(6, 6, 6, 6);
  stack->setSpacing(4);

  auto* bar = new QHBoxLayout();
  auto* axisLabel = new QLabel(QStringLiteral("Abscissa:"), this);
  PeriodAxis = new QRadioButton(QStringLiteral("&Period"), this);
  PeriodAxis->setObjectName(QStringLiteral("PeriodAxis"));
  FrequencyAxis = new QRadioButton(QStringLiteral("&Frequency"), this);
  FrequencyAxis->setObjectName(QStringLiteral("FrequencyAxis"));
  PeriodAxis->setChecked(true);
  auto* axes = new QButtonGroup(this);
  axes->addButton(PeriodAxis);
  axes->addButton(FrequencyAxis);
  auto button = [this](const QString& name, const QString& caption, const QString& hint) {
    return WindowButton(this, name, caption, hint);
  };
  SaveCsv = button(QStringLiteral("SaveCsv"), QStringLiteral("Save &CSV..."),
                   QStringLiteral("Save the scores of the trial periods as a CSV file"));
  SavePicture = button(QStringLiteral("SavePicture"), QStringLiteral("Save p&icture..."),
                       QStringLiteral("Save the periodogram as PNG, BMP, SVG or PDF (by the name's ending)"));
  CopyPicture = button(QStringLiteral("CopyPicture"), QStringLiteral("C&opy picture"),
                       QStringLiteral("Copy the periodogram to the clipboard"));
  bar->addWidget(axisLabel);
  bar->addWidget(PeriodAxis);
  bar->addWidget(FrequencyAxis);
  bar->addStretch(1);
  bar->addWidget(SaveCsv);
  bar->addWidget(SavePicture);
  bar->addWidget(CopyPicture);
  stack->addLayout(bar);

  Chart = new ChartWidget(model_.get(), this);
  Chart->setObjectName(QStringLiteral("PeriodogramChart"));
  Chart->setMinimumSize(400, 250);
  Chart->setToolTip(
      QStringLiteral("Click a peak to fold at its period; drag to zoom, double-click to see all"));
  Readout = new QLabel(Chart);
  Readout->setObjectName(QStringLiteral("PeriodogramReadout"));
  Readout->setAttribute(Qt::WA_TransparentForMouseEvents);
  Readout->move(12, 6);
  stack->addWidget(Chart, 1);

  Summary = new QLabel(this);
  Summary->setObjectName(QStringLiteral("PeriodogramSummary"));
  Summary->setWordWrap(true);
  Summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  stack->addWidget(Summary);

  PeakTable = new QTableWidget(this);
  PeakTable->setObjectName(QStringLiteral("PeakTable"));
  PeakTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  PeakTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  PeakTable->setSelectionMode(QAbstractItemView::SingleSelection);
  PeakTable->verticalHeader()->setVisible(true);
  PeakTable->horizontalHeader()->setStretchLastSection(true);
  PeakTable->setToolTip(QStringLiteral("Click a row to fold at the peak's period"));
  PeakTable->setMinimumHeight(PeakTable->verticalHeader()->defaultSectionSize() * 6 + 8);
  PeakTable->setMaximumHeight(PeakTable->verticalHeader()->defaultSectionSize() * 7 + 8);
  stack->addWidget(PeakTable);
}

PeriodogramWindow::~PeriodogramWindow() = default;

PeriodogramAxis PeriodogramWindow::Axis() const {
  return FrequencyAxis->isChecked() ? PeriodogramAxis::Frequency : PeriodogramAxis::Period;
}

}  // namespace ombrane
