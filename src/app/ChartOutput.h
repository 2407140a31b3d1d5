// A chart as a picture file: the bitmap (Windows bitmap, or PNG), the vector picture (SVG, or
// PDF) and the writing of a file whole. The main window's graph output and the periodogram
// window both save their charts through these, painted by the chart's one paint routine.
#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace ombrane {

class ChartWidget;
class ChartModel;

// A picture file that cannot be written; the message names the file and the reason.
class OutputError : public std::runtime_error {
 public:
  explicit OutputError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// True when `path` ends in `extension` (".png"), whatever the case.
bool NameEndsIn(const QString& path, const char* extension);

// The chart at its on-screen size as a Windows bitmap, or as PNG when the name ends in ".png";
// `path` names the file in a failure.
QByteArray BitmapPicture(const ChartWidget& chart, const QString& path);

// The chart as vector graphics at its on-screen size (points and curve as paths, texts as
// texts): SVG, or PDF when the name ends in ".pdf". The chart's title lines are the document's
// title. A symbol covered exactly by a later one at the same place, or lying wholly outside the
// picture, is left out (PointDetail::Visible): the symbols stand at whole pixels of the chart, so
// the covered one shows at no zoom of the file, while a million points would make a file of
// hundreds of megabytes. The bitmap, like the printer, draws every point.
QByteArray VectorPicture(const ChartWidget& chart, const ChartModel& model, const QString& path);

// Writes `bytes` to `path` whole or not at all: an existing file is replaced only once the new
// content is complete. OutputError when it cannot.
void WriteWhole(const QString& path, const QByteArray& bytes);

}  // namespace ombrane
