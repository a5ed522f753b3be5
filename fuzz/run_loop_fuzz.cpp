// The run loop under one engine against the plain machine, on arbitrary
// images with breakpoints, a watch, step budgets, a network that takes
// requests on or refuses them, and inputs between runs: every run must stop
// at the same step for the same reason and leave the same memory, IP,
// screen, console, network requests and history. Then going back: a session
// that ran N steps and went back M must equal the plain machine after N - M.
//
// The engine under test is ZAR_FUZZ_ENGINE; each engine is one target.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "reference/session_check.h"
#include "session/session.h"

namespace {

using namespace zar;
using reference::Difference;
using reference::LoggingPort;
using reference::PlainMachine;

// After the first 262 bytes, the inputs: three bytes each, a step gap, a
// cell and a value.
struct Plan {
  Machine machine;
  bool history = false;
  RunPolicy policy;
  Byte breakpoint = 0;
  Byte watch = 0;
  bool watching = false;
  bool answers = false;  // the network takes every request on
  std::uint64_t back = 0;
  struct Input {
    std::uint64_t step;
    Byte cell;
    Byte value;
  };
  std::vector<Input> inputs;
};

Plan ReadPlan(const std::uint8_t* data, std::size_t size) {
  Plan plan;
  std::copy(data, data + 256, plan.machine.Memory.begin());
  plan.machine.IP = static_cast<Byte>(data[256] % (MaxIP + 1));
  const Byte flags = data[257];
  plan.history = (flags & 1) != 0;
  plan.policy.debugger = (flags & 2) != 0;
  plan.policy.fixedPoint = (flags & 4) != 0;
  plan.watching = (flags & 8) != 0;
  plan.answers = (flags & 16) != 0;
  plan.breakpoint = data[258];
  plan.watch = data[259];
  plan.policy.maxSteps = 1 + (data[260] | data[261] << 8) % 4000;
  std::uint64_t step = 0;
  for (std::size_t i = 262; i + 3 <= size; i += 3) {
    step += data[i] * 7;
    plan.inputs.push_back({step, data[i + 1], data[i + 2]});
  }
  plan.back = plan.inputs.empty() ? data[260] : data[260] * 31 % (step + 300);
  return plan;
}

Session& Prepare(Session& session, const Plan& plan, Engine engine) {
  session.SetEngine(engine);
  session.SetCompilesEagerly(true);
  session.ReplaceMachine(plan.machine);
  session.SetRecordsHistory(plan.history);
  session.SetBreakpoint(plan.breakpoint, true);
  session.SetWatch(plan.watch, plan.watching);
  return session;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

// Runs exactly `steps` steps with the plan's inputs where they come, those
// after the last step included.
template <typename Runner>
void Drive(Runner& runner, const Plan& plan, std::uint64_t steps) {
  std::size_t input = 0;
  const auto apply = [&] {
    for (; input < plan.inputs.size() && plan.inputs[input].step <= runner.Steps(); ++input) {
      runner.Write(plan.inputs[input].cell, plan.inputs[input].value);
    }
  };
  apply();
  while (runner.Steps() < steps) {
    std::uint64_t until = steps;
    if (input < plan.inputs.size()) until = std::min(until, plan.inputs[input].step);
    runner.Run(until - runner.Steps());
    apply();
  }
}

struct SessionRunner {
  Session& session;
  std::uint64_t Steps() const { return session.Steps(); }
  void Write(Byte cell, Byte value) { session.WriteCell(cell, value); }
  void Run(std::uint64_t steps) { session.Run({steps, false, false}); }
};

struct PlainRunner {
  PlainMachine& plain;
  std::uint64_t Steps() const { return plain.steps; }
  void Write(Byte cell, Byte value) { plain.memory[cell] = value; }
  void Run(std::uint64_t steps) { plain.Run(steps, false, false); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 262) return 0;
  const Plan plan = ReadPlan(data, size);

  // The same runs and inputs in the engine and the plain machine, each run
  // compared.
  LoggingPort network(plan.answers);
  Session tested(network);
  Prepare(tested, plan, ZAR_FUZZ_ENGINE);
  PlainMachine plain = reference::PlainLike(tested);
  plain.networkAnswers = plan.answers;
  for (const Plan::Input& input : plan.inputs) {
    const PlainMachine::Stop expected = plain.Run(plan.policy.maxSteps, plan.policy.debugger, plan.policy.fixedPoint);
    Check(Difference(tested.Run(plan.policy), expected).empty());
    Check(Difference(tested, network, plain).empty());
    tested.WriteCell(input.cell, input.value);
    plain.memory[input.cell] = input.value;
  }

  // Forward and back against forward alone.
  const std::uint64_t total = plan.inputs.empty() ? plan.policy.maxSteps : plan.inputs.back().step + 50;
  LoggingPort backNetwork(plan.answers);
  Session back(backNetwork);
  Prepare(back, plan, ZAR_FUZZ_ENGINE).StartRecord();
  PlainMachine forward = reference::PlainLike(back);
  forward.networkAnswers = plan.answers;
  SessionRunner backRunner{back};
  Drive(backRunner, plan, total);
  const std::uint64_t m = std::min(plan.back, total);
  Check(back.StepBack(m).steps == m);
  PlainRunner forwardRunner{forward};
  Drive(forwardRunner, plan, total - m);
  // Requests made stay made: only the machine is compared.
  forward.networkCalls = backNetwork.calls;
  Check(Difference(back, backNetwork, forward).empty());
  return 0;
}
