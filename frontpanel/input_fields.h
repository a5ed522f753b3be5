#pragma once

#include <QFrame>
#include <QLineEdit>

namespace zar {

// The key field: shows nothing, takes the focus, and reports the Windows
// virtual-key code of every key released while it has it.
class KeyField : public QFrame {
  Q_OBJECT

 public:
  explicit KeyField(QWidget* parent = nullptr);

 signals:
  void KeyReleased(int code);

 protected:
  void keyReleaseEvent(QKeyEvent* event) override;
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
