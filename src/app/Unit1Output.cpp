// TForm1: the graph output — printing the chart, saving it as a picture file (bitmap or PNG,
// SVG or PDF), copying it to the clipboard. Every output is painted by the chart's one paint
// routine (ChartWidget::Render), so the files and the page show what the screen shows.
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSvgGenerator>
#include <memory>
#include <stdexcept>

#include "ChartWidget.h"
#include "Controls.h"
#include "Unit1.h"
#include "view/GraphOutput.h"

namespace ombrane {

namespace {

// A picture file that cannot be written; the message names the file and the reason.
class OutputError : public std::runtime_error {
 public:
  explicit OutputError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

QString Shown(const QString& path) {
  return QDir::toNativeSeparators(path);
}

// The hourglass while a piece of work runs, taken back however it ends.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Writes `bytes` to `path` whole or not at all: an existing file is replaced only once the new
// content is complete.
void WriteWhole(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  file.setDirectWriteFallback(true);  // a folder that allows no new file but holds a writable one
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    throw OutputError(QStringLiteral("Could not write %1: %2").arg(Shown(path), file.errorString()));
}

bool NameEndsIn(const QString& path, const char* extension) {
  return path.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

// The chart's title lines, as the title of the document that holds the picture.
QString DocumentTitle(const ChartModel& model) {
  QStringList lines;
  for (const std::string& line : model.titleLines) lines << QString::fromStdString(line);
  return lines.join(QLatin1Char(' '));
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
    const QByteArray format = NameEndsIn(choice->path, ".png") ? "png" : "bmp";
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageWriter writer(&buffer, format);
    if (!writer.write(Chart1->RenderImage()))
      throw OutputError(
          QStringLiteral("Could not write %1: %2").arg(Shown(choice->path), writer.errorString()));
    WriteWhole(choice->path, bytes);
    // The notes save dialog shows bitmaps from now on.
    SaveDialog1.filter = QStringLiteral("*.bmp*|*.bmp*");
  });
}

void TForm1::saveGraph_emfClick() {
  Run([this] {
    const std::optional<FileChoice> choice = ChooseSaveFile(SavePictureDialog2);
    if (!choice) return;
    BusyCursor busy;
    // The chart as vector graphics at its on-screen size: points and curve as paths, texts as
    // texts. SVG, or PDF when the name ends in ".pdf".
    const QSize size = Chart1->size().expandedTo(QSize(1, 1));
    const QRect area(QPoint(0, 0), size);
    const QString title = DocumentTitle(*chartModel_);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (NameEndsIn(choice->path, ".pdf")) {
      QPdfWriter writer(&buffer);
      writer.setCreator(QStringLiteral("Ombrane"));
      writer.setTitle(title);
      // One page of the chart's size: a pixel of the screen (1/96 inch) is 0.75 point.
      writer.setResolution(96);
      writer.setPageSize(QPageSize(QSizeF(size) * 0.75, QPageSize::Point, QString(), QPageSize::ExactMatch));
      writer.setPageMargins(QMarginsF(0, 0, 0, 0));
      QPainter painter(&writer);
      Chart1->Render(painter, area);
    } else {
      QSvgGenerator generator;
      generator.setOutputDevice(&buffer);
      generator.setSize(size);
      generator.setViewBox(area);
      generator.setResolution(96);
      generator.setTitle(title);
      generator.setDescription(QStringLiteral("Drawn by Ombrane"));
      QPainter painter(&generator);
      Chart1->Render(painter, area);
    }
    WriteWhole(choice->path, bytes);
  });
}

void TForm1::copyGraphClick() {
  Run([this] { outside_->CopyImage(Chart1->RenderImage()); });
}

}  // namespace ombrane
