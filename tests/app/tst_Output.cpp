// The chart out of the program: the printed page (through a PDF printer), the bitmap, PNG, SVG
// and PDF files, the clipboard, and the dialogs that choose them.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>
#include <QTextEdit>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"
#include "store/Records.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

// Three nights of four points: night 0 is drawn green (0x008000), night 1 olive (0x008080 in
// 0x00BBGGRR, that is red 0x80 and green 0x80).
const QByteArray kCurve =
    "2450001.30 12.10\n2450001.32 12.30\n2450001.34 12.50\n2450001.36 12.20\n"
    "2450002.30 12.15\n2450002.32 12.35\n2450002.34 12.55\n2450002.36 12.25\n"
    "2450003.30 12.12\n2450003.32 12.32\n2450003.34 12.52\n2450003.36 12.22\n";
const QColor kNight0(0x00, 0x80, 0x00);
const QColor kNight1(0x80, 0x80, 0x00);

// The content streams of a PDF, inflated (Qt compresses them with zlib's deflate, which
// qUncompress reads after a four-byte size hint).
QByteArray PdfContent(const QByteArray& pdf) {
  QByteArray content;
  qsizetype from = 0;
  for (;;) {
    const qsizetype start = pdf.indexOf("stream\n", from);
    if (start < 0) break;
    const qsizetype end = pdf.indexOf("endstream", start);
    if (end < 0) break;
    const QByteArray data = pdf.mid(start + 7, end - start - 7);
    from = end + 9;
    if (!data.startsWith('\x78')) continue;  // not a zlib stream (a font file, say)
    QByteArray hinted(4, '\0');
    const quint32 hint = static_cast<quint32>(data.size() * 8 + 1024);
    for (int i = 0; i < 4; ++i) hinted[i] = static_cast<char>((hint >> (24 - 8 * i)) & 0xFF);
    const QByteArray inflated = qUncompress(hinted + data);
    content += inflated + '\n';
  }
  return content;
}

// The page size of the first page of a PDF, in points, from its MediaBox.
QSizeF MediaBox(const QByteArray& pdf) {
  static const QRegularExpression box(QStringLiteral(R"(/MediaBox \[0 0 ([0-9.]+) ([0-9.]+)\])"));
  const QRegularExpressionMatch m = box.match(QString::fromLatin1(pdf));
  return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

// The rectangles ("x y w h re") drawn right after a scaling matrix ("a 0 0 d e f cm"), mapped
// through that matrix into page pixels.
QList<QRectF> ChartRectangles(const QByteArray& content) {
  static const QRegularExpression re(QStringLiteral(
      R"(([0-9.]+) 0 0 ([0-9.]+) (-?[0-9.]+) (-?[0-9.]+) cm\n(-?[0-9.]+) (-?[0-9.]+) (-?[0-9.]+) (-?[0-9.]+) re)"));
  QList<QRectF> rects;
  auto it = re.globalMatch(QString::fromLatin1(content));
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    auto n = [&m](int i) { return m.captured(i).toDouble(); };
    rects << QRectF(n(3) + n(1) * n(5), n(4) + n(2) * n(6), n(1) * n(7), n(2) * n(8));
  }
  return rects;
}

QString Shown(const QRectF& r) {
  return QStringLiteral("(%1, %2) %3 x %4").arg(r.left()).arg(r.top()).arg(r.width()).arg(r.height());
}

bool Near(const QRectF& a, const QRectF& b, double tolerance = 0.01) {
  return std::abs(a.left() - b.left()) <= tolerance && std::abs(a.top() - b.top()) <= tolerance &&
         std::abs(a.width() - b.width()) <= tolerance && std::abs(a.height() - b.height()) <= tolerance;
}

