#include "frontpanel/input_fields.h"

#include <QKeyEvent>

#include "host/key_codes.h"

namespace zar {

KeyField::KeyField(QWidget* parent) : QFrame(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAutoFillBackground(true);
}

// Taking the shortcut check keeps a key from going anywhere else, such as
// Alt to the menu bar, which would take the focus away.
bool KeyField::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  return QFrame::event(event);
}

void KeyField::focusInEvent(QFocusEvent* event) {
  setBackgroundRole(QPalette::Base);
  QFrame::focusInEvent(event);
}

void KeyField::focusOutEvent(QFocusEvent* event) {
  setBackgroundRole(QPalette::Window);
  QFrame::focusOutEvent(event);
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
