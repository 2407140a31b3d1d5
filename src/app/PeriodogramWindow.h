// The periodogram window: the scores of the last period search against the trial period or the
// frequency, drawn by the main window's chart code (a ChartModel of its own in a ChartWidget),
// with a readout, the five best peaks in a table and buttons that save the curve as CSV and the
// picture as a file. Non-modal. It shows what it is given; the main window fills it and handles
// its controls (Unit1Periodogram.cpp).
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "phase/Periodogram.h"
#include "phase/PeriodogramPresentation.h"
#include "view/ChartModel.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace ombrane {

class ChartWidget;

class PeriodogramWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PeriodogramWindow(QWidget* parent);
  ~PeriodogramWindow() override;

  ChartModel& model() { return *model_; }

  // What the window shows: the periodogram of the last search, the file it was searched in, its
  // listed peaks and the picture drawn of it (which chart point is which).
  std::shared_ptr<const Periodogram> periodogram;
  std::string fileName;
  std::vector<Peak> peaks;
  PeriodogramPicture picture;

  // Controls, named as components.
  ChartWidget* Chart = nullptr;           // the periodogram
  QLabel* Readout = nullptr;              // axis values under the mouse
  QRadioButton* PeriodAxis = nullptr;     // "&Period"
  QRadioButton* FrequencyAxis = nullptr;  // "&Frequency"
  QLabel* Summary = nullptr;              // method, trials, range, N, T, M
  QTableWidget* PeakTable = nullptr;      // the best peaks, best first
  QPushButton* SaveCsv = nullptr;         // "Save &CSV..."
  QPushButton* SavePicture = nullptr;     // "Save p&icture..."
  QPushButton* CopyPicture = nullptr;     // "C&opy picture"

  PeriodogramAxis Axis() const;

 private:
  std::unique_ptr<ChartModel> model_;
};

}  // namespace ombrane
