// Random images through the compiled engine, for the page's engine under
// node and the native build alike:
//   zar-engine-check reference IMAGES SEED  each image against the plain machine, after
//                                           the programs that write into their code
//   zar-engine-check digest IMAGES SEED     a line per image: what the runs left
//   zar-engine-check compile FILE...        each program's hot blocks, the times to compile them and all
//   zar-engine-check speed STEPS FILE...    each program's steps a second, interpreter and compiled
// The images are those of the engines' test: self-modifying as most are, a
// quarter of their cells pointing at the devices, a breakpoint or a watch
// now and then, runs of random lengths. Every other image against the plain
// machine is a loop besides: a few instructions that jump among themselves
// and write into themselves now and then, so that compiled code runs hot and
// is written to.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/assemble.h"
#include "formats/source_file.h"
#include "machine/instruction.h"
#include "reference/session_check.h"
#include "session/compiled_code.h"
#include "session/session.h"

namespace {

using namespace zar;

struct Image {
  Machine machine;
  bool history = false;
  int breakpoint = -1, watch = -1;
  bool answers = false;
  std::uint32_t seedOfRuns = 0;
};

Image Draw(std::mt19937& random) {
  Image image;
  for (Byte& cell : image.machine.Memory) {
    cell = static_cast<Byte>(random() % 4 == 0 ? 238 + random() % 18 : random());
  }
  image.machine.IP = static_cast<Byte>(random() % (MaxIP + 1));
  image.history = random() % 4 == 0;
  image.breakpoint = random() % 3 == 0 ? static_cast<int>(random() % 253) : -1;
  image.watch = random() % 5 == 0 ? static_cast<int>(random() % 256) : -1;
  image.answers = random() % 2 == 0;
  image.seedOfRuns = static_cast<std::uint32_t>(random());
  return image;
}

void Prepare(Session& s, const Image& image, Engine engine) {
  s.SetEngine(engine);
  s.ReplaceMachine(image.machine);
  s.SetRecordsHistory(image.history);
  if (image.breakpoint >= 0) s.SetBreakpoint(static_cast<Byte>(image.breakpoint), true);
  if (image.watch >= 0) s.SetWatch(static_cast<Byte>(image.watch), true);
}

// A loop of 2 to 8 instructions from IP, each A cell in the loop one time in
// three and each B cell one in four, each jump to one of the loop's
// instructions seven times in eight.
void MakeLoop(Image& image, std::mt19937& random) {
  Machine& m = image.machine;
  const int start = static_cast<int>(random() % 200), length = 2 + static_cast<int>(random() % 7);
  for (int k = 0; k < length; ++k) {
    const int ip = start + 3 * k;
    const auto inLoop = [&] { return static_cast<Byte>(start + random() % (3 * length)); };
    m.Memory[ip] = random() % 3 == 0 ? inLoop() : static_cast<Byte>(200 + random() % 40);
    m.Memory[ip + 1] = random() % 4 == 0 ? inLoop() : static_cast<Byte>(200 + random() % 56);
    m.Memory[ip + 2] = random() % 8 != 0 ? static_cast<Byte>(start + 3 * (random() % length)) : m.Memory[ip + 2];
  }
  m.IP = static_cast<Byte>(start);
}

RunPolicy NextPolicy(std::mt19937& runs) { return {1 + runs() % 20'000, true, runs() % 2 == 0}; }

// The first difference of the compiled engine from the plain machine over
// four runs, or nothing.
std::string AgainstReference(const Image& image, std::uint64_t& compiledSteps) {
  reference::LoggingPort network(image.answers);
  Session tested(network);
  Prepare(tested, image, Engine::Compiled);
  reference::PlainMachine plain = reference::PlainLike(tested);
  plain.networkAnswers = image.answers;
  std::mt19937 runs(image.seedOfRuns);
  for (int run = 0; run < 4; ++run) {
    const RunPolicy policy = NextPolicy(runs);
    const reference::PlainMachine::Stop expected = plain.Run(policy.maxSteps, policy.debugger, policy.fixedPoint);
    std::string difference = reference::Difference(tested.Run(policy), expected);
    if (difference.empty()) difference = reference::Difference(tested, network, plain);
    if (!difference.empty()) return "run " + std::to_string(run) + ": " + difference;
  }
  compiledSteps += tested.CompiledSteps();
  return {};
}

using Cells = std::vector<std::pair<int, int>>;

// A program of the given cells, with the history or without, run in two
// rounds of 20,000 steps against the plain machine, with the cell set to
// value after each round, as an input: the first difference, or nothing.
std::string WrittenTo(const Cells& cells, int cell, int value, bool history) {
  Image image;
  for (const auto& [at, held] : cells) image.machine.Memory[at] = static_cast<Byte>(held);
  image.history = history;
  reference::LoggingPort network;
  Session tested(network);
  Prepare(tested, image, Engine::Compiled);
  reference::PlainMachine plain = reference::PlainLike(tested);
  for (int round = 0; round < 2; ++round) {
    std::string difference = reference::Difference(tested.Run({20'000, false, false}), plain.Run(20'000, false, false));
    if (difference.empty()) difference = reference::Difference(tested, network, plain);
    if (!difference.empty())
      return "cell " + std::to_string(cell) + ", round " + std::to_string(round) + ": " + difference;
    tested.WriteCell(cell, static_cast<Byte>(value));
    plain.memory[cell] = static_cast<Byte>(value);
  }
  return {};
}

// Code written to by the program and by inputs: at the first and last cell
// of a block of eight, in blocks that start a few cells before the cell, at
// 252..255, and a B cell the program moves in every round.
int GoldenFailures() {
  // 3k: SUB 200+k,199,3k+3 for k < 14 counts cells 200..213 down; 42: SUB 214,214,252;
  // 252: SUB 215,0,[254] goes back to 0 either way while the key cell holds 0.
  Cells block = {{42, 214}, {43, 214}, {44, 252}, {199, 1}, {252, 215}};
  for (int k = 0; k < 14; ++k) block.insert(block.end(), {{3 * k, 200 + k}, {3 * k + 1, 199}, {3 * k + 2, 3 * k + 3}});
  // 0: SUB 10,21,3 moves the B of the block at 9 down a cell in every round; 3: SUB 23,23,9;
  // 9: SUB 24,[10],12 reads cells 40, 39, ... in turn; 12: SUB 23,23,0.
  const Cells writer = {{0, 10},  {1, 21},  {2, 3},   {3, 23},  {4, 23}, {5, 9}, {9, 24},
                        {10, 40}, {11, 12}, {12, 23}, {13, 23}, {21, 1}, {40, 1}};
  const struct {
    const Cells& program;
    int cell, value;
  } cases[] = {{block, 0, 216}, {block, 4, 216}, {block, 23, 27},  {block, 252, 216},
               {block, 253, 3}, {block, 254, 3}, {block, 255, 65}, {writer, 20, 0}};
  int failed = 0;
  for (const auto& c : cases) {
    for (const bool history : {false, true}) {
      const std::string difference = WrittenTo(c.program, c.cell, c.value, history);
      if (!difference.empty() && ++failed <= 5) std::printf("written to: %s\n", difference.c_str());
    }
  }
  return failed;
}

std::uint64_t Mix(std::uint64_t hash, std::string_view bytes) {
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
  return hash;
}
std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
  return Mix(hash, std::string_view(reinterpret_cast<const char*>(&value), sizeof value));
}

// What four runs of the compiled engine left: stops, memory, IP, steps,
// console, screen, history and the network's calls, as one number.
std::uint64_t Digest(const Image& image, std::uint64_t& compiledSteps) {
  reference::LoggingPort network(image.answers);
  Session tested(network);
  Prepare(tested, image, Engine::Compiled);
  std::mt19937 runs(image.seedOfRuns);
  std::uint64_t hash = 14695981039346656037u;
  for (int run = 0; run < 4; ++run) {
    const RunStop stop = tested.Run(NextPolicy(runs));
    hash = Mix(hash, static_cast<std::uint64_t>(stop.reason));
    hash = Mix(hash, stop.steps);
    hash = Mix(hash, stop.address * 65536u + stop.before * 256u + stop.after);
  }
  const Machine& m = tested.State();
  hash = Mix(hash, std::string_view(reinterpret_cast<const char*>(m.Memory.data()), m.Memory.size()));
  hash = Mix(hash, m.IP);
  hash = Mix(hash, tested.Steps());
  hash = Mix(hash, tested.Console().Visible());
  for (int y = 0; y < ScreenSize; ++y) {
    for (int x = 0; x < ScreenSize; ++x) hash = Mix(hash, static_cast<std::uint64_t>(tested.Screen().Buffer(x, y)));
  }
  for (const std::int32_t sample : tested.History().Samples()) hash = Mix(hash, static_cast<std::uint64_t>(sample));
  for (const std::string& call : network.calls) hash = Mix(hash, call);
  compiledSteps += tested.CompiledSteps();
  return hash;
}

// The image of an assembler source.
MemoryCells Assembled(const char* file) {
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  AssemblerState state;
  Assemble(SourceLines(text), state, {GenerateMode::Copy, false});
  MemoryCells memory{};
  std::copy_n(state.Image.begin(), memory.size(), memory.begin());
  return memory;
}

// The blocks of a program that grow hot in its first million steps (the
// machine alone, without its devices), as the engine heats them.
std::vector<Byte> HotStarts(const MemoryCells& memory) {
  const std::unique_ptr<CompiledCode> code = CompiledCode::Create();
  Machine m;
  m.Memory = memory;
  for (int step = 0; step < 1'000'000; ++step) {
    code->Note(m.IP, m.Memory);
    Execute(m, Decode(m));
  }
  std::vector<Byte> starts;
  for (int ip = 0; ip <= MaxIP; ++ip) {
    if (code->Has(static_cast<Byte>(ip))) starts.push_back(static_cast<Byte>(ip));
  }
  return starts;
}

// The medians of five compiles of a program's hot blocks, and of the blocks
// of every address, into one module each, in milliseconds.
int CompileTimes(int count, char** files) {
  for (int i = 0; i < count; ++i) {
    const MemoryCells memory = Assembled(files[i]);
    if (!CompiledCode::Create()) return 1;
    const std::vector<Byte> hot = HotStarts(memory);
    std::vector<double> hotTimes, allTimes;
    for (int round = 0; round < 5; ++round) {
      for (const bool all : {false, true}) {
        const std::unique_ptr<CompiledCode> code = CompiledCode::Create();
        const auto began = std::chrono::steady_clock::now();
        if (all)
          code->CompileAll(memory);
        else
          code->CompileAt(hot, memory);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
        (all ? allTimes : hotTimes).push_back(ms);
      }
    }
    std::sort(hotTimes.begin(), hotTimes.end());
    std::sort(allTimes.begin(), allTimes.end());
    std::printf("%s %zu %.3f %.3f\n", files[i], hot.size(), hotTimes[2], allTimes[2]);
  }
  return 0;
}

// Runs of steps steps as the page runs them (with its record), on each
// engine: the medians of five, in millions of steps a second.
int Speeds(std::uint64_t steps, int count, char** files) {
  for (int i = 0; i < count; ++i) {
    Machine machine;
    machine.Memory = Assembled(files[i]);
    std::printf("%s", files[i]);
    for (const Engine engine : {Engine::Interpreter, Engine::Compiled}) {
      std::vector<double> rates;
      for (int round = 0; round < 5; ++round) {
        OfflineNetworkPort offline;
        Session session(offline);
        session.SetEngine(engine);
        session.ReplaceMachine(machine);
        session.StartRecord();
        const auto began = std::chrono::steady_clock::now();
        const RunStop stop = session.Run({steps, true, true});
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        rates.push_back(static_cast<double>(stop.steps) / seconds / 1e6);
      }
      std::sort(rates.begin(), rates.end());
      std::printf(" %s %.1f", engine == Engine::Compiled ? "compiled" : "interpreter", rates[2]);
    }
    std::printf(" M steps/s\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string_view(argv[1]) == "compile") return CompileTimes(argc - 2, argv + 2);
  if (argc >= 3 && std::string_view(argv[1]) == "speed") {
    return Speeds(std::strtoull(argv[2], nullptr, 10), argc - 3, argv + 3);
  }
  const std::string mode = argc == 4 ? argv[1] : "";
  if (mode != "reference" && mode != "digest") {
    std::fprintf(stderr, "usage: zar-engine-check reference|digest IMAGES SEED\n");
    return 2;
  }
  const int images = std::atoi(argv[2]);
  std::mt19937 random(static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)));
  std::printf("engine %s\n", CompiledEngineAvailable() ? "compiled" : "interpreter");
  const int golden = mode == "reference" ? GoldenFailures() : 0;
  int failed = 0;
  std::uint64_t compiledSteps = 0;
  for (int i = 0; i < images; ++i) {
    Image image = Draw(random);
    if (mode == "reference" && i % 2 == 1) MakeLoop(image, random);
    if (mode == "digest") {
      std::printf("%d %016llx\n", i, static_cast<unsigned long long>(Digest(image, compiledSteps)));
      continue;
    }
    const std::string difference = AgainstReference(image, compiledSteps);
    if (!difference.empty() && ++failed <= 5) std::printf("image %d: %s\n", i, difference.c_str());
  }
  std::printf("compiled steps %llu\n", static_cast<unsigned long long>(compiledSteps));
  if (mode == "digest") return 0;
  std::printf("%d passed, %d failed\n", images - failed, failed + golden);
  return failed + golden == 0 ? 0 : 1;
}