// A PDF printer whose page is `portrait` points at 72 dpi (a point is a printer pixel), with no
// margins: what a printer of that page size in pixels would report.
std::unique_ptr<QPrinter> PdfPrinter(const QString& path, QSizeF portrait) {
  auto printer = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(path);
  printer->setResolution(72);
  printer->setPageSize(QPageSize(portrait, QPageSize::Point, QString(), QPageSize::ExactMatch));
  printer->setFullPage(true);
  printer->setPageOrientation(QPageLayout::Portrait);
  return printer;
}

// A window showing the three nights on a chart of a known size.
struct ShownCurve : FormFixture {
  QTemporaryDir dir;
  ShownCurve() {
    form->resize(1063, 770);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    Load(dir, QStringLiteral("three nights.txt"), kCurve);
    QVERIFY(form->Chart1->isVisible());
    form->Chart1->Refresh();
  }
  // Widget pixel of entry i of the light curve.
  QPoint PointOf(int i) const {
    return {form->Chart1->XPixel(static_cast<double>(form->data().jd[i])),
            form->Chart1->YPixel(static_cast<double>(form->data().mag[i]))};
  }
};

}  // namespace

class TestOutput : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void cleanup() { QDir::setCurrent(QCoreApplication::applicationDirPath()); }
  void printsOneLandscapePageIntoTheMargins();
  void printResolutionFollowsTheGraphGroup_data();
  void printResolutionFollowsTheGraphGroup();
  void failedPrintSaysWhyAndRestores();
  void withoutPrinterOffersPdf_data();
  void withoutPrinterOffersPdf();
  void bitmapAtScreenSize_data();
  void bitmapAtScreenSize();
  void svgIsVector();
  void pdfPictureIsVector();
  void clipboardGetsTheBitmap();
  void cancelledDialogsWriteNothing();
  void unwritablePictureSaysWhy();
};

void TestOutput::printsOneLandscapePageIntoTheMargins() {
  ShownCurve f;
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("page.pdf"));
  // A page of 3508 x 4960 pixels, turned to landscape: 4960 x 3508.
  const std::unique_ptr<QPrinter> printer = PdfPrinter(path, QSizeF(3508, 4960));
  f.outside->printer = printer.get();
  f.form->printGraphClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('\n')));
  QVERIFY(f.outside->questions.isEmpty());

  const QByteArray pdf = ReadAll(path);
  QVERIFY(pdf.startsWith("%PDF-"));
  QCOMPARE(pdf.count("/Type /Page\n"), 1);
  QCOMPARE(MediaBox(pdf), QSizeF(4960, 3508));
  // The document's title, in UTF-16 with its byte-order mark as PDF text strings are.
  QStringEncoder utf16(QStringConverter::Utf16BE);
  const QByteArray title =
      QByteArray("/Title (\xFE\xFF") + QByteArray(utf16.encode(QStringLiteral("Ombrane"))) + ')';
  QVERIFY(pdf.contains(title));
  // The chart fills the rectangle (248, 175) to (4712, 3333): its background, the first
  // rectangle it fills, lands there once the chart's matrix has scaled it onto the page.
  const QList<QRectF> fills = ChartRectangles(PdfContent(pdf));
  QVERIFY(!fills.isEmpty());
  QVERIFY2(Near(fills.first(), QRectF(248, 175, 4464, 3158)), qPrintable(Shown(fills.first())));

  // The printer's own orientation and the cursor are back.
  QCOMPARE(printer->pageLayout().orientation(), QPageLayout::Portrait);
  QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestOutput::printResolutionFollowsTheGraphGroup_data() {
  QTest::addColumn<int>("item");
  QTest::addColumn<int>("before");
  QTest::addColumn<int>("after");
  QTest::newRow("Select Point") << 0 << -100 << 0;
  QTest::newRow("Select Area") << 1 << 0 << -100;
  QTest::newRow("Select Single Night keeps -100") << 2 << -100 << -100;
  QTest::newRow("Select Night keeps 0") << 3 << 0 << 0;
}

