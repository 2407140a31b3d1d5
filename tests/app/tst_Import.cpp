// File ▸ Import…: the dialog's guesses and choices, and what reaches the store, the chart and
// the notes pane through the one load; the note of Open data on files of three columns.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>
#include <cmath>
#include <functional>
#include <vector>

#include "ChartWidget.h"
#include "Controls.h"
#include "FormTestHelper.h"
#include "ImportDialog.h"
#include "view/ChartModel.h"

using namespace ombrane;
using namespace ombrane::test;

namespace {

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(text);
  return path;
}

// Imports `path` through the toolbar button, answering the import dialog with `answer`.
void Import(FormFixture& f, const QString& path, std::function<bool(ImportDialog&)> answer) {
  f.outside->openAnswers.push_back(FileChoice{path, false});
  f.outside->dialogAnswer = [answer](QDialog& dialog) { return answer(static_cast<ImportDialog&>(dialog)); };
  f.form->Import->click();
}

bool Accept(ImportDialog& dialog) {
  return dialog.Buttons->button(QDialogButtonBox::Ok)->isEnabled();
}

QStringList NoteLines(const FormFixture& f) {
  return f.form->RichEdit1->toPlainText().split('\n');
}

constexpr char kHeaderCsv[] =
    "# night of 2020-06-01\n"
    "JD,Mag,Err\n"
    "2459000.51,12.31,0.011\n"
    "2459000.52,12.32,0.012\n"
    "2459000.53,n/a,0.013\n"
    "2459001.54,12.34,0.014\n";

}  // namespace

