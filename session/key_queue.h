#pragma once

#include <cstdint>
#include <deque>

#include "formats/input_script.h"
#include "session/session.h"

namespace zar {

// The keys a person releases. Stopped or under the timer, where every step
// is seen, a key goes into cell 254 at once. At full speed a run stops at
// any step between two slices, also between a program's read of the key
// cell and its clearing of it, where a key written would be cleared unread;
// so a key waits until the instruction at IP reads cell 254 (as its B
// operand, and the cell is free: 0, or `gap` steps passed since the key
// before), and goes in right before it. Keys released faster than the
// program reads them wait their turn, one for each read. A key no read takes
// within `gap` steps goes in then, as zar run --keys would type it.
class KeyQueue {
 public:
  explicit KeyQueue(std::uint64_t gap = DefaultKeyGap) : gap_(gap) {}

  void Release(Session& session, Byte code);
  // Whether a key waits: the run then goes on step by step, ApplyDue before each.
  bool Waiting() const { return !keys_.empty(); }
  // Writes the next key waiting when the next step reads it, or its time
  // has come, or now (at a fixed point, where no read will come); true when
  // one was written.
  bool ApplyDue(Session& session, bool now = false);
  // A load, a fill or going back: the keys waiting are dropped.
  void Clear() { keys_.clear(); }

 private:
  std::uint64_t gap_;
  std::deque<Byte> keys_;
  std::uint64_t since_ = 0;  // the session's steps when the key waiting first came or the last went in
};

}  // namespace zar
