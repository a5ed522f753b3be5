#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <random>
#include <vector>
#include <string>
#include <thread>

#include "assembler/assemble.h"
#include "assembler/positions.h"
#include "formats/pipe_room.h"
#include "machine/cp1252.h"
#include "machine/instruction.h"
#include "session/scripted_input.h"
#include "session/session.h"
#include "plain_loop.h"
#include "programs.h"

namespace {

using namespace zar;

// A pipe whose far end a thread drains, as a shell pipeline would: the
// console's way out in the printing benchmarks.
class DrainedPipe {
 public:
  DrainedPipe() {
    if (::pipe(fds_) != 0) std::abort();
    WidenPipe(fds_[1]);  // as zar run does with its standard output
    reader_ = std::thread([fd = fds_[0]] {
      char buffer[1 << 16];
      while (::read(fd, buffer, sizeof buffer) > 0) {
      }
    });
  }
  ~DrainedPipe() {
    ::close(fds_[1]);
    reader_.join();
    ::close(fds_[0]);
  }
  void Write(const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(fds_[1], text.data() + done, text.size() - done);
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
  }

 private:
  int fds_[2] = {-1, -1};
  std::thread reader_;
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

void BM_MachineStepHeadless(benchmark::State& state) {
  OfflineNetworkPort network;
  Session session(network);
  session.ReplaceMachine(CountingLoop());
  for (auto _ : state) {
    benchmark::DoNotOptimize(session.Step());
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
  Session session(network);
  session.SetSkipsCycles(false);
  session.SetBreakpoint(200, debugged);
  session.SetWatch(100, debugged);
  for (auto _ : state) {
    session.ReplaceMachine(CountingLoop());
    benchmark::DoNotOptimize(session.Run({Steps, true, true}));
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
  Session session(network);
  Machine machine = CountingLoop();
  const Byte cells[] = {253, 10, 3, 248, 11, 0};
  std::copy(std::begin(cells), std::end(cells), machine.Memory.begin());
  machine.Memory[10] = negatedCommand;
  machine.Memory[11] = 255;
  machine.Memory[247] = 255;  // a line ends in the last row
  machine.Memory[250] = 255;
  session.ReplaceMachine(machine);
  session.StartRecord();
  // A step short of a checkpoint, more than MaxDepth steps deep.
  const std::uint64_t segments = StepRecord::MaxDepth / StepRecord::CheckpointSteps + 2;
  for (std::uint64_t i = 0; i < segments * StepRecord::CheckpointSteps - 1; ++i) session.Step();
  for (auto _ : state) {
    benchmark::DoNotOptimize(session.StepBack(1));
    state.PauseTiming();
    session.Step();
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
      const Decoded d = Decode(m);
      Execute(m, d);
      changed += d.result != d.x || d.next != d.ip;
      changed += m.Memory[ConsoleCell] | m.Memory[ScreenCommandCell] | m.Memory[NetCommandCell];
    }
    benchmark::DoNotOptimize(changed);
    benchmark::DoNotOptimize(m);
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * Steps),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainCountingLoop)->Unit(benchmark::kMillisecond);

// A billion steps of the counting loop as `zar run` takes them, with the
// repeats of its state skipped; the interpreter's and the compiled engine's.
void SkipCycles(benchmark::State& state, Engine engine) {
  constexpr std::uint64_t Steps = 1'000'000'000;
  OfflineNetworkPort network;
  Session session(network);
  session.SetEngine(engine);
  for (auto _ : state) {
    session.ReplaceMachine(CountingLoop());
    benchmark::DoNotOptimize(session.Run({Steps, true, true}));
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * Steps),
                                                     benchmark::Counter::kIsRate);
}

void BM_SkipCycles(benchmark::State& state) { SkipCycles(state, Engine::Interpreter); }
BENCHMARK(BM_SkipCycles)->Unit(benchmark::kMillisecond);

void BM_SkipCyclesJit(benchmark::State& state) { SkipCycles(state, Engine::Compiled); }
BENCHMARK(BM_SkipCyclesJit)->Unit(benchmark::kMillisecond);

// The counting loop with a character in every other step:
//   0: SUB 20,21,3   cell 20 counts up; 3: SUB 255,10,0   print 'A', back to 0
Machine PrintingLoop() {
  Machine m = CountingLoop();
  m.Memory[3] = 255;
  m.Memory[4] = 10;
  m.Memory[10] = 191;
  return m;
}

constexpr std::uint64_t PrintingSteps = 20'000'000;

// As `zar run` prints: runs between two writes, the console's new part as
// UTF-8 into a pipe; skipping off, or on to see what looking for repeats
// that are not there costs.
void PrintingRun(benchmark::State& state, Engine engine, bool skip = false) {
  DrainedPipe pipe;
  for (auto _ : state) {
    OfflineNetworkPort network;
    Session session(network);
    session.SetEngine(engine);
    session.SetSkipsCycles(skip);
    session.ReplaceMachine(PrintingLoop());
    std::uint64_t written = 0;
    for (std::uint64_t steps = 0; steps < PrintingSteps; steps += 1'000'000) {
      session.Run({1'000'000, true, true});
      pipe.Write(Cp1252ToUtf8(session.Console().Range(written, session.Console().End())));
      written = session.Console().End();
    }
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * PrintingSteps),
                                                     benchmark::Counter::kIsRate);
}

void BM_ZarRunPrintingLoop(benchmark::State& state) { PrintingRun(state, Engine::Interpreter); }
BENCHMARK(BM_ZarRunPrintingLoop)->Unit(benchmark::kMillisecond);

// The yardstick for it: the bare instruction, the console cell drained into
// a string, and the same writes.
void BM_PlainPrintingLoop(benchmark::State& state) {
  DrainedPipe pipe;
  for (auto _ : state) {
    Machine m = PrintingLoop();
    std::string printed;
    for (std::uint64_t steps = 0; steps < PrintingSteps; steps += 1'000'000) {
      std::uint64_t changed = 0;
      for (std::uint64_t i = 0; i < 1'000'000; ++i) {
        const Decoded d = Decode(m);
        Execute(m, d);
        changed += d.result != d.x || d.next != d.ip;
        if (const Byte code = m.Memory[ConsoleCell]; code != 0) {
          printed.push_back(static_cast<char>(code));
          m.Memory[ConsoleCell] = 0;
        }
        changed += m.Memory[ScreenCommandCell] | m.Memory[NetCommandCell];
      }
      benchmark::DoNotOptimize(changed);
      pipe.Write(Cp1252ToUtf8(printed));
      printed.clear();
    }
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * PrintingSteps),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainPrintingLoop)->Unit(benchmark::kMillisecond);

// The compiled engine on the counting and printing loops, as `zar run`
// takes them, with skipping off.
void BM_JitCountingLoop(benchmark::State& state) {
  constexpr std::uint64_t Steps = 10'000'000;
  OfflineNetworkPort network;
  Session session(network);
  session.SetEngine(Engine::Compiled);
  session.SetSkipsCycles(false);
  for (auto _ : state) {
    session.ReplaceMachine(CountingLoop());
    benchmark::DoNotOptimize(session.Run({Steps, true, true}));
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * Steps),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_JitCountingLoop)->Unit(benchmark::kMillisecond);

void BM_JitPrintingLoop(benchmark::State& state) { PrintingRun(state, Engine::Compiled); }
BENCHMARK(BM_JitPrintingLoop)->Unit(benchmark::kMillisecond);
void BM_ZarRunPrintingLoopSkipping(benchmark::State& state) { PrintingRun(state, Engine::Interpreter, true); }
BENCHMARK(BM_ZarRunPrintingLoopSkipping)->Unit(benchmark::kMillisecond);
void BM_JitPrintingLoopSkipping(benchmark::State& state) { PrintingRun(state, Engine::Compiled, true); }
BENCHMARK(BM_JitPrintingLoopSkipping)->Unit(benchmark::kMillisecond);

// Random images, which keep rewriting their own code, a million steps each.
void SelfModifying(benchmark::State& state, Engine engine, bool skip = false) {
  constexpr std::uint64_t Steps = 1'000'000;
  std::mt19937 random(7);
  std::vector<Machine> images(16);
  for (Machine& m : images) {
    for (Byte& cell : m.Memory) cell = static_cast<Byte>(random());
    m.Memory[ScreenCommandCell] = m.Memory[NetCommandCell] = m.Memory[ConsoleCell] = 0;
  }
  std::uint64_t steps = 0;
  for (auto _ : state) {
    for (const Machine& m : images) {
      OfflineNetworkPort network;
      Session session(network);
      session.SetEngine(engine);
      session.SetSkipsCycles(skip);
      session.ReplaceMachine(m);
      steps += session.Run({Steps, true, false}).steps;
    }
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}
void BM_JitSelfModifying(benchmark::State& state) { SelfModifying(state, Engine::Compiled); }
BENCHMARK(BM_JitSelfModifying)->Unit(benchmark::kMillisecond);
void BM_InterpSelfModifying(benchmark::State& state) { SelfModifying(state, Engine::Interpreter); }
BENCHMARK(BM_InterpSelfModifying)->Unit(benchmark::kMillisecond);
void BM_JitSelfModifyingSkipping(benchmark::State& state) { SelfModifying(state, Engine::Compiled, true); }
BENCHMARK(BM_JitSelfModifyingSkipping)->Unit(benchmark::kMillisecond);
void BM_InterpSelfModifyingSkipping(benchmark::State& state) { SelfModifying(state, Engine::Interpreter, true); }
BENCHMARK(BM_InterpSelfModifyingSkipping)->Unit(benchmark::kMillisecond);

// The blocks of every start address of a full memory of instructions that
// can all be compiled, into a code area made once.
void BM_JitCompileWholeMemory(benchmark::State& state) {
  MemoryCells memory{};
  for (int ip = 0; ip <= MaxIP; ip += 3) {
    memory[ip] = static_cast<Byte>(ip / 2);
    memory[ip + 1] = static_cast<Byte>(255 - ip / 2);
    memory[ip + 2] = static_cast<Byte>(ip + 3);
  }
  const auto code = CompiledCode::Create();
  if (!code) {
    state.SkipWithError("no compiled engine here");
    return;
  }
  for (auto _ : state) {
    code->CompileAll(memory);
    benchmark::DoNotOptimize(code->Has(0));
  }
}
BENCHMARK(BM_JitCompileWholeMemory)->Unit(benchmark::kMicrosecond);

// One step back after ten million characters, with the record on.
void BM_StepBackAfterLongConsole(benchmark::State& state) {
  OfflineNetworkPort network;
  Session session(network);
  session.ReplaceMachine(PrintingLoop());
  session.StartRecord();
  session.Run({PrintingSteps + 1, false, false});
  for (auto _ : state) {
    benchmark::DoNotOptimize(session.StepBack(1));
    state.PauseTiming();
    session.Step();
    state.ResumeTiming();
  }
  state.counters["printed_M"] = static_cast<double>(session.Printed()) / 1e6;
  state.counters["record_MB"] = static_cast<double>(session.RecordBytes()) / (1 << 20);
}
BENCHMARK(BM_StepBackAfterLongConsole)->Unit(benchmark::kMicrosecond);

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

namespace {

// The programs users run, each through an engine and the plain loop for the
// same steps: a 4-byte counter, the bouncing pixel, a self-modifying array
// copy, the screen example and 200 random images (their total time).
std::vector<Machine> Program(const std::string& name) {
  if (name == "counter") return {bench::DownCounter()};
  if (name == "copy") return {bench::SelfModifyingCopy()};
  if (name == "random") return bench::RandomImages(200, 11);
  return {bench::Example(name + ".OIA")};
}

std::uint64_t ProgramSteps(const std::string& name) { return name == "random" ? 100'000 : 10'000'000; }

void EngineOn(benchmark::State& state, const std::string& name, Engine engine, bool skip = true) {
  const std::vector<Machine> images = Program(name);
  const std::uint64_t steps = ProgramSteps(name);
  for (auto _ : state) {
    for (const Machine& m : images) {
      OfflineNetworkPort network;
      Session session(network);
      session.SetEngine(engine);
      session.SetSkipsCycles(skip);
      session.ReplaceMachine(m);
      benchmark::DoNotOptimize(session.Run({steps, true, false}));
    }
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * images.size() * steps),
                                                     benchmark::Counter::kIsRate);
}

void PlainOn(benchmark::State& state, const std::string& name) {
  const std::vector<Machine> images = Program(name);
  const std::uint64_t steps = ProgramSteps(name);
  for (auto _ : state) {
    for (const Machine& m : images) benchmark::DoNotOptimize(plain::Run(m.Memory, steps));
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * images.size() * steps),
                                                     benchmark::Counter::kIsRate);
}

// The echo client against a scripted peer that sends a byte every thousand
// steps, 10^7 steps as `zar run --input` takes them, every step run; the
// plain loop has no peer and waits the same steps.
constexpr std::uint64_t EchoSteps = 10'000'000, EchoGap = 1'000;

std::vector<TimedInput> EchoPeer() {
  std::vector<TimedInput> inputs(1);
  inputs[0].step = 10;
  inputs[0].kind = TimedInput::Kind::Connect;
  for (std::uint64_t step = EchoGap; step < EchoSteps; step += EchoGap) {
    TimedInput& input = inputs.emplace_back();
    input.step = step;
    input.kind = TimedInput::Kind::Net;
    input.bytes = std::string(1, static_cast<char>(1 + step / EchoGap % 255));
  }
  return inputs;
}

void EchoOn(benchmark::State& state, Engine engine) {
  const std::vector<TimedInput> inputs = EchoPeer();
  std::size_t echoed = 0;
  for (auto _ : state) {
    ScriptedPeer peer;
    Session session(peer);
    session.SetEngine(engine);
    session.SetSkipsCycles(false);
    session.ReplaceMachine(bench::EchoClient());
    InputDriver driver(session, inputs, &peer);
    while (driver.Clock() < EchoSteps) driver.Drive({EchoSteps - driver.Clock(), false, true});
    echoed = peer.Received().size();
  }
  state.counters["echoed"] = static_cast<double>(echoed);
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * EchoSteps),
                                                     benchmark::Counter::kIsRate);
}

