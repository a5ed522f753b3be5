// The session's breakpoints and watched cells.
#include "session/session.h"

namespace zar {

void Session::SetBreakpoint(Byte address, bool on) {
  if (breakpoints_[address] == on) return;
  breakpoints_[address] = on;
  breakpointCount_ += on ? 1 : -1;
  ForgetRepeats();
}

void Session::SetWatch(Byte cell, bool on) {
  if (watches_[cell] == on) return;
  watches_[cell] = on;
  watchCount_ += on ? 1 : -1;
  ForgetRepeats();
}

void Session::ClearBreakpointsAndWatches() {
  breakpoints_.fill(false);
  watches_.fill(false);
  breakpointCount_ = 0;
  watchCount_ = 0;
  ForgetRepeats();
}

}  // namespace zar
