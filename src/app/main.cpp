#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Ombrane");
  QLabel placeholder("Ombrane: the main window is being built.");
  placeholder.show();
  return QApplication::exec();
}