void TestOutput::printResolutionFollowsTheGraphGroup() {
  QFETCH(int, item);
  QFETCH(int, before);
  QFETCH(int, after);
  ShownCurve f;
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("page.pdf"));
  const std::unique_ptr<QPrinter> printer = PdfPrinter(path, QSizeF(595, 842));
  f.outside->printer = printer.get();
  f.form->printResolution = before;
  f.form->RadioGroup1->setItemIndex(item);
  f.form->printGraphClick();
  QVERIFY(f.outside->errors.isEmpty());
  QCOMPARE(f.form->printResolution, after);
  // The chart is drawn in pixels of its layout, scaled onto the page: at 72 dpi a layout pixel
  // (1/96 inch) is 0.75 printer pixels at resolution 0, and half that at -100, so texts,
  // symbols and lines print at half size. Qt writes the scale as the chart's "cm" matrix.
  const QByteArray content = PdfContent(ReadAll(path));
  static const QRegularExpression matrix(QStringLiteral(R"(([0-9.]+) 0 0 ([0-9.]+) [0-9.]+ [0-9.]+ cm)"));
  const double expected = after == 0 ? 0.75 : 0.375;
  int matrices = 0;
  auto it = matrix.globalMatch(QString::fromLatin1(content));
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    ++matrices;
    // The stretch onto the page's rectangle changes the scale by less than a layout pixel.
    QVERIFY2(std::abs(m.captured(1).toDouble() / expected - 1) < 0.005, qPrintable(m.captured(0)));
    QVERIFY2(std::abs(m.captured(2).toDouble() / expected - 1) < 0.005, qPrintable(m.captured(0)));
  }
  QVERIFY(matrices > 0);
}

void TestOutput::failedPrintSaysWhyAndRestores() {
  ShownCurve f;
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("no such folder/page.pdf"));
  const std::unique_ptr<QPrinter> printer = PdfPrinter(path, QSizeF(595, 842));
  f.outside->printer = printer.get();
  f.form->printGraphClick();
  QCOMPARE(f.outside->errors.size(), 1);
  QVERIFY2(f.outside->errors[0].contains(QDir::toNativeSeparators(path)), qPrintable(f.outside->errors[0]));
  QCOMPARE(printer->pageLayout().orientation(), QPageLayout::Portrait);
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QVERIFY(!QFile::exists(path));
}

void TestOutput::withoutPrinterOffersPdf_data() {
  QTest::addColumn<bool>("yes");
  QTest::newRow("yes") << true;
  QTest::newRow("no") << false;
}

void TestOutput::withoutPrinterOffersPdf() {
  QFETCH(bool, yes);
  ShownCurve f;
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("chart page"));  // no extension is added
  f.outside->askAnswers = {yes};
  f.outside->saveAnswers = {path};
  f.form->printGraphClick();
  QVERIFY(f.outside->errors.isEmpty());
  QCOMPARE(f.outside->questions.size(), 1);
  QVERIFY(f.outside->questions[0].contains(QStringLiteral("No printer")));
  QVERIFY(f.outside->questions[0].contains(QStringLiteral("PDF")));
  QCOMPARE(QFile::exists(path), yes);
  QCOMPARE(f.outside->saveCaptions.size(), yes ? 1 : 0);
  if (!yes) return;
  QCOMPARE(f.outside->saveFilters[0], QStringLiteral("PDF documents (*.pdf)|*.pdf"));
  const QByteArray pdf = ReadAll(path);
  QVERIFY(pdf.startsWith("%PDF-"));
  const QSizeF page = MediaBox(pdf);
  QVERIFY(page.width() > page.height());  // landscape
  QCOMPARE(QDir::currentPath(), QFileInfo(out.path()).canonicalFilePath());
}

