#include "OpenDocumentText.h"

#include <zlib.h>

#include <QStringList>
#include <QXmlStreamReader>
#include <cstdint>
#include <limits>
#include <optional>

#include "NotesFile.h"

namespace ombrane {

namespace {

constexpr char kTextMimeType[] = "application/vnd.oasis.opendocument.text";
constexpr char kTemplateMimeType[] = "application/vnd.oasis.opendocument.text-template";
const QLatin1String kTextNamespace("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QLatin1String kOfficeNamespace("urn:oasis:names:tc:opendocument:xmlns:office:1.0");

[[noreturn]] void Fail(const QString& shownPath, const QString& reason) {
  throw NotesFileError(QStringLiteral("%1 %2").arg(shownPath, reason).toStdString());
}

[[noreturn]] void Damaged(const QString& shownPath, const QString& what) {
  Fail(shownPath, QStringLiteral("is a damaged OpenDocument file (%1); nothing was opened.").arg(what));
}

// Little-endian fields of the zip records, read only inside the bytes (callers check the room).
uint32_t U16(const QByteArray& bytes, qsizetype at) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t U32(const QByteArray& bytes, qsizetype at) {
  return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

bool HasSignature(const QByteArray& bytes, qsizetype at, const char (&signature)[5]) {
  return at >= 0 && at + 4 <= bytes.size() && bytes.mid(at, 4) == QByteArray(signature, 4);
}

// One member as the central directory describes it.
struct Member {
  QByteArray name;
  uint32_t flags = 0;
  uint32_t method = 0;
  uint32_t crc = 0;
  uint32_t packedSize = 0;
  uint32_t size = 0;
  uint32_t localHeader = 0;
};

// The members of the archive, from its central directory (which holds the sizes also for the
// members whose local header leaves them to a trailing descriptor).
QList<Member> CentralDirectory(const QByteArray& bytes, const QString& shownPath) {
  // The end record (22 bytes and a comment of at most 65535) closes the archive.
  constexpr qsizetype kEndRecord = 22;
  qsizetype end = -1;
  const qsizetype lowest = std::max<qsizetype>(0, bytes.size() - kEndRecord - 0xFFFF);
  for (qsizetype at = bytes.size() - kEndRecord; at >= lowest; --at) {
    if (HasSignature(bytes, at, "PK\x05\x06")) {
      end = at;
      break;
    }
  }
  if (end < 0) Damaged(shownPath, QStringLiteral("the end of the zip archive is missing"));
  const uint32_t count = U16(bytes, end + 10);
  const uint32_t directorySize = U32(bytes, end + 12);
  const uint32_t directoryStart = U32(bytes, end + 16);
  if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryStart == 0xFFFFFFFF) {
    Fail(shownPath, QStringLiteral("is a Zip64 archive, which the notes pane cannot open."));
  }
  if (static_cast<qsizetype>(directoryStart) + static_cast<qsizetype>(directorySize) > end)
    Damaged(shownPath, QStringLiteral("the zip directory lies outside the file"));

  QList<Member> members;
  qsizetype at = directoryStart;
  for (uint32_t i = 0; i < count; ++i) {
    constexpr qsizetype kEntry = 46;
    if (at + kEntry > end || !HasSignature(bytes, at, "PK\x01\x02"))
      Damaged(shownPath, QStringLiteral("entry %1 of the zip directory is cut short").arg(i + 1));
    Member m;
    m.flags = U16(bytes, at + 8);
    m.method = U16(bytes, at + 10);
    m.crc = U32(bytes, at + 16);
    m.packedSize = U32(bytes, at + 20);
    m.size = U32(bytes, at + 24);
    const qsizetype nameLength = U16(bytes, at + 28);
    const qsizetype extraLength = U16(bytes, at + 30);
    const qsizetype commentLength = U16(bytes, at + 32);
    m.localHeader = U32(bytes, at + 42);
    if (at + kEntry + nameLength + extraLength + commentLength > end)
      Damaged(shownPath, QStringLiteral("entry %1 of the zip directory is cut short").arg(i + 1));
    m.name = bytes.mid(at + kEntry, nameLength);
    members.append(m);
    at += kEntry + nameLength + extraLength + commentLength;
  }
  return members;
}

// The unpacked bytes of one member, its check sum verified.
QByteArray Unpack(const QByteArray& bytes, const Member& m, const QString& shownPath) {
  const QString name = QString::fromUtf8(m.name);
  if (m.flags & 0x1) Fail(shownPath, QStringLiteral("is encrypted; the notes pane cannot open it."));
  if (m.packedSize == 0xFFFFFFFF || m.size == 0xFFFFFFFF || m.localHeader == 0xFFFFFFFF)
    Fail(shownPath, QStringLiteral("is a Zip64 archive, which the notes pane cannot open."));
  if (m.size > kOpenDocumentContentLimit) {
    Fail(shownPath,
         QStringLiteral("holds a text too large for the notes pane (%1 MB unpacked; at most %2 MB).")
             .arg(m.size / (1024 * 1024))
             .arg(kOpenDocumentContentLimit / (1024 * 1024)));
  }
  const qsizetype header = m.localHeader;
  constexpr qsizetype kLocalHeader = 30;
  if (header + kLocalHeader > bytes.size() || !HasSignature(bytes, header, "PK\x03\x04"))
    Damaged(shownPath, QStringLiteral("the member %1 is missing").arg(name));
  const qsizetype start = header + kLocalHeader + U16(bytes, header + 26) + U16(bytes, header + 28);
  if (start + static_cast<qsizetype>(m.packedSize) > bytes.size())
    Damaged(shownPath, QStringLiteral("the member %1 is cut short").arg(name));

  QByteArray out;
  if (m.method == 0) {
    if (m.packedSize != m.size) Damaged(shownPath, QStringLiteral("the sizes of %1 disagree").arg(name));
    out = bytes.mid(start, m.packedSize);
  } else if (m.method == 8) {
    // Raw deflate data (RFC 1951), no zlib header: negative window bits.
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
      Fail(shownPath, QStringLiteral("could not be unpacked (out of memory)."));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData() + start));
    stream.avail_in = m.packedSize;
    // One spare byte: data that unpacks to more than the directory says does not fit silently.
    QByteArray buffer(static_cast<qsizetype>(m.size) + 1, '\0');
    stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
    stream.avail_out = m.size + 1;
    const int status = inflate(&stream, Z_FINISH);
    const uLong produced = stream.total_out;
    inflateEnd(&stream);
    if (status != Z_STREAM_END || produced != m.size)
      Damaged(shownPath, QStringLiteral("the member %1 does not unpack").arg(name));
    buffer.truncate(static_cast<qsizetype>(m.size));
    out = buffer;
  } else {
    Fail(shownPath, QStringLiteral("is packed with zip method %1; the notes pane reads only stored and "
                                   "deflated members.")
                        .arg(m.method));
  }
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(out.constData()),
                          static_cast<uInt>(out.size()));
  if (crc != m.crc) Damaged(shownPath, QStringLiteral("the check sum of %1 is wrong").arg(name));
  return out;
}

