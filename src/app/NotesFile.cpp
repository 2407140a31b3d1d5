#include "NotesFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentWriter>
#include <memory>

#include "OpenDocumentText.h"
#include "common/WholeFile.h"

namespace ombrane {

namespace {

[[noreturn]] void Fail(const QString& message) {
  throw NotesFileError(message.toStdString());
}

bool LooksLikeHtml(const QString& path, const QString& text) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("htm") || suffix == QLatin1String("html")) return true;
  const QString start = text.left(512).trimmed();
  return start.startsWith(QLatin1String("<!DOCTYPE html"), Qt::CaseInsensitive) ||
         start.startsWith(QLatin1String("<html"), Qt::CaseInsensitive);
}

QString DecodePlain(const QByteArray& bytes) {
  // A byte-order mark names the encoding (UTF-8, UTF-16, UTF-32); without one, UTF-8 when the
  // bytes are valid UTF-8, else Latin-1, which every byte sequence is.
  const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes);
  QStringDecoder decoder(marked.value_or(QStringConverter::Utf8));
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) text = QString::fromLatin1(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

}  // namespace

QString ShownPath(const QString& path) {
  return QDir::toNativeSeparators(path);
}

NotesContent ReadNotesFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    Fail(QStringLiteral("Could not open %1: %2").arg(ShownPath(path), file.errorString()));
  if (file.size() > kNotesFileLimit) {
    Fail(QStringLiteral("%1 is too large for the notes pane (%2 MB; at most %3 MB).")
             .arg(ShownPath(path))
             .arg(file.size() / (1024 * 1024))
             .arg(kNotesFileLimit / (1024 * 1024)));
  }
  // Read one byte more than the limit: a device that reports no size (a pipe) is refused too.
  const QByteArray bytes = file.read(kNotesFileLimit + 1);
  if (file.error() != QFileDevice::NoError)
    Fail(QStringLiteral("Could not read %1: %2").arg(ShownPath(path), file.errorString()));
  if (bytes.size() > kNotesFileLimit)
    Fail(QStringLiteral("%1 is too large for the notes pane (at most %2 MB).")
             .arg(ShownPath(path))
             .arg(kNotesFileLimit / (1024 * 1024)));

  // A zip archive: the OpenDocument text that Save writes for a name ending in ".odt".
  if (bytes.startsWith("PK\x03\x04"))
    return NotesContent{false, ReadOpenDocumentText(bytes, ShownPath(path))};
  const bool marked = QStringConverter::encodingForData(bytes).has_value();
  if (!marked && bytes.contains('\0')) Fail(QStringLiteral("%1 is not a text file.").arg(ShownPath(path)));

  const QString plain = DecodePlain(bytes);
  if (LooksLikeHtml(path, plain)) {
    // The character set the HTML declares (Qt writes UTF-8), UTF-8 when it declares none.
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    return NotesContent{true, decoder.isValid() ? decoder.decode(bytes) : plain};
  }

  QString text = plain;
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  // The line end of the last line does not start another line.
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  return NotesContent{false, text};
}

void WriteNotesFile(const QString& path, const QTextDocument& document) {
  QByteArray bytes;
  if (path.endsWith(QLatin1String(".odt"), Qt::CaseInsensitive)) {
    // Qt's OpenDocument writer closes its device when done: the document is built in memory,
    // then written whole as any other. It writes a line break inside a paragraph (Shift+Enter)
    // with a tab before it; such breaks become paragraph ends first, which is also how Open
    // reads a line break back.
    std::unique_ptr<QTextDocument> copy;
    const QTextDocument* written = &document;
    if (document.toRawText().contains(QChar::LineSeparator)) {
      copy.reset(document.clone());
      QTextCursor found;
      while (!(found = copy->find(QString(QChar::LineSeparator), found)).isNull()) found.insertBlock();
      written = copy.get();
    }
    QBuffer buffer(&bytes);
    QTextDocumentWriter writer(&buffer, "odf");
    if (!writer.write(written))
      Fail(QStringLiteral("Could not write %1: the OpenDocument writer failed").arg(ShownPath(path)));
  } else {
    bytes = document.toHtml().toUtf8();
  }
  const std::string reason =
      WriteWholeFile(QFile::encodeName(path).toStdString(),
                     std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  if (!reason.empty())
    Fail(QStringLiteral("Could not write %1: %2").arg(ShownPath(path), QString::fromStdString(reason)));
}

}  // namespace ombrane
