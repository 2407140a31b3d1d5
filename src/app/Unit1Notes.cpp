// TForm1: the notes pane as a small text editor.
#include <QFile>
#include <QTextDocument>
#include <QTextEdit>

#include "Unit1.h"

namespace ombrane {

void TForm1::FileNewClick() {
  Run([this] {
    RichEdit1->clear();
    RichEdit1->document()->setModified(false);
  });
}

void TForm1::FileOpenClick() {}
void TForm1::FileSaveClick() {}

void TForm1::CutClick() {
  Run([this] { RichEdit1->cut(); });
}

void TForm1::CopyClick() {
  Run([this] { RichEdit1->copy(); });
}

void TForm1::PastClick() {
  Run([this] { RichEdit1->paste(); });
}

void TForm1::UndoClick() {
  Run([this] { RichEdit1->undo(); });
}

}  // namespace ombrane
