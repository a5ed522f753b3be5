#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "devices/counted_ptr.h"
#include "devices/screen_device.h"

namespace zar {

// A copy of the screen store, shared with the previous copy wherever the two
// are equal: the rows in a tree of GroupCount groups of GroupRows rows each.
// A row the store wrote since the previous copy is copied only when its
// pixels differ from that copy's row (a moving sprite writes many rows and
// leaves most of them as they were), a new row that equals the row above
// it shares that row's copy (a cleared screen is one row), a group with no
// new row is shared whole, and so is a copy with no new group. Taking a copy and dropping one
// cost in proportion to what changed.
//
// The counts of owners are not atomic: the copies are taken, restored and
// dropped by a session's step-back record, and a session lives on one
// thread. The desktop's controller runs the machine in slices on the GUI
// thread's event loop and the windows read it there; `zar` and the page's
// core (in its one worker) have no other thread. Copies must never be handed
// to another thread.
class ScreenSnapshot {
 public:
  using Row = std::array<ColorValue, ScreenSize>;
  static constexpr int GroupRows = 16;
  static constexpr int GroupCount = ScreenSize / GroupRows;

  // Takes the store's written rows that differ from previous (all rows
  // without a previous copy) and forgets the store's marks: from now on they
  // tell what changed since this copy.
  static ScreenSnapshot Take(ScreenBuffer& store, const ScreenSnapshot* previous);

  // Puts the copy back into the store, with no rows marked: the store is
  // this copy again.
  void RestoreInto(ScreenBuffer& store) const;

  // The memory this copy takes beyond what it shares with the previous one.
  std::size_t BytesBeyond(const ScreenSnapshot* previous) const;

  // The rows this copy shares with other, for tests and figures.
  int RowsSharedWith(const ScreenSnapshot& other) const;

 private:
  struct RowNode {
    std::uint32_t owners = 0;
    Row pixels;
  };
  struct GroupNode {
    std::uint32_t owners = 0;
    std::array<CountedPtr<RowNode>, GroupRows> rows;
  };
  struct TopNode {
    std::uint32_t owners = 0;
    std::array<CountedPtr<GroupNode>, GroupCount> groups;
  };

  static CountedPtr<GroupNode> TakeGroup(const ScreenBuffer& store, int group, const CountedPtr<GroupNode>* previous,
                                         const CountedPtr<RowNode>* above);

  CountedPtr<TopNode> top_;
};

}  // namespace zar