void TestOutput::bitmapAtScreenSize_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("format");
  QTest::addColumn<QByteArray>("magic");
  QTest::newRow("bmp") << QStringLiteral("chart.bmp") << QByteArray("bmp") << QByteArray("BM");
  QTest::newRow("no extension") << QStringLiteral("chart") << QByteArray("bmp") << QByteArray("BM");
  QTest::newRow("other extension") << QStringLiteral("chart.jpg") << QByteArray("bmp") << QByteArray("BM");
  QTest::newRow("png") << QStringLiteral("chart.PNG") << QByteArray("png") << QByteArray("\x89PNG\r\n\x1a\n");
}

void TestOutput::bitmapAtScreenSize() {
  QFETCH(QString, name);
  QFETCH(QByteArray, format);
  QFETCH(QByteArray, magic);
  ShownCurve f;
  QTemporaryDir out;
  const QString path = out.filePath(name);
  f.outside->saveAnswers = {path};
  f.form->saveGraph_bmpClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('\n')));
  QCOMPARE(f.outside->saveFilters, QStringList{QStringLiteral("*.bmp")});
  QCOMPARE(f.form->SaveDialog1.filter, QStringLiteral("*.bmp*|*.bmp*"));
  QCOMPARE(QDir::currentPath(), QFileInfo(out.path()).canonicalFilePath());

  const QByteArray bytes = ReadAll(path);
  QVERIFY(bytes.startsWith(magic));
  QImageReader reader(path);
  QCOMPARE(reader.format(), format);
  const QImage image = reader.read();
  const QSize size = f.form->Chart1->size();
  QCOMPARE(image.size(), size);
  if (format == "bmp") {
    // The bitmap header gives the size itself: width and height as 32-bit little-endian numbers
    // at offsets 18 and 22.
    auto number = [&bytes](int at) {
      return qFromLittleEndian<qint32>(reinterpret_cast<const uchar*>(bytes.constData() + at));
    };
    QCOMPARE(number(18), size.width());
    QCOMPARE(std::abs(number(22)), size.height());
  }
  // The back wall is white; the points lie in their nights' colours.
  const QRect plot = f.form->Chart1->PlotRect();
  QCOMPARE(image.pixelColor(plot.left() + 2, plot.top() + 2), QColor(Qt::white));
  QCOMPARE(image.pixelColor(f.PointOf(1)), kNight0);
  QCOMPARE(image.pixelColor(f.PointOf(6)), kNight1);
}

void TestOutput::svgIsVector() {
  ShownCurve f;
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("phase.svg"));
  f.outside->saveAnswers = {path};
  f.form->saveGraph_emfClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('\n')));
  QCOMPARE(f.outside->saveFilters,
           QStringList{QStringLiteral("SVG pictures (*.svg)|*.svg|PDF documents (*.pdf)|*.pdf")});
  QCOMPARE(f.form->SaveDialog1.filter, QStringLiteral("*.*|*.*"));  // only a bitmap changes it

  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  const QSize size = f.form->Chart1->size();
  int paths = 0;
  int images = 0;
  int night0Paths = 0;
  QStringList texts;
  QString fill;  // the fill of the enclosing group: Qt writes the brush on a <g>
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto attributes = xml.attributes();
    if (xml.name() == QLatin1String("svg")) {
      QCOMPARE(attributes.value(QLatin1String("viewBox")).toString(),
               QStringLiteral("0 0 %1 %2").arg(size.width()).arg(size.height()));
    } else if (xml.name() == QLatin1String("g") && attributes.hasAttribute(QLatin1String("fill"))) {
      fill = attributes.value(QLatin1String("fill")).toString();
    } else if (xml.name() == QLatin1String("path")) {
      ++paths;
      if (fill == QLatin1String("#008000")) ++night0Paths;
    } else if (xml.name() == QLatin1String("image")) {
      ++images;
    } else if (xml.name() == QLatin1String("text")) {
      texts << xml.readElementText();
    }
  }
  QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
  QCOMPARE(images, 0);
  QVERIFY2(paths >= 12, qPrintable(QString::number(paths)));  // a diamond per point
  QCOMPARE(night0Paths, 4);
  QVERIFY(texts.contains(QStringLiteral("three nights.txt")));  // the chart's title
  QVERIFY(texts.contains(QStringLiteral("Julian Day")));
  QVERIFY(texts.contains(QStringLiteral("Bright")));
}

