#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

#include "machine/machine.h"

namespace zar {

// The console's characters (code page 1252 codes), in the order the machine
// printed them. Every character has a number: the count of characters
// printed before it since the store began. The store keeps at least the last
// Keep of them, so that a run at full speed cannot fill memory; going back
// takes the newest away in constant time per character.
//
// Clear empties the visible text for good: going back never brings back what
// was cleared, whereas characters printed after going back show again.
class ConsoleStore {
 public:
  // More than the step-back record can take back, since a step prints at
  // most one character.
  static constexpr std::uint64_t Keep = 1'010'000;

  // The room for every character kept is taken at once, so that printing
  // never asks for memory in the middle of a step; it is not cleared, since
  // only what was printed is ever read.
  ConsoleStore() : text_(std::make_unique_for_overwrite<char[]>(Room)) {}

  void Push(Byte code) {
    text_[size_++] = static_cast<char>(code);
    if (size_ == Room) DropOldest();
  }

  // Characters written straight in, as compiled code drains them: room for
  // at least one at Tail(), TailRoom() in all; Commit(n) takes n of them as
  // printed.
  char* Tail() { return text_.get() + size_; }
  std::size_t TailRoom() const { return Room - size_; }
  void Commit(std::size_t count) {
    size_ += count;
    if (size_ == Room) DropOldest();
  }

  // Characters printed since the store began (the number of the next one).
  std::uint64_t End() const { return first_ + size_; }
  // The number of the first character shown: after the last Clear, and not
  // before the oldest that is kept.
  std::uint64_t Begin() const { return std::max(first_, cleared_); }
  // Whether characters printed since the last Clear were dropped.
  bool Dropped() const { return first_ > cleared_; }
  // Counts the calls of Clear, so that a view knows to start afresh.
  std::uint64_t Clears() const { return clears_; }

  // The characters from..to (numbers, Begin() <= from <= to <= End()).
  std::string_view Range(std::uint64_t from, std::uint64_t to) const {
    return std::string_view(text_.get() + (from - first_), to - from);
  }
  std::string_view Visible() const { return Range(Begin(), End()); }

  void Clear() {
    cleared_ = End();
    ++clears_;
  }

  // Takes away every character numbered end or later.
  void TruncateTo(std::uint64_t end) {
    if (end >= End()) return;
    size_ = end > first_ ? end - first_ : 0;
    if (end < first_) first_ = end;
  }
  // After going back: what was cleared stays cleared, but the characters
  // printed from here on are new and show.
  void SettleClear() { cleared_ = std::min(cleared_, End()); }

 private:
  // The characters kept between two drops of the oldest.
  static constexpr std::size_t Room = 2 * Keep;

  void DropOldest() {
    const std::size_t drop = size_ - Keep;
    std::copy(text_.get() + drop, text_.get() + size_, text_.get());
    size_ = Keep;
    first_ += drop;
  }

  std::unique_ptr<char[]> text_;
  std::size_t size_ = 0;       // characters in text_
  std::uint64_t first_ = 0;    // the number of text_[0]
  std::uint64_t cleared_ = 0;  // End() at the last Clear
  std::uint64_t clears_ = 0;
};

}  // namespace zar
