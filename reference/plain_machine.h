#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "machine/machine.h"

namespace zar::reference {

// The machine, its devices and its debugger as their rules describe them,
// one step at a time and as plainly as it can be written: every device is
// served in every step, the memory sum is added up anew after every step
// and nothing is skipped. It shares no code with the engines it checks,
// only the machine's data types.
struct PlainMachine {
  static constexpr int ScreenSide = 256;
  static constexpr int HistorySize = 513;

  MemoryCells memory{};
  Byte ip = 0;
  std::uint64_t steps = 0;
  std::string console;  // every character printed, as code page 1252 codes

  // The screen: ScreenSide x ScreenSide colours (red + 256 green + 65536
  // blue) row by row, black at first, and the colour a clear fills with.
  std::vector<std::int32_t> pixels = std::vector<std::int32_t>(ScreenSide * ScreenSide, 0);
  std::int32_t screenColor = 0;

  // The network: what the device asked for, one line each ("close",
  // "connect 10.0.0.1 80", "listen 80", "send 65"), and whether every
  // request is taken on (else every one fails).
  std::vector<std::string> networkCalls;
  bool networkAnswers = false;

  // The memory sum after each step, while history is on: a ring whose
  // oldest sample is at position.
  bool history = false;
  std::array<std::int32_t, HistorySize> ring{};
  std::size_t position = 0;

  std::array<bool, 256> breakpoints{};
  std::array<bool, 256> watches{};

  // Why a run ended: after its budget, after a step that ends on a
  // breakpoint or changed a watched cell (cell, before and after), or after
  // a step that changed nothing.
  struct Stop {
    enum class Reason { StepLimit, Breakpoint, Watch, FixedPoint };
    Reason reason = Reason::StepLimit;
    std::uint64_t steps = 0;
    Byte address = 0, before = 0, after = 0;
  };

  // One step: the instruction, the console, the screen, the network, the
  // history sample. False when it left every cell and IP as they were,
  // printed nothing and no request was taken on.
  bool Step();
  // Steps until maxSteps, or the debugger (when asked) or a step that
  // changed nothing (when asked) stops it.
  Stop Run(std::uint64_t maxSteps, bool debugger, bool fixedPoint);
  // The history samples, oldest first.
  std::array<std::int32_t, HistorySize> Samples() const;
};

}  // namespace zar::reference
