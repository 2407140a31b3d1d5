#include "ImportDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "Separators.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "common/TextToFloat.h"

namespace ombrane {
namespace {

// Colours of the preview: the time and magnitude columns, and the lines that are skipped.
const QColor kTimeColour(0xDD, 0xEE, 0xFF);
const QColor kMagnitudeColour(0xE2, 0xF5, 0xE0);
const QColor kSkippedText(0x90, 0x90, 0x90);

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// "2: MAG" for the second column named MAG, "3" for a third without a name.
QString ColumnItem(int32_t column, const std::vector<std::string>& names) {
  const QString number = QString::number(column + 1);
  const auto index = static_cast<size_t>(column);
  return index < names.size() && !names[index].empty() ? number + QStringLiteral(": ") + Text(names[index])
                                                       : number;
}

}  // namespace

ImportDialog::ImportDialog(io::Input input, std::string shownName, io::ImportPreview preview, char decimal,
                           QWidget* parent)
    : QDialog(parent),
      input_(std::move(input)),
      shownName_(std::move(shownName)),
      preview_(std::move(preview)),
      options_(preview_.options),
      decimal_(decimal) {
  options_.decimalSeparator = decimal_;
  setObjectName(QStringLiteral("ImportDialog"));
  setWindowTitle(QStringLiteral("Import ") + Text(shownName_));
  resize(720, 620);
  // The controls top to bottom (the order of tabbing): the format and the first lines, the
  // choices of each kind of file side by side, the binning, the summary and the buttons.
  auto* column = new QVBoxLayout(this);
  BuildPreview(column);
  auto* choices = new QHBoxLayout();
  column->addLayout(choices);
  choices->addWidget(BuildLayoutGroup());
  choices->addWidget(BuildBandGroup());
  choices->addWidget(BuildFluxGroup());
  BuildTimeScaleRow(column);
  column->addWidget(BuildBinningGroup());
  BuildSummaryAndButtons(column);

  FillControls();
  ConnectControls();
  Reread();
}

void ImportDialog::BuildPreview(QVBoxLayout* column) {
  FormatLabel = new QLabel(this);
  FormatLabel->setObjectName(QStringLiteral("FormatLabel"));
  FormatLabel->setWordWrap(true);
  column->addWidget(FormatLabel);

  Preview = new QTableWidget(this);
  Preview->setObjectName(QStringLiteral("Preview"));
  Preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Preview->setSelectionMode(QAbstractItemView::NoSelection);
  Preview->verticalHeader()->setDefaultSectionSize(18);
  column->addWidget(Preview, 1);
}

QGroupBox* ImportDialog::BuildLayoutGroup() {
  LayoutGroup = new QGroupBox(QStringLiteral("Layout"), this);
  auto* layoutForm = new QFormLayout(LayoutGroup);
  SeparatorBox = new QComboBox(LayoutGroup);
  SeparatorBox->setObjectName(QStringLiteral("SeparatorBox"));
  for (io::FieldSeparator separator : {io::FieldSeparator::Blanks, io::FieldSeparator::Tabs,
                                       io::FieldSeparator::Commas, io::FieldSeparator::Semicolons})
    SeparatorBox->addItem(Text(std::string(io::SeparatorName(separator))), static_cast<int>(separator));
  layoutForm->addRow(QStringLiteral("&Separator:"), SeparatorBox);
  SkipBox = new QSpinBox(LayoutGroup);
  SkipBox->setObjectName(QStringLiteral("SkipBox"));
  SkipBox->setRange(0, 100000);
  layoutForm->addRow(QStringLiteral("&Lines to skip:"), SkipBox);
  TimeColumnBox = new QComboBox(LayoutGroup);
  TimeColumnBox->setObjectName(QStringLiteral("TimeColumnBox"));
  layoutForm->addRow(QStringLiteral("&Time column (JD):"), TimeColumnBox);
  MagColumnBox = new QComboBox(LayoutGroup);
  MagColumnBox->setObjectName(QStringLiteral("MagColumnBox"));
  layoutForm->addRow(QStringLiteral("&Magnitude column:"), MagColumnBox);
  ErrorColumnBox = new QComboBox(LayoutGroup);
  ErrorColumnBox->setObjectName(QStringLiteral("ErrorColumnBox"));
  ErrorColumnBox->setToolTip(
      QStringLiteral("The magnitudes' (or fluxes') errors \u03c3: the weights of the "
                     "searches and the fit, and the error bars"));
  layoutForm->addRow(QStringLiteral("&Error column:"), ErrorColumnBox);
  TimeOffsetBox = new QComboBox(LayoutGroup);
  TimeOffsetBox->setObjectName(QStringLiteral("TimeOffsetBox"));
  layoutForm->addRow(QStringLiteral("Time &offset:"), TimeOffsetBox);
  ValuesBox = new QComboBox(LayoutGroup);
  ValuesBox->setObjectName(QStringLiteral("ValuesBox"));
  ValuesBox->addItem(QStringLiteral("Magnitudes"), false);
  ValuesBox->addItem(QStringLiteral("Flux (turned into magnitudes)"), true);
  layoutForm->addRow(QStringLiteral("&Values:"), ValuesBox);
  auto* commentNote =
      new QLabel(QStringLiteral("Comment lines (#, %, ;) and empty lines are always skipped."), LayoutGroup);
  commentNote->setWordWrap(true);
  layoutForm->addRow(commentNote);
  return LayoutGroup;
}

QGroupBox* ImportDialog::BuildBandGroup() {
  BandGroup = new QGroupBox(QStringLiteral("AAVSO export"), this);
  auto* bandForm = new QFormLayout(BandGroup);
  BandBox = new QComboBox(BandGroup);
  BandBox->setObjectName(QStringLiteral("BandBox"));
  bandForm->addRow(QStringLiteral("&Band to keep:"), BandBox);
  auto* bandNote = new QLabel(
      QStringLiteral("One band at a time. Fainter-than estimates (\"<\") are left out."), BandGroup);
  bandNote->setWordWrap(true);
  bandForm->addRow(bandNote);
  return BandGroup;
}

QGroupBox* ImportDialog::BuildFluxGroup() {
  FluxGroup = new QGroupBox(QStringLiteral("FITS light curve"), this);
  auto* fluxForm = new QFormLayout(FluxGroup);
  FluxBox = new QComboBox(FluxGroup);
  FluxBox->setObjectName(QStringLiteral("FluxBox"));
  fluxForm->addRow(QStringLiteral("&Flux:"), FluxBox);
  ZeroPointBox = new QLineEdit(FluxGroup);
  ZeroPointBox->setObjectName(QStringLiteral("ZeroPointBox"));
  fluxForm->addRow(QStringLiteral("&Zero point:"), ZeroPointBox);
  auto* fluxNote =
      new QLabel(QStringLiteral("magnitude = -2.5 log10(flux) + zero point; left empty, the median "
                                "flux lands at 10 mag. Rows with a QUALITY flag or a NaN are left out."),
                 FluxGroup);
  fluxNote->setWordWrap(true);
  fluxForm->addRow(fluxNote);
  return FluxGroup;
}

void ImportDialog::BuildTimeScaleRow(QVBoxLayout* column) {
  auto* row = new QHBoxLayout();
  TimeScaleBox = new QComboBox(this);
  TimeScaleBox->setObjectName(QStringLiteral("TimeScaleBox"));
  TimeScaleBox->addItem(QStringLiteral("JD (UTC, as observed)"), static_cast<int>(TimeScale::Jd));
  TimeScaleBox->addItem(QStringLiteral("HJD (heliocentric)"), static_cast<int>(TimeScale::Hjd));
  TimeScaleBox->addItem(QStringLiteral("BJD_TDB (barycentric)"), static_cast<int>(TimeScale::BjdTdb));
  TimeScaleBox->setToolTip(
      QStringLiteral("The scale of the file's times: the light curve's axis and the timing lines name it, "
                     "and a time of minimum gets only the corrections its scale still needs"));
  auto* label = new QLabel(QStringLiteral("Time &scale:"), this);
  label->setBuddy(TimeScaleBox);
  row->addWidget(label);
  row->addWidget(TimeScaleBox);
  row->addStretch(1);
  column->addLayout(row);
}

QGroupBox* ImportDialog::BuildBinningGroup() {
  BinningGroup = new QGroupBox(QStringLiteral("Binning"), this);
  auto* binning = new QVBoxLayout(BinningGroup);
  BinningLabel = new QLabel(BinningGroup);
  BinningLabel->setObjectName(QStringLiteral("BinningLabel"));
  BinningLabel->setWordWrap(true);
  binning->addWidget(BinningLabel);
  KeepRowsButton = new QRadioButton(BinningGroup);
  KeepRowsButton->setObjectName(QStringLiteral("KeepRowsButton"));
  KeepRowsButton->setChecked(true);  // binning is a choice, never made for the user
  binning->addWidget(KeepRowsButton);
  AutoBinButton = new QRadioButton(BinningGroup);
  AutoBinButton->setObjectName(QStringLiteral("AutoBinButton"));
  binning->addWidget(AutoBinButton);
  auto* cadencesRow = new QHBoxLayout();
  BinButton = new QRadioButton(QStringLiteral("&Bin to"), BinningGroup);
  BinButton->setObjectName(QStringLiteral("BinButton"));
  BinCadencesBox = new QSpinBox(BinningGroup);
  BinCadencesBox->setObjectName(QStringLiteral("BinCadencesBox"));
  BinCadencesBox->setRange(2, 1000000);
  BinCadencesBox->setSuffix(QStringLiteral(" cadences"));
  BinWidthLabel = new QLabel(BinningGroup);
  BinWidthLabel->setObjectName(QStringLiteral("BinWidthLabel"));
  cadencesRow->addWidget(BinButton);
  cadencesRow->addWidget(BinCadencesBox);
  cadencesRow->addWidget(BinWidthLabel, 1);
  binning->addLayout(cadencesRow);
  BinningGroup->setVisible(false);  // until a reading finds a cadence
  return BinningGroup;
}

void ImportDialog::BuildSummaryAndButtons(QVBoxLayout* column) {
  SummaryLabel = new QLabel(this);
  SummaryLabel->setObjectName(QStringLiteral("SummaryLabel"));
  SummaryLabel->setWordWrap(true);
  SummaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(SummaryLabel);

  Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Import"));
  connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(Buttons);
}

void ImportDialog::ConnectControls() {
  // A new separator or number of lines to skip finds the layout again; any other choice reads
  // the file with it. Filling the controls changes nothing.
  connect(SeparatorBox, &QComboBox::currentIndexChanged, this, [this] {
    if (!filling_) LayoutChanged();
  });
  connect(SkipBox, &QSpinBox::valueChanged, this, [this] {
    if (!filling_) LayoutChanged();
  });
  auto changed = [this] {
    if (!filling_) Reread();
  };
  for (QComboBox* box : {TimeColumnBox, MagColumnBox, ErrorColumnBox, TimeOffsetBox, ValuesBox, BandBox,
                         FluxBox, TimeScaleBox})
    connect(box, &QComboBox::currentIndexChanged, this, changed);
  connect(ZeroPointBox, &QLineEdit::textChanged, this, changed);
  // A choice of binning reads once, when its button is checked (the one unchecked says nothing);
  // another number of cadences reads only when bins of that number are chosen.
  for (QRadioButton* button : {KeepRowsButton, AutoBinButton, BinButton}) {
    connect(button, &QRadioButton::toggled, this, [this, changed](bool checked) {
      if (checked) changed();
    });
  }
  connect(BinCadencesBox, &QSpinBox::valueChanged, this, [this, changed] {
    if (BinButton->isChecked())
      changed();
    else
      ShowBinning();
  });
}

void ImportDialog::FillControls() {
  filling_ = true;
  QStringList layout;
  for (const std::string& line : preview_.layout) layout << Text(line);
  FormatLabel->setText(QStringLiteral("<b>") + Text(preview_.format).toHtmlEscaped() +
                       QStringLiteral("</b> — ") + layout.join(QStringLiteral("; ")).toHtmlEscaped());

  LayoutGroup->setVisible(preview_.textLayout);
  if (preview_.textLayout) {
    SeparatorBox->setCurrentIndex(SeparatorBox->findData(static_cast<int>(*options_.separator)));
    SkipBox->setValue(options_.skipLines.value_or(0));
    const int32_t columns = std::max<int32_t>({static_cast<int32_t>(preview_.columnNames.size()),
                                               *options_.timeColumn + 1, *options_.magColumn + 1});
    TimeColumnBox->clear();
    MagColumnBox->clear();
    ErrorColumnBox->clear();
    ErrorColumnBox->addItem(QStringLiteral("none"), -1);
    for (int32_t c = 0; c < columns; ++c) {
      TimeColumnBox->addItem(ColumnItem(c, preview_.columnNames), c);
      MagColumnBox->addItem(ColumnItem(c, preview_.columnNames), c);
      ErrorColumnBox->addItem(ColumnItem(c, preview_.columnNames), c);
    }
    TimeColumnBox->setCurrentIndex(*options_.timeColumn);
    MagColumnBox->setCurrentIndex(*options_.magColumn);
    ErrorColumnBox->setCurrentIndex(std::max(ErrorColumnBox->findData(options_.errorColumn.value_or(-1)), 0));
    // The offsets observers use, and the one the header named if it is another.
    TimeOffsetBox->clear();
    const long double offset = options_.timeOffset.value_or(0);
    bool listed = false;
    for (long double known : io::kTimeOffsets) {
      TimeOffsetBox->addItem(known == 0 ? QStringLiteral("none") : Text(FormatGeneral(known, decimal_)),
                             static_cast<double>(known));
      if (known == offset) {
        TimeOffsetBox->setCurrentIndex(TimeOffsetBox->count() - 1);
        listed = true;
      }
    }
    if (!listed) {
      TimeOffsetBox->addItem(Text(FormatGeneral(offset, decimal_)), static_cast<double>(offset));
      TimeOffsetBox->setCurrentIndex(TimeOffsetBox->count() - 1);
    }
    ValuesBox->setCurrentIndex(options_.valuesAreFlux.value_or(false) ? 1 : 0);
  }

  TimeScaleBox->setCurrentIndex(
      std::max(TimeScaleBox->findData(static_cast<int>(options_.timeScale.value_or(TimeScale::Jd))), 0));

  BandGroup->setVisible(!preview_.bands.empty());
  BandBox->clear();
  for (const auto& [band, count] : preview_.bands) {
    BandBox->addItem(Text(band) + QStringLiteral(" (") + QString::number(count) + QStringLiteral(")"),
                     Text(band));
    if (options_.band && band == *options_.band) BandBox->setCurrentIndex(BandBox->count() - 1);
  }

  FluxGroup->setVisible(!preview_.fluxColumns.empty());
  FluxBox->clear();
  for (io::FluxColumn flux : preview_.fluxColumns) {
    FluxBox->addItem(flux == io::FluxColumn::Sap ? QStringLiteral("SAP_FLUX (simple aperture)")
                                                 : QStringLiteral("PDCSAP_FLUX (corrected for systematics)"),
                     static_cast<int>(flux));
    if (flux == options_.flux) FluxBox->setCurrentIndex(FluxBox->count() - 1);
  }
  FillPreview();
  filling_ = false;
}

void ImportDialog::FillPreview() {
  Preview->clear();
  Preview->clearSpans();
  int columns = 1;
  for (const auto& row : preview_.rows) columns = std::max(columns, static_cast<int>(row.size()));
  columns = std::max(columns, static_cast<int>(preview_.columnNames.size()));
  Preview->setRowCount(static_cast<int>(preview_.rows.size()));
  Preview->setColumnCount(columns);
  QStringList headers;
  for (int c = 0; c < columns; ++c) headers << ColumnItem(c, preview_.columnNames);
  Preview->setHorizontalHeaderLabels(headers);
  QStringList lineNumbers;
  for (size_t r = 0; r < preview_.rows.size(); ++r) {
    lineNumbers << QString::number(preview_.firstLineNumber + static_cast<int>(r));
    const auto& row = preview_.rows[r];
    const bool skipped = r < preview_.rowSkipped.size() && preview_.rowSkipped[r];
    for (size_t c = 0; c < row.size(); ++c) {
      auto* item = new QTableWidgetItem(Text(row[c]));
      if (skipped) item->setForeground(kSkippedText);
      Preview->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
    if (skipped && columns > 1) Preview->setSpan(static_cast<int>(r), 0, 1, columns);
  }
  Preview->setVerticalHeaderLabels(lineNumbers);
  // The chosen columns in colour.
  if (preview_.textLayout) {
    for (int r = 0; r < Preview->rowCount(); ++r) {
      if (static_cast<size_t>(r) < preview_.rowSkipped.size() && preview_.rowSkipped[static_cast<size_t>(r)])
        continue;
      for (const auto& [column, colour] :
           {std::pair{*options_.timeColumn, kTimeColour}, std::pair{*options_.magColumn, kMagnitudeColour}}) {
        if (QTableWidgetItem* item = Preview->item(r, column)) item->setBackground(colour);
      }
    }
  }
  // Columns as wide as their header and their fields; a skipped line spans them all and is
  // left out of the widths.
  const QFontMetrics metrics(Preview->font());
  const QFontMetrics headerMetrics(Preview->horizontalHeader()->font());
  for (int c = 0; c < columns; ++c) {
    int width = headerMetrics.horizontalAdvance(headers[c]);
    for (size_t r = 0; r < preview_.rows.size(); ++r) {
      const bool skipped = r < preview_.rowSkipped.size() && preview_.rowSkipped[r];
      if (!skipped && static_cast<size_t>(c) < preview_.rows[r].size())
        width = std::max(width, metrics.horizontalAdvance(Text(preview_.rows[r][static_cast<size_t>(c)])));
    }
    Preview->setColumnWidth(c, std::min(width + 16, 320));
  }
}

void ImportDialog::LayoutChanged() {
  io::ImportOptions asked = options_;
  asked.separator = static_cast<io::FieldSeparator>(SeparatorBox->currentData().toInt());
  asked.skipLines = SkipBox->value();
  // The columns are guessed again for the new layout.
  asked.timeColumn.reset();
  asked.magColumn.reset();
  asked.errorColumn.reset();
  try {
    preview_ = io::InspectImport(input_, shownName_, asked);
  } catch (const std::exception& error) {
    SummaryLabel->setText(QString::fromUtf8(error.what()));
    return;
  }
  options_ = preview_.options;
  options_.decimalSeparator = decimal_;
  FillControls();
  Reread();
}

void ImportDialog::Reread() {
  if (preview_.textLayout) {
    options_.timeColumn = TimeColumnBox->currentData().toInt();
    options_.magColumn = MagColumnBox->currentData().toInt();
    options_.errorColumn = ErrorColumnBox->currentData().toInt();
    if (TimeOffsetBox->count() > 0)
      options_.timeOffset = static_cast<long double>(TimeOffsetBox->currentData().toDouble());
    options_.valuesAreFlux = ValuesBox->currentData().toBool();
  }
  if (BandBox->count() > 0) options_.band = BandBox->currentData().toString().toStdString();
  if (FluxBox->count() > 0) options_.flux = static_cast<io::FluxColumn>(FluxBox->currentData().toInt());
  options_.timeScale = static_cast<TimeScale>(TimeScaleBox->currentData().toInt());
  result_.reset();
  QPushButton* importButton = Buttons->button(QDialogButtonBox::Ok);
  importButton->setEnabled(false);
  if (preview_.textLayout) FillPreview();

  options_.zeroPoint.reset();
  if (!ZeroPointBox->text().trimmed().isEmpty()) {
    try {
      options_.zeroPoint =
          BoxTextToFloat(ZeroPointBox->text().toStdString(), decimal_, UserNumberSeparators().group);
    } catch (const ConversionError& error) {
      SummaryLabel->setText(QString::fromUtf8(error.what()));
      return;
    }
  }

  // The reading with every choice; its counts of the rows before binning, their cadence and
  // the shortest bin that fits are the same whether it binned or not.
  options_.binning = io::Binning::None;
  if (AutoBinButton->isChecked()) options_.binning = io::Binning::Auto;
  if (BinButton->isChecked()) {
    options_.binning = io::Binning::Cadences;
    options_.binCadences = BinCadencesBox->value();
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    result_ = io::ReadImport(input_, shownName_, options_);
    rows_ = Rows{.count = result_->rowsRemaining,
                 .cadence = result_->cadence,
                 .autoCadences = result_->autoBinCadences,
                 .fluxes = result_->zeroPoint.has_value()};
    if (result_->zeroPoint && options_.zeroPoint.has_value() == false)
      ZeroPointBox->setPlaceholderText(Text(FormatGeneral(*result_->zeroPoint, decimal_)));
  } catch (const std::exception& error) {
    // A file that cannot be read with these choices (InputError), or no memory for it.
    QApplication::restoreOverrideCursor();
    result_.reset();
    SummaryLabel->setText(QString::fromUtf8(error.what()));
    return;
  }
  QApplication::restoreOverrideCursor();
  ShowBinning();

  QStringList lines;
  for (const std::string& note : result_->notes) lines << Text(note);
  const auto loaded = std::min<int64_t>(static_cast<int64_t>(result_->observations.size()), io::kStoreRoom);
  lines << QStringLiteral("Import loads %1 observations.").arg(loaded);
  SummaryLabel->setText(lines.join('\n'));
  importButton->setEnabled(true);
}

void ImportDialog::ShowBinning() {
  if (!rows_) return;
  const bool overflows = rows_->count > io::kStoreRoom;
  const bool advance = rows_->cadence > 0;
  const bool autoNeeded = overflows && rows_->autoCadences > 1;
  // Binning needs a cadence; past the store's room the group also says what is left out.
  BinningGroup->setVisible(advance || overflows);
  QString facts = QStringLiteral("%1 observations").arg(rows_->count);
  facts += advance ? QStringLiteral(", a cadence of %1 min.")
                         .arg(Text(FormatGeneralDigits(rows_->cadence * 1440, 4, decimal_)))
                   : QStringLiteral("; the times do not advance, so they cannot be binned.");
  if (overflows) facts += QStringLiteral(" The store holds %1.").arg(io::kStoreRoom);
  BinningLabel->setText(facts);
  KeepRowsButton->setText(
      overflows ? QStringLiteral("&Keep the first %1 (the rest is left out and counted)").arg(io::kStoreRoom)
                : QStringLiteral("&Keep every row"));
  const QString means = QStringLiteral(": mean time and mean %1 a bin")
                            .arg(rows_->fluxes ? QStringLiteral("flux") : QStringLiteral("magnitude"));
  AutoBinButton->setVisible(autoNeeded);
  if (autoNeeded) {
    AutoBinButton->setText(
        QStringLiteral("Bin to the &shortest bin that fits, %1 cadences (%2 min)")
            .arg(rows_->autoCadences)
            .arg(Text(FormatGeneralDigits(rows_->cadence * rows_->autoCadences * 1440, 4, decimal_))) +
        means);
  }
  BinButton->setEnabled(advance);
  BinCadencesBox->setEnabled(advance);
  BinWidthLabel->setText(advance
                             ? QStringLiteral("(%1 min)")
                                       .arg(Text(FormatGeneralDigits(
                                           rows_->cadence * BinCadencesBox->value() * 1440, 4, decimal_))) +
                                   means
                             : QString());
}

}  // namespace ombrane
