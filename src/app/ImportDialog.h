// File ▸ Import…: the dialog that shows the first lines of a file as a table with the layout
// found, and lets the user choose the separator, the lines to skip, the time and magnitude
// columns, the band of an AAVSO export or the flux and zero point of a FITS light curve, and
// whether the rows are binned in time. Every change reads the input again with the choices
// made (io/Import.h), so the summary always says what Import would load; the input's bytes are
// held from the one reading of the file, which is never opened again.
#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <string>

#include "io/Import.h"

class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class QVBoxLayout;

namespace ombrane {

class ImportDialog : public QDialog {
  Q_OBJECT
 public:
  // `preview` is what InspectImport found in `input` (read by io::ReadHeldInput); `decimal` is
  // the user's decimal separator for the zero point box.
  ImportDialog(io::Input input, std::string shownName, io::ImportPreview preview, char decimal,
               QWidget* parent = nullptr);

  // The choices made and what they read; no result while they cannot be read (the summary
  // says why, and Import is disabled).
  const io::ImportOptions& options() const { return options_; }
  const std::optional<io::ImportResult>& result() const { return result_; }
  const io::ImportPreview& preview() const { return preview_; }

  // Controls (the window tests drive them).
  QLabel* FormatLabel = nullptr;     // the format and the layout found
  QTableWidget* Preview = nullptr;   // the first lines, the chosen columns marked
  QGroupBox* LayoutGroup = nullptr;  // text: separator, lines to skip, columns
  QComboBox* SeparatorBox = nullptr;
  QSpinBox* SkipBox = nullptr;
  QComboBox* TimeColumnBox = nullptr;
  QComboBox* MagColumnBox = nullptr;
  QComboBox* ErrorColumnBox = nullptr;  // "none" or a column: the errors σ of the values
  QComboBox* TimeOffsetBox = nullptr;   // added to every time (reduced Julian Days)
  QComboBox* ValuesBox = nullptr;       // magnitudes, or flux turned into magnitudes
  QGroupBox* BandGroup = nullptr;       // AAVSO
  QComboBox* BandBox = nullptr;
  QGroupBox* FluxGroup = nullptr;  // FITS
  QComboBox* FluxBox = nullptr;
  QLineEdit* ZeroPointBox = nullptr;  // empty: the median flux at 10 mag
  // The time scale of the times (JD in UTC, HJD, BJD_TDB), preset to what the file says.
  QComboBox* TimeScaleBox = nullptr;
  // Binning, shown when the rows have a cadence or more of them remain than the store holds.
  QGroupBox* BinningGroup = nullptr;
  QLabel* BinningLabel = nullptr;          // the rows, their cadence, the store's room
  QRadioButton* KeepRowsButton = nullptr;  // every row (the first ones past the store's room)
  QRadioButton* AutoBinButton = nullptr;   // the shortest bin that fits the store, when one is needed
  QRadioButton* BinButton = nullptr;       // bins of BinCadencesBox cadences
  QSpinBox* BinCadencesBox = nullptr;
  QLabel* BinWidthLabel = nullptr;  // the bin's width in minutes
  QLabel* SummaryLabel = nullptr;   // what Import would load, or why it cannot
  QDialogButtonBox* Buttons = nullptr;

 private:
  // The controls, one group each; every Build* adds its controls to the dialog in the order
  // of tabbing.
  void BuildPreview(QVBoxLayout* column);
  QGroupBox* BuildLayoutGroup();
  QGroupBox* BuildBandGroup();
  QGroupBox* BuildFluxGroup();
  QGroupBox* BuildBinningGroup();
  void BuildTimeScaleRow(QVBoxLayout* column);
  void BuildSummaryAndButtons(QVBoxLayout* column);
  // Every choice's signal, to LayoutChanged or Reread.
  void ConnectControls();
  void FillControls();
  void FillPreview();
  // The separator or the lines to skip changed: the layout is found again.
  void LayoutChanged();
  // Any choice changed: the input is read again.
  void Reread();
  // The binning group for what the last reading found.
  void ShowBinning();

  // What the last reading found that the binning choices depend on.
  struct Rows {
    int64_t count = 0;         // before binning
    long double cadence = 0;   // days; 0: the times do not advance
    int32_t autoCadences = 1;  // the shortest bin that fits the store
    bool fluxes = false;       // flux is binned, not magnitudes
  };

  io::Input input_;
  std::string shownName_;
  io::ImportPreview preview_;
  io::ImportOptions options_;
  std::optional<io::ImportResult> result_;
  std::optional<Rows> rows_;
  char decimal_ = '.';
  bool filling_ = false;  // the controls are being filled: their signals change nothing
};

}  // namespace ombrane
