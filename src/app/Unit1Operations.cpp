// TForm1: the list of data operations (Delete, the magnitude steps, marks and their clearing)
// and Edit > Undo / Redo over it. Each handler that changes the observations hands its
// operation to the list; Undo and Redo walk it and draw the picture the operation itself draws.
#include <QAction>
#include <QLabel>
#include <QToolButton>

#include <algorithm>

#include "ChartWidget.h"
#include "Unit1.h"
#include "common/PartialOutcome.h"
#include "measure/Selection.h"
#include "phase/MagnitudeSteps.h"
#include "store/Operations.h"
#include "view/LightCurve.h"
#include "view/Navigation.h"

namespace ombrane {

void TForm1::UpdateUndoActions() {
  const Operation* undo = operations_.NextUndo();
  const Operation* redo = operations_.NextRedo();
  EditUndoOperationCmd->setEnabled(undo != nullptr);
  EditRedoOperationCmd->setEnabled(redo != nullptr);
  EditUndoOperationCmd->setText(undo != nullptr
                                    ? QStringLiteral("&Undo ") + QString::fromStdString(OperationName(*undo))
                                    : QStringLiteral("&Undo"));
  EditRedoOperationCmd->setText(redo != nullptr
                                    ? QStringLiteral("&Redo ") + QString::fromStdString(OperationName(*redo))
                                    : QStringLiteral("&Redo"));
}

void TForm1::ForgetOperations() {
  operations_.Reset();
  UpdateUndoActions();
}

void TForm1::RecordNewMarks(const std::vector<uint8_t>& marksBefore) {
  MarkOperation marked;
  const size_t n = std::min(marksBefore.size(), data_->markFlag.size());
  for (size_t i = 0; i < n; ++i)
    if (marksBefore[i] == 0 && data_->markFlag[i] != 0) marked.entries.push_back(static_cast<int32_t>(i));
  if (marked.entries.empty()) return;
  operations_.Record(marked, *data_);
  UpdateUndoActions();
}

void TForm1::ShowDeleted() {
  // The whole light curve of what is left, with no title.
  NewPicture([this] {
    DrawLoadedCurve(*chartModel_, *data_, std::string());
    chartModel_->titleLines.clear();
  });
  ApplyNavigation(NightStateAfterDelete(*view_));
  Delete->setEnabled(false);
  sincos->setEnabled(false);
}

void TForm1::ShowStepped() {
  if (view_->currentNight >= 0) {
    // One night shown: the diagram of the last fold drawn again, as "+" and "-" draw it.
    NewPicture([this] { ShowMagnitudeStep(*data_, *star_, *view_, *chartModel_); });
    Label11->setText(General(star_->stringLength));
  } else if (chartModel_->bottomAxisTitle == "Julian Day") {
    // The whole curve shown: drawn again with the magnitudes now.
    NewPicture([this] { ApplyNavigation(ShowAllNights(*data_, *view_, *chartModel_)); });
    ShowMagnitudeStep(*data_, *star_, *view_, *chartModel_);
    Label11->setText(General(star_->stringLength));
  } else {
    // A phase diagram of every night: folded again, as the Phase button does.
    Fold(false, false);
  }
}

void TForm1::ShowAfterOperation(const Operation& operation) {
  if (std::holds_alternative<DeleteOperation>(operation)) {
    ShowDeleted();
  } else if (std::holds_alternative<StepOperation>(operation)) {
    ShowStepped();
  } else {
    RedrawMarks(*data_, *view_, *chartModel_);
    Chart1->Refresh();
  }
}

void TForm1::UndoOperationClick() {
  Run(
      [this] {
        KeepingPartial(
            [this] {
              if (const std::optional<Operation> undone = operations_.Undo(*data_, *view_))
                ShowAfterOperation(*undone);
            },
            [this] { UpdateUndoActions(); });
        UpdateUndoActions();
      },
      true);
}

void TForm1::RedoOperationClick() {
  Run(
      [this] {
        KeepingPartial(
            [this] {
              if (const std::optional<Operation> redone = operations_.Redo(*data_, *view_))
                ShowAfterOperation(*redone);
            },
            [this] { UpdateUndoActions(); });
        UpdateUndoActions();
      },
      true);
}

}  // namespace ombrane
