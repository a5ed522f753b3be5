#pragma once

#include "devices/sum_history.h"
#include "machine/console_sink.h"
#include "machine/machine.h"

namespace zar {

// The stages of one machine step, in their fixed order.
enum class StepStage { Instruction, InstructionReport, Screen, Network, History };

// What happened in the machine, told as it happens during a step. Every
// event does nothing unless a subscriber cares; ConsoleOut (a character came
// out of the console cell) is the console's event.
class MachineEvents : public ConsoleSink {
 public:
  void ConsoleOut(Byte) override {}
  // The instruction ran and the console cell was drained.
  virtual void InstructionExecuted() {}
  // The screen device carried out a command (the store may have changed).
  virtual void ScreenCommandRan(Byte /*command*/) {}
  // The network device carried out a command (its socket operations may have
  // failed without a word).
  virtual void NetworkCommandRan(Byte /*command*/) {}
  // The memory sum of this step went into the history.
  virtual void HistoryRecorded() {}
  // A stage failed half-way and was abandoned; the step went on.
  virtual void StageFailed(StepStage /*stage*/) {}
};

}  // namespace zar
