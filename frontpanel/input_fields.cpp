#include "frontpanel/input_fields.h"

#include <QKeyEvent>

#include "platform/key_codes.h"

namespace zar {

KeyField::KeyField(QWidget* parent) : QFrame(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void KeyField::keyReleaseEvent(QKeyEvent* event) {
  // A held key repeats its presses, but is released once.
  if (event->isAutoRepeat()) return;
  if (const int code = VirtualKeyCode(event->key(), event->modifiers())) emit KeyReleased(code);
}

SpeedField::SpeedField(QWidget* parent) : QLineEdit(parent) {}

void SpeedField::keyPressEvent(QKeyEvent* event) {
  const bool producesCharacter = !event->text().isEmpty() || event->key() == Qt::Key_Return ||
                                 event->key() == Qt::Key_Enter || event->key() == Qt::Key_Backspace;
  if (producesCharacter) emit TextBeforeKey(text());
  QLineEdit::keyPressEvent(event);
}

}  // namespace zar