void TestOutput::pdfPictureIsVector() {
  ShownCurve f;
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("chart.Pdf"));
  f.outside->saveAnswers = {path};
  f.form->saveGraph_emfClick();
  QVERIFY2(f.outside->errors.isEmpty(), qPrintable(f.outside->errors.join('\n')));
  const QByteArray pdf = ReadAll(path);
  QVERIFY(pdf.startsWith("%PDF-"));
  // One page of the chart's size, a screen pixel being 0.75 point.
  const QSize size = f.form->Chart1->size();
  const QSizeF page = MediaBox(pdf);
  QVERIFY2(std::abs(page.width() - 0.75 * size.width()) < 0.5 &&
               std::abs(page.height() - 0.75 * size.height()) < 0.5,
           qPrintable(QStringLiteral("%1 x %2").arg(page.width()).arg(page.height())));
  QVERIFY(pdf.contains("/Font"));             // texts as text
  QVERIFY(!pdf.contains("/Subtype /Image"));  // nothing as a picture
  // The points of night 0 are filled in its green: 0x80 / 255 = 0.50196.
  const QByteArray content = PdfContent(pdf);
  QVERIFY(
      QString::fromLatin1(content).contains(QRegularExpression(QStringLiteral(R"(\b0 0\.50196\d* 0 scn)"))));
}

void TestOutput::clipboardGetsTheBitmap() {
  ShownCurve f;
  f.form->copyGraphClick();
  QVERIFY(f.outside->errors.isEmpty());
  const QImage& image = f.outside->copiedImage;
  QCOMPARE(image.size(), f.form->Chart1->size());
  QCOMPARE(image.pixelColor(f.PointOf(2)), kNight0);
  QCOMPARE(image.pixelColor(f.PointOf(5)), kNight1);
}

void TestOutput::cancelledDialogsWriteNothing() {
  ShownCurve f;
  const QString before = QDir::currentPath();
  f.form->saveGraph_bmpClick();
  f.form->saveGraph_emfClick();
  QCOMPARE(f.outside->saveCaptions.size(), 2);
  QCOMPARE(f.form->SaveDialog1.filter, QStringLiteral("*.*|*.*"));
  QCOMPARE(QDir::currentPath(), before);
  QVERIFY(f.outside->errors.isEmpty());
  // Saying No to replacing a picture leaves it as it was.
  QTemporaryDir out;
  const QString path = out.filePath(QStringLiteral("kept.bmp"));
  {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("older");
  }
  f.outside->saveAnswers = {path, QString()};
  f.outside->askAnswers = {false};
  f.form->saveGraph_bmpClick();
  QCOMPARE(f.outside->questions.size(), 1);
  QCOMPARE(ReadAll(path), QByteArray("older"));
  QCOMPARE(f.form->SaveDialog1.filter, QStringLiteral("*.*|*.*"));
}

void TestOutput::unwritablePictureSaysWhy() {
  ShownCurve f;
  QTemporaryDir out;
  for (const QString& name : {QStringLiteral("gone/chart.bmp"), QStringLiteral("gone/chart.svg")}) {
    f.outside->errors.clear();
    const QString path = out.filePath(name);
    f.outside->saveAnswers = {path};
    if (name.endsWith(QLatin1String(".bmp"))) {
      f.form->saveGraph_bmpClick();
    } else {
      f.form->saveGraph_emfClick();
    }
    QCOMPARE(f.outside->errors.size(), 1);
    QVERIFY(
        f.outside->errors[0].startsWith(QStringLiteral("Could not write ") + QDir::toNativeSeparators(path)));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }
  QCOMPARE(f.form->SaveDialog1.filter, QStringLiteral("*.*|*.*"));
}

QTEST_MAIN(TestOutput)
#include "tst_Output.moc"
