// TForm1: the notes pane as a small text editor, and the handlers that later analyses fill.
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

// Graph output.
void TForm1::printGraphClick() {}
void TForm1::saveGraph_bmpClick() {}
void TForm1::saveGraph_emfClick() {}
void TForm1::copyGraphClick() {}

// Fits, time of minimum, deletion, catalogue and night brightness.
void TForm1::NJDClick() {}
void TForm1::sincosClick() {}
void TForm1::DeleteClick() {}
void TForm1::Button11Click() {}
void TForm1::Button10Click() {}
void TForm1::Button5Click() {}
void TForm1::Button6Click() {}
void TForm1::BitBtn3Click() {}
void TForm1::Button9Click() {}

}  // namespace ombrane
