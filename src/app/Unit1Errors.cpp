// TForm1: the observations' errors in the window: the error bars of the light curve and the
// phase diagram, shown or not, and the weighted Fourier fit, from the View menu.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "ChartWidget.h"
#include "Unit1.h"
#include "view/ChartModel.h"

namespace ombrane {

void TForm1::CreateErrorBarsAction() {
  // No Alt key of its own: the letters of "View" are the navigation buttons' and the other menus'.
  QMenu* view = menuBar()->addMenu(QStringLiteral("View"));
  view->setObjectName(QStringLiteral("View1"));
  ErrorBarsCmd = new QAction(QStringLiteral("Error &bars"), this);
  ErrorBarsCmd->setObjectName(QStringLiteral("ErrorBarsCmd"));
  ErrorBarsCmd->setCheckable(true);
  ErrorBarsCmd->setChecked(false);
  ErrorBarsCmd->setEnabled(false);
  ErrorBarsCmd->setStatusTip(
      QStringLiteral("Vertical bars of \u00b1\u03c3 under the points, where the data carry their errors"));
  view->addAction(ErrorBarsCmd);
  connect(ErrorBarsCmd, &QAction::toggled, this, &TForm1::ErrorBarsClick);
  view->addSeparator();
  WeightedFitCmd = new QAction(QStringLiteral("&Weighted Fourier fit"), this);
  WeightedFitCmd->setObjectName(QStringLiteral("WeightedFitCmd"));
  WeightedFitCmd->setCheckable(true);
  WeightedFitCmd->setChecked(false);
  WeightedFitCmd->setEnabled(false);
  WeightedFitCmd->setStatusTip(
      QStringLiteral("The Fourier fits weigh each observation by 1/\u03c3\u00b2 of its error"));
  view->addAction(WeightedFitCmd);
}

void TForm1::UpdateErrorBarsAction() {
  ErrorBarsCmd->setEnabled(HasErrors(*data_));
  WeightedFitCmd->setEnabled(HasErrors(*data_));
}

void TForm1::ErrorBarsClick(bool shown) {
  Run(
      [this, shown] {
        chartModel_->showErrorBars = shown;
        Chart1->Refresh();
      },
      false);
}

}  // namespace ombrane
