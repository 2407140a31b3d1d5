// Reading back the text of an OpenDocument text file (".odt"), the format the notes pane saves
// when the name asks for it.
//
// The file is a zip archive (PKWARE APPNOTE, "stored" and "deflate" members); the text is in
// its member "content.xml" (OASIS OpenDocument 1.2, part 1: office:body / office:text). Only the
// text is read, one line per paragraph or heading; fonts, colours and pictures are not.
#pragma once

#include <QByteArray>
#include <QString>

namespace ombrane {

// The largest "content.xml" that is unpacked (a deflated member can be a thousand times its
// packed size): a bigger one is refused rather than filling the memory.
inline constexpr qint64 kOpenDocumentContentLimit = 64 * 1024 * 1024;

// The text of the OpenDocument text `bytes` (a whole file): the paragraphs and headings of the
// body in order, joined by "\n"; a line break inside a paragraph also starts a new line. Runs of
// blanks count as in the format (text:s, text:tab), and whitespace that only lays out the XML
// (a line end with indentation between two tags) is not text. Notes, annotations and tracked
// changes are left out.
//
// Throws NotesFileError, whose message starts with `shownPath`, for bytes that are not a zip
// archive, an archive that holds no OpenDocument text (another kind of document, no
// "content.xml"), a damaged archive (wrong check sum, cut short), a packing this reader does
// not know (encryption, Zip64, a method other than stored or deflate), a content too large, or
// XML that cannot be read.
QString ReadOpenDocumentText(const QByteArray& bytes, const QString& shownPath);

}  // namespace ombrane
