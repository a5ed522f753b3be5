#pragma once

#include <QFrame>
#include <QLineEdit>

namespace zar {

// The key field: shows nothing but whether it has the focus (its background
// turns to the colour of text fields), and reports the Windows virtual-key
// code of every key released while it has it. Every key belongs to the
// machine then: none of them is a shortcut, and Alt does not go to the menus.
class KeyField : public QFrame {
  Q_OBJECT

 public:
  explicit KeyField(QWidget* parent = nullptr);

 signals:
  void KeyReleased(int code);

 protected:
  bool event(QEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// The speed field: on every key that produces a character (Enter and
// Backspace included) it reports its text as it was before the key acts.
class SpeedField : public QLineEdit {
  Q_OBJECT

 public:
  explicit SpeedField(QWidget* parent = nullptr);

 signals:
  void TextBeforeKey(const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace zar
