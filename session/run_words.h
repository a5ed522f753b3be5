#pragma once

#include <cstdint>
#include <string>

#include "machine/machine.h"
#include "session/session.h"

namespace zar {

// The Debugger's words for the run, in the desktop and the page alike.

// Where a run stopped: " at breakpoint 12", " at watch 200: 3 -> 2", or
// nothing for any other stop.
std::string StopWords(const RunStop& stop);

// What the state line says once the machine stopped: "stopped" with where,
// or after going back "stepped back to step N" with where that stopped.
std::string StoppedWords(const RunStop& stop);
std::string SteppedBackWords(std::uint64_t steps, const RunStop& stop);

// The state line (without "State: "): the stopped words while stopped,
// "running at N ms", "running at full speed" or "waiting at a fixed point
// (IP n)", and ", paused while a dialog is open" when paused.
std::string StateWords(const RunState& run, const std::string& stopped, long long intervalMs, Byte ip);

}  // namespace zar
