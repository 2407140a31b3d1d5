// The minima window: a table of times of minimum (every eclipse of the loaded series timed, a
// CSV of published or own times, or both) and its O−C diagram against the ephemeris boxes, with
// the fitted linear or quadratic ephemeris. Non-modal. It shows what it is given; the main window
// fills it and handles its controls (Unit1Minima.cpp).
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "timing/OcDiagram.h"
#include "view/ChartModel.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace ombrane {

class ChartWidget;

class MinimaWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MinimaWindow(QWidget* parent);
  ~MinimaWindow() override;

  ChartModel& model() { return *model_; }

  // The minima, their cycles, the reference and the last fit.
  OcTable table;
  // Per minimum: the points, coverage and flag of its timing ("" for one read from a table).
  struct Origin {
    int points = 0;
    std::string coverage;
    std::string flag;
  };
  std::vector<Origin> origins;

  // Controls, named as components.
  QPushButton* TimeEclipses = nullptr;  // "&Time every eclipse"
  QPushButton* OpenTable = nullptr;     // "&Open table..."
  QPushButton* FitLinear = nullptr;     // "Fit &linear"
  QPushButton* FitQuadratic = nullptr;  // "Fit &quadratic"
  QPushButton* UseEphemeris = nullptr;  // "&Use ephemeris"
  QPushButton* SaveTable = nullptr;     // "Save t&able..."
  QPushButton* SaveFit = nullptr;       // "Save &fit..."
  QPushButton* SavePicture = nullptr;   // "Save p&icture..."
  QPushButton* Clear = nullptr;         // "&Clear"
  QCheckBox* Minutes = nullptr;         // "O-C in &minutes"
  ChartWidget* Chart = nullptr;         // the O−C diagram
  QLabel* Summary = nullptr;            // the fit's lines
  QTableWidget* Table = nullptr;        // one row a minimum; the first column's box: used in the fit

  OcUnit Unit() const;

 private:
  std::unique_ptr<ChartModel> model_;
};

}  // namespace ombrane
