// TForm1: the notes pane as a small text editor.
#include <QCloseEvent>
#include <QFile>
#include <QMenu>
#include <QScrollBar>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include "NotesFile.h"
#include "Unit1.h"

namespace ombrane {

bool TForm1::NotesMayBeDiscarded() {
  if (!RichEdit1->document()->isModified()) return true;
  switch (outside_->AskToSave(this, QStringLiteral("The notes have changed. Save them first?"))) {
    case UnsavedAnswer::Save:
      return SaveNotes();
    case UnsavedAnswer::Discard:
      return true;
    case UnsavedAnswer::Cancel:
      break;
  }
  return false;
}

bool TForm1::SaveNotes() {
  const std::optional<FileChoice> choice = ChooseSaveFile(SaveDialog1);
  if (!choice) return false;
  WriteNotesFile(choice->path, *RichEdit1->document());
  RichEdit1->document()->setModified(false);
  return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A save that fails is reported and keeps the window open, with the notes in it. The analysis
  // not saved as a project is asked about first (a saved project keeps the notes too).
  bool close = false;
  Run([this, &close] { close = ProjectMayBeDiscarded() && NotesMayBeDiscarded(); });
  if (close) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TForm1::FileNewClick() {
  Run([this] {
    if (!NotesMayBeDiscarded()) return;
    RichEdit1->clear();
    ForgetNoteUndoStates();
    RichEdit1->document()->setModified(false);
  });
}

void TForm1::FileOpenClick() {
  Run([this] {
    if (!NotesMayBeDiscarded()) return;
    const std::optional<FileChoice> choice = ChooseOpenFile(OpenDialog1, true);
    if (!choice) return;
    // A file that cannot be read leaves the pane as it was.
    const NotesContent content = ReadNotesFile(choice->path);
    if (content.rich) {
      RichEdit1->setHtml(content.text);
    } else {
      RichEdit1->setPlainText(content.text);
    }
    ForgetNoteUndoStates();
    RichEdit1->document()->setModified(false);
    RichEdit1->setReadOnly(choice->readOnly);
  });
}

void TForm1::FileSaveClick() {
  Run([this] { SaveNotes(); });
}

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
  // A read-only pane is not edited, by Undo either.
  // The program's result lines are no edit of the user's: Undo takes back the user's last
  // edit and leaves the results written since then where they are (at the pane's end).
  Run([this] {
    if (RichEdit1->isReadOnly()) return;
    QTextDocument* document = RichEdit1->document();
    QStringList results;
    bool usersEditUndone = false;
    while (!resultUndoStates_.empty() && resultUndoStates_.back().state == document->availableUndoSteps() &&
           document->isUndoAvailable()) {
      results.prepend(resultUndoStates_.back().line);
      const int characters = document->characterCount();
      document->undo();
      // More went than the result wrote: the user's typing had joined its step, and is gone too.
      if (characters - document->characterCount() != resultUndoStates_.back().characters)
        usersEditUndone = true;
      resultUndoStates_.pop_back();
      if (usersEditUndone) break;
    }
    if (!usersEditUndone && document->isUndoAvailable()) document->undo();
    for (const QString& line : results) AppendNote(line);
  });
}

void TForm1::RedoClick() {
  // Only the user's own edits are ever undone (UndoClick appends the results it passed over
  // anew), so what Redo brings back is the user's.
  Run([this] {
    if (RichEdit1->isReadOnly()) return;
    RichEdit1->document()->redo();
  });
}

QMenu* TForm1::NotesContextMenu(const QPoint& position) {
  const QPoint inDocument(position.x() + RichEdit1->horizontalScrollBar()->value(),
                          position.y() + RichEdit1->verticalScrollBar()->value());
  QMenu* menu = RichEdit1->createStandardContextMenu(inDocument);
  // Qt's Undo and Redo items act on the document's own stack, which holds the result lines
  // too: they are replaced by items of the same caption and state that run the window's handlers.
  const std::pair<QLatin1String, void (TForm1::*)()> routed[] = {
      {QLatin1String("edit-undo"), &TForm1::UndoClick}, {QLatin1String("edit-redo"), &TForm1::RedoClick}};
  for (QAction* standard : menu->actions()) {
    for (const auto& [name, handler] : routed) {
      if (standard->objectName() != name) continue;
      auto* own = new QAction(standard->icon(), standard->text(), menu);
      own->setObjectName(standard->objectName());
      own->setEnabled(standard->isEnabled());
      connect(own, &QAction::triggered, this, handler);
      menu->insertAction(standard, own);
      menu->removeAction(standard);
      delete standard;
      break;
    }
  }
  return menu;
}

}  // namespace ombrane
