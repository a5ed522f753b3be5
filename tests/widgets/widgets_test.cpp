#include <gtest/gtest.h>

#include <QScrollBar>

#include "widgets/code_editor.h"
#include "widgets/console_view.h"
#include "host/key_codes.h"

namespace zar {
namespace {

TEST(VirtualKeyCode, TranslatesQtKeysToWindowsCodes) {
  const struct { int qtKey; Qt::KeyboardModifiers modifiers; int code; } cases[] = {
      {Qt::Key_A, Qt::ShiftModifier, 65},     {Qt::Key_Z, Qt::NoModifier, 90},
      {Qt::Key_9, Qt::NoModifier, 57},        {Qt::Key_Exclam, Qt::ShiftModifier, 49},
      {Qt::Key_Return, Qt::NoModifier, 13},   {Qt::Key_Enter, Qt::KeypadModifier, 13},
      {Qt::Key_Space, Qt::NoModifier, 32},    {Qt::Key_Escape, Qt::NoModifier, 27},
      {Qt::Key_Left, Qt::NoModifier, 37},     {Qt::Key_Down, Qt::NoModifier, 40},
      {Qt::Key_F12, Qt::NoModifier, 123},     {Qt::Key_5, Qt::KeypadModifier, 101},
      {Qt::Key_Comma, Qt::NoModifier, 188},   {Qt::Key_Shift, Qt::ShiftModifier, 16},
      {Qt::Key_unknown, Qt::NoModifier, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VirtualKeyCode(c.qtKey, c.modifiers), c.code) << "Qt key " << std::hex << c.qtKey;
  }
}

// A console text held in a string, numbered from `first` on.
struct StringText final : ConsoleText {
  std::uint64_t Begin() const override { return first; }
  std::uint64_t End() const override { return first + static_cast<std::uint64_t>(text.size()); }
  QString Range(std::uint64_t from, std::uint64_t to) const override {
    return text.mid(static_cast<qsizetype>(from - first), static_cast<qsizetype>(to - from));
  }
  std::uint64_t Clears() const override { return clears; }
  bool Dropped() const override { return first > 0; }
  void Set(const QString& s) { text = s; }

  QString text;
  std::uint64_t first = 0;
  std::uint64_t clears = 0;
};

TEST(ConsoleView, FollowsAppendsCutsDropsAndClearsOfItsText) {
  StringText text;
  ConsoleView console(text);
  // What the text becomes, and what the view then shows.
  const struct { QString text; std::uint64_t first; QString shown; } cases[] = {
      {"Hi\r\nyou\rthere\n\nend\tx", 0, "Hi\nyou\nthere\n\nend     x"},
      {"Hi\r\nyou\r", 0, "Hi\nyou\n"},  // cut after a carriage return
      {"Hi\r\nyou\r\nnext", 0, "Hi\nyou\nnext"},  // its line feed came after all
      {"Hi\r", 0, "Hi\n"},
      {"Hi\r\tz", 1, "i\n        z"},  // the first character dropped
  };
  for (const auto& c : cases) {
    text.first = c.first;
    text.Set(c.text.mid(static_cast<qsizetype>(c.first)));
    console.Follow();
    EXPECT_EQ(console.Text(), c.shown) << c.text.toStdString();
  }
  EXPECT_EQ(console.Note(), ConsoleView::DroppedNote);
  text.first = 5;
  text.Set("A");
  ++text.clears;
  console.Follow();
  EXPECT_EQ(console.Text(), "A");
  EXPECT_EQ(ConsoleView::Picture(QString::fromUtf8("a\x01\x1b\x7f\u00e4")),
            QString::fromUtf8("a\u2401\u241b\u2421\u00e4"));
}

TEST(ConsoleView, FollowsTheEndOfALongLineAndTheNextLine) {
  StringText text;
  ConsoleView console(text);
  console.resize(200, 100);
  text.Set(QString(1'000'000, 'x'));
  console.Follow();
  EXPECT_GT(console.horizontalScrollBar()->value(), 200);
  EXPECT_EQ(console.horizontalScrollBar()->value(), console.horizontalScrollBar()->maximum());
  text.text.append('\n');
  console.Follow();
  EXPECT_EQ(console.horizontalScrollBar()->value(), 0);
}

TEST(CodeEditor, GoesToALineAndWidensItsMarginForMoreDigits) {
  CodeEditor editor;
  editor.resize(300, 200);
  editor.SetWholeText(QString::fromUtf8("one\ntwo\u00a0x\r\nthree"));
  const int narrow = editor.viewport()->x();
  const struct { int line; QString selected; int start; } cases[] = {
      {2, QString::fromUtf8("two\u00a0x"), 4}, {3, "three", 10}, {0, "one", 0}, {99, "three", 10}};
  for (const auto& c : cases) {
    editor.GoToLine(c.line);
    EXPECT_EQ(editor.textCursor().selectedText(), c.selected) << c.line;
    EXPECT_EQ(editor.textCursor().position(), c.start) << c.line;
  }
  EXPECT_EQ(editor.WholeText(), QString::fromUtf8("one\ntwo\u00a0x\nthree"));
  editor.SetWholeText(QString("x\n").repeated(120));
  EXPECT_GT(editor.viewport()->x(), narrow);
}

}  // namespace
}  // namespace zar
