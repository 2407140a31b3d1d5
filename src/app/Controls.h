// Small controls of the window that Qt has no exact counterpart for: a box with a double-click
// event, a radio group with an item index (-1 = none chosen) and an up-down control attached to
// a box.
#pragma once

#include <QGroupBox>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>
#include <vector>

class QPushButton;
class QRadioButton;
class QToolButton;

namespace ombrane {

class EditBox : public QLineEdit {
  Q_OBJECT
 public:
  explicit EditBox(const QString& name, const QString& text, QWidget* parent);

  // True while the box handles the user's input (a key, a paste, a drop, an input method): a
  // change of its text then is the user typing, not a write of the program.
  bool HandlingInput() const { return handlingInput_; }
  // The red frame of a box whose text is not a number its handler can use.
  void SetErrorMark(bool marked);
  bool ErrorMarked() const { return errorMarked_; }

 signals:
  void doubleClicked();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  bool handlingInput_ = false;
  bool errorMarked_ = false;
};

class RadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  RadioGroup(const QString& name, const QString& caption, const QStringList& items, int columns,
             QWidget* parent);

  int itemIndex() const { return itemIndex_; }
  // Chooses an item (-1: none) without running the click handler.
  void setItemIndex(int index);
  QRadioButton* item(int index) const { return buttons_[static_cast<size_t>(index)]; }
  int count() const { return static_cast<int>(buttons_.size()); }

 signals:
  // The user chose another item (a click on the item already chosen runs nothing).
  void clicked();

 private:
  std::vector<QRadioButton*> buttons_;
  int itemIndex_ = -1;
};

// A horizontal up-down control: two arrow buttons that step a position within a range and show
// it in the attached box.
class UpDown : public QWidget {
  Q_OBJECT
 public:
  UpDown(const QString& name, int minimum, int maximum, int position, QWidget* parent);

  int position() const { return position_; }
  void setPosition(int position);
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  // The box that shows the position and follows it; writing the box's text runs its change
  // handler as any other write does.
  void Associate(QLineEdit* box);
  QToolButton* downButton() const { return down_; }
  QToolButton* upButton() const { return up_; }

 signals:
  void positionChanged(int position);

 private:
  void Step(int delta);

  int minimum_;
  int maximum_;
  int position_;
  QLineEdit* box_ = nullptr;
  QToolButton* down_;
  QToolButton* up_;
};

// A push button of a tool window (the periodogram's, the minima's): named, with its caption and
// hint, and never the default button, so that Enter in the window presses none of them.
QPushButton* WindowButton(QWidget* parent, const QString& name, const QString& caption, const QString& hint);

}  // namespace ombrane
