#include <benchmark/benchmark.h>

#include <string>

#include "assembler/assemble.h"
#include "assembler/positions.h"
#include "machine/calc_step.h"
#include "session/session.h"

namespace {

using namespace zar;

class SilentEvents final : public MachineEvents {
 public:
  void ConsoleOut(Byte code) override { benchmark::DoNotOptimize(code); }
};

// Two instructions that count cell 20 up forever:
//   0: SUB 20,21,3   cell 20 -= 255 (adds 1), always jumps to 3
//   3: SUB 22,22,0   0 - 0, always jumps back to 0
Machine CountingLoop() {
  Machine m;
  const Byte cells[] = {20, 21, 3, 22, 22, 0};
  std::copy(std::begin(cells), std::end(cells), m.Memory.begin());
  m.Memory[21] = 255;
  return m;
}

void BM_CalcStep(benchmark::State& state) {
  Machine m = CountingLoop();
  SilentEvents events;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CalcStep(m, events));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CalcStep);

void BM_MachineStepHeadless(benchmark::State& state) {
  OfflineNetworkPort network;
  SilentEvents events;
  Session session(network, events);
  session.State() = CountingLoop();
  for (auto _ : state) {
    benchmark::DoNotOptimize(session.MachineStep());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MachineStepHeadless);

// Runs the counting loop for ten million steps a time as `zar run` does;
// with a breakpoint and a watch that never hit, as `zar run --break
// --watch` does.
void ZarRunCountingLoop(benchmark::State& state, bool debugged) {
  constexpr std::uint64_t Steps = 10'000'000;
  OfflineNetworkPort network;
  SilentEvents events;
  Session session(network, events);
  session.SetBreakpoint(200, debugged);
  session.SetWatch(100, debugged);
  for (auto _ : state) {
    session.State() = CountingLoop();
    if (debugged) {
      benchmark::DoNotOptimize(session.RunDebugged(Steps));
    } else {
      benchmark::DoNotOptimize(session.RunUntilFixedPoint(Steps));
    }
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * Steps),
                                                     benchmark::Counter::kIsRate);
}

void BM_ZarRunCountingLoop(benchmark::State& state) { ZarRunCountingLoop(state, false); }
BENCHMARK(BM_ZarRunCountingLoop)->Unit(benchmark::kMillisecond);

void BM_ZarRunDebuggedCountingLoop(benchmark::State& state) { ZarRunCountingLoop(state, true); }
BENCHMARK(BM_ZarRunDebuggedCountingLoop)->Unit(benchmark::kMillisecond);

// One step back at the newest end of a record of more than 1,000,000 steps,
// where the most steps are replayed. The program runs a screen command in
// every other step:
//   0: SUB 253,10,3  command 0 - cell 10; 3: SUB 248,11,0  X += 1, back to 0
void StepBackOne(benchmark::State& state, Byte negatedCommand) {
  OfflineNetworkPort network;
  SilentEvents events;
  Session session(network, events);
  session.State() = CountingLoop();
  const Byte cells[] = {253, 10, 3, 248, 11, 0};
  std::copy(std::begin(cells), std::end(cells), session.State().Memory.begin());
  session.State().Memory[10] = negatedCommand;
  session.State().Memory[11] = 255;
  session.State().Memory[247] = 255;  // a line ends in the last row
  session.State().Memory[250] = 255;
  session.StartRecord();
  // A step short of a checkpoint, more than MaxDepth steps deep.
  const std::uint64_t segments = StepRecord::MaxDepth / StepRecord::CheckpointSteps + 2;
  for (std::uint64_t i = 0; i < segments * StepRecord::CheckpointSteps - 1; ++i) session.MachineStep();
  for (auto _ : state) {
    benchmark::DoNotOptimize(session.StepBack(1));
    state.PauseTiming();
    session.MachineStep();
    state.ResumeTiming();
  }
  state.counters["depth"] = static_cast<double>(session.RecordDepth());
  state.counters["record_MB"] = static_cast<double>(session.RecordBytes()) / (1 << 20);
}

// A pixel plotted in every other step: each checkpoint copies one row.
void BM_StepBackOne(benchmark::State& state) { StepBackOne(state, 253); }
BENCHMARK(BM_StepBackOne)->Unit(benchmark::kMicrosecond);

// The worst case: a line from (X, 0) to (0, 255) in every other step, so each
// checkpoint holds a whole screen store of its own (the largest record there
// can be) and every step replayed draws 256 pixels.
void BM_StepBackOneLines(benchmark::State& state) { StepBackOne(state, 251); }
BENCHMARK(BM_StepBackOneLines)->Unit(benchmark::kMicrosecond);

// A clear of the whole screen in every other step.
void BM_StepBackOneClears(benchmark::State& state) { StepBackOne(state, 255); }
BENCHMARK(BM_StepBackOneClears)->Unit(benchmark::kMicrosecond);

// The yardstick: the bare instruction and the three device cells tested in a
// plain loop, with nothing else.
void BM_PlainCountingLoop(benchmark::State& state) {
  constexpr std::uint64_t Steps = 10'000'000;
  for (auto _ : state) {
    Machine m = CountingLoop();
    std::uint64_t changed = 0;
    for (std::uint64_t i = 0; i < Steps; ++i) {
      changed += ExecuteInstruction(m);
      changed += m.Memory[ConsoleCell] | m.Memory[ScreenCommandCell] | m.Memory[NetCommandCell];
    }
    benchmark::DoNotOptimize(changed);
    benchmark::DoNotOptimize(m);
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * Steps),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainCountingLoop)->Unit(benchmark::kMillisecond);

// A full table of 32,767 rows that still fits into memory: 40 SUB rows that
// refer to variables and labels, a long run of rows that are no mnemonic
// (they cost a header line each), and the 40 SET rows at the end.
CmdTable LargeTable() {
  constexpr int Names = 40;
  CmdTable table;
  for (int i = 0; i < Names; ++i) {
    const std::string n = std::to_string(i);
    *table.Append() = {"SUB", "v" + n, "255", "L" + std::to_string(Names - 1 - i), "L" + n, 0};
  }
  while (table.CmdCount() < CmdTable::MaxRows - Names) {
    *table.Append() = {"NOTE", "x", "", "", "n" + std::to_string(table.CmdCount()), 0};
  }
  for (int i = 0; i < Names; ++i) *table.Append() = {"SET", "v" + std::to_string(i), "", "", "", 0};
  return table;
}

void BM_GenerateCode32767Rows(benchmark::State& state) {
  CmdTable table = LargeTable();
  (void)AssignPositions(table);
  CodeImage image{};
  bool generated = false;
  for (auto _ : state) {
    generated = Generated(GenerateCode(table, image, {GenerateMode::Copy, true}));
  }
  if (!generated) state.SkipWithError("the table did not generate");
  state.SetItemsProcessed(state.iterations() * table.CmdCount());
}
BENCHMARK(BM_GenerateCode32767Rows)->Unit(benchmark::kMillisecond);

}  // namespace
