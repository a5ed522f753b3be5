#pragma once

namespace zar {

// The boundary of an assembler stage's work that may fail half-way: a
// failure abandons the rest of that work and becomes the stage's message, and
// the caller goes on with the next stage. Returns whether the work ran to its
// end.
template <typename Work>
bool RunStage(Work&& work) noexcept {
  try {
    work();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace zar
