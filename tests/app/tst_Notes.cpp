// The notes pane as a document: New, Open and Save through the dialogs, the formats on disk,
// the read-only choice, failures that keep the pane, and result lines added after the user's text.
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <zlib.h>

#include "FormTestHelper.h"
#include "NotesFile.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// One run of text with the attributes the round trip must keep.
struct Run {
  QString text;
  bool bold = false;
  bool italic = false;
  QRgb colour = qRgb(0, 0, 0);
  bool operator==(const Run&) const = default;
};

// The document as runs of equal attributes, line ends as "\n" runs of their own, so that the
// comparison does not depend on how a format splits or joins fragments.
QList<Run> Runs(const QTextDocument& document) {
  QList<Run> runs;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block != document.begin()) runs << Run{QStringLiteral("\n")};
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      const QBrush brush = format.foreground();
      const Run run{it.fragment().text(), format.fontWeight() >= QFont::Bold, format.fontItalic(),
                    brush.style() == Qt::NoBrush ? qRgb(0, 0, 0) : brush.color().rgb()};
      if (!runs.isEmpty() && runs.last().text != QLatin1String("\n") && runs.last().bold == run.bold &&
          runs.last().italic == run.italic && runs.last().colour == run.colour) {
        runs.last().text += run.text;
      } else {
        runs << run;
      }
    }
  }
  return runs;
}

// The pane's lines (its blocks' texts).
QStringList PaneBlocks(const QTextDocument& document) {
  QStringList lines;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) lines << block.text();
  return lines;
}

void PutU16(QByteArray& bytes, quint32 v) {
  bytes.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
}
void PutU32(QByteArray& bytes, quint32 v) {
  PutU16(bytes, v & 0xFFFF);
  PutU16(bytes, v >> 16);
}

// A zip archive of stored (not compressed) members, laid out by the PKWARE application note:
// local headers with the data, then the central directory and its end record.
QByteArray StoredZip(const QList<QPair<QByteArray, QByteArray>>& members) {
  QByteArray zip;
  QByteArray directory;
  for (const auto& [name, data] : members) {
    const auto crc = static_cast<quint32>(
        crc32(0, reinterpret_cast<const Bytef*>(data.constData()), static_cast<uInt>(data.size())));
    const auto offset = static_cast<quint32>(zip.size());
    const auto size = static_cast<quint32>(data.size());
    const auto nameSize = static_cast<quint32>(name.size());
    zip.append("PK\x03\x04", 4);
    for (const quint32 v : {20u, 0u, 0u, 0u, 0u}) PutU16(zip, v);  // version, flags, method, time, date
    for (const quint32 v : {crc, size, size}) PutU32(zip, v);
    PutU16(zip, nameSize);
    PutU16(zip, 0);
    zip.append(name).append(data);
    directory.append("PK\x01\x02", 4);
    for (const quint32 v : {20u, 20u, 0u, 0u, 0u, 0u}) PutU16(directory, v);
    for (const quint32 v : {crc, size, size}) PutU32(directory, v);
    for (const quint32 v : {nameSize, 0u, 0u, 0u, 0u}) PutU16(directory, v);
    PutU32(directory, 0);
    PutU32(directory, offset);
    directory.append(name);
  }
  const auto directoryStart = static_cast<quint32>(zip.size());
  zip.append(directory);
  zip.append("PK\x05\x06", 4);
  for (const quint32 v : {0u, 0u}) PutU16(zip, v);
  PutU16(zip, static_cast<quint32>(members.size()));
  PutU16(zip, static_cast<quint32>(members.size()));
  PutU32(zip, static_cast<quint32>(directory.size()));
  PutU32(zip, directoryStart);
  PutU16(zip, 0);
  return zip;
}

