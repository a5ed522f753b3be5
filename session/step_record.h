#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <variant>

#include "devices/screen_device.h"
#include "devices/screen_snapshot.h"
#include "devices/sum_history.h"
#include "machine/machine.h"

namespace zar {

// The whole state of a session at one moment: enough to go on from there.
struct Checkpoint {
  std::uint64_t step = 0;  // steps done when it was taken
  Machine machine;
  ScreenSnapshot screen;
  ColorValue screenColor = 0;
  SumHistory history;
  bool recordHistory = false;
  std::uint64_t printed = 0;  // console characters printed so far
};

// The inputs that reach a session between two steps.
struct CellInput {
  int cell;
  Byte value;
};
struct MachineInput {
  Machine machine;  // fills, loads, copies and edits replace memory and IP
};
struct HistoryInput {
  bool watched;
};
struct RecordedInput {
  std::uint64_t step;  // came after this many steps
  std::variant<CellInput, MachineInput, HistoryInput> input;
};

// The past of a session, so that its steps can be undone: a checkpoint every
// CheckpointSteps steps and the inputs since the oldest one. Going back
// restores the last checkpoint before the target and steps forward from it
// again, with the inputs where they came, the network off and no events.
// At least MaxDepth steps are kept; the oldest go first.
struct StepRecord {
  // Replaying this many steps costs well under a millisecond even when
  // every other step draws a line, and the checkpoints of MaxDepth steps
  // would stay under 64 MB even if each had a whole screen of its own (the
  // screen copies share the rows that did not change).
  static constexpr std::uint64_t CheckpointSteps = 4608;
  static constexpr std::uint64_t MaxDepth = 1'000'000;
  // The most steps that can be undone: the oldest checkpoint goes only once
  // the next one is MaxDepth deep, and checkpoints come CheckpointSteps apart.
  static constexpr std::uint64_t MaxReach = MaxDepth + 2 * CheckpointSteps;

  std::deque<Checkpoint> checkpoints;
  std::deque<RecordedInput> inputs;
  std::deque<std::uint64_t> networkSteps;  // the steps whose network command reached the socket
};

}  // namespace zar
