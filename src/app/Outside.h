// Everything the window reaches outside itself: file dialogs, the colour dialog, the beep, the
// printer, the clipboard and the error reporter. The window owns one implementation; the
// default one uses the real Qt classes, and the window tests install one that answers dialogs
// with prepared paths and records what was reported, printed or copied.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <optional>

class QDialog;
class QWidget;
class QPrinter;

namespace ombrane {

struct FileChoice {
  QString path;           // absolute path of the chosen file
  bool readOnly = false;  // the open dialog's "Open read-only" box was ticked
};

// What a file dialog of the window keeps between runs: its caption, the folder it opens in and
// its filter, written as "description|pattern" pairs joined by "|" ("" for none).
struct FileDialog {
  QString caption{};
  QString initialDir{};
  QString filter{};
};

// The filter of a FileDialog in the form Qt's file dialogs read: "Enhanced Metafiles
// (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf" -> "Enhanced Metafiles (*.emf);;Metafiles (*.wmf)",
// "*.*|*.*" -> "*.* (*.*)"; a lone pattern ("*.bmp") stays as it is.
QString QtFileFilter(const QString& filter);

// The answer to "save the changed notes first?".
enum class UnsavedAnswer { Save, Discard, Cancel };

class Outside {
 public:
  virtual ~Outside() = default;

  // An open or save dialog: caption, initial folder and filter ("" for none). Nothing when
  // the user cancels or chooses an empty name. With `offerReadOnly` the open dialog shows an
  // "Open read-only" box. The save dialog returns the name as typed (no extension added) and
  // does not ask about an existing file: the window asks (TForm1::ChooseSaveFile).
  virtual std::optional<FileChoice> OpenFile(QWidget* parent, const QString& caption, const QString& folder,
                                             const QString& filter, bool offerReadOnly = false) = 0;
  virtual std::optional<FileChoice> SaveFile(QWidget* parent, const QString& caption, const QString& folder,
                                             const QString& filter) = 0;
  // A question answered Yes or No; true for Yes.
  virtual bool Ask(QWidget* parent, const QString& question) = 0;
  // The question before unsaved work is discarded: Save, Discard or Cancel.
  virtual UnsavedAnswer AskToSave(QWidget* parent, const QString& question) = 0;
  // The colour dialog preset to `initial`; nothing when cancelled.
  virtual std::optional<QColor> ChooseColour(QWidget* parent, const QColor& initial) = 0;
  virtual void Beep() = 0;
  // The message box of a failed action, titled with the application title.
  virtual void ReportError(QWidget* parent, const QString& message) = 0;
  virtual void CopyImage(const QImage& image) = 0;
  virtual void CopyText(const QString& text) = 0;
  virtual QString ClipboardText() = 0;
  // The default printer, or nothing when no printer is installed. The printer stays owned by
  // the Outside and keeps its settings between print jobs.
  virtual QPrinter* Printer() = 0;
  // Runs a dialog of the window (the import dialog) modally; true when it was accepted.
  virtual bool RunDialog(QDialog& dialog);
};

// The real dialogs, beep, clipboard and printer.
class QtOutside : public Outside {
 public:
  QtOutside();
  ~QtOutside() override;
  std::optional<FileChoice> OpenFile(QWidget* parent, const QString& caption, const QString& folder,
                                     const QString& filter, bool offerReadOnly = false) override;
  std::optional<FileChoice> SaveFile(QWidget* parent, const QString& caption, const QString& folder,
                                     const QString& filter) override;
  bool Ask(QWidget* parent, const QString& question) override;
  UnsavedAnswer AskToSave(QWidget* parent, const QString& question) override;
  std::optional<QColor> ChooseColour(QWidget* parent, const QColor& initial) override;
  void Beep() override;
  void ReportError(QWidget* parent, const QString& message) override;
  void CopyImage(const QImage& image) override;
  void CopyText(const QString& text) override;
  QString ClipboardText() override;
  QPrinter* Printer() override;

 private:
  QPrinter* printer_ = nullptr;
};

}  // namespace ombrane