// The bytes of the formatted notes saved as ".odt" by the program.
QByteArray SavedOdt() {
  QTemporaryDir dir;
  QTextDocument document;
  QTextCursor(&document).insertText(QStringLiteral("saved notes\nsecond line"));
  const QString path = dir.filePath(QStringLiteral("n.odt"));
  WriteNotesFile(path, document);
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// `odt` with one byte of the packed "content.xml" changed; empty when the member's local header
// is not where its name says (the name's first place in the file is the local header's).
QByteArray DamagedContent(QByteArray odt) {
  const qsizetype name = odt.indexOf("content.xml");
  // The local header is 30 bytes long before the name; the data follow the name and the extra field.
  const qsizetype local = name - 30;
  if (local < 0 || odt.mid(local, 4) != QByteArray("PK\x03\x04")) return {};
  const qsizetype extra = static_cast<uchar>(odt[local + 28]) | static_cast<uchar>(odt[local + 29]) << 8;
  const qsizetype data = name + 11 + extra;
  odt[data + 20] = static_cast<char>(odt[data + 20] ^ 0x55);
  return odt;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

// The notes of an observer: plain, bold, italic red and non-Latin text on three lines.
void WriteFormattedNotes(QTextEdit* pane) {
  pane->clear();
  QTextCursor cursor(pane->document());
  QTextCharFormat plain;
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  QTextCharFormat redItalic;
  redItalic.setFontItalic(true);
  redItalic.setForeground(QColor(0xC0, 0x10, 0x20));
  cursor.insertText(QStringLiteral("Minimum: "), plain);
  cursor.insertText(QStringLiteral("2450001.23456"), bold);
  cursor.insertBlock();
  cursor.insertText(QStringLiteral("clouds after 23h"), redItalic);
  cursor.insertBlock();
  cursor.insertText(QStringLiteral("Δm = 0,12 ± 0,01 (β Per)"), plain);
}

QList<Run> FormattedNotesRuns() {
  const QRgb red = qRgb(0xC0, 0x10, 0x20);
  return {Run{QStringLiteral("Minimum: ")}, Run{QStringLiteral("2450001.23456"), true},
          Run{QStringLiteral("\n")},        Run{QStringLiteral("clouds after 23h"), false, true, red},
          Run{QStringLiteral("\n")},        Run{QStringLiteral("Δm = 0,12 ± 0,01 (β Per)")}};
}

}  // namespace

class TestNotes : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void cleanup() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }
  void changedNotesAreNotLostWithoutAQuestion();
  void saveAndReopenKeepTextAndFormatting_data();
  void saveAndReopenKeepTextAndFormatting();
  void saveAsOpenDocumentWhenTheNameSaysOdt();
  void openDocumentKeepsTheLines_data();
  void openDocumentKeepsTheLines();
  void openDocumentOfAnotherProgram();
  void plainTextLinesBecomeLines_data();
  void plainTextLinesBecomeLines();
  void readOnlyChoiceBlocksTypingUntilAnotherOpen();
  void failedOpenKeepsThePane_data();
  void failedOpenKeepsThePane();
  void failedSaveSaysWhyAndKeepsModified();
  void saveAsksBeforeReplacing();
  void dialogsMakeTheFolderCurrent();
  void resultLineTakesTheEmptyLastLine_data();
  void resultLineTakesTheEmptyLastLine();
  void undoTakesBackTheUsersEditNeverAResult();
  void contextMenuUndoLeavesTheResults();
  void rightClickMenuUndoIsTheWindows();
  void aNewResultLineIsScrolledIntoSight();
};

// New, Open and closing the window ask before changed notes are lost: Save saves them first
// (through the save dialog), Discard drops them, Cancel keeps everything as it was.
void TestNotes::changedNotesAreNotLostWithoutAQuestion() {
  const QString question = QStringLiteral("The notes have changed. Save them first?");
  struct Case {
    const char* action;
    UnsavedAnswer answer;
    bool saved;  // the notes were written first
    bool gone;   // the pane was emptied or replaced, or the window closed
  };
  const Case cases[] = {
      {"new", UnsavedAnswer::Save, true, true},       {"new", UnsavedAnswer::Discard, false, true},
      {"new", UnsavedAnswer::Cancel, false, false},   {"open", UnsavedAnswer::Save, true, true},
      {"open", UnsavedAnswer::Cancel, false, false},  {"close", UnsavedAnswer::Save, true, true},
      {"close", UnsavedAnswer::Discard, false, true}, {"close", UnsavedAnswer::Cancel, false, false},
  };
  for (const Case& c : cases) {
    const QString what = QStringLiteral("%1/%2").arg(c.action).arg(static_cast<int>(c.answer));
    QTemporaryDir dir;
    FormFixture f;
    f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
    f.form->show();
    QVERIFY(f.form->RichEdit1->document()->isModified());
    const QString before = f.form->RichEdit1->toPlainText();
    const QString saved = dir.filePath(QStringLiteral("saved.html"));
    const QString other = dir.filePath(QStringLiteral("other.txt"));
    WriteFile(other, "other notes\n");
    f.outside->unsavedAnswers.push_back(c.answer);
    if (c.answer == UnsavedAnswer::Save) f.outside->saveAnswers.push_back(saved);
    f.outside->openAnswers.push_back(FileChoice{other, false});
    const QString action = QString::fromLatin1(c.action);
    if (action == QLatin1String("new")) f.form->FileNewClick();
    if (action == QLatin1String("open")) f.form->FileOpenClick();
    if (action == QLatin1String("close")) f.form->close();
    QVERIFY2(f.outside->errors.isEmpty(), qPrintable(what));
    QCOMPARE(f.outside->questions, QStringList{question});
    QCOMPARE(QFile::exists(saved), c.saved);
    if (c.saved)
      QVERIFY2(QString::fromUtf8(ReadAll(saved)).contains(QStringLiteral("File name: a.txt")),
               qPrintable(what));
    if (action == QLatin1String("close")) {
      QCOMPARE(f.form->isVisible(), !c.gone);
    } else {
      QCOMPARE(f.form->RichEdit1->toPlainText() != before, c.gone);
    }
  }
  // An unchanged pane goes without a question.
  FormFixture f;
  f.form->FileNewClick();
  QVERIFY(f.outside->questions.isEmpty());
}

