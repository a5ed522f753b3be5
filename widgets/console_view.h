#pragma once

#include <QAbstractScrollArea>
#include <QList>
#include <QString>

namespace zar {

// The console: characters are appended one at a time at a cost that does not
// grow with the text. Lines are kept apart and only the visible part is
// painted; a carriage return alone, a line feed alone and the pair each end a
// line, and tabs advance to the next multiple of eight columns. While the
// view is at the end of the output it follows it, also to the right along a
// long line. Other control characters show as their Unicode pictures; the
// text keeps them as they are. Ctrl+C and the context menu copy the whole
// text.
class ConsoleView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit ConsoleView(QWidget* parent = nullptr);

  void AppendCharacter(QChar c);
  void Clear();
  // Takes away the last n characters appended since the last Clear.
  void RemoveLast(qsizetype n);
  // The whole text, lines joined by line feeds.
  QString Text() const;

  // A line as it is painted: control characters other than the tab as the
  // pictures U+2401..U+241F and U+2421.
  static QString Picture(QString line);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void StartLine();
  void UpdateScrollBars();
  int VisibleLines() const;
  int VisibleColumns() const;
  void CopyAll() const;

  QString appended_;  // every character since the last Clear, for RemoveLast
  QList<QString> lines_{QString()};
  int widestLine_ = 0;
  bool afterCarriageReturn_ = false;
};

}  // namespace zar
