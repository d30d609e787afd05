#include "ui/controls.h"

#include <QEvent>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QWidget>

namespace tolvane::ui {

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) {}

void CaptionLabel::setCaption(const QString& caption) {
  if (caption == text()) return;
  setText(caption);
  emit captionChanged(caption);
}

OptionButton::OptionButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
  setAutoExclusive(false);
}

void OptionButton::nextCheckState() {
  if (!isChecked()) setChecked(true);
}

OptionArray::OptionArray(QObject* parent) : QObject(parent) {}

void OptionArray::add(int index, OptionButton* button) {
  buttons_.insert(index, button);
  connect(button, &QAbstractButton::toggled, this,
          [this, index](bool checked) { onToggled(index, checked); });
}

int OptionArray::selected() const {
  for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it) {
    if (it.value()->isChecked()) return it.key();
  }
  return -1;
}

void OptionArray::onToggled(int index, bool checked) {
  if (!checked) return;
  for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it) {
    if (it.key() != index && it.value()->isChecked()) {
      const QSignalBlocker blocker(it.value());
      it.value()->setChecked(false);
    }
  }
  emit optionClicked(index);
}

void OptionArray::select(int index) {
  if (OptionButton* b = button(index)) b->setChecked(true);
}

void OptionArray::showSelected(int index) {
  for (auto it = buttons_.cbegin(); it != buttons_.cend(); ++it) {
    const QSignalBlocker blocker(it.value());
    it.value()->setChecked(it.key() == index);
  }
}

void OptionArray::clear() {
  showSelected(-1);
}

InputHook::InputHook(QWidget* target) : QObject(target) {
  target->installEventFilter(this);
}

int characterCode(int key, const QString& text) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return 13;
  if (key == Qt::Key_Backspace) return 8;
  if (key == Qt::Key_Escape) return 27;
  if (key == Qt::Key_Tab) return 9;
  if (text.isEmpty()) return -1;
  const QChar c = text.at(0);
  if (c.isHighSurrogate() && text.size() > 1)
    return static_cast<int>(QChar::surrogateToUcs4(c, text.at(1)));
  return c.unicode();
}

bool InputHook::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const int code = characterCode(key->key(), key->text());
    if (code >= 0) emit keyPressed(code);
  } else if (event->type() == QEvent::MouseButtonPress &&
             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    emit clicked();
  }
  return QObject::eventFilter(watched, event);
}

InputHook* inputHook(QWidget* target) {
  if (auto* existing = target->findChild<InputHook*>(QString(), Qt::FindDirectChildrenOnly)) {
    return existing;
  }
  return new InputHook(target);
}

}  // namespace tolvane::ui
