#pragma once

namespace zar {

// How the machine runs: not at all, one step a tick of the run timer, or as
// fast as it can.
enum class RunMode { Stopped, Timer, FullSpeed };

// The one run state. Each mode can be held back: while paused (a modal
// dialog is open) no step runs at all; at full speed the machine also waits
// once a step changed nothing, until an input may have changed the machine.
struct RunState {
  RunMode mode = RunMode::Stopped;
  bool paused = false;
  bool waiting = false;  // full speed only: at a fixed point

  bool Running() const { return mode != RunMode::Stopped; }
  // Whether steps are due now.
  bool StepsDue() const { return Running() && !paused && !waiting; }
};

}  // namespace zar
