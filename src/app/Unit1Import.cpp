// TForm1: File ▸ Import…, the files observers have (text in columns, AAVSO exports, FITS light
// curves of Kepler, K2 and TESS) through the import dialog into the one load of the store.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QToolButton>

#include "Controls.h"
#include "ImportDialog.h"
#include "Unit1.h"
#include "io/Import.h"
#include "services/LoadFile.h"

namespace ombrane {

void TForm1::ImportClick() {
  Run(
      [this] {
        // Work not saved as a project is asked about before anything changes.
        if (!ProjectMayBeDiscarded()) return;
        // The period step of the new object, read first as Open data reads it: a box that is
        // not a number ends the import before anything changes.
        const long double increment = BoxNumber(Edit6);

        // The file; the dialog starts in the folder of the last import. Cancelling the file or
        // the import dialog changes nothing.
        const std::optional<FileChoice> choice = ChooseOpenFile(ImportDialog1);
        if (!choice) return;
        const QFileInfo chosen(choice->path);
        ImportDialog1.initialDir = chosen.absolutePath();
        const QString name = chosen.fileName();
        const std::string path = QFile::encodeName(choice->path).toStdString();
        // The file is read once, here, and its bytes held: the dialog reads them again with
        // every choice, never the file. A file that cannot be read as any format says why here,
        // before the dialog.
        io::Input input = io::ReadHeldInput(path, name.toStdString());
        io::ImportPreview preview = io::InspectImport(input, name.toStdString());
        ImportDialog dialog(std::move(input), name.toStdString(), std::move(preview), DecimalSeparator(),
                            this);
        if (!outside_->RunDialog(dialog) || !dialog.result()) return;
        const io::ImportResult& imported = *dialog.result();

        // The load of Open data, with the observations the dialog chose instead of the pairs
        // of the file.
        star_->increment = increment;
        ResetCoordinateBoxes();
        ForgetLastStore();
        SourceLoaded(QString(), std::nullopt);
        view_->openPath = QFile::encodeName(name).toStdString();
        const LoadReport report =
            LoadImported(imported, name.toStdString(), name.toStdString(), *data_, *star_, *view_);
        ShowLoaded(name, report.Notes());
        FinishLoad(report);
        // A project of this analysis replays the import with the choices made in the dialog.
        SourceLoaded(choice->path, dialog.options());
      },
      true);
}

}  // namespace ombrane
