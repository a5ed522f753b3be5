#pragma once

#include <cstdint>

#include "devices/network_device.h"
#include "devices/screen_device.h"
#include "devices/sum_history.h"
#include "machine/machine.h"
#include "session/machine_events.h"

namespace zar {

enum class RunState { Stopped, Running };

// The machine with its devices, and the one place that steps it. It holds the
// memory and IP, the screen store, the history samples and the run state;
// the network port and the subscriber of its events are given to it.
class Session {
 public:
  Session(NetworkPort& network, MachineEvents& events) : network_(&network), events_(events) {}

  Machine& State() { return machine_; }
  const Machine& State() const { return machine_; }
  ScreenDevice& Screen() { return screen_; }
  const ScreenDevice& Screen() const { return screen_; }
  const SumHistory& History() const { return history_; }

  RunState Run() const { return run_; }
  void SetRun(RunState run) { run_ = run; }

  // The port the network service uses from the next step on.
  void SetNetwork(NetworkPort& network) { network_ = &network; }

  // The history records a sample in every step only while somebody watches it.
  bool RecordsHistory() const { return recordHistory_; }
  void SetRecordsHistory(bool record) { recordHistory_ = record; }

  // One whole step, always in this order: the instruction with the console
  // drain, the report that it ran, the screen service, the network service,
  // the history. A stage that fails is abandoned and the next one runs;
  // nothing escapes to the caller.
  //
  // Returns false only when the step left all cells and IP as they were and
  // printed nothing: from then on the machine repeats that step for ever.
  bool MachineStep();

  // Steps until maxSteps steps ran or a step changed nothing (that step
  // counts). Returns the number of steps run.
  std::uint64_t RunUntilFixedPoint(std::uint64_t maxSteps);

 private:
  Machine machine_;
  ScreenDevice screen_;
  SumHistory history_;
  NetworkPort* network_;
  MachineEvents& events_;
  RunState run_ = RunState::Stopped;
  bool recordHistory_ = false;
};

}  // namespace zar
