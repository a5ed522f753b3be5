#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "devices/network_device.h"
#include "devices/screen_device.h"
#include "devices/sum_history.h"
#include "machine/instruction.h"
#include "machine/machine.h"
#include "session/compiled_code.h"
#include "session/console_store.h"
#include "session/run_state.h"
#include "session/step_record.h"

namespace zar {

// Going back takes away at most one character a step, and never more than
// the console keeps.
static_assert(StepRecord::MaxReach < ConsoleStore::Keep);

// The ways a session can carry out steps, all with the same results: the
// interpreter takes every step through one step loop, serving a lone screen
// command or a command that does nothing on the way and the others through
// the one service step, which works the change out over every cell the
// devices touch; the compiled engine turns code that runs often into machine
// code of this computer (x86-64 Linux only) and hands every step it does not
// take to the interpreter. Both are checked against the independent plain
// machine of reference/, which only tests, fuzz targets and benchmarks link.
enum class Engine { Interpreter, Compiled };

// Whether the compiled engine runs here; where it does not, the interpreter
// takes its place.
bool CompiledEngineAvailable();

// What ends a run besides its step budget.
struct RunPolicy {
  std::uint64_t maxSteps = 1;
  bool debugger = true;    // breakpoints and watches stop it
  bool fixedPoint = true;  // a step that changed nothing stops it (and counts)
  // A state found to come back with nothing printed, drawn or sent between
  // stops it where it came back, before any repeat is skipped: from there
  // only an input can make the machine do anything new (Session::Period()).
  bool repeating = false;
};

// Why a run ended, and where.
struct RunStop {
  enum class Reason { StepLimit, Breakpoint, Watch, FixedPoint, Paused, Repeating };
  Reason reason = Reason::StepLimit;
  std::uint64_t steps = 0;  // the steps this run took
  Byte address = 0;         // the breakpoint reached, or the watched cell that changed
  Byte before = 0;          // the watched cell's value before the step
  Byte after = 0;           // and after it

  bool ByDebugger() const { return reason == Reason::Breakpoint || reason == Reason::Watch; }
};

// What going back did.
struct BackResult {
  std::uint64_t steps = 0;      // steps undone
  bool crossedNetwork = false;  // bytes sent or connections made then stay done
  RunStop stop;                 // for running back: where it stopped
};

// The machine with its devices, and the one place that steps it. It holds the
// memory and IP, the screen store, the console, the history samples and the
// run state; the network port is given to it. Its debugger stops runs at
// breakpoints and watched cells and, while a record is kept, undoes steps.
class Session {
 public:
  explicit Session(NetworkPort& network) : network_(&network) {}
  ~Session();

  // The machine, to read: it changes only by steps and the inputs below.
  const Machine& State() const { return machine_; }
  ScreenDevice& Screen() { return screen_; }
  const ScreenDevice& Screen() const { return screen_; }
  const SumHistory& History() const { return history_; }
  ConsoleStore& Console() { return console_; }
  const ConsoleStore& Console() const { return console_; }
  // Steps done, and console characters printed, since the session began.
  std::uint64_t Steps() const { return steps_; }
  std::uint64_t Printed() const { return console_.End(); }

  // The run state: mode, pause and waiting (runs are Run(policy)).
  RunState& Status() { return run_; }
  const RunState& Status() const { return run_; }

  Engine CurrentEngine() const { return engine_; }
  void SetEngine(Engine engine) { engine_ = engine; }
  // The steps compiled code took since the session began: none where the
  // compiled engine cannot be made, and none while the debugger or short
  // runs leave every step to the interpreter.
  std::uint64_t CompiledSteps() const { return compiledSteps_; }
  // For tests and fuzz targets: the compiled engine compiles code once it
  // has run a few times, whether or not that pays, so that short runs take
  // compiled code (off from the start).
  void SetCompilesEagerly(bool eager) {
    eager_ = eager;
    compiled_ = {};
  }

  // Whether runs of the interpreter and the compiled engine skip repeats of
  // the machine's state (on from the start). Once memory and IP are as they
  // were some steps ago, with nothing printed, no screen or network command
  // and no input between, the run repeats those steps for ever: whole
  // repeats are then counted, with the history samples and the record's
  // checkpoints they would have made, instead of stepped. What the look for
  // a repeat found lasts from one run to the next, until an input, a
  // change of the debugger, the history or the stops a run makes, or going
  // back. Runs of one step never skip.
  void SetSkipsCycles(bool skip);
  // After a Repeating stop: the steps after which the state comes back.
  std::uint64_t Period() const { return repeats_.period; }

  // The port the network service uses from the next step on.
  void SetNetwork(NetworkPort& network) { network_ = &network; }

  // The history records a sample in every step only while somebody watches it.
  bool RecordsHistory() const { return recordHistory_; }
  void SetRecordsHistory(bool record);

  // Inputs between steps, the only writes from outside; each is part of the
  // step-back record while one is kept.
  void WriteCell(int cell, Byte value);
  void ReplaceMachine(const Machine& machine);

  // One whole step, always in this order: the instruction, the console
  // drain, the screen service, the network service, the history sample.
  // A step that leaves no screen or network command waiting, and finds
  // none, needs no service and takes a short way.
  //
  // Returns false only when the step left all cells and IP as they were,
  // printed nothing and reached no socket: from then on the machine repeats
  // that step for ever.
  bool Step();