void TestNotes::saveAndReopenKeepTextAndFormatting_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("no extension") << QStringLiteral("notes");
  QTest::newRow(".txt") << QStringLiteral("notes.txt");
  QTest::newRow(".rtf") << QStringLiteral("night of 12 May.rtf");
  QTest::newRow(".html") << QStringLiteral("notes.html");
}

void TestNotes::saveAndReopenKeepTextAndFormatting() {
  QFETCH(QString, name);
  QTemporaryDir dir;
  FormFixture f;
  WriteFormattedNotes(f.form->RichEdit1);
  QCOMPARE(Runs(*f.form->RichEdit1->document()), FormattedNotesRuns());
  QVERIFY(f.form->RichEdit1->document()->isModified());

  const QString path = dir.filePath(name);
  f.outside->saveAnswers.push_back(path);
  f.form->FileSaveClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('\n')));
  QVERIFY(!f.form->RichEdit1->document()->isModified());
  QVERIFY(!QFile::exists(path + QStringLiteral(".html")));  // the name as typed
  // HTML whatever the extension, in UTF-8.
  const QByteArray saved = ReadAll(path);
  QVERIFY(saved.startsWith("<!DOCTYPE HTML"));
  QVERIFY(saved.contains("clouds after 23h"));
  QVERIFY(saved.contains(QStringLiteral("β Per").toUtf8()));

  f.form->FileNewClick();
  f.outside->openAnswers.push_back(FileChoice{path, false});
  f.form->FileOpenClick();
  QVERIFY(f.outside->errors.isEmpty());
  QCOMPARE(Runs(*f.form->RichEdit1->document()), FormattedNotesRuns());
  QVERIFY(!f.form->RichEdit1->document()->isModified());
}

void TestNotes::saveAsOpenDocumentWhenTheNameSaysOdt() {
  QTemporaryDir dir;
  FormFixture f;
  WriteFormattedNotes(f.form->RichEdit1);
  const QString path = dir.filePath(QStringLiteral("log.ODT"));
  f.outside->saveAnswers.push_back(path);
  f.form->FileSaveClick();
  QVERIFY(f.outside->errors.isEmpty());
  QVERIFY(!f.form->RichEdit1->document()->isModified());
  // An OpenDocument file is a zip archive whose first member, stored uncompressed, is
  // "mimetype" holding the document's type (OpenDocument 1.2, part 3, section 3.3).
  const QByteArray saved = ReadAll(path);
  QVERIFY(saved.startsWith("PK\x03\x04"));
  QCOMPARE(saved.mid(30, 8), QByteArray("mimetype"));
  QCOMPARE(saved.mid(38, 39), QByteArray("application/vnd.oasis.opendocument.text"));

  // Open reads its text back, a paragraph per line (the formatting stays in the file only).
  f.form->FileNewClick();
  QVERIFY(f.form->RichEdit1->toPlainText().isEmpty());
  f.outside->openAnswers.push_back(FileChoice{path, false});
  f.form->FileOpenClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('\n')));
  QCOMPARE(PaneBlocks(*f.form->RichEdit1->document()),
           (QStringList{QStringLiteral("Minimum: 2450001.23456"), QStringLiteral("clouds after 23h"),
                        QStringLiteral("Δm = 0,12 ± 0,01 (β Per)")}));
  QVERIFY(!f.form->RichEdit1->document()->isModified());
}

