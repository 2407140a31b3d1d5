#include "Outside.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

namespace ombrane {

QString QtFileFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  if (parts.size() < 2) return filter;
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QString& pattern = parts[i + 1];
    // Qt takes the patterns from the parentheses of an entry when it has them.
    entries << (description.contains(QLatin1Char('(')) ? description
                                                       : description + QStringLiteral(" (") + pattern + ')');
  }
  return entries.join(QStringLiteral(";;"));
}

bool Outside::RunDialog(QDialog& dialog) {
  return dialog.exec() == QDialog::Accepted;
}

QtOutside::QtOutside() = default;
QtOutside::~QtOutside() {
  delete printer_;
}

std::optional<FileChoice> QtOutside::OpenFile(QWidget* parent, const QString& caption, const QString& folder,
                                              const QString& filter, bool offerReadOnly) {
  QFileDialog dialog(parent, caption, folder, QtFileFilter(filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  QCheckBox* readOnly = nullptr;
  if (offerReadOnly) {
    // The platform's dialog takes no extra control: Qt's own dialog, with the box under the
    // file-type row.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
      readOnly = new QCheckBox(QFileDialog::tr("Open read-only"), &dialog);
      readOnly->setObjectName(QStringLiteral("ReadOnlyBox"));
      grid->addWidget(readOnly, grid->rowCount(), 1, 1, std::max(1, grid->columnCount() - 1));
    }
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().first();
  if (path.isEmpty()) return std::nullopt;
  return FileChoice{path, readOnly != nullptr && readOnly->isChecked()};
}

std::optional<FileChoice> QtOutside::SaveFile(QWidget* parent, const QString& caption, const QString& folder,
                                              const QString& filter) {
  // The window asks before replacing a file, the same way for every save dialog.
  const QString path = QFileDialog::getSaveFileName(parent, caption, folder, QtFileFilter(filter), nullptr,
                                                    QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return std::nullopt;
  return FileChoice{path, false};
}

bool QtOutside::Ask(QWidget* parent, const QString& question) {
  return QMessageBox::question(parent, QApplication::applicationName(), question,
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

UnsavedAnswer QtOutside::AskToSave(QWidget* parent, const QString& question) {
  switch (QMessageBox::question(parent, QApplication::applicationName(), question,
                                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                QMessageBox::Save)) {
    case QMessageBox::Save:
      return UnsavedAnswer::Save;
    case QMessageBox::Discard:
      return UnsavedAnswer::Discard;
    default:
      return UnsavedAnswer::Cancel;
  }
}

std::optional<QColor> QtOutside::ChooseColour(QWidget* parent, const QColor& initial) {
  const QColor colour = QColorDialog::getColor(initial, parent);
  if (!colour.isValid()) return std::nullopt;
  return colour;
}

void QtOutside::Beep() {
  QApplication::beep();
}

void QtOutside::ReportError(QWidget* parent, const QString& message) {
  QMessageBox::critical(parent, QApplication::applicationName(), message);
}

void QtOutside::CopyImage(const QImage& image) {
  QApplication::clipboard()->setImage(image);
}
void QtOutside::CopyText(const QString& text) {
  QApplication::clipboard()->setText(text);
}
QString QtOutside::ClipboardText() {
  return QApplication::clipboard()->text();
}

QPrinter* QtOutside::Printer() {
  if (printer_ == nullptr) {
    // The default printer; when none is marked default, the first one there is.
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
      const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
      if (printers.isEmpty()) return nullptr;
      info = printers.first();
    }
    printer_ = new QPrinter(info, QPrinter::HighResolution);
  }
  return printer_;
}

}  // namespace ombrane
