#include "session/key_queue.h"

#include "machine/instruction.h"

namespace zar {

void KeyQueue::Release(Session& session, Byte code) {
  if (session.Status().mode != RunMode::FullSpeed) {
    keys_.clear();
    session.WriteCell(KeyCell, code);
    return;
  }
  if (keys_.empty()) since_ = session.Steps();
  keys_.push_back(code);
}

bool KeyQueue::ApplyDue(Session& session, bool now) {
  if (keys_.empty()) return false;
  const Machine& machine = session.State();
  const Decoded next = Decode(machine);
  const bool late = session.Steps() < since_ || session.Steps() - since_ >= gap_;
  const bool reads = next.b == KeyCell && next.a != KeyCell && machine.Memory[KeyCell] == 0;
  if (!reads && !late && !now) return false;
  session.WriteCell(KeyCell, keys_.front());
  keys_.pop_front();
  since_ = session.Steps();
  return true;
}

}  // namespace zar
