#include <gtest/gtest.h>

#include "widgets/console_view.h"

namespace zar {
namespace {

// A console text held in a string, numbered from `first` on.
struct StringText final : ConsoleText {
  std::uint64_t Begin() const override { return first; }
  std::uint64_t End() const override { return first + static_cast<std::uint64_t>(text.size()); }
  QString Range(std::uint64_t from, std::uint64_t to) const override {
    EXPECT_TRUE(first <= from && from <= to && to <= End()) << from << ".." << to;
    return text.mid(static_cast<qsizetype>(from - first), static_cast<qsizetype>(to - from));
  }
  std::uint64_t Clears() const override { return clears; }
  bool Dropped() const override { return first > 0; }

  QString text;
  std::uint64_t first = 0, clears = 0;
};

TEST(ConsoleView, FollowsAppendsCutsDropsAndClearsOfItsText) {
  StringText text;
  ConsoleView console(text);
  // What the text becomes, from which character on, and what the view then shows: a cut after a carriage
  // return, then its line feed after all, then the first character dropped, then all it showed and more.
  const std::tuple<QString, std::uint64_t, QString> cases[] = {
      {"Hi\r\nyou\rthere\n\nend\tx", 0, "Hi\nyou\nthere\n\nend     x"},
      {"Hi\r\nyou\r", 0, "Hi\nyou\n"},
      {"Hi\r\nyou\r\nnext", 0, "Hi\nyou\nnext"},
      {"Hi\r", 0, "Hi\n"},
      {"Hi\r\tz", 1, "i\n        z"},
      {"Hi\r\tzzz\nnew\rline", 8, "new\nline"},
  };
  for (const auto& [all, first, shown] : cases) {
    text.first = first;
    text.text = all.mid(static_cast<qsizetype>(first));
    console.Follow();
    EXPECT_EQ(console.Text(), shown) << all.toStdString();
  }
  EXPECT_EQ(console.Note(), ConsoleView::DroppedNote);
  text.first = 5;
  text.text = "A";
  ++text.clears;
  console.Follow();
  EXPECT_EQ(console.Text(), "A");
  EXPECT_EQ(ConsoleView::Picture(QString::fromUtf8("a\x01\x1b\x7f\u00e4")),
            QString::fromUtf8("a\u2401\u241b\u2421\u00e4"));
}

}  // namespace
}  // namespace zar
