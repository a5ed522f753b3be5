#pragma once

#include <QPlainTextEdit>

namespace zar {

// A text area whose whole text is set and read at once. A carriage return
// alone, a line feed alone and the pair each show as one line break; the text
// reads back with a line feed between lines and every other character as it
// was typed (a no-break space stays one).
class TextArea : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TextArea(QWidget* parent = nullptr);

  void SetWholeText(const QString& text);
  QString WholeText() const;
};

}  // namespace zar