void BM_PlainOnEcho(benchmark::State& state) {
  const Machine m = bench::EchoClient();
  for (auto _ : state) benchmark::DoNotOptimize(plain::Run(m.Memory, EchoSteps));
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * EchoSteps),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainOnEcho)->Unit(benchmark::kMillisecond);
void BM_EchoInterp(benchmark::State& state) { EchoOn(state, Engine::Interpreter); }
BENCHMARK(BM_EchoInterp)->Unit(benchmark::kMillisecond);
void BM_EchoJit(benchmark::State& state) { EchoOn(state, Engine::Compiled); }
BENCHMARK(BM_EchoJit)->Unit(benchmark::kMillisecond);

#define ZAR_PROGRAM_BENCHMARKS(name)                                                                     \
  BENCHMARK_CAPTURE(PlainOn, name, #name)->Unit(benchmark::kMillisecond);                                \
  BENCHMARK_CAPTURE(EngineOn, name##_interp, #name, Engine::Interpreter)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(EngineOn, name##_jit, #name, Engine::Compiled)->Unit(benchmark::kMillisecond)

ZAR_PROGRAM_BENCHMARKS(counter);
ZAR_PROGRAM_BENCHMARKS(bounce);
ZAR_PROGRAM_BENCHMARKS(copy);
ZAR_PROGRAM_BENCHMARKS(screen);
ZAR_PROGRAM_BENCHMARKS(random);
// What looking for repeats costs a program whose state never repeats.
BENCHMARK_CAPTURE(EngineOn, counter_interp_noskip, "counter", Engine::Interpreter, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EngineOn, counter_jit_noskip, "counter", Engine::Compiled, false)->Unit(benchmark::kMillisecond);

}  // namespace
