// TForm1: the graph output — printing the chart, saving it as a picture file (bitmap or PNG,
// SVG or PDF), copying it to the clipboard. Every output is painted by the chart's one paint
// routine (ChartWidget::Render), so the files and the page show what the screen shows.
#include <QApplication>
#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QScopeGuard>
#include <memory>

#include "BusyCursor.h"
#include "ChartOutput.h"
#include "ChartWidget.h"
#include "Controls.h"
#include "Unit1.h"
#include "view/GraphOutput.h"

namespace ombrane {

namespace {

QString Shown(const QString& path) {
  return QDir::toNativeSeparators(path);
}

}  // namespace

void TForm1::PrintChart(QPrinter& printer) {
  BusyCursor busy;
  // The printer's orientation is its user's setting: put back whatever way the print ends.
  const QPageLayout::Orientation kept = printer.pageLayout().orientation();
  const auto restoreOrientation = qScopeGuard([&printer, kept] { printer.setPageOrientation(kept); });
  printer.setPageOrientation(QPageLayout::Landscape);
  // Qt takes the document's title when the document begins, so it is set just before.
  printer.setDocName(QStringLiteral("Ombrane"));
  printResolution = PrintResolutionFor(RadioGroup1->itemIndex(), printResolution);

  QPainter painter;
  if (!painter.begin(&printer)) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
      throw OutputError(QStringLiteral("Could not print to %1: the file cannot be written.")
                            .arg(Shown(printer.outputFileName())));
    }
    throw OutputError(QStringLiteral("Could not print: the printer %1 did not accept the document.")
                          .arg(printer.printerName()));
  }
  try {
    // The printable area of the page, in printer pixels.
    const PageRect page = PrintRectangle(printer.width(), printer.height());
    const QRect target(QPoint(page.left, page.top), QPoint(page.right - 1, page.bottom - 1));
    const LayoutSize layout = PrintLayoutSize(target.width(), target.height(), printer.logicalDpiX(),
                                              printer.logicalDpiY(), printResolution);
    Chart1->RenderStretched(painter, target, QSize(layout.width, layout.height));
    if (!painter.end()) throw OutputError(QStringLiteral("Could not finish the printed page."));
  } catch (...) {
    // A failed job is taken back from the printer, not left half printed.
    printer.abort();
    if (painter.isActive()) painter.end();
    throw;
  }
}

void TForm1::printGraphClick() {
  Run([this] {
    QPrinter* printer = outside_->Printer();
    std::unique_ptr<QPrinter> pdf;
    if (printer == nullptr) {
      // A fresh machine often has no printer: offer the page as a PDF file instead.
      if (!outside_->Ask(this, QStringLiteral("No printer is installed.\nSave the printed page as a PDF "
                                              "file instead?")))
        return;
      const std::optional<FileChoice> choice = ChooseSaveFile(PrintPdfDialog);
      if (!choice) return;
      pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
      pdf->setOutputFormat(QPrinter::PdfFormat);
      pdf->setOutputFileName(choice->path);
      printer = pdf.get();
    }
    PrintChart(*printer);
  });
}

void TForm1::saveGraph_bmpClick() {
  Run([this] {
    const std::optional<FileChoice> choice = ChooseSaveFile(SavePictureDialog1);
    if (!choice) return;
    // A Windows bitmap under the name as typed; PNG when the name ends in ".png".
    WriteWhole(choice->path, BitmapPicture(*Chart1, choice->path));
    // The notes save dialog shows bitmaps from now on.
    SaveDialog1.filter = QStringLiteral("*.bmp*|*.bmp*");
  });
}

void TForm1::saveGraph_emfClick() {
  Run([this] {
    const std::optional<FileChoice> choice = ChooseSaveFile(SavePictureDialog2);
    if (!choice) return;
    BusyCursor busy;
    // The chart as vector graphics at its on-screen size: SVG, or PDF when the name ends in
    // ".pdf".
    WriteWhole(choice->path, VectorPicture(*Chart1, *chartModel_, choice->path));
  });
}

void TForm1::copyGraphClick() {
  Run([this] { outside_->CopyImage(Chart1->RenderImage()); });
}

}  // namespace ombrane
