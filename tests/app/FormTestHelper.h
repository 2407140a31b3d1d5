// Shared pieces of the window tests: an Outside that answers dialogs from a queue and records
// what the window reported, and small file helpers.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "Outside.h"
#include "Unit1.h"

namespace ombrane::test {

class RecordingOutside : public Outside {
 public:
  std::deque<FileChoice> openAnswers;               // next answers of open dialogs; an empty path cancels
  std::deque<QString> saveAnswers;                  // next answers of save dialogs; an empty path cancels
  std::deque<bool> askAnswers;                      // next answers of questions; none left answers No
  std::deque<UnsavedAnswer> unsavedAnswers;         // next answers of "save first?"; none left: Discard
  std::deque<std::optional<QColor>> colourAnswers;  // next answers of the colour dialog
  QStringList errors;                               // messages of the error reporter
  QStringList openFolders;                          // folders the open dialogs started in
  QStringList openFilters;
  QStringList saveFolders;  // folders, filters and captions of the save dialogs
  QStringList saveFilters;
  QStringList saveCaptions;
  QList<QWidget*> saveParents;  // the window each save dialog stood over
  QStringList questions;
  QList<bool> readOnlyOffered;  // per open dialog: whether it showed the read-only box
  int beeps = 0;
  int openDialogs = 0;
  std::optional<QColor> lastColourPreset;
  QImage copiedImage;
  QString copiedText;
  QPrinter* printer = nullptr;  // the "default printer"; none installed when null

  std::optional<FileChoice> OpenFile(QWidget*, const QString&, const QString& folder, const QString& filter,
                                     bool offerReadOnly) override;
  std::optional<FileChoice> SaveFile(QWidget*, const QString& caption, const QString& folder,
                                     const QString& filter) override;
  bool Ask(QWidget*, const QString& question) override;
  UnsavedAnswer AskToSave(QWidget*, const QString& question) override;
  std::optional<QColor> ChooseColour(QWidget*, const QColor& initial) override;
  void Beep() override { ++beeps; }
  void ReportError(QWidget*, const QString& message) override { errors << message; }
  void CopyImage(const QImage& image) override { copiedImage = image; }
  void CopyText(const QString& text) override { copiedText = text; }
  QString ClipboardText() override { return copiedText; }
  QPrinter* Printer() override { return printer; }

  // Answers a modal dialog of the window (the import dialog): works its controls and returns
  // whether it is accepted. None set: the dialog is cancelled.
  std::function<bool(QDialog&)> dialogAnswer;
  int dialogs = 0;
  bool RunDialog(QDialog& dialog) override {
    ++dialogs;
    return dialogAnswer ? dialogAnswer(dialog) : false;
  }
};

// A window with a recording Outside; `outside` points into it.
struct FormFixture {
  FormFixture();
  std::unique_ptr<TForm1> form;
  RecordingOutside* outside = nullptr;

  // Writes `text` into `dir`/`name` and loads it through the Open data button.
  void Load(const QTemporaryDir& dir, const QString& name, const QByteArray& text);
  // Loads a file of `nights` nights with `perNight[k]` points each (one pair per line).
  void LoadNights(const QTemporaryDir& dir, const std::vector<int>& perNight);
};

// Text of a photometry file with the given points per night, Julian Days from 2450001.
QByteArray NightsFile(const std::vector<int>& perNight);

// A sinusoidal light curve 12 + 0.3 sin(2 pi (JD - 2450000) / period): `points` observations
// over `nights` nights, from JD 2450001.25 on, 0.4 d of each night.
QByteArray SineCurve(int points, int nights, double period);

// The bytes of a file; empty when it cannot be read.
QByteArray ReadAll(const QString& path);

// The last line of the notes pane.
QString LastLine(const QTextEdit* pane);

}  // namespace ombrane::test
