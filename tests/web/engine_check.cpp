// Random images through the compiled engine, for the page's engine under
// node and the native build alike:
//   zar-engine-check reference IMAGES SEED  each image against the plain machine, after
//                                           the programs that write into their code
//   zar-engine-check digest IMAGES SEED     a line per image: what the runs left, and
//                                           one more for a loop that plots
// The images are those of the engines' test: self-modifying as most are, a
// quarter of their cells pointing at the devices, a breakpoint or a watch
// now and then, runs of random lengths. Every other image against the plain
// machine is a loop besides: a few instructions that jump among themselves
// and write into themselves now and then, so that compiled code runs hot and
// is written to.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "machine/instruction.h"
#include "reference/session_check.h"
#include "session/compiled_code.h"
#include "session/session.h"
#include "tests/support/engine_images.h"

namespace {

using namespace zar;

using test::DrawImage;
using test::NextPolicy;
using test::PrepareImage;
using Image = test::RandomImage;

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

// The first difference of the compiled engine from the plain machine over
// four runs, or nothing.
std::string AgainstReference(const Image& image, std::uint64_t& compiledSteps) {
  reference::LoggingPort network(image.answers);
  Session tested(network);
  PrepareImage(tested, image, Engine::Compiled);
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

// A program run in two rounds of 20,000 steps against the plain machine,
// with the history or without, with the cell set to value after each round,
// as an input: the first difference, or nothing.
std::string WrittenTo(const test::WrittenTo& c, bool history) {
  Image image;
  image.machine = test::ImageOf(c.program);
  image.history = history;
  reference::LoggingPort network;
  Session tested(network);
  PrepareImage(tested, image, Engine::Compiled);
  reference::PlainMachine plain = reference::PlainLike(tested);
  for (int round = 0; round < 2; ++round) {
    std::string difference = reference::Difference(tested.Run({20'000, false, false}), plain.Run(20'000, false, false));
    if (difference.empty()) difference = reference::Difference(tested, network, plain);
    if (!difference.empty())
      return "cell " + std::to_string(c.cell) + ", round " + std::to_string(round) + ": " + difference;
    tested.WriteCell(c.cell, static_cast<Byte>(c.value));
    plain.memory[c.cell] = static_cast<Byte>(c.value);
  }
  return {};
}

int GoldenFailures() {
  int failed = 0;
  for (const test::WrittenTo& c : test::CodeWrittenTo()) {
    for (const bool history : {false, true}) {
      const std::string difference = WrittenTo(c, history);
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
// console, screen (with its rows' marks), history and the network's calls, as one number.
std::uint64_t Digest(const Image& image, std::uint64_t& compiledSteps) {
  reference::LoggingPort network(image.answers);
  Session tested(network);
  tested.SetCompilesEagerly(true);  // as the engines' test compiles
  PrepareImage(tested, image, Engine::Compiled);
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
    const ScreenBuffer& screen = tested.Screen().Buffer;
    for (int x = 0; x < ScreenSize; ++x) hash = Mix(hash, static_cast<std::uint64_t>(screen(x, y)));
    hash = Mix(hash, screen.RowVersion(y) * 2u + (screen.RowWritten(y) ? 1u : 0u));  // what a view copies
  }
  for (const std::int32_t sample : tested.History().Samples()) hash = Mix(hash, static_cast<std::uint64_t>(sample));
  for (const std::string& call : network.calls) hash = Mix(hash, call);
  compiledSteps += tested.CompiledSteps();
  return hash;
}

// After a clear, a loop that plots a pixel every four steps, each in the
// next row but two: 15: SUB 253,33,0 clears; 0: SUB 248,30,3 and 3: SUB
// 249,35,6 move x on by 1 and y by 3; 6: SUB 250,30,9 reddens; 9: SUB
// 253,31,12 plots; 12: SUB 32,32,0.
const test::Cells PlotLoop = {{0, 248},  {1, 30},  {2, 3},    {3, 249},  {4, 35},   {5, 6},   {6, 250},
                              {7, 30},   {8, 9},   {9, 253},  {10, 31},  {11, 12},  {12, 32}, {13, 32},
                              {15, 253}, {16, 33}, {30, 255}, {31, 253}, {33, 255}, {35, 253}};

}  // namespace

int main(int argc, char** argv) {
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
    Image image = DrawImage(random);
    if (mode == "reference" && i % 2 == 1) MakeLoop(image, random);
    if (mode == "digest") {
      std::printf("%d %016llx\n", i, static_cast<unsigned long long>(Digest(image, compiledSteps)));
      continue;
    }
    const std::string difference = AgainstReference(image, compiledSteps);
    if (!difference.empty() && ++failed <= 5) std::printf("image %d: %s\n", i, difference.c_str());
  }
  if (mode == "digest") {
    Image plots;
    plots.machine = test::ImageOf(PlotLoop);
    plots.machine.IP = 15;
    plots.seedOfRuns = 7;
    std::printf("%d %016llx\n", images, static_cast<unsigned long long>(Digest(plots, compiledSteps)));
  }
  std::printf("compiled steps %llu\n", static_cast<unsigned long long>(compiledSteps));
  if (mode == "digest") return 0;
  std::printf("%d passed, %d failed\n", images - failed, failed + golden);
  return failed + golden == 0 ? 0 : 1;
}
