// TForm1: the time of minimum (sincos), the heliocentric correction's coordinate boxes and the
// star catalogue lookup (Button11 "Name", the name boxes Edit10 and Edit13).
#include <QCheckBox>
#include <QDir>
#include <QToolButton>

#include "Controls.h"
#include "Unit1.h"
#include "common/PartialOutcome.h"
#include "timing/Catalogue.h"
#include "timing/MinimumTimingPresentation.h"

namespace ombrane {

void TForm1::sincosClick() {
  Run(
      [this] {
        const MinimumRequest request{
            .axis = RadioGroup3->itemIndex() == 1 ? PhaseAxis::JdAverage : PhaseAxis::Phase,
            .heliocentric = CheckBox4->isChecked(),
            .barycentric = true,
            .separator = DecimalSeparator()};
        MinimumOutcome outcome;
        auto note = [&] {
          for (const std::string& line : outcome.lines) AppendNote(QString::fromStdString(line));
        };
        // On the phase diagram the minimum redraws it: a new picture, shown whole. The lines
        // written before a fault stay; the button then stays enabled.
        KeepingPartial(
            [&] { NewPicture([&] { TimeMinimum(*data_, *star_, *view_, *chartModel_, request, outcome); }); },
            note);
        note();
        // Each selection is timed once; a selection that could not be timed may be tried again.
        if (outcome.finished) sincos->setEnabled(false);
      },
      true);
}

// The box of the window that a catalogue value goes into.
EditBox* TForm1::CatalogueFieldControl(CatalogueField field) const {
  switch (field) {
    case CatalogueField::Epoch:
      return Edit2;
    case CatalogueField::Period:
      return Edit3;
    case CatalogueField::RaHours:
      return Edit11;
    case CatalogueField::RaMinutes:
      return Edit14;
    case CatalogueField::RaSeconds:
      return Edit16;
    case CatalogueField::DecDegrees:
      return Edit12;
    case CatalogueField::DecArcMinutes:
      return Edit15;
    case CatalogueField::DecArcSeconds:
      return Edit17;
  }
  return Edit2;
}

void TForm1::Button11Click() {
  Run(
      [this] {
        std::string why;
        const std::optional<std::string> text = ReadCatalogueFile(kCatalogueFileName, &why);
        if (!text) {
          const std::string folder = QDir::toNativeSeparators(QDir::currentPath()).toStdString();
          // A catalogue that exists but cannot be read (a folder, a file too large) says why, as
          // the batch's lookup does, rather than claim that there is none.
          AppendNote(QString::fromStdString(why.empty() ? CatalogueMissingMessage(folder)
                                                        : CatalogueUnreadableMessage(folder, why)));
          return;
        }
        for (const CatalogueStep& step : LookupStar(*text, star_->starName, star_->constellation)) {
          if (!step.field) {
            AppendNote(QString::fromStdString(step.message));
            continue;
          }
          // Writing a box runs its change handler; a value it refuses ends the lookup there.
          const QString value = QString::fromStdString(CatalogueValueText(step.value, DecimalSeparator()));
          SetBoxText(CatalogueFieldControl(*step.field), value);
          if (*step.field == CatalogueField::Period) star_->period = step.value;  // the full value
          // A looked-up coordinate counts as given even when its box already showed it.
          if (*step.field == CatalogueField::RaHours || *step.field == CatalogueField::DecDegrees)
            star_->coordinatesGiven = true;
        }
      },
      true);
}

void TForm1::Edit10Change() {
  Run([this] { star_->starName = Edit10->text().toStdString(); });
}

void TForm1::Edit13Change() {
  Run([this] { star_->constellation = Edit13->text().toStdString(); });
}

void TForm1::Edit11Change() {
  Run([this] {
    star_->rightAscension.whole = BoxNumber(Edit11);
    star_->coordinatesGiven = true;
  });
}

void TForm1::Edit14Change() {
  Run([this] {
    star_->rightAscension.minutes = BoxNumber(Edit14);
    star_->coordinatesGiven = true;
  });
}

void TForm1::Edit16Change() {
  Run([this] {
    star_->rightAscension.seconds = BoxNumber(Edit16);
    star_->coordinatesGiven = true;
  });
}

void TForm1::Edit12Change() {
  Run([this] {
    star_->declination.whole = BoxNumber(Edit12);
    star_->coordinatesGiven = true;
  });
}

void TForm1::Edit15Change() {
  Run([this] {
    star_->declination.minutes = BoxNumber(Edit15);
    star_->coordinatesGiven = true;
  });
}

void TForm1::Edit17Change() {
  Run([this] {
    star_->declination.seconds = BoxNumber(Edit17);
    star_->coordinatesGiven = true;
  });
}

}  // namespace ombrane