// Blanks, tabs, markup characters, empty lines and a line break inside a paragraph (Shift+Enter)
// come back as typed from a notes file saved as ".odt".
void TestNotes::openDocumentKeepsTheLines_data() {
  QTest::addColumn<QString>("typed");         // inserted into an empty pane
  QTest::addColumn<QStringList>("expected");  // the pane's lines after saving and opening
  QTest::newRow("one line") << QStringLiteral("P = 0.51433 d")
                            << QStringList{QStringLiteral("P = 0.51433 d")};
  QTest::newRow("blanks") << QStringLiteral("  two leading\na  b   c\n x \nend ")
                          << QStringList{QStringLiteral("  two leading"), QStringLiteral("a  b   c"),
                                         QStringLiteral(" x "), QStringLiteral("end ")};
  QTest::newRow("tabs and markup") << QStringLiteral("JD\tmag\t<&> \"q\" 'a'")
                                   << QStringList{QStringLiteral("JD\tmag\t<&> \"q\" 'a'")};
  QTest::newRow("empty lines") << QStringLiteral("\nfirst\n\nlast\n")
                               << QStringList{QString(), QStringLiteral("first"), QString(),
                                              QStringLiteral("last"), QString()};
  QTest::newRow("empty pane") << QString() << QStringList{QString()};
  QTest::newRow("line break in a paragraph")
      << (QStringLiteral("before") + QChar(QChar::LineSeparator) + QStringLiteral("after"))
      << QStringList{QStringLiteral("before"), QStringLiteral("after")};
}

void TestNotes::openDocumentKeepsTheLines() {
  QFETCH(QString, typed);
  QFETCH(QStringList, expected);
  QTemporaryDir dir;
  FormFixture f;
  QTextCursor(f.form->RichEdit1->document()).insertText(typed);
  const QString path = dir.filePath(QStringLiteral("notes.odt"));
  f.outside->saveAnswers.push_back(path);
  f.form->FileSaveClick();
  f.form->RichEdit1->setPlainText(QStringLiteral("something else"));
  f.form->RichEdit1->document()->setModified(false);
  f.outside->openAnswers.push_back(FileChoice{path, false});
  f.form->FileOpenClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('\n')));
  QCOMPARE(PaneBlocks(*f.form->RichEdit1->document()), expected);
}

// An OpenDocument text written by another program: headings, lists, spans and blank runs are
// read; notes, annotations and the layout whitespace between tags are not text.
void TestNotes::openDocumentOfAnotherProgram() {
  const QByteArray content =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\"\n"
      " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.3\">\n"
      " <office:automatic-styles><text:p>not the body</text:p></office:automatic-styles>\n"
      " <office:body>\n"
      "  <office:text>\n"
      "   <text:sequence-decls/>\n"
      "   <text:h text:outline-level=\"1\">CM Dra, night 3</text:h>\n"
      "   <text:p>Minimum<text:note><text:note-citation>1</text:note-citation><text:note-body>"
      "<text:p>a footnote</text:p></text:note-body></text:note> at <text:span>HJD</text:span><text:s "
      "text:c=\"3\"/>2459000.4137</text:p>\n"
      "   <text:list><text:list-item><text:p>clouds<text:tab/>23h</text:p></text:list-item>\n"
      "    <text:list-item><text:p><office:annotation><text:p>remark</text:p></office:annotation>"
      "seeing 3\"<text:line-break/>wind</text:p></text:list-item></text:list>\n"
      "   <text:p/>\n"
      "  </office:text>\n"
      " </office:body>\n"
      "</office:document-content>\n";
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("from elsewhere.odt"));
  WriteFile(path, StoredZip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                             {"content.xml", content},
                             {"styles.xml", "<x/>"}}));
  FormFixture f;
  f.outside->openAnswers.push_back(FileChoice{path, false});
  f.form->FileOpenClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('\n')));
  QCOMPARE(PaneBlocks(*f.form->RichEdit1->document()),
           (QStringList{QStringLiteral("CM Dra, night 3"), QStringLiteral("Minimum at HJD   2459000.4137"),
                        QStringLiteral("clouds\t23h"), QStringLiteral("seeing 3\""), QStringLiteral("wind"),
                        QString()}));
}

