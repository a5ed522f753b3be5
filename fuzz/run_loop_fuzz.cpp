// The run loop under one engine against the reference engine, on arbitrary
// images with breakpoints, a watch, step budgets and inputs between runs:
// every run must stop at the same step for the same reason and leave the
// same memory, IP, screen, console and history. Then going back: a session
// that ran N steps and went back M must equal one that ran N - M.
//
// The engine under test is ZAR_FUZZ_ENGINE; each engine is one target.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "session/session.h"

namespace {

using namespace zar;

// After the first 262 bytes, the inputs: three bytes each, a step gap, a
// cell and a value.
struct Plan {
  Machine machine;
  bool history = false;
  RunPolicy policy;
  Byte breakpoint = 0;
  Byte watch = 0;
  bool watching = false;
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
  session.ReplaceMachine(plan.machine);
  session.SetRecordsHistory(plan.history);
  session.SetBreakpoint(plan.breakpoint, true);
  session.SetWatch(plan.watch, plan.watching);
  return session;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

void ExpectSame(const Session& a, const Session& b) {
  Check(a.Steps() == b.Steps());
  Check(a.State().Memory == b.State().Memory);
  Check(a.State().IP == b.State().IP);
  Check(a.Printed() == b.Printed());
  Check(a.Console().Visible() == b.Console().Visible());
  Check(a.Screen().ScreenColor == b.Screen().ScreenColor);
  Check(std::equal(a.Screen().Buffer.Rows(), a.Screen().Buffer.Rows() + ScreenSize * ScreenSize,
                   b.Screen().Buffer.Rows()));
  Check(a.History().Samples() == b.History().Samples());
}

// Runs exactly `steps` steps with the plan's inputs where they come, those
// after the last step included.
void Drive(Session& session, const Plan& plan, std::uint64_t steps) {
  std::size_t input = 0;
  const auto apply = [&] {
    for (; input < plan.inputs.size() && plan.inputs[input].step <= session.Steps(); ++input) {
      session.WriteCell(plan.inputs[input].cell, plan.inputs[input].value);
    }
  };
  apply();
  while (session.Steps() < steps) {
    std::uint64_t until = steps;
    if (input < plan.inputs.size()) until = std::min(until, plan.inputs[input].step);
    session.Run({until - session.Steps(), false, false});
    apply();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 262) return 0;
  const Plan plan = ReadPlan(data, size);
  OfflineNetworkPort network;

  // The same runs and inputs in both engines, each run compared.
  Session reference(network), tested(network);
  Prepare(reference, plan, Engine::Reference);
  Prepare(tested, plan, ZAR_FUZZ_ENGINE);
  for (const Plan::Input& input : plan.inputs) {
    const RunStop a = reference.Run(plan.policy);
    const RunStop b = tested.Run(plan.policy);
    Check(a.reason == b.reason && a.steps == b.steps && a.address == b.address && a.before == b.before &&
          a.after == b.after);
    ExpectSame(reference, tested);
    reference.WriteCell(input.cell, input.value);
    tested.WriteCell(input.cell, input.value);
  }

  // Forward and back against forward alone.
  const std::uint64_t total = plan.inputs.empty() ? plan.policy.maxSteps : plan.inputs.back().step + 50;
  Session back(network), forward(network);
  Prepare(back, plan, ZAR_FUZZ_ENGINE).StartRecord();
  Drive(back, plan, total);
  const std::uint64_t m = std::min(plan.back, total);
  Check(back.StepBack(m).steps == m);
  Drive(Prepare(forward, plan, Engine::Reference), plan, total - m);
  ExpectSame(back, forward);
  return 0;
}