  // The one run loop: steps until the policy ends the run. While the run
  // state is paused it takes no step at all.
  RunStop Run(const RunPolicy& policy);

  // Breakpoints stop a run when a step ends with IP on one; watches stop it
  // after a step that changed the watched cell, also when a device service
  // or the console drain put the old value back within the step.
  void SetBreakpoint(Byte address, bool on);
  bool IsBreakpoint(Byte address) const { return breakpoints_[address]; }
  void SetWatch(Byte cell, bool on);
  bool IsWatched(Byte cell) const { return watches_[cell]; }
  void ClearBreakpointsAndWatches();
  bool Debugging() const { return breakpointCount_ + watchCount_ > 0; }

  // The step-back record: kept from StartRecord on, about 64 MB at most.
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
  static constexpr std::uint64_t Never = std::numeric_limits<std::uint64_t>::max();

  // The layers of a run, each adding one thing to the next:
  // Run takes the pause into account; RunUnpaused, as replaying needs it,
  // chooses whether to look for repeats of the state; RunSkippingRepeats
  // runs in parts, looks for a repeat at their ends and counts whole
  // repeats instead of stepping them;
  // RunOnEngine chooses the engine for a part; RunCompiled runs compiled
  // code where the debugger leaves it the steps; RunStepByStep
  // chooses the step loop for the debugger and the history samples;
  // StepLoop steps.
  RunStop RunUnpaused(const RunPolicy& policy);
  RunStop RunSkippingRepeats(const RunPolicy& policy);
  // The look for a repeated state, kept from one run to the next: the
  // state at savedAt, the counts of characters printed and device commands
  // served at the last look, and once the state came back, its period.
  struct RepeatSearch {
    Machine saved;
    std::uint64_t savedAt = 0;
    std::uint64_t nextLook = 0;
    std::uint64_t printed = 0, services = 0;
    std::uint64_t looks = 0, power = 1;
    std::uint64_t part = 1;  // the steps from one look to the next
    std::uint64_t period = 0;
    int stops = 0;  // what stopped the runs it looked at: the debugger, a fixed point
  };
  void ForgetRepeats();
  void SaveForRepeats();
  bool AtRepeat();
  void SkipRepeats(std::uint64_t most);
  RunStop RunOnEngine(const RunPolicy& policy);
  RunStop RunCompiled(const RunPolicy& policy);
  // The interpreter's steps between compiled code: until IP reaches an
  // address that has compiled code, the addresses it passes growing hot.
  template <bool Sampled>
  RunStop InterpretUntilCompiled(CompiledCode& compiled, std::uint64_t maxSteps, bool fixedPoint);
  RunStop RunStepByStep(const RunPolicy& policy);
  template <bool Debug, bool Sampled>
  RunStop StepLoop(const RunPolicy& policy);
  // What a run changes in every step, held in locals while it lasts.
  struct StepCounters {
    std::uint64_t steps;
    std::uint64_t nextCheckpoint;
    std::int32_t sum;
    bool sumKnown;
    std::size_t historyPosition;
  };
  void Store(const StepCounters& hot);
  void Load(StepCounters& hot) const;
  template <bool Sampled>
  bool StepOnce(const Decoded& d, StepCounters& hot);
  template <bool Sampled>
  bool ServiceStep(Byte a, Byte x, bool moved, Byte printedCode);
  // Runs the work with the record set aside and the network off, as
  // replaying the record needs.
  template <typename Work>
  void Unobserved(Work&& work);
  void Checkpoint(std::uint64_t atStep);
  void Restore(const zar::Checkpoint& checkpoint);
  using LastStop = std::optional<std::pair<std::uint64_t, RunStop>>;
  void Replay(const StepRecord& record, std::uint64_t toStep, std::size_t& input, LastStop* hit);
  void ApplyInput(const RecordedInput& input);
  void Record(RecordedInput input);
  void TruncateRecord(std::uint64_t step);
  BackResult GoBackTo(std::uint64_t step);

  Machine machine_;
  ScreenDevice screen_;
  SumHistory history_;
  ConsoleStore console_;
  NetworkPort* network_;
  RunState run_;
  Engine engine_ = Engine::Interpreter;
  bool recordHistory_ = false;
  bool skipCycles_ = true;
  std::array<std::unique_ptr<CompiledCode>, 2> compiled_;  // without and with history samples
  bool refused_ = false;                                   // the compiled engine could not be made
  bool eager_ = false;
  bool codeUnchecked_ = true;   // memory may have changed since compiled code last looked
  std::uint64_t services_ = 0;  // screen and network commands that did something
  std::uint64_t steps_ = 0;
  std::uint64_t compiledSteps_ = 0;
  std::int32_t memorySum_ = 0;  // while samples are taken, followed step by step
  bool sumKnown_ = false;
  std::array<bool, 256> breakpoints_{};
  std::array<bool, 256> watches_{};
  int breakpointCount_ = 0;
  int watchCount_ = 0;
  std::unique_ptr<StepRecord> record_;
  std::uint64_t nextCheckpoint_ = Never;  // the step at which the record takes its next checkpoint
  RepeatSearch repeats_;
};

}  // namespace zar