void TestNotes::plainTextLinesBecomeLines_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QStringList>("lines");
  const QStringList two{QStringLiteral("first line"), QStringLiteral("second line")};
  QTest::newRow("CR LF") << QByteArray("first line\r\nsecond line\r\n") << two;
  QTest::newRow("LF, no final end") << QByteArray("first line\nsecond line") << two;
  QTest::newRow("CR only") << QByteArray("first line\rsecond line\r") << two;
  QTest::newRow("empty line kept") << QByteArray("a\r\n\r\nb\r\n")
                                   << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")};
  QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF\xCE\x94m 0.1\n")
                                   << QStringList{QStringLiteral("Δm 0.1")};
  QTest::newRow("Latin-1") << QByteArray(
                                  "Stra\xDF"
                                  "e 12\xB0\n")
                           << QStringList{QStringLiteral("Straße 12°")};
  QTest::newRow("UTF-16 with mark") << QByteArray(
                                           "\xFF\xFE"
                                           "a\0\n\0b\0",
                                           8)
                                    << QStringList{QStringLiteral("a"), QStringLiteral("b")};
  QTest::newRow("markup that is not a page")
      << QByteArray("<b>not bold</b>\n") << QStringList{QStringLiteral("<b>not bold</b>")};
}

void TestNotes::plainTextLinesBecomeLines() {
  QFETCH(QByteArray, bytes);
  QFETCH(QStringList, lines);
  QTemporaryDir dir;
  FormFixture f;
  const QString path = dir.filePath(QStringLiteral("observing log.txt"));
  WriteFile(path, bytes);
  f.outside->openAnswers.push_back(FileChoice{path, false});
  f.form->FileOpenClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('\n')));
  const QTextDocument* document = f.form->RichEdit1->document();
  QCOMPARE(document->blockCount(), lines.size());
  for (int i = 0; i < lines.size(); ++i) QCOMPARE(document->findBlockByNumber(i).text(), lines[i]);
}

void TestNotes::readOnlyChoiceBlocksTypingUntilAnotherOpen() {
  QTemporaryDir dir;
  FormFixture f;
  const QString path = dir.filePath(QStringLiteral("kept.txt"));
  WriteFile(path, "published result\n");
  QTextEdit* pane = f.form->RichEdit1;
  pane->show();

  f.outside->openAnswers.push_back(FileChoice{path, true});
  f.form->FileOpenClick();
  QCOMPARE(f.outside->readOnlyOffered, QList<bool>{true});
  QVERIFY(pane->isReadOnly());
  pane->setFocus();
  pane->moveCursor(QTextCursor::End);
  QTest::keyClicks(pane, QStringLiteral("xyz"));
  QTest::keyClick(pane, Qt::Key_Backspace);
  f.form->UndoClick();
  f.form->PastClick();
  QCOMPARE(pane->toPlainText(), QStringLiteral("published result"));

  // New keeps the choice of the last open; another file opened without it lifts it.
  f.outside->openAnswers.push_back(FileChoice{path, false});
  f.form->FileOpenClick();
  QVERIFY(!pane->isReadOnly());
  pane->moveCursor(QTextCursor::End);
  QTest::keyClicks(pane, QStringLiteral("!"));
  QCOMPARE(pane->toPlainText(), QStringLiteral("published result!"));
}

void TestNotes::failedOpenKeepsThePane_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("bytes");  // written unless empty
  QTest::addColumn<QString>("reason");    // a part of the message
  QTest::newRow("missing") << QStringLiteral("gone.txt") << QByteArray() << QStringLiteral("Could not open");
  QTest::newRow("binary") << QStringLiteral("picture.bmp") << QByteArray("BM\x10\0\0\0\0\0", 8)
                          << QStringLiteral("is not a text file");
  QTest::newRow("zip") << QStringLiteral("archive.zip") << QByteArray("PK\x03\x04\x14\0", 6)
                       << QStringLiteral("damaged OpenDocument file (the end of the zip archive is missing)");
  const QByteArray odt = SavedOdt();
  QTest::newRow("odt cut short") << QStringLiteral("cut.odt") << odt.left(odt.size() / 2)
                                 << QStringLiteral("damaged OpenDocument file");
  QTest::newRow("odt with a changed byte")
      << QStringLiteral("changed.odt") << DamagedContent(odt) << QStringLiteral("damaged OpenDocument file");
  QTest::newRow("spreadsheet") << QStringLiteral("table.ods")
                               << StoredZip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                             {"content.xml", "<a/>"}})
                               << QStringLiteral("is not an OpenDocument text");
  QTest::newRow("zip of other files")
      << QStringLiteral("photos.zip") << StoredZip({{"a.jpg", "JFIF"}}) << QStringLiteral("no content.xml");
  QTest::newRow("content that is not XML")
      << QStringLiteral("broken.odt")
      << StoredZip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                    {"content.xml", "<office:document-content><text:p>unclosed"}})
      << QStringLiteral("damaged OpenDocument file (its text cannot be read");
}

