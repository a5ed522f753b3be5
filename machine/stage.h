#pragma once

namespace zar {

// The one boundary for work that may fail half-way (a stage of the machine
// step, a socket operation, a stage of the assembler): a failure abandons the
// rest of that work, and the caller goes on with the next. Returns whether the
// work ran to its end.
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
