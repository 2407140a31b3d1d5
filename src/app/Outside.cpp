#include "Outside.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrinter>

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

QtOutside::QtOutside() = default;
QtOutside::~QtOutside() {
  delete printer_;
}

std::optional<FileChoice> QtOutside::OpenFile(QWidget* parent, const QString& caption, const QString& folder,
                                              const QString& filter) {
  QFileDialog dialog(parent, caption, folder, QtFileFilter(filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().first();
  if (path.isEmpty()) return std::nullopt;
  return FileChoice{path, dialog.testOption(QFileDialog::ReadOnly)};
}

std::optional<FileChoice> QtOutside::SaveFile(QWidget* parent, const QString& caption, const QString& folder,
                                              const QString& filter) {
  const QString path = QFileDialog::getSaveFileName(parent, caption, folder, QtFileFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return FileChoice{path, false};
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
  if (printer_ == nullptr) printer_ = new QPrinter(QPrinter::HighResolution);
  return printer_;
}

}  // namespace ombrane