void TestNotes::failedOpenKeepsThePane() {
  QFETCH(QString, name);
  QFETCH(QByteArray, bytes);
  QFETCH(QString, reason);
  QTemporaryDir dir;
  FormFixture f;
  const QString path = dir.filePath(name);
  if (!bytes.isEmpty()) WriteFile(path, bytes);
  WriteFormattedNotes(f.form->RichEdit1);
  f.form->RichEdit1->setReadOnly(true);
  f.outside->openAnswers.push_back(FileChoice{path, false});
  f.form->FileOpenClick();
  QCOMPARE(f.outside->errors.size(), 1);
  QVERIFY2(f.outside->errors[0].contains(QDir::toNativeSeparators(path)), qPrintable(f.outside->errors[0]));
  QVERIFY2(f.outside->errors[0].contains(reason), qPrintable(f.outside->errors[0]));
  QCOMPARE(Runs(*f.form->RichEdit1->document()), FormattedNotesRuns());
  QVERIFY(f.form->RichEdit1->document()->isModified());
  QVERIFY(f.form->RichEdit1->isReadOnly());
}

void TestNotes::failedSaveSaysWhyAndKeepsModified() {
  QTemporaryDir dir;
  FormFixture f;
  WriteFormattedNotes(f.form->RichEdit1);
  const QString path = dir.filePath(QStringLiteral("no such folder/notes.txt"));
  f.outside->saveAnswers.push_back(path);
  f.form->FileSaveClick();
  QCOMPARE(f.outside->errors.size(), 1);
  QVERIFY(
      f.outside->errors[0].startsWith(QStringLiteral("Could not write ") + QDir::toNativeSeparators(path)));
  QVERIFY(f.form->RichEdit1->document()->isModified());
  QVERIFY(!QFile::exists(path));
}

void TestNotes::saveAsksBeforeReplacing() {
  QTemporaryDir dir;
  FormFixture f;
  const QString path = dir.filePath(QStringLiteral("old.txt"));
  WriteFile(path, "older notes\n");
  QTextCursor(f.form->RichEdit1->document()).insertText(QStringLiteral("new notes"));

  // No: the dialog comes back in the same folder; cancelling it writes nothing.
  f.outside->saveAnswers = {path, QString()};
  f.outside->askAnswers = {false};
  f.form->FileSaveClick();
  QCOMPARE(f.outside->questions.size(), 1);
  QVERIFY(f.outside->questions[0].contains(QDir::toNativeSeparators(path)));
  QCOMPARE(f.outside->saveFolders.size(), 2);
  QCOMPARE(f.outside->saveFolders[1], dir.path());
  QCOMPARE(ReadAll(path), QByteArray("older notes\n"));
  QVERIFY(f.form->RichEdit1->document()->isModified());

  // Yes: replaced.
  f.outside->saveAnswers = {path};
  f.outside->askAnswers = {true};
  f.form->FileSaveClick();
  QCOMPARE(f.outside->questions.size(), 2);
  QVERIFY(ReadAll(path).contains("new notes"));
  QVERIFY(!f.form->RichEdit1->document()->isModified());

  // A new name is not asked about.
  f.outside->saveAnswers = {dir.filePath(QStringLiteral("other.txt"))};
  f.form->FileSaveClick();
  QCOMPARE(f.outside->questions.size(), 2);
  QVERIFY(QFile::exists(dir.filePath(QStringLiteral("other.txt"))));
}

