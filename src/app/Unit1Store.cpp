// TForm1: loading a photometry file.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTextEdit>
#include <QToolButton>

#include "ChartWidget.h"
#include "Controls.h"
#include "Unit1.h"
#include "common/PartialOutcome.h"
#include "measure/Selection.h"
#include "services/LoadFile.h"
#include "view/LightCurve.h"

namespace ombrane {

void TForm1::OpenDataClick() {
  Run(
      [this] {
        // Work not saved as a project is asked about before the store is emptied.
        if (!ProjectMayBeDiscarded()) return;

        // 1. The period step of a new object is what the increment box shows.
        star_->increment = BoxNumber(Edit6);

        // 2. Empty the store before the dialog opens.
        ResetCoordinateBoxes();
        LoadReport report = EmptyStore(*data_, *star_, *view_);
        ForgetLastStore();
        SourceLoaded(QString(), std::nullopt);

        // 3. The data-file dialog, in the program's folder, without a filter.
        // Choosing a file makes its folder the current one: the file is opened by its bare name.
        OpenDialog2.initialDir = programFolder();
        const std::optional<FileChoice> choice = ChooseOpenFile(OpenDialog2);
        if (choice) {
          const QFileInfo chosen(choice->path);

          // 4. The name without its folder.
          const QString name = chosen.fileName();
          view_->openPath = QFile::encodeName(name).toStdString();  // the name as the file system spells it

          // 5.-8. Read the file (an AAVSO export or a FITS light curve imported as its format
          // says, any other file as pairs), split the nights and copy the entries into the
          // working arrays. A file that cannot be imported leaves the emptied store, with its
          // buttons, and says why.
          KeepingPartial(
              [&] {
                report = LoadFile({.path = view_->openPath,
                                   .fileName = name.toStdString(),
                                   .shownName = name.toStdString(),
                                   .importOptions = {},
                                   .decimalSeparator = DecimalSeparator(),
                                   .timeScale = {}},
                                  *data_, *star_, *view_);
              },
              [&] { FinishLoad(report); });
          if (!report.read.opened) outside_->Beep();

          // 9. Draw the whole light curve, the repeated last entry included. A file whose lines
          // all hold three numbers or more has been read across its columns: say so, and where
          // its columns can be chosen.
          std::vector<std::string> notes = report.Notes();
          if (report.read.columnsMixed)
            notes.push_back(
                ColumnsMixedLine(name.toStdString(), "File ▸ Import… reads the two columns you choose"));
          // A header or a comment at the top stops the reading before any pair.
          if (report.read.stoppedAtLine > 0 && report.read.pointCount == 0)
            notes.push_back(name.toStdString() +
                            ": File ▸ Import… reads files with a header, comment lines or "
                            "commas and semicolons between the numbers.");
          ShowLoaded(name, notes);
        }

        FinishLoad(report);
        // The file a project of this analysis names (none when nothing was read).
        if (choice && report.read.opened) SourceLoaded(choice->path, std::nullopt);
      },
      true);
}

void TForm1::ForgetLastStore() {
  chartModel_->leftAxisInverted = false;
  // An area picked on the previous store names its entries: neither a pending first point nor a
  // finished pair may act on the new one.
  ForgetPendingArea(*view_);
  ForgetPeriodogram();
  // The operations of the old store name its entries: none can be undone on the new one.
  ForgetOperations();
  Delete->setEnabled(false);
  sincos->setEnabled(false);
}

void TForm1::ShowLoaded(const QString& name, const std::vector<std::string>& notes) {
  Label1->setText(name);
  // The file name and the messages go first, so that a fault while drawing leaves them shown.
  Image1->hide();
  RichEdit1->show();
  Chart1->show();
  AppendNote(QStringLiteral("File name: ") + name);
  for (const std::string& note : notes) AppendNote(QString::fromStdString(note));
  NewPicture([this] { DrawLoadedCurve(*chartModel_, *data_, data_->fileName); });
}

void TForm1::ResetCoordinateBoxes() {
  // Their change handlers run; the load's defaults then mark the coordinates as not given.
  for (QLineEdit* box : {Edit17, Edit16, Edit15, Edit14, Edit11, Edit12})
    SetBoxText(box, QStringLiteral("0"));
}

void TForm1::FinishLoad(const LoadReport& report) {
  // 10. Buttons for the nights there are (also after a cancelled dialog).
  ApplyNavigation(report.navigation);
  UpdateErrorBarsAction();

  // 11. The boxes of a new object's defaults; they run their change handlers when they change.
  SetBoxText(Edit2, General(star_->epoch));
  SetBoxText(Edit7, General(star_->magnitudeStep));
}

}  // namespace ombrane
