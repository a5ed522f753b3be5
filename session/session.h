#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "devices/network_device.h"
#include "devices/screen_device.h"
#include "devices/sum_history.h"
#include "machine/machine.h"
#include "session/machine_events.h"
#include "session/step_record.h"

namespace zar {

enum class RunState { Stopped, Running };

// Why a run ended, and where.
struct RunStop {
  enum class Reason { StepLimit, Breakpoint, Watch, FixedPoint };
  Reason reason = Reason::StepLimit;
  std::uint64_t steps = 0;  // the steps this run took
  Byte address = 0;         // the breakpoint reached, or the watched cell that changed
  Byte before = 0;          // the watched cell's value before the step
  Byte after = 0;           // and after it
};

// What going back did.
struct BackResult {
  std::uint64_t steps = 0;      // steps undone
  bool crossedNetwork = false;  // bytes sent or connections made then stay done
  RunStop stop;                 // for running back: where it stopped
};

// The machine with its devices, and the one place that steps it. It holds the
// memory and IP, the screen store, the history samples and the run state;
// the network port and the subscriber of its events are given to it. Its
// debugger stops runs at breakpoints and watched cells and, while a record
// is kept, undoes steps.
class Session {
 public:
  Session(NetworkPort& network, MachineEvents& events) : network_(&network), events_(&events) {}
  ~Session();

  Machine& State() {
    sumKnown_ = false;  // whoever writes here may change any cell
    return machine_;
  }
  const Machine& State() const { return machine_; }
  ScreenDevice& Screen() { return screen_; }
  const ScreenDevice& Screen() const { return screen_; }
  const SumHistory& History() const { return history_; }
  // Steps done, and console characters printed, since the session began.
  std::uint64_t Steps() const { return steps_; }
  std::uint64_t Printed() const { return printed_; }

  RunState Run() const { return run_; }
  void SetRun(RunState run) { run_ = run; }

  // The port the network service uses from the next step on.
  void SetNetwork(NetworkPort& network) { network_ = &network; }

  // The history records a sample in every step only while somebody watches it.
  bool RecordsHistory() const { return recordHistory_; }
  void SetRecordsHistory(bool record);

  // Inputs between steps. Writing State() directly works as well, but only
  // these are part of the step-back record.
  void WriteCell(int cell, Byte value);
  void ReplaceMachine(const Machine& machine);

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

  // Breakpoints stop a run when a step ends with IP on one; watches stop it
  // after a step that changed the watched cell, also when a device service
  // or the console drain put the old value back within the step.
  void SetBreakpoint(Byte address, bool on);
  bool IsBreakpoint(Byte address) const { return breakpoints_[address]; }
  void SetWatch(Byte cell, bool on);
  bool IsWatched(Byte cell) const { return watches_[cell]; }
  void ClearBreakpointsAndWatches();
  bool Debugging() const { return breakpointCount_ + watchCount_ > 0; }

  // Steps until maxSteps steps ran, a breakpoint or a watch hit, or a fixed
  // point (that step counts).
  RunStop RunDebugged(std::uint64_t maxSteps);

  // The step-back record: kept from StartRecord on, about 32 MB at most.
  void StartRecord();
  void StopRecord();
  bool Recording() const { return record_ != nullptr; }
  // How many steps can be undone now, and the memory the record takes.
  std::uint64_t RecordDepth() const;
  std::size_t RecordBytes() const;
  // Undoes the last n steps (fewer when the record is shorter) and the inputs
  // that came after them.
  BackResult StepBack(std::uint64_t n);
  // Steps back to the last state before this one that a breakpoint or watch
  // would have stopped at, or as far as the record goes.
  BackResult RunBack();

 private:
  // Runs the work with the record set aside, the network off and nobody
  // hearing events, as replaying the record needs.
  // MachineStep's shortcut for a step that needs no service; false when the
  // step needs more.
  bool PlainStep(bool& changed);
  // The step is done: it counts, and the record takes a checkpoint when due.
  void CountStep();
  // A stage failed half-way: it counts as a change, and subscribers hear of it.
  bool ReportFailure(StepStage stage);
  template <typename Work>
  void Unobserved(Work&& work);
  void Checkpoint(std::uint64_t atStep);
  void Restore(const zar::Checkpoint& checkpoint);
  void Replay(std::uint64_t fromStep, std::uint64_t toStep, std::size_t& input);
  void ApplyInput(const RecordedInput& input);
  void Record(RecordedInput input);
  void TruncateRecord(std::uint64_t step);
  BackResult GoBackTo(std::uint64_t step);

  Machine machine_;
  ScreenDevice screen_;
  SumHistory history_;
  NetworkPort* network_;
  MachineEvents* events_;
  RunState run_ = RunState::Stopped;
  bool recordHistory_ = false;
  std::uint64_t steps_ = 0;
  std::uint64_t printed_ = 0;
  std::int32_t memorySum_ = 0;       // while samples are taken, followed step by step
  bool sumKnown_ = false;
  std::array<bool, 256> breakpoints_{};
  std::array<bool, 256> watches_{};
  int breakpointCount_ = 0;
  int watchCount_ = 0;
  std::unique_ptr<StepRecord> record_;
};

}  // namespace zar
