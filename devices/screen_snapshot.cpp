#include "devices/screen_snapshot.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstring>

namespace zar {

namespace {

// Whether two rows of pixels are equal. Natively the library's comparison
// is a vector memcmp and the fastest; WebAssembly has none in this build, and
// comparing 64-bit words, 128 bytes between two looks at the difference, takes
// half the time there.
bool SameRow(const ColorValue* a, const ColorValue* b) {
#ifdef __EMSCRIPTEN__
  constexpr int Block = 32;  // pixels
  for (int x = 0; x < ScreenSize; x += Block) {
    std::uint64_t difference = 0;
    for (int i = x; i < x + Block; i += 2) {
      std::uint64_t wordA = 0;
      std::uint64_t wordB = 0;
      std::memcpy(&wordA, a + i, sizeof wordA);
      std::memcpy(&wordB, b + i, sizeof wordB);
      difference |= wordA ^ wordB;
    }
    if (difference != 0) return false;
  }
  return true;
#else
  return std::equal(a, a + ScreenSize, b);
#endif
}

}  // namespace

// The group's rows as the store has them now: previous itself when none of
// them differs from it. A new row that equals the row above it shares that
// row's copy (above: the copy of the row before the group's first).
CountedPtr<ScreenSnapshot::GroupNode> ScreenSnapshot::TakeGroup(const ScreenBuffer& store, int group,
                                                                const CountedPtr<GroupNode>* previous,
                                                                const CountedPtr<RowNode>* above) {
  const int first = group * GroupRows;
  std::bitset<GroupRows> fresh;
  for (int r = 0; r < GroupRows; ++r) {
    const int y = first + r;
    fresh[r] = !previous || (store.RowWritten(y) && !SameRow(store.Row(y), (*previous)->rows[r]->pixels.data()));
  }
  if (fresh.none()) return *previous;
  CountedPtr<GroupNode> copy(new GroupNode);
  for (int r = 0; r < GroupRows; ++r) {
    const int y = first + r;
    if (!fresh[r]) {
      copy->rows[r] = (*previous)->rows[r];
    } else if (above && SameRow(store.Row(y), store.Row(y - 1))) {
      copy->rows[r] = *above;  // the row above is in the store as in its copy
    } else {
      CountedPtr<RowNode> row(new RowNode);
      std::copy_n(store.Row(y), ScreenSize, row->pixels.begin());
      copy->rows[r] = std::move(row);
    }
    above = &copy->rows[r];
  }
  return copy;
}

ScreenSnapshot ScreenSnapshot::Take(ScreenBuffer& store, const ScreenSnapshot* previous) {
  ScreenSnapshot copy;
  if (previous && !store.AnyRowWritten()) {
    copy.top_ = previous->top_;
    return copy;
  }
  CountedPtr<TopNode> top(new TopNode);
  bool changed = !previous;
  const CountedPtr<RowNode>* above = nullptr;
  for (int g = 0; g < GroupCount; ++g) {
    const CountedPtr<GroupNode>* before = previous ? &previous->top_->groups[g] : nullptr;
    top->groups[g] = TakeGroup(store, g, before, above);
    changed = changed || !(top->groups[g] == *before);
    above = &top->groups[g]->rows[GroupRows - 1];
  }
  copy.top_ = changed ? std::move(top) : previous->top_;
  store.ForgetWrites();
  return copy;
}

void ScreenSnapshot::RestoreInto(ScreenBuffer& store) const {
  for (int y = 0; y < ScreenSize; ++y) {
    const Row& row = top_->groups[y / GroupRows]->rows[y % GroupRows]->pixels;
    std::copy(row.begin(), row.end(), store.WriteRow(y));
  }
  store.ForgetWrites();
}

std::size_t ScreenSnapshot::BytesBeyond(const ScreenSnapshot* previous) const {
  if (previous && previous->top_ == top_) return 0;
  // A row's copy is new here when it is neither the previous copy's row at
  // that place nor, shared downwards, the row above in this copy: Take
  // makes no other.
  std::size_t bytes = sizeof(TopNode);
  const RowNode* above = nullptr;
  for (int g = 0; g < GroupCount; ++g) {
    const GroupNode* before = previous ? previous->top_->groups[g].get() : nullptr;
    const GroupNode& group = *top_->groups[g];
    if (&group != before) {
      bytes += sizeof(GroupNode);
      for (int r = 0; r < GroupRows; ++r) {
        const RowNode* row = group.rows[r].get();
        if ((!before || row != before->rows[r].get()) && row != above) bytes += sizeof(RowNode);
        above = row;
      }
    }
    above = group.rows[GroupRows - 1].get();
  }
  return bytes;
}

int ScreenSnapshot::RowsSharedWith(const ScreenSnapshot& other) const {
  int shared = 0;
  for (int y = 0; y < ScreenSize; ++y) {
    const int g = y / GroupRows;
    const int r = y % GroupRows;
    shared += top_->groups[g]->rows[r] == other.top_->groups[g]->rows[r];
  }
  return shared;
}

}  // namespace zar