class TestImport : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }

  // The guesses of a file with a comment and a header, accepted as they are: the time and the
  // magnitude columns reach the store, the row that is not a number is counted in the notes.
  void headerCsvWithTheGuesses() {
    QTemporaryDir dir;
    FormFixture f;
    f.form->Edit2->setText(QStringLiteral("2451000"));
    const QString path = Write(dir, QStringLiteral("night.csv"), kHeaderCsv);
    QString separator;
    int skip = -1;
    QString time;
    QString magnitude;
    Import(f, path, [&](ImportDialog& dialog) {
      separator = dialog.SeparatorBox->currentText();
      skip = dialog.SkipBox->value();
      time = dialog.TimeColumnBox->currentText();
      magnitude = dialog.MagColumnBox->currentText();
      return Accept(dialog);
    });
    QCOMPARE(separator, QStringLiteral("commas"));
    QCOMPARE(skip, 2);
    QCOMPARE(time, QStringLiteral("1: JD"));
    QCOMPARE(magnitude, QStringLiteral("2: Mag"));
    const Data& data = f.form->data();
    QCOMPARE(data.pointCount, 4);  // three observations and the repeat
    const long double jd[] = {2459000.51L, 2459000.52L, 2459001.54L, 2459001.54L};
    const long double mag[] = {12.31L, 12.32L, 12.34L, 12.34L};
    for (int i = 0; i < 4; ++i) {
      QVERIFY(data.jd[i] == jd[i]);
      QVERIFY(data.mag[i] == mag[i]);
    }
    QCOMPARE(f.form->chartModel().Series(kLightCurveSeries).Count(), 4);
    QCOMPARE(f.form->Label1->text(), QStringLiteral("night.csv"));
    QCOMPARE(NoteLines(f),
             (QStringList{"File name: night.csv",
                          "night.csv: 1 row whose time or magnitude is not a number was skipped (the "
                          "first on line 5)."}));
    QCOMPARE(f.form->Edit2->text(), QStringLiteral("2450000"));  // the defaults of a new object
    QVERIFY(f.outside->errors.isEmpty());
  }

  // Reduced times: the header "BJD-2450000" preselects the offset, which reaches the store;
  // another offset chosen in the dialog is the one added.
  void timeOffsetFromTheHeaderOrChosen() {
    for (const bool choose : {false, true}) {
      QTemporaryDir dir;
      FormFixture f;
      const QString path = Write(dir, QStringLiteral("k2.dat"),
                                 "# BJD-2450000   mag\n  7064.068193   -0.0019\n  7064.088626   +0.0056\n");
      QString shown;
      Import(f, path, [&](ImportDialog& dialog) {
        shown = dialog.TimeOffsetBox->currentText();
        if (choose)
          dialog.TimeOffsetBox->setCurrentIndex(dialog.TimeOffsetBox->findText(QStringLiteral("2457000")));
        return Accept(dialog);
      });
      QCOMPARE(shown, QStringLiteral("2450000"));
      const Data& data = f.form->data();
      QCOMPARE(data.pointCount, 3);
      QVERIFY(data.jd[0] == (choose ? 2457000 : 2450000) + 7064.068193L);
      QVERIFY(data.mag[0] == -0.0019L);
      QVERIFY(f.outside->errors.isEmpty());
    }
  }

  // The time scale: a header "HJD" preselects it, another chosen in the dialog is the one kept;
  // the light curve's axis names it.
  void timeScaleFromTheHeaderOrChosen() {
    for (const bool choose : {false, true}) {
      QTemporaryDir dir;
      FormFixture f;
      const QString path = Write(dir, QStringLiteral("hjd.dat"),
                                 "HJD   mag\n2457064.068193 10.1\n2457064.088626 10.2\n2457065.1 10.3\n");
      QString shown;
      Import(f, path, [&](ImportDialog& dialog) {
        shown = dialog.TimeScaleBox->currentText();
        if (choose) dialog.TimeScaleBox->setCurrentIndex(2);
        return Accept(dialog);
      });
      QCOMPARE(shown, QStringLiteral("HJD (heliocentric)"));
      const Data& data = f.form->data();
      QCOMPARE(data.pointCount, 4);
      QVERIFY(data.timeScale == (choose ? TimeScale::BjdTdb : TimeScale::Hjd));
      QCOMPARE(f.form->chartModel().bottomAxisTitle,
               std::string(choose ? "Barycentric Julian Day (BJD_TDB)" : "Heliocentric Julian Day (HJD)"));
      QVERIFY(f.outside->errors.isEmpty());
    }
  }

  // Another magnitude column chosen in the dialog is the one loaded.
  void chosenColumnIsLoaded() {
    QTemporaryDir dir;
    FormFixture f;
    const QString path = Write(dir, QStringLiteral("night.csv"), kHeaderCsv);
    Import(f, path, [](ImportDialog& dialog) {
      dialog.MagColumnBox->setCurrentIndex(2);
      return Accept(dialog);
    });
    QCOMPARE(f.form->data().pointCount, 5);
    QVERIFY(f.form->data().mag[2] == 0.013L);
  }

  // Cancelling the file or the import dialog leaves the store as it was.
  void cancelChangesNothing() {
    QTemporaryDir dir;
    FormFixture f;
    f.Load(dir, QStringLiteral("two.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
    const QString notes = f.form->RichEdit1->toPlainText();
    Import(f, Write(dir, QStringLiteral("night.csv"), kHeaderCsv), [](ImportDialog&) { return false; });
    QCOMPARE(f.outside->dialogs, 1);
    f.outside->openAnswers.push_back(FileChoice{QString(), false});
    f.form->Import->click();
    QCOMPARE(f.form->data().pointCount, 3);
    QVERIFY(f.form->data().jd[0] == 2450001.5L);
    QCOMPARE(f.form->RichEdit1->toPlainText(), notes);
    QCOMPARE(f.form->Label1->text(), QStringLiteral("two.txt"));
  }

  // An AAVSO export: the band to keep is offered, fainter-than estimates are left out and told.
  void aavsoBandChosen() {
    QTemporaryDir dir;
    FormFixture f;
    const QString path =
        Write(dir, QStringLiteral("aavso.csv"),
              "JD,Magnitude,Uncertainty,HQuncertainty,Band,Observer Code\n"
              "2459000.6,12.3,0.01,,V,ABC\n2459000.7,11.9,,,Vis.,XYZ\n2459001.6,<13.5,,,V,ABC\n"
              "2459001.8,12.1,,,Vis.,XYZ\n2459002.6,12.4,0.01,,V,ABC\n");
    QStringList bands;
    bool layoutShown = true;
    Import(f, path, [&](ImportDialog& dialog) {
      for (int i = 0; i < dialog.BandBox->count(); ++i) bands << dialog.BandBox->itemText(i);
      layoutShown = dialog.LayoutGroup->isVisibleTo(&dialog);
      dialog.BandBox->setCurrentIndex(1);
      return Accept(dialog);
    });
    QCOMPARE(bands, (QStringList{"V (3)", "Vis. (2)"}));
    QVERIFY(!layoutShown);
    QCOMPARE(f.form->data().pointCount, 3);
    QVERIFY(f.form->data().mag[0] == 11.9L);
    QVERIFY(f.form->data().jd[1] == 2459001.8L);
    QCOMPARE(NoteLines(f).last(),
             QStringLiteral("aavso.csv: band Vis., 2 observations; 3 in other bands left out."));

    FormFixture g;
    Import(g, path, [](ImportDialog& dialog) { return Accept(dialog); });
    QCOMPARE(g.form->data().pointCount, 3);  // V: two estimates and the repeat
    QCOMPARE(NoteLines(g).last(),
             QStringLiteral("aavso.csv: band V, 2 observations; 2 in other bands left out; 1 "
                            "fainter-than estimate left out."));
  }

  // A file with ragged rows: the dialog says what is wrong and offers no import; a file that
  // no format reads is refused with a message before the dialog.
  void malformedFilesLoadNothing() {
    QTemporaryDir dir;
    FormFixture f;
    f.Load(dir, QStringLiteral("two.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
    QString summary;
    bool enabled = true;
    Import(f, Write(dir, QStringLiteral("ragged.csv"), "JD,Mag,Err\n2459000.5,12.3,0.01\n2459000.6,12.4\n"),
           [&](ImportDialog& dialog) {
             summary = dialog.SummaryLabel->text();
             enabled = Accept(dialog);
             return true;  // pressing Enter anyway
           });
    QVERIFY(!enabled);
    QVERIFY2(summary.contains(QStringLiteral("ragged.csv, line 3: 2 fields where line 2 has 3")),
             qPrintable(summary));
    QCOMPARE(f.form->data().pointCount, 3);

    const int dialogs = f.outside->dialogs;
    Import(f, Write(dir, QStringLiteral("binary.dat"), QByteArray("\x01\x00\x02", 3)), Accept);
    QCOMPARE(f.outside->dialogs, dialogs);
    QCOMPARE(f.outside->errors.size(), 1);
    QVERIFY(f.outside->errors[0].contains(QStringLiteral("binary.dat is not a text file")));
    QCOMPARE(f.form->data().pointCount, 3);
  }

  // More rows than the store once held (5999): every row loads. Binning is offered, since the
  // rows have a cadence (0.001 d), but not chosen.
  void moreRowsThanTheOldStoreLoadWhole() {
    QTemporaryDir dir;
    QByteArray text = "JD MAG\n";
    for (int i = 0; i < 6001; ++i)
      text += QByteArray::number(2459000.5 + i * 0.001, 'f', 3) + ' ' +
              QByteArray::number(10 + i * 0.0001, 'f', 4) + '\n';
    FormFixture f;
    bool offered = false;
    bool kept = false;
    QString facts;
    Import(f, Write(dir, QStringLiteral("long.txt"), text), [&](ImportDialog& dialog) {
      offered = dialog.BinningGroup->isVisibleTo(&dialog) && dialog.BinButton->isEnabled();
      kept = dialog.KeepRowsButton->isChecked() && !dialog.AutoBinButton->isVisibleTo(&dialog);
      facts = dialog.BinningLabel->text();
      return Accept(dialog);
    });
    QVERIFY(offered);
    QVERIFY(kept);
    QCOMPARE(facts, QStringLiteral("6001 observations, a cadence of 1.44 min."));
    QCOMPARE(f.form->data().pointCount, 6002);  // every row and the repeat
    QVERIFY(f.form->data().fileMag[6000] == 10.6L);
  }

  // The dialog reads the file once: removed after the inspection, it still imports with the
  // choices made after that. Bins of 2 cadences (0.02 d, the edges 0.005 d before the first
  // time) hold {.50, .51}, {.52, .53} and {.54}; an AAVSO export gives another band.
  void choicesAfterTheFileIsGone() {
    const QByteArray regular =
        "JD MAG\n2459000.50 10.0\n2459000.51 10.2\n2459000.52 10.4\n"
        "2459000.53 10.6\n2459000.54 10.8\n";
    const QByteArray aavso =
        "JD,Magnitude,Uncertainty,HQuncertainty,Band,Observer Code\n"
        "2459000.6,12.3,0.01,,V,ABC\n2459000.7,11.9,,,Vis.,XYZ\n2459001.8,12.1,,,Vis.,XYZ\n";
    const struct {
      const char* name;
      QByteArray text;
      std::function<void(ImportDialog&)> choose;
      std::vector<long double> jd;
      std::vector<long double> mag;
    } cases[] = {
        {"binned.txt",
         regular,
         [](ImportDialog& dialog) {
           dialog.BinCadencesBox->setValue(2);
           dialog.BinButton->setChecked(true);
         },
         {2459000.505L, 2459000.525L, 2459000.54L},
         {10.1L, 10.5L, 10.8L}},
        {"aavso.csv",
         aavso,
         [](ImportDialog& dialog) { dialog.BandBox->setCurrentIndex(1); },
         {2459000.7L, 2459001.8L},
         {11.9L, 12.1L}},
    };
    for (const auto& c : cases) {
      QTemporaryDir dir;
      FormFixture f;
      const QString path = Write(dir, QString::fromLatin1(c.name), c.text);
      QString summary;
      Import(f, path, [&](ImportDialog& dialog) {
        QFile::remove(path);
        c.choose(dialog);
        summary = dialog.SummaryLabel->text();
        return Accept(dialog);
      });
      QVERIFY2(!QFile::exists(path), c.name);
      const Data& data = f.form->data();
      QCOMPARE(data.pointCount, static_cast<int32_t>(c.jd.size() + 1));
      for (size_t i = 0; i < c.jd.size(); ++i) {
        QVERIFY2(std::fabs(static_cast<double>(data.jd[i] - c.jd[i])) < 1e-9, qPrintable(summary));
        QVERIFY2(std::fabs(static_cast<double>(data.mag[i] - c.mag[i])) < 1e-9, qPrintable(summary));
      }
      QVERIFY(f.outside->errors.isEmpty());
    }
  }

  // Open data reads a file of three columns as before, and points to Import in one line.
  // The error column the header names is the dialog's guess; "none" loads without errors. With
  // errors, View ▸ Error bars becomes available and draws ±σ under the light curve's points,
  // on the screen and in a picture alike.
  void errorColumnAndErrorBars() {
    QTemporaryDir dir;
    FormFixture f;
    QVERIFY(!f.form->ErrorBarsCmd->isEnabled());
    const QByteArray text = "JD,Mag,Err\n2459000.50,12.0,0.30\n2459000.60,12.5,0.05\n2459000.70,12.2,0.10\n";
    QString guessed;
    Import(f, Write(dir, QStringLiteral("errors.csv"), text), [&](ImportDialog& dialog) {
      guessed = dialog.ErrorColumnBox->currentText();
      dialog.ErrorColumnBox->setCurrentIndex(0);  // none
      return Accept(dialog);
    });
    QCOMPARE(guessed, QStringLiteral("3: Err"));
    QVERIFY(!HasErrors(f.form->data()));
    QVERIFY(!f.form->ErrorBarsCmd->isEnabled());

    Import(f, Write(dir, QStringLiteral("errors2.csv"), text), Accept);
    QVERIFY(HasErrors(f.form->data()));
    QVERIFY(f.form->ErrorBarsCmd->isEnabled());
    QVERIFY(f.form->WeightedFitCmd->isEnabled());
    const ChartModel& model = f.form->chartModel();
    QCOMPARE(model.errorBars.size(), size_t{4});  // three and the repeat
    QCOMPARE(static_cast<double>(model.errorBars[0].sigma), 0.30f);
    QVERIFY(!model.showErrorBars);
    // A pixel on the first point's bar, well above its diamond: background before, the night's
    // colour once the bars are shown.
    ChartWidget& chart = *f.form->chart();
    const int x = chart.XPixel(model.errorBars[0].x);
    const QColor colour = FromBgr(model.errorBars[0].colour);
    auto onBar = [&] {
      const QImage image = chart.RenderImage();
      const int y = chart.YPixel(12.0 + 0.25);
      return image.pixelColor(x, y) == colour;
    };
    QVERIFY(!onBar());
    f.form->ErrorBarsCmd->trigger();
    QVERIFY(model.showErrorBars);
    QVERIFY(onBar());
  }

  void openDataPointsToImportForThreeColumns() {
    QTemporaryDir dir;
    FormFixture f;
    f.Load(dir, QStringLiteral("three.txt"), "2450001.5 12.1 0.01\n2450001.6 12.2 0.01\n");
    QCOMPARE(f.form->data().pointCount, 4);  // three pairs across the columns and the repeat, as always
    QVERIFY(f.form->data().fileJd[1] == 0.01L);
    QCOMPARE(NoteLines(f),
             (QStringList{"File name: three.txt",
                          "three.txt: every line holds three or more numbers, read two at a time across the "
                          "columns; File ▸ Import… reads the two columns you choose."}));
    FormFixture g;
    g.Load(dir, QStringLiteral("two.txt"), "2450001.5 12.1\n2450001.6 12.2\n");
    QCOMPARE(NoteLines(g), QStringList{"File name: two.txt"});

    // A header stops the reading before any pair: the notes point to Import too. A bad word
    // after some pairs does not.
    FormFixture h;
    h.Load(dir, QStringLiteral("header.txt"), "JD MAG\n2450001.5 12.1\n");
    QCOMPARE(h.form->data().pointCount, 0);
    QCOMPARE(NoteLines(h),
             (QStringList{"File name: header.txt",
                          "header.txt, line 1: 'JD' is not a number; reading stopped there.",
                          "header.txt: File ▸ Import… reads files with a header, comment lines or commas and "
                          "semicolons between the numbers."}));
    FormFixture k;
    k.Load(dir, QStringLiteral("late.txt"), "2450001.5 12.1\nend\n");
    QCOMPARE(NoteLines(k).size(), 2);
  }
};

QTEST_MAIN(TestImport)
#include "tst_Import.moc"