void TestNotes::dialogsMakeTheFolderCurrent() {
  QTemporaryDir openDir;
  QTemporaryDir saveDir;
  FormFixture f;
  const QString programFolder = QCoreApplication::applicationDirPath();
  const QString notes = openDir.filePath(QStringLiteral("n.txt"));
  WriteFile(notes, "x\n");
  f.outside->openAnswers.push_back(FileChoice{notes, false});
  f.form->FileOpenClick();
  QCOMPARE(f.outside->openFolders, QStringList{programFolder});
  QCOMPARE(f.outside->openFilters, QStringList{QStringLiteral("*.*|*.*")});
  QCOMPARE(QDir::currentPath(), QFileInfo(openDir.path()).canonicalFilePath());

  f.outside->saveAnswers.push_back(saveDir.filePath(QStringLiteral("s.txt")));
  f.form->FileSaveClick();
  QCOMPARE(f.outside->saveFolders, QStringList{programFolder});
  QCOMPARE(f.outside->saveFilters, QStringList{QStringLiteral("*.*|*.*")});
  QCOMPARE(QDir::currentPath(), QFileInfo(saveDir.path()).canonicalFilePath());

  // A cancelled dialog leaves the folder.
  f.form->FileOpenClick();
  f.form->FileSaveClick();
  QCOMPARE(QDir::currentPath(), QFileInfo(saveDir.path()).canonicalFilePath());
}

void TestNotes::resultLineTakesTheEmptyLastLine_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("expected");
  const QString result = QStringLiteral("File name: a.txt");
  QTest::newRow("empty pane") << QString() << result;
  QTest::newRow("text without line end") << QStringLiteral("my note") << QStringLiteral("my note\n") + result;
  QTest::newRow("text with line end") << QStringLiteral("my note\n") << QStringLiteral("my note\n") + result;
  QTest::newRow("two line ends") << QStringLiteral("my note\n\n") << QStringLiteral("my note\n\n") + result;
}

void TestNotes::resultLineTakesTheEmptyLastLine() {
  QFETCH(QString, typed);
  QFETCH(QString, expected);
  QTemporaryDir dir;
  FormFixture f;
  QTextEdit* pane = f.form->RichEdit1;
  // The user types in bold; the result line is written plain all the same.
  QTextCursor cursor(pane->document());
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  cursor.insertText(typed, bold);
  f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
  QCOMPARE(pane->toPlainText(), expected);
  const QTextBlock last = pane->document()->lastBlock();
  QCOMPARE(last.begin().fragment().charFormat().fontWeight(), int(QFont::Normal));
}

void TestNotes::undoTakesBackTheUsersEditNeverAResult() {
  QTemporaryDir dir;
  FormFixture f;
  QTextEdit* pane = f.form->RichEdit1;
  pane->show();
  f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
  const QString loaded = pane->toPlainText();
  QVERIFY(!loaded.isEmpty());
  pane->setFocus();
  pane->moveCursor(QTextCursor::End);
  QTest::keyClick(pane, Qt::Key_Return);
  QTest::keyClicks(pane, QStringLiteral("my note"));
  f.form->Button10->click();  // a result line after the user's text
  const QString result = pane->document()->lastBlock().text();
  QVERIFY(result.startsWith(QStringLiteral("Night ")));
  QCOMPARE(pane->toPlainText(), loaded + "\nmy note\n" + result);

  // Undo takes back the typing; the result stays, on the line the typing left empty.
  f.form->UndoClick();
  QCOMPARE(pane->toPlainText(), loaded + "\n" + result);
  // However often Undo runs, the load's lines and the result stay.
  for (int i = 0; i < 5; ++i) f.form->UndoClick();
  QVERIFY(pane->toPlainText().startsWith(loaded));
  QVERIFY(pane->toPlainText().endsWith(result));
  // The toolbar's Undo is the same: a new edit after a result is taken back alone.
  const QString before = pane->toPlainText();
  pane->moveCursor(QTextCursor::End);
  QTest::keyClicks(pane, QStringLiteral(" ok"));
  f.form->Button10->click();
  QCOMPARE(pane->toPlainText(), before + " ok\n" + result);
  f.form->Undo->click();
  QCOMPARE(pane->toPlainText(), before + "\n" + result);
}