std::optional<Member> Find(const QList<Member>& members, const char* name) {
  for (const Member& m : members)
    if (m.name == name) return m;
  return std::nullopt;
}

// Whitespace of the text as the format counts it: a run of blanks, tabs and line ends is one
// blank; a run that holds a line end and nothing else only lays out the XML between two tags.
void AppendCharacters(QString& line, QStringView text) {
  bool onlyWhite = true;
  bool lineEnd = false;
  for (const QChar c : text) {
    if (c == u'\n' || c == u'\r') lineEnd = true;
    if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') onlyWhite = false;
  }
  if (onlyWhite && lineEnd) return;
  bool white = false;
  for (const QChar c : text) {
    const bool blank = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
    if (blank && white) continue;
    line += blank ? QChar(u' ') : c;
    white = blank;
  }
}

QString TextOfContent(const QByteArray& xml, const QString& shownPath) {
  QXmlStreamReader reader(xml);
  QStringList lines;
  bool inBody = false;   // inside office:body / office:text
  int paragraphs = 0;    // depth of open text:p / text:h
  bool anyBody = false;  // office:text was found
  while (!reader.atEnd()) {
    const QXmlStreamReader::TokenType token = reader.readNext();
    if (token == QXmlStreamReader::StartElement) {
      const QStringView ns = reader.namespaceUri();
      const QStringView name = reader.name();
      if (ns == kOfficeNamespace && name == u"text") {
        inBody = true;
        anyBody = true;
        continue;
      }
      if (!inBody) continue;
      if (ns == kOfficeNamespace && name == u"annotation") {
        reader.skipCurrentElement();
        continue;
      }
      if (ns != kTextNamespace) continue;
      if (name == u"note" || name == u"tracked-changes") {
        reader.skipCurrentElement();
      } else if (name == u"p" || name == u"h") {
        lines.append(QString());
        ++paragraphs;
      } else if (paragraphs > 0 && name == u"s") {
        bool ok = false;
        const int count = reader.attributes().value(QString(kTextNamespace), QStringLiteral("c")).toInt(&ok);
        lines.last() += QString(ok && count > 0 ? std::min(count, 10000) : 1, u' ');
      } else if (paragraphs > 0 && name == u"tab") {
        lines.last() += u'\t';
      } else if (paragraphs > 0 && name == u"line-break") {
        lines.append(QString());
      }
    } else if (token == QXmlStreamReader::EndElement) {
      const QStringView ns = reader.namespaceUri();
      const QStringView name = reader.name();
      if (ns == kOfficeNamespace && name == u"text") inBody = false;
      if (inBody && ns == kTextNamespace && (name == u"p" || name == u"h") && paragraphs > 0) --paragraphs;
    } else if (token == QXmlStreamReader::Characters && paragraphs > 0) {
      AppendCharacters(lines.last(), reader.text());
    }
  }
  if (reader.hasError()) {
    Damaged(shownPath, QStringLiteral("its text cannot be read: %1 at line %2")
                           .arg(reader.errorString())
                           .arg(reader.lineNumber()));
  }
  if (!anyBody)
    Fail(shownPath, QStringLiteral("is an OpenDocument file without a text body; nothing was opened."));
  return lines.join(u'\n');
}

}  // namespace

QString ReadOpenDocumentText(const QByteArray& bytes, const QString& shownPath) {
  const QList<Member> members = CentralDirectory(bytes, shownPath);
  // The member "mimetype" names the kind of document; a text or its template is read.
  if (const std::optional<Member> mimetype = Find(members, "mimetype")) {
    const QByteArray type = Unpack(bytes, *mimetype, shownPath).trimmed();
    if (type != kTextMimeType && type != kTemplateMimeType) {
      Fail(shownPath, QStringLiteral("is not an OpenDocument text (it says \"%1\"); the notes pane opens "
                                     "text documents only.")
                          .arg(QString::fromUtf8(type.left(100))));
    }
  }
  const std::optional<Member> content = Find(members, "content.xml");
  if (!content) {
    Fail(shownPath, QStringLiteral("is a zip archive without an OpenDocument text (no content.xml); "
                                   "nothing was opened."));
  }
  return TextOfContent(Unpack(bytes, *content, shownPath), shownPath);
}

}  // namespace ombrane
