#pragma once

#include <QAbstractScrollArea>
#include <QString>

#include <cstdint>
#include <deque>

namespace zar {

// The text a console view shows, kept outside the view: the characters of
// the output numbered from its start, of which the view shows Begin() up to
// End(). The view follows it when told: characters appended at the end,
// taken away from the end, dropped from the front, or everything cleared.
class ConsoleText {
 public:
  virtual ~ConsoleText() = default;
  virtual std::uint64_t Begin() const = 0;
  virtual std::uint64_t End() const = 0;
  // The characters from..to as they appear (Begin() <= from <= to <= End()).
  virtual QString Range(std::uint64_t from, std::uint64_t to) const = 0;
  // Changes whenever the text was cleared.
  virtual std::uint64_t Clears() const = 0;
  // Whether characters before Begin() were dropped since the last clear.
  virtual bool Dropped() const = 0;
};

// The console. It keeps only where each line starts, so following the text
// costs what changed, and painting costs the lines and columns in view, a
// line of a million characters included. A carriage return alone, a line
// feed alone and the pair each end a line, and tabs advance to the next
// multiple of eight columns. While the view is at the end of the output it
// follows it, also to the right along a long line. Other control characters
// show as their Unicode pictures; the text keeps them as they are. When
// earlier characters were dropped, a note above the text says so. Ctrl+C and
// the context menu copy the whole text.
class ConsoleView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static const QString DroppedNote;

  explicit ConsoleView(const ConsoleText& text, QWidget* parent = nullptr);

  // Takes in what changed in the text since the last call.
  void Follow();
  // The whole text shown, lines joined by line feeds, tabs expanded.
  QString Text() const;
  // The note shown above the text, or an empty string.
  QString Note() const;

  // A line as it is painted: control characters other than the tab as the
  // pictures U+2401..U+241F and U+2421.
  static QString Picture(QString line);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // A line's characters are start..end; a line break follows all but the last.
  struct Line {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    int columns = 0;
    bool tabs = false;
  };

  void Restart();
  void Append(std::uint64_t to);
  void TruncateTo(std::uint64_t end);
  void DropBefore(std::uint64_t begin);
  void Measure(Line& line) const;
  void FindWidest();
  QString Expanded(const Line& line) const;
  int NoteLines() const { return Note().isEmpty() ? 0 : 1; }
  void UpdateScrollBars();
  int VisibleLines() const;
  int VisibleColumns() const;
  void CopyAll() const;

  const ConsoleText& text_;
  std::deque<Line> lines_;
  std::uint64_t shownEnd_ = 0;  // End() when last followed
  std::uint64_t clears_ = 0;
  bool afterCarriageReturn_ = false;
  int widest_ = 0;
};

}  // namespace zar
