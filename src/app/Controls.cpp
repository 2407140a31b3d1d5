#include "Controls.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <utility>

namespace ombrane {

EditBox::EditBox(const QString& name, const QString& text, QWidget* parent) : QLineEdit(text, parent) {
  setObjectName(name);
}

bool EditBox::event(QEvent* event) {
  const bool outer = std::exchange(handlingInput_, true);
  const bool result = QLineEdit::event(event);
  handlingInput_ = outer;
  return result;
}

void EditBox::SetErrorMark(bool marked) {
  if (marked == errorMarked_) return;
  errorMarked_ = marked;
  update();
}

void EditBox::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  if (!errorMarked_) return;
  QPainter painter(this);
  painter.setPen(QPen(QColor(0xD0, 0x00, 0x00), 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

void EditBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QLineEdit::mouseDoubleClickEvent(event);
  emit doubleClicked();
}

RadioGroup::RadioGroup(const QString& name, const QString& caption, const QStringList& items, int columns,
                       QWidget* parent)
    : QGroupBox(caption, parent) {
  setObjectName(name);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 0, 4, 1);
  grid->setSpacing(0);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    button->setObjectName(QStringLiteral("%1_item%2").arg(name).arg(i));
    // Each button is its own exclusive set of one: the group keeps the index itself, so that
    // "no item chosen" (-1) can be shown, which an exclusive QButtonGroup cannot.
    button->setAutoExclusive(false);
    button->setFixedHeight(18);
    grid->addWidget(button, i % rows, i / rows);
    buttons_.push_back(button);
    connect(button, &QRadioButton::clicked, this, [this, i] {
      const bool changed = i != itemIndex_;
      setItemIndex(i);  // a click on the chosen item leaves it chosen
      if (changed) emit clicked();
    });
  }
}

void RadioGroup::setItemIndex(int index) {
  itemIndex_ = (index >= 0 && index < count()) ? index : -1;
  for (int i = 0; i < count(); ++i) buttons_[static_cast<size_t>(i)]->setChecked(i == itemIndex_);
}

UpDown::UpDown(const QString& name, int minimum, int maximum, int position, QWidget* parent)
    : QWidget(parent), minimum_(minimum), maximum_(maximum), position_(position) {
  setObjectName(name);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  down_ = new QToolButton(this);
  down_->setArrowType(Qt::LeftArrow);
  down_->setAutoRepeat(true);
  up_ = new QToolButton(this);
  up_->setArrowType(Qt::RightArrow);
  up_->setAutoRepeat(true);
  row->addWidget(down_);
  row->addWidget(up_);
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
  connect(up_, &QToolButton::clicked, this, [this] { Step(+1); });
}

void UpDown::setPosition(int position) {
  position_ = std::clamp(position, minimum_, maximum_);
  if (box_ != nullptr) box_->setText(QString::number(position_));
  emit positionChanged(position_);
}

void UpDown::Associate(QLineEdit* box) {
  box_ = box;
  setPosition(position_);
}

void UpDown::Step(int delta) {
  // The attached box may have been typed into: step from the number it shows when it is one.
  if (box_ != nullptr) {
    bool ok = false;
    const int shown = box_->text().trimmed().toInt(&ok);
    if (ok) position_ = std::clamp(shown, minimum_, maximum_);
  }
  setPosition(position_ + delta);
}

QPushButton* WindowButton(QWidget* parent, const QString& name, const QString& caption, const QString& hint) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  button->setToolTip(hint);
  return button;
}

}  // namespace ombrane
