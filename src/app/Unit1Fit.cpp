// TForm1: the harmonic fits — the Fourier series with an automatic number of harmonics (NJD),
// with a chosen number (Button9 "sin", the harmonics box Edit8) and the sine-plus-cosine fit
// (BitBtn3 "sin+cos"). The handlers read the check boxes and the harmonics box, run the fit of
// the core and let its lines reach the notes pane and its files the current folder.
#include <QApplication>
#include <QCheckBox>

#include "BusyCursor.h"
#include "ChartWidget.h"
#include "Controls.h"
#include "Unit1.h"
#include "common/FloatingPoint.h"
#include "common/PartialOutcome.h"
#include "fit/FourierPresentation.h"

namespace ombrane {

FitRequest TForm1::FitRequestOfControls() const {
  return FitRequest{.axis = RadioGroup3->itemIndex() == 1 ? PhaseAxis::JdAverage : PhaseAxis::Phase,
                    .linesToNotes = CheckBox3->isChecked(),
                    .fourierFile = CheckBox1->isChecked(),
                    .dataFile = CheckBox2->isChecked(),
                    .openFiles = true,
                    .separator = DecimalSeparator(),
                    .weighted = WeightedFitCmd->isEnabled() && WeightedFitCmd->isChecked()};
}

FitSink TForm1::FitOutput() {
  return FitSink{
      .note = [this](const std::string& line) { AppendNote(QString::fromStdString(line)); },
      .open = [this](const std::string& file) { NoteOutputFailure(outputFiles_.Append(file, {})); },
      .append = [this](const std::string& file,
                       const std::string& text) { NoteOutputFailure(outputFiles_.Append(file, text)); }};
}

// A fit that drew its picture (the folded curve, the fitted curve, the markers) replaced the
// last picture: NewPicture shows it whole, also when a later step of the click failed.

void TForm1::NJDClick() {
  // The outliers the fit leaves out are marked: one operation, which Undo takes back.
  const std::vector<uint8_t> marksBefore = data_->markFlag;
  RunFit([this](FitOutcome& outcome) {
    RunAutomaticFit(*data_, *star_, *view_, *chartModel_, FitRequestOfControls(), FitOutput(), outcome);
  });
  Run([this, &marksBefore] { RecordNewMarks(marksBefore); });
}

void TForm1::Button9Click() {
  RunFit([this](FitOutcome& outcome) {
    RunFixedFit(BoxText(Edit8), *data_, *star_, *view_, *chartModel_, FitRequestOfControls(), FitOutput(),
                outcome);
  });
}

void TForm1::RunFit(const std::function<void(FitOutcome&)>& fit) {
  Run(
      [this, &fit] {
        const BusyCursor busy;
        FitOutcome outcome;
        auto shown = [&] {
          if (outcome.extremes) NewPicture();
        };
        KeepingPartial([&] { fit(outcome); }, shown);
        shown();
      },
      true);
}

void TForm1::BitBtn3Click() {
  Run([this] {
    const BusyCursor busy;
    FitOutcome outcome;
    RunSinCosFit(BoxText(Edit8), *data_, *star_, *view_, FitRequestOfControls(), FitOutput(), outcome);
  });
}

void TForm1::Edit8Change() {
  Run([this] { star_->harmonicCount = TruncToInt32(BoxNumber(Edit8)); });
}

}  // namespace ombrane
