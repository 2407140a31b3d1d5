#include "ChartOutput.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <QSvgGenerator>

#include "ChartWidget.h"
#include "common/WholeFile.h"

namespace ombrane {

namespace {

QString Shown(const QString& path) {
  return QDir::toNativeSeparators(path);
}

// The chart's title lines, as the title of the document that holds the picture.
QString DocumentTitle(const ChartModel& model) {
  QStringList lines;
  for (const std::string& line : model.titleLines) lines << QString::fromStdString(line);
  return lines.join(QLatin1Char(' '));
}

}  // namespace

bool NameEndsIn(const QString& path, const char* extension) {
  return path.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

QByteArray BitmapPicture(const ChartWidget& chart, const QString& path) {
  const QByteArray format = NameEndsIn(path, ".png") ? "png" : "bmp";
  QByteArray bytes;
  QBuffer buffer(&bytes);
  QImageWriter writer(&buffer, format);
  if (!writer.write(chart.RenderImage()))
    throw OutputError(QStringLiteral("Could not write %1: %2").arg(Shown(path), writer.errorString()));
  return bytes;
}

QByteArray VectorPicture(const ChartWidget& chart, const ChartModel& model, const QString& path) {
  const QSize size = chart.size().expandedTo(QSize(1, 1));
  const QRect area(QPoint(0, 0), size);
  const QString title = DocumentTitle(model);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (NameEndsIn(path, ".pdf")) {
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("Ombrane"));
    writer.setTitle(title);
    // One page of the chart's size: a pixel of the screen (1/96 inch) is 0.75 point.
    writer.setResolution(96);
    writer.setPageSize(QPageSize(QSizeF(size) * 0.75, QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    chart.Render(painter, area, PointDetail::Visible);
  } else {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(area);
    generator.setResolution(96);
    generator.setTitle(title);
    generator.setDescription(QStringLiteral("Drawn by Ombrane"));
    QPainter painter(&generator);
    chart.Render(painter, area, PointDetail::Visible);
  }
  return bytes;
}

void WriteWhole(const QString& path, const QByteArray& bytes) {
  const std::string reason =
      WriteWholeFile(QFile::encodeName(path).toStdString(),
                     std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  if (!reason.empty())
    throw OutputError(
        QStringLiteral("Could not write %1: %2").arg(Shown(path), QString::fromStdString(reason)));
}

}  // namespace ombrane
