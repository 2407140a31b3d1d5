// File ▸ Import…: the dialog that shows the first lines of a file as a table with the layout
// found, and lets the user choose the separator, the lines to skip, the time and magnitude
// columns, the band of an AAVSO export or the flux and zero point of a FITS light curve, and
// what happens to rows beyond the store's room. Every change reads the file again with the
// choices made (io/Import.h), so the summary always says what Import would load.
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
  // `preview` is what InspectImport found in the file at `path`; `decimal` is the user's
  // decimal separator for the zero point box.
  ImportDialog(std::string path, std::string shownName, io::ImportPreview preview, char decimal,
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
  QComboBox* TimeOffsetBox = nullptr;  // added to every time (reduced Julian Days)
  QComboBox* ValuesBox = nullptr;      // magnitudes, or flux turned into magnitudes
  QGroupBox* BandGroup = nullptr;      // AAVSO
  QComboBox* BandBox = nullptr;
  QGroupBox* FluxGroup = nullptr;  // FITS
  QComboBox* FluxBox = nullptr;
  QLineEdit* ZeroPointBox = nullptr;   // empty: the median flux at 10 mag
  QGroupBox* OverflowGroup = nullptr;  // shown when more rows remain than the store holds
  QLabel* OverflowLabel = nullptr;
  QRadioButton* BinButton = nullptr;
  QRadioButton* FirstRowsButton = nullptr;
  QLabel* SummaryLabel = nullptr;  // what Import would load, or why it cannot
  QDialogButtonBox* Buttons = nullptr;

 private:
  // The controls, one group each; every Build* adds its controls to the dialog in the order
  // of tabbing.
  void BuildPreview(QVBoxLayout* column);
  QGroupBox* BuildLayoutGroup();
  QGroupBox* BuildBandGroup();
  QGroupBox* BuildFluxGroup();
  QGroupBox* BuildOverflowGroup();
  void BuildSummaryAndButtons(QVBoxLayout* column);
  // Every choice's signal, to LayoutChanged or Reread.
  void ConnectControls();
  void FillControls();
  void FillPreview();
  // The separator or the lines to skip changed: the layout is found again.
  void LayoutChanged();
  // Any choice changed: the file is read again.
  void Reread();

  std::string path_;
  std::string shownName_;
  io::ImportPreview preview_;
  io::ImportOptions options_;
  std::optional<io::ImportResult> result_;
  char decimal_ = '.';
  bool filling_ = false;  // the controls are being filled: their signals change nothing
};

}  // namespace ombrane
