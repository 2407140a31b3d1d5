#include "FormTestHelper.h"

#include <QFile>
#include <QTextEdit>
#include <cmath>

namespace ombrane::test {

std::optional<FileChoice> RecordingOutside::OpenFile(QWidget*, const QString&, const QString& folder,
                                                     const QString& filter, bool offerReadOnly) {
  ++openDialogs;
  openFolders << folder;
  openFilters << filter;
  readOnlyOffered << offerReadOnly;
  if (openAnswers.empty()) return std::nullopt;
  const FileChoice answer = openAnswers.front();
  openAnswers.pop_front();
  if (answer.path.isEmpty()) return std::nullopt;
  return answer;
}

std::optional<FileChoice> RecordingOutside::SaveFile(QWidget* parent, const QString& caption,
                                                     const QString& folder, const QString& filter) {
  saveParents << parent;
  saveCaptions << caption;
  saveFolders << folder;
  saveFilters << filter;
  if (saveAnswers.empty()) return std::nullopt;
  const QString answer = saveAnswers.front();
  saveAnswers.pop_front();
  if (answer.isEmpty()) return std::nullopt;
  return FileChoice{answer, false};
}

bool RecordingOutside::Ask(QWidget*, const QString& question) {
  questions << question;
  if (askAnswers.empty()) return false;
  const bool answer = askAnswers.front();
  askAnswers.pop_front();
  return answer;
}

UnsavedAnswer RecordingOutside::AskToSave(QWidget*, const QString& question) {
  questions << question;
  if (unsavedAnswers.empty()) return UnsavedAnswer::Discard;
  const UnsavedAnswer answer = unsavedAnswers.front();
  unsavedAnswers.pop_front();
  return answer;
}

std::optional<QColor> RecordingOutside::ChooseColour(QWidget*, const QColor& initial) {
  lastColourPreset = initial;
  if (colourAnswers.empty()) return std::nullopt;
  auto answer = colourAnswers.front();
  colourAnswers.pop_front();
  return answer;
}

FormFixture::FormFixture() {
  auto recording = std::make_unique<RecordingOutside>();
  outside = recording.get();
  form = std::make_unique<TForm1>(std::move(recording));
}

void FormFixture::Load(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(text);
  file.close();
  outside->openAnswers.push_back(FileChoice{path, false});
  form->OpenDataClick();
}

void FormFixture::LoadNights(const QTemporaryDir& dir, const std::vector<int>& perNight) {
  Load(dir, QStringLiteral("nights.txt"), NightsFile(perNight));
}

QByteArray NightsFile(const std::vector<int>& perNight) {
  QByteArray text;
  for (size_t night = 0; night < perNight.size(); ++night) {
    for (int i = 0; i < perNight[night]; ++i) {
      const double jd = 2450001.0 + static_cast<double>(night) + 0.3 + 0.01 * i;
      const double mag = 12.0 + 0.01 * static_cast<double>(i % 7) + 0.1 * static_cast<double>(night % 3);
      text += QByteArray::number(jd, 'f', 5) + ' ' + QByteArray::number(mag, 'f', 4) + '\n';
    }
  }
  return text;
}

QByteArray SineCurve(int points, int nights, double period) {
  QByteArray text;
  const double pi = std::acos(-1.0);
  for (int i = 0; i < points; ++i) {
    const int night = i * nights / points;
    const double jd = 2450001.0 + night + 0.25 + 0.4 * (i % (points / nights)) / (points / nights);
    const double mag = 12.0 + 0.3 * std::sin(2 * pi * (jd - 2450000.0) / period);
    text += QByteArray::number(jd, 'f', 6) + "  " + QByteArray::number(mag, 'f', 5) + "\r\n";
  }
  return text;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString LastLine(const QTextEdit* pane) {
  return pane->toPlainText().split('\n').last();
}

}  // namespace ombrane::test
