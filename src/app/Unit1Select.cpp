// TForm1: what a click on a chart point does (point, area and night selection, the two-click
// measurements), the switch between the two groups (BitBtn2), deleting a run of points (Delete),
// a night's brightness shift (Button10 "Bright") and the magnitude steps (Button5 "+",
// Button6 "-", the step box Edit7).
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include "ChartWidget.h"
#include "Controls.h"
#include "Unit1.h"
#include "common/PartialOutcome.h"
#include "measure/Selection.h"
#include "phase/MagnitudeSteps.h"
#include "store/Deletion.h"
#include "view/LightCurve.h"
#include "view/Navigation.h"

namespace ombrane {

void TForm1::ApplyClickOutcome(const ClickOutcome& outcome, int x, int y) {
  if (outcome.colourButtonShown) BitBtn1->setVisible(*outcome.colourButtonShown);
  // At the click's pixel: over the crosshair of the last mouse move this erases it.
  if (outcome.crosshair) DrawCrosshair(x, y);
  if (outcome.minimumTimingEnabled) sincos->setEnabled(*outcome.minimumTimingEnabled);
  if (outcome.deleteEnabled) Delete->setEnabled(*outcome.deleteEnabled);
  NavigationOutcome buttons;
  buttons.buttons = outcome.nightButtons;
  ApplyNavigation(buttons);
  if (outcome.note) AppendNote(QString::fromStdString(*outcome.note));
  // A new picture is rendered when the handler ends; an addition to the picture now.
  if (outcome.chartChanged && !outcome.newPicture) Chart1->Refresh();
}

void TForm1::Chart1ClickSeries(int series, int index, int x, int y) {
  Run([this, series, index, x, y] {
    const ClickRequest request{
        .graphItem = RadioGroup1->itemIndex(),
        .dataItem = RadioGroup2->itemIndex(),
        .axis = RadioGroup3->itemIndex() == 1 ? PhaseAxis::JdAverage : PhaseAxis::Phase,
        .series = series,
        .index = index,
        .separator = DecimalSeparator()};
    // What the click changed before a failure is shown.
    KeepingPartial(
        [&] {
          ClickOutcome outcome;
          NewPicture([&] { outcome = ChartClick(*data_, *star_, *view_, *chartModel_, request); });
          if (outcome.operation) {
            operations_.Record(*outcome.operation, *data_);
            UpdateUndoActions();
          }
          ApplyClickOutcome(outcome, x, y);
        },
        [this] { Chart1->Refresh(); });
  });
}

void TForm1::BitBtn2Click() {
  Run([this] {
    const GroupSwitch groups = SwitchGroups(RadioGroup1->isEnabled());
    RadioGroup1->setEnabled(groups.graphEnabled);
    RadioGroup2->setEnabled(!groups.graphEnabled);
    RadioGroup1->setItemIndex(groups.graphItem);
    RadioGroup2->setItemIndex(groups.dataItem);
  });
}

void TForm1::DeleteClick() {
  Run(
      [this] {
        // The note says what goes, before it goes.
        const std::string note =
            DeletionNote(*data_, view_->areaIndex1, view_->areaIndex2, DecimalSeparator());
        operations_.Apply(DeleteOperation{.first = view_->areaIndex1, .last = view_->areaIndex2}, *data_,
                          *view_);
        UpdateUndoActions();
        AppendNote(QString::fromStdString(note));
        ShowDeleted();
      },
      true);
}

void TForm1::Button10Click() {
  Run([this] { AppendNote(QString::fromStdString(NightShiftLine(*data_, DecimalSeparator()))); });
}

void TForm1::StepNightMagnitudes(int sign) {
  Run(
      [this, sign] {
        // A night shown is stepped, through the list of operations; with every night shown only
        // the string length is computed again.
        if (view_->currentNight >= 0) {
          operations_.Apply(
              StepOperation{.night = view_->currentNight, .sign = sign, .step = star_->magnitudeStep}, *data_,
              *view_);
          UpdateUndoActions();
        }
        NewPicture([this] { ShowMagnitudeStep(*data_, *star_, *view_, *chartModel_); });
        Label11->setText(General(star_->stringLength));
      },
      true);
}

void TForm1::Button5Click() {
  StepNightMagnitudes(+1);
}

void TForm1::Button6Click() {
  StepNightMagnitudes(-1);
}

void TForm1::ClearMarksClick() {
  Run([this] {
    const int32_t cleared = ClearMarks(*data_, *chartModel_);
    if (cleared > 0) {
      operations_.Record(ClearMarksOperation{}, *data_);
      UpdateUndoActions();
    }
    Chart1->Refresh();
    StatusBar1->showMessage(cleared == 1 ? QStringLiteral("1 mark cleared")
                                         : QStringLiteral("%1 marks cleared").arg(cleared));
  });
}

void TForm1::Edit7Change() {
  Run([this] { star_->magnitudeStep = BoxNumber(Edit7); });
}

}  // namespace ombrane