// The pane's context menu: its Undo is Edit > Undo (the user's edit goes, the result stays), its
// Redo brings back the user's edit only.
void TestNotes::contextMenuUndoLeavesTheResults() {
  QTemporaryDir dir;
  FormFixture f;
  QTextEdit* pane = f.form->RichEdit1;
  pane->show();
  f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
  const QString loaded = pane->toPlainText();
  auto contextAction = [&f](const char* name) {
    std::unique_ptr<QMenu> menu(f.form->NotesContextMenu(QPoint(5, 5)));
    QAction* found = nullptr;
    for (QAction* act : menu->actions())
      if (act->objectName() == QLatin1String(name)) found = act;
    if (found == nullptr) return QString::fromLatin1("no %1 item").arg(QLatin1String(name));
    if (!found->isEnabled()) return QStringLiteral("disabled");
    found->trigger();
    return QStringLiteral("triggered");
  };
  pane->setFocus();
  pane->moveCursor(QTextCursor::End);
  QTest::keyClick(pane, Qt::Key_Return);
  QTest::keyClicks(pane, QStringLiteral("my note"));
  f.form->Button10->click();  // a result line after the user's text
  const QString result = pane->document()->lastBlock().text();
  QCOMPARE(pane->toPlainText(), loaded + "\nmy note\n" + result);

  QCOMPARE(contextAction("edit-undo"), QStringLiteral("triggered"));
  QCOMPARE(pane->toPlainText(), loaded + "\n" + result);
  for (int i = 0; i < 5; ++i) contextAction("edit-undo");
  QVERIFY(pane->toPlainText().startsWith(loaded));
  QVERIFY(pane->toPlainText().endsWith(result));
  const QString kept = pane->toPlainText();

  // Typing at the start, Undo and Redo through the menu: the typing comes back, nothing else.
  pane->moveCursor(QTextCursor::Start);
  QTest::keyClicks(pane, QStringLiteral("# "));
  QCOMPARE(contextAction("edit-undo"), QStringLiteral("triggered"));
  QCOMPARE(pane->toPlainText(), kept);
  QCOMPARE(contextAction("edit-redo"), QStringLiteral("triggered"));
  QCOMPARE(pane->toPlainText(), "# " + kept);
  QCOMPARE(contextAction("edit-redo"), QStringLiteral("disabled"));

  // Typing straight after a new result, at the end of its line (Qt joins the two in one undo
  // step): Undo takes the typing back and nothing more; the "# " typed before stays.
  f.form->Button10->click();
  const QString withResult = pane->toPlainText();
  pane->moveCursor(QTextCursor::End);
  QTest::keyClicks(pane, QStringLiteral(" ok"));
  QCOMPARE(pane->toPlainText(), withResult + " ok");
  QCOMPARE(contextAction("edit-undo"), QStringLiteral("triggered"));
  QCOMPARE(pane->toPlainText(), withResult);
}

// A right click on the pane pops up the menu whose Undo is the window's: triggered from the
// menu as shown, it leaves the result line.
void TestNotes::rightClickMenuUndoIsTheWindows() {
  QTemporaryDir dir;
  FormFixture f;
  f.form->show();
  QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
  QTextEdit* pane = f.form->RichEdit1;
  pane->show();
  f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
  const QString loaded = pane->toPlainText();
  pane->setFocus();
  pane->moveCursor(QTextCursor::End);
  QTest::keyClick(pane, Qt::Key_Return);
  QTest::keyClicks(pane, QStringLiteral("my note"));
  f.form->Button10->click();
  const QString result = pane->document()->lastBlock().text();
  bool shown = false;
  QTimer::singleShot(50, pane, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    shown = true;
    for (QAction* act : menu->actions())
      if (act->objectName() == QLatin1String("edit-undo")) act->trigger();
    menu->close();
  });
  const QPoint at(10, 10);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, pane->viewport()->mapToGlobal(at));
  QApplication::sendEvent(pane->viewport(), &event);
  QVERIFY(shown);
  QCOMPARE(pane->toPlainText(), loaded + "\n" + result);
}

void TestNotes::aNewResultLineIsScrolledIntoSight() {
  QTemporaryDir dir;
  FormFixture f;
  TForm1& form = *f.form;
  form.resize(900, 700);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QTextEdit* pane = form.RichEdit1;
  f.Load(dir, QStringLiteral("a.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
  pane->moveCursor(QTextCursor::Start);
  pane->verticalScrollBar()->setValue(0);
  for (int i = 0; i < 60; ++i) form.Button10->click();
  QVERIFY(pane->verticalScrollBar()->value() > 0);
  QTextCursor end(pane->document());
  end.movePosition(QTextCursor::End);
  const QRect line = pane->cursorRect(end);
  QVERIFY2(
      pane->viewport()->rect().contains(line),
      qPrintable(
          QStringLiteral("%1 %2 in %3").arg(line.top()).arg(line.bottom()).arg(pane->viewport()->height())));
  // The user's cursor stays where it was.
  QCOMPARE(pane->textCursor().position(), 0);
}

QTEST_MAIN(TestNotes)
#include "tst_Notes.moc"
