#include "MinimaWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ChartWidget.h"
#include "Controls.h"

namespace ombrane {

MinimaWindow::MinimaWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), model_(std::make_unique<ChartModel>()) {
  setObjectName(QStringLiteral("Minima1"));
  setWindowTitle(QStringLiteral("Minima and O-C"));
  resize(980, 760);

  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(6, 6, 6, 6);
  stack->setSpacing(4);
  auto button = [this](const QString& name, const QString& caption, const QString& hint) {
    return WindowButton(this, name, caption, hint);
  };
  TimeEclipses = button(
      QStringLiteral("TimeEclipses"), QStringLiteral("&Time every eclipse"),
      QStringLiteral("Time every primary and secondary eclipse of the loaded series against M0 and Period"));
  OpenTable = button(QStringLiteral("OpenTable"), QStringLiteral("&Open table..."),
                     QStringLiteral("Add the minima of a CSV file (columns time, error, type, cycle)"));
  FitLinear = button(QStringLiteral("FitLinear"), QStringLiteral("Fit &linear"),
                     QStringLiteral("Fit T = T0 + P E to the minima in use"));
  FitQuadratic = button(QStringLiteral("FitQuadratic"), QStringLiteral("Fit &quadratic"),
                        QStringLiteral("Fit T = T0 + P E + Q E^2 to the minima in use"));
  UseEphemeris = button(QStringLiteral("UseEphemeris"), QStringLiteral("&Use ephemeris"),
                        QStringLiteral("Put the fitted epoch and period into M0 and Period"));
  SaveTable = button(QStringLiteral("SaveTable"), QStringLiteral("Save t&able..."),
                     QStringLiteral("Save the minima with their O-C as CSV"));
  SaveFit = button(QStringLiteral("SaveFit"), QStringLiteral("Save &fit..."),
                   QStringLiteral("Save the fitted ephemeris and its errors as CSV"));
  SavePicture = button(QStringLiteral("SavePicture"), QStringLiteral("Save p&icture..."),
                       QStringLiteral("Save the O-C diagram as PNG, BMP, SVG or PDF (by the name's ending)"));
  Clear = button(QStringLiteral("Clear"), QStringLiteral("&Clear"), QStringLiteral("Empty the table"));
  Minutes = new QCheckBox(QStringLiteral("O-C in &minutes"), this);
  Minutes->setObjectName(QStringLiteral("Minutes"));
  auto* bar = new QHBoxLayout();
  for (QWidget* w : {static_cast<QWidget*>(TimeEclipses), static_cast<QWidget*>(OpenTable),
                     static_cast<QWidget*>(FitLinear), static_cast<QWidget*>(FitQuadratic),
                     static_cast<QWidget*>(UseEphemeris)})
    bar->addWidget(w);
  bar->addStretch(1);
  bar->addWidget(Minutes);
  stack->addLayout(bar);
  auto* bar2 = new QHBoxLayout();
  for (QWidget* w : {static_cast<QWidget*>(SaveTable), static_cast<QWidget*>(SaveFit),
                     static_cast<QWidget*>(SavePicture), static_cast<QWidget*>(Clear)})
    bar2->addWidget(w);
  bar2->addStretch(1);
  stack->addLayout(bar2);

  Chart = new ChartWidget(model_.get(), this);
  Chart->setObjectName(QStringLiteral("MinimaChart"));
  Chart->setMinimumSize(400, 250);
  Chart->setToolTip(QStringLiteral("Click a minimum to leave it out of the fit or take it back"));
  stack->addWidget(Chart, 3);

  Summary = new QLabel(this);
  Summary->setObjectName(QStringLiteral("MinimaSummary"));
  Summary->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  Summary->setWordWrap(true);
  Summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Summary->setMinimumWidth(300);

  Table = new QTableWidget(this);
  Table->setObjectName(QStringLiteral("MinimaTable"));
  Table->setColumnCount(8);
  Table->setHorizontalHeaderLabels({QStringLiteral("Use"), QStringLiteral("Cycle"), QStringLiteral("Type"),
                                    QStringLiteral("Time"), QStringLiteral("Error"), QStringLiteral("O-C"),
                                    QStringLiteral("Points, coverage"), QStringLiteral("Flag")});
  Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table->setSelectionBehavior(QAbstractItemView::SelectRows);
  Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  Table->horizontalHeader()->setStretchLastSection(true);
  Table->setToolTip(QStringLiteral("Untick a minimum to leave it out of the fit"));
  // The table, and beside it the fit's lines.
  auto* lower = new QHBoxLayout();
  lower->addWidget(Table, 3);
  lower->addWidget(Summary, 1);
  stack->addLayout(lower, 2);
}

MinimaWindow::~MinimaWindow() = default;

OcUnit MinimaWindow::Unit() const {
  return Minutes->isChecked() ? OcUnit::Minutes : OcUnit::Days;
}

}  // namespace ombrane
