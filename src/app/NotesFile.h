// The files of the notes pane. Save writes the pane as HTML (Qt's rich text, which keeps the
// formatting) whatever the file's extension, or as an OpenDocument text when the name ends in
// ".odt". Open reads an HTML file as rich text, the text of an OpenDocument file (its paragraphs
// as lines, without the formatting) and any other text file as plain text.
#pragma once

#include <QString>
#include <stdexcept>

class QTextDocument;

namespace ombrane {

// A notes file that cannot be read or written; the message names the file and the reason.
class NotesFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A notes file as it is to be shown: HTML to load as rich text, or plain text whose lines
// become the pane's lines (line ends "\n", none after the last line).
struct NotesContent {
  bool rich = false;
  QString text;
};

// The largest notes file that is opened; a bigger file is refused rather than freezing the pane.
inline constexpr qint64 kNotesFileLimit = 32 * 1024 * 1024;

// Reads a notes file. HTML is recognised by its start ("<!DOCTYPE html", "<html") or by the
// extension ".htm"/".html", and decoded by its declared character set. Plain text is UTF-8
// (with or without a byte-order mark), UTF-16/32 with a byte-order mark, else Latin-1; CR LF,
// CR and LF all end a line. A zip archive is read as an OpenDocument text (OpenDocumentText.h).
// Throws NotesFileError for a file that cannot be read, that is too large, that is not text
// (binary data), or a zip archive that holds no OpenDocument text this program can read.
NotesContent ReadNotesFile(const QString& path);

// Writes `document` to `path`: OpenDocument text when the name ends in ".odt" (any case), else
// HTML in UTF-8. The file is written whole or not at all: an existing file is replaced only
// once the new content is complete. Throws NotesFileError on failure.
void WriteNotesFile(const QString& path, const QTextDocument& document);

// The path as shown in messages (native separators).
QString ShownPath(const QString& path);

}  // namespace ombrane
