// TForm1: the controls of the search methods under the Method group: the frequency step, the
// suggested grid and the dialog of the methods' settings (harmonics, bins, covers, durations
// and the oversampling of a suggestion).
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "Controls.h"
#include "Unit1.h"
#include "common/InputError.h"
#include "common/NumberFormat.h"
#include "search/MethodSearch.h"
#include "search/TrialGrid.h"

namespace ombrane {

QWidget* TForm1::CreateMethodControls() {
  auto* box = new QWidget(this);
  box->setObjectName(QStringLiteral("MethodControls"));
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(4, 0, 4, 2);
  grid->setHorizontalSpacing(2);
  grid->setVerticalSpacing(2);
  FrequencyStep = new QCheckBox(QStringLiteral("Step in fre&quency"), box);
  FrequencyStep->setObjectName(QStringLiteral("FrequencyStep"));
  FrequencyStep->setToolTip(
      QStringLiteral("The increment box holds a step in frequency (1/d), the trials running from 1/Max to "
                     "1/Min"));
  SuggestGrid = new QPushButton(QStringLiteral("Su&ggest"), box);
  SuggestGrid->setObjectName(QStringLiteral("SuggestGrid"));
  SuggestGrid->setToolTip(
      QStringLiteral("Fill Min, Max and a frequency step from the data: 1/T up to half the inverse of the "
                     "median interval, oversampled"));
  MethodOptions = new QPushButton(QStringLiteral("Optio&ns..."), box);
  MethodOptions->setObjectName(QStringLiteral("MethodOptions"));
  MethodOptions->setToolTip(
      QStringLiteral("Harmonics (MHAOV), bins and covers (PDM), durations (BLS), weighting by the errors"));
  grid->addWidget(FrequencyStep, 0, 0, 1, 2);
  grid->addWidget(SuggestGrid, 1, 0);
  grid->addWidget(MethodOptions, 1, 1);
  connect(SuggestGrid, &QPushButton::clicked, this, &TForm1::SuggestGridClick);
  connect(MethodOptions, &QPushButton::clicked, this, &TForm1::MethodOptionsClick);
  return box;
}

void TForm1::SuggestGridClick() {
  Run([this] {
    const SuggestedGrid grid = ombrane::SuggestGrid(ObservationsOf(*data_).t, oversampling_);
    FrequencyStep->setChecked(true);
    // Through the boxes, as typing them: their handlers keep the star's range and step.
    SetBoxText(Edit4, General(grid.periodMin));
    SetBoxText(Edit5, General(grid.periodMax));
    SetBoxText(Edit6, General(grid.frequencyStep));
    AppendNote(QString::fromStdString(SuggestionLine(grid, oversampling_, DecimalSeparator())));
  });
}

void TForm1::MethodOptionsClick() {
  Run([this] {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("MethodOptionsDialog"));
    dialog.setWindowTitle(QStringLiteral("Search method options"));
    auto* form = new QFormLayout(&dialog);
    auto* harmonics = new QSpinBox(&dialog);
    harmonics->setObjectName(QStringLiteral("Harmonics"));
    harmonics->setRange(1, 10);
    harmonics->setValue(methodSettings_->harmonics);
    auto* bins = new QSpinBox(&dialog);
    bins->setObjectName(QStringLiteral("Bins"));
    bins->setRange(2, 1000);
    bins->setValue(methodSettings_->bins);
    auto* covers = new QSpinBox(&dialog);
    covers->setObjectName(QStringLiteral("Covers"));
    covers->setRange(1, 100);
    covers->setValue(methodSettings_->covers);
    auto* durations = new QLineEdit(&dialog);
    durations->setObjectName(QStringLiteral("Durations"));
    durations->setText(QString::fromStdString(DurationsText(methodSettings_->durations)));
    auto* oversampling = new QDoubleSpinBox(&dialog);
    oversampling->setObjectName(QStringLiteral("Oversampling"));
    oversampling->setRange(1, 100);
    oversampling->setDecimals(1);
    oversampling->setValue(oversampling_);
    form->addRow(QStringLiteral("MHAOV &harmonics:"), harmonics);
    form->addRow(QStringLiteral("PDM &bins:"), bins);
    form->addRow(QStringLiteral("PDM &covers:"), covers);
    form->addRow(QStringLiteral("BLS &durations (fractions of the period):"), durations);
    form->addRow(QStringLiteral("&Oversampling of Suggest:"), oversampling);
    // Weighting by the errors: only data that carry errors can be weighed.
    auto* weighted =
        new QCheckBox(QStringLiteral("&Weigh GLS, MHAOV, PDM and BLS by 1/\u03c3\u00b2"), &dialog);
    weighted->setObjectName(QStringLiteral("Weighted"));
    weighted->setChecked(methodSettings_->weighted);
    weighted->setEnabled(HasErrors(*data_));
    weighted->setToolTip(HasErrors(*data_) ? QStringLiteral("The data carry their errors \u03c3")
                                           : QStringLiteral("The data carry no errors"));
    form->addRow(weighted);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return;
    // The durations first: a list that does not read changes nothing.
    const std::vector<double> fractions = ParseDurations(durations->text().toStdString());
    methodSettings_->durations = fractions;
    methodSettings_->harmonics = harmonics->value();
    methodSettings_->bins = bins->value();
    methodSettings_->covers = covers->value();
    if (weighted->isEnabled()) methodSettings_->weighted = weighted->isChecked();
    oversampling_ = oversampling->value();
  });
}

}  // namespace ombrane
