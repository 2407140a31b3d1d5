// Ombrane: light curves of eclipsing and pulsating stars.
#include <QApplication>
#include <QMessageBox>
#include <csignal>
#include <exception>

#include "Unit1.h"

namespace {

// The event loop's last resort: an exception that escapes it is shown with its message.
class OmbraneApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      QMessageBox::critical(nullptr, applicationName(), QString::fromUtf8(e.what()));
    } catch (...) {
      QMessageBox::critical(nullptr, applicationName(), QString());
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Under a file-size limit a save fails with "File too large" and says so, instead of the
  // program being killed with the notes unsaved.
  std::signal(SIGXFSZ, SIG_IGN);
  OmbraneApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Ombrane"));
  ombrane::TForm1 form;
  form.show();
  return QApplication::exec();
}
