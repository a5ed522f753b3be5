#pragma once

#include <QPlainTextEdit>

#include <utility>
#include <vector>

namespace zar {

// A text area whose whole text is set and read at once, or set a few lines at
// a time. A carriage return
// alone, a line feed alone and the pair each show as one line break; the text
// reads back with a line feed between lines and every other character as it
// was typed (a no-break space stays one).
class TextArea : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TextArea(QWidget* parent = nullptr);

  void SetWholeText(const QString& text);
  // Replaces lines, counted from 0, each by a text without line breaks; the
  // other lines stay as they are. Like SetWholeText it leaves nothing to undo.
  void ReplaceLines(const std::vector<std::pair<int, QString>>& lines);
  QString WholeText() const;
};

}  // namespace zar
