// TForm1: the ephemeris group, the phase diagram and the period search.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QStatusBar>
#include <QWindow>

#include "BusyCursor.h"
#include "ChartWidget.h"
#include "Controls.h"
#include "Unit1.h"
#include "common/FloatingPoint.h"
#include "common/PartialOutcome.h"
#include "phase/Ephemeris.h"
#include "phase/Fold.h"
#include "phase/FoldPresentation.h"
#include "services/RunSearch.h"

namespace ombrane {

namespace {

// Keeps the user's input away from the window while a search runs, so that no other handler can
// change the records under it; only the progress dialog (with its Cancel button) answers. Esc
// cancels the search wherever it is pressed, also before the progress dialog shows.
class InputBlocker : public QObject {
 public:
  explicit InputBlocker(QProgressDialog* allowed) : allowed_(allowed) {
    QApplication::instance()->installEventFilter(this);
  }
  ~InputBlocker() override { QApplication::instance()->removeEventFilter(this); }
  InputBlocker(const InputBlocker&) = delete;
  InputBlocker& operator=(const InputBlocker&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      allowed_->cancel();
      return true;
    }
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
        return !Allowed(watched);
      default:
        return false;
    }
  }

 private:
  bool Allowed(QObject* watched) const {
    if (auto* widget = qobject_cast<QWidget*>(watched)) return widget->window() == allowed_;
    if (auto* window = qobject_cast<QWindow*>(watched)) return window == allowed_->windowHandle();
    return false;
  }

  QProgressDialog* allowed_;
};

}  // namespace

void TForm1::ApplyFoldOutcome(const FoldOutcome& outcome) {
  if (outcome.stringLengthText) Label11->setText(QString::fromStdString(*outcome.stringLengthText));
  if (outcome.aovText) {
    Label13->setText(QString::fromStdString(*outcome.aovText));
    // The dash of an undefined statistic says why in the status bar, until a fold defines it.
    const QString reason = outcome.aovUndefined == AovUndefined::None
                               ? QString()
                               : QStringLiteral("AoV statistic undefined: ") +
                                     QString::fromUtf8(AovUndefinedReason(outcome.aovUndefined));
    if (!reason.isEmpty())
      StatusBar1->showMessage(reason);
    else if (StatusBar1->currentMessage().startsWith(QStringLiteral("AoV statistic undefined")))
      StatusBar1->clearMessage();
  }
  if (outcome.phaseFileBlock) NoteOutputFailure(WritePhaseFile(*outcome.phaseFileBlock, outputFiles_));
}

void TForm1::Fold(bool fromPeriodBox, bool writePhaseFile) {
  const FoldRequest request{.axis = RadioGroup3->itemIndex() == 1 ? PhaseAxis::JdAverage : PhaseAxis::Phase,
                            .writePhaseFile = writePhaseFile,
                            .computeAov = fromPeriodBox,
                            .separator = DecimalSeparator()};
  FoldOutcome outcome;
  // What was done before a failure stays shown.
  KeepingPartial(
      [&] {
        NewPicture([&] {
          if (fromPeriodBox)
            ApplyPeriodBox(BoxText(Edit3), *data_, *star_, *view_, *chartModel_, request, outcome);
          else
            RunFold(*data_, *star_, *view_, *chartModel_, request, outcome);
        });
      },
      [&] { ApplyFoldOutcome(outcome); });
  ApplyFoldOutcome(outcome);
}

void TForm1::PhaseClick() {
  Run([this] { Fold(false, CheckBox2->isChecked()); }, true);
}

void TForm1::RadioGroup3Click() {
  Run([this] { Fold(false, false); }, true);
}

void TForm1::Edit3Change() {
  Run([this] { Fold(true, CheckBox2->isChecked()); }, true);
}

void TForm1::Edit2Change() {
  Run([this] { star_->epoch = BoxNumber(Edit2); });
}

void TForm1::Edit2DblClick() {
  Edit2Change();
}

void TForm1::Edit3DblClick() {
  Run([this] { star_->period = BoxNumber(Edit3); });
}

void TForm1::Edit4Change() {
  Run([this] { star_->searchMin = BoxNumber(Edit4); });
}

void TForm1::Edit4DblClick() {
  Edit4Change();
}

void TForm1::Edit5Change() {
  Run([this] { star_->searchMax = BoxNumber(Edit5); });
}

void TForm1::Edit5DblClick() {
  Edit5Change();
}

void TForm1::Edit6Change() {
  Run([this] { star_->increment = BoxNumber(Edit6); });
}

void TForm1::Button1Click() {
  Run([this] {
    star_->period = Multiply(star_->period, 2);
    SetBoxText(Edit3, General(star_->period));
  });
}

void TForm1::Button2Click() {
  Run([this] {
    if (star_->period > 0) star_->period = star_->period * 0.5L;
    SetBoxText(Edit3, General(star_->period));
  });
}

void TForm1::Button3Click() {
  StepPeriod(+1);
}

void TForm1::Button4Click() {
  StepPeriod(-1);
}

void TForm1::StepPeriod(int direction) {
  Run([this, direction] {
    StepPeriodAboutMeanJd(*star_, *data_, direction);
    SetBoxText(Edit3, General(star_->period));
    SetBoxText(Edit2, General(star_->epoch));
  });
}

void TForm1::Button7Click() {
  Run(
      [this] {
        // The items of the Method group in the order of SearchMethod.
        const SearchMethod method = static_cast<SearchMethod>(std::max(RadioGroup4->itemIndex(), 0));
        SearchRequest request = SearchRequestOf(*star_, method);
        MethodSettings settings = *methodSettings_;
        settings.step = FrequencyStep->isChecked() ? GridStep::Frequency : GridStep::Period;
        BusyCursor busy;
        // Progress with a Cancel button appears when the search looks like taking over a second.
        QProgressDialog progress(QStringLiteral("Searching the period range..."), QStringLiteral("Cancel"), 0,
                                 1000, this);
        progress.setObjectName(QStringLiteral("SearchProgress"));
        progress.setWindowTitle(QApplication::applicationName());
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(1000);
        progress.setAutoReset(false);
        progress.setAutoClose(false);
        const InputBlocker blocker(&progress);
        request.progress = [&progress](int64_t done, int64_t total) {
          if (total > 0) progress.setValue(static_cast<int>(done * 1000 / total));
          QApplication::processEvents();
          return !progress.wasCanceled();
        };
        SearchReport report = RunSearch(*data_, *star_, request, settings, DecimalSeparator());
        progress.close();
        if (report.result.status == SearchResult::Status::Done) {
          // The periodogram first: it belongs to the search, whatever the fold at its best
          // period does; the lines follow the fold.
          ShowPeriodogram(std::move(report.result.periodogram));
          TypePeriod(star_->bestPeriod);
        }
        for (const std::string& line : report.lines) AppendNote(QString::fromStdString(line));
      },
      true);
}

void TForm1::TypePeriod(long double period) {
  const QString text = General(period);
  if (Edit3->text() == text)
    Fold(true, CheckBox2->isChecked());
  else
    SetBoxText(Edit3, text);
}

void TForm1::Button12Click() {
  Run([this] { AppendNote(QStringLiteral("Period: ") + General(star_->period)); });
}

}  // namespace ombrane
