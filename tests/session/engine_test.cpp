// The engines and the skipping of repeated states against the reference
// engine, which steps every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "session/scripted_input.h"
#include "session/session.h"

namespace zar {

void ExpectSameSessions(const Session& a, const Session& b, const std::string& what);

namespace {

// Everything a run's stop tells.
auto Seen(const RunStop& s) { return std::tuple(s.reason, s.steps, s.address, s.before, s.after); }

Machine Image(const std::vector<std::pair<int, int>>& cells) {
  Machine m;
  for (const auto& [cell, value] : cells) m.Memory[cell] = static_cast<Byte>(value);
  return m;
}

// Cell 20 counts up for ever: 0: SUB 20,21,3; 3: SUB 22,22,0.
const std::vector<std::pair<int, int>> Counting = {{0, 20}, {1, 21}, {2, 3}, {3, 22}, {4, 22}, {21, 255}};

struct Case {
  const char* name;
  std::vector<std::pair<int, int>> cells;
  bool history = false;
  bool record = false;
  int breakpoint = -1;
  int watch = -1;
  std::uint64_t steps = 1'000'003;
  std::uint64_t back = 0;
};

TEST(Engines, SkippingRepeatsEndsAsSteppingEveryStep) {
  // A loop of three steps, 768 in a period: 0: SUB 20,21,3; 3: SUB 23,24,6; 6: SUB 22,22,0.
  std::vector<std::pair<int, int>> threeSteps = Counting;
  threeSteps.insert(threeSteps.end(), {{3, 23}, {4, 24}, {5, 6}, {6, 22}, {7, 22}, {8, 0}, {24, 1}});
  // 0: SUB 20,21,3; 3: SUB 255,10,0 prints 'A' and goes back to 0.
  const std::vector<std::pair<int, int>> countingAndPrinting = {{0, 20}, {1, 21}, {2, 3},    {3, 255},
                                                                {4, 10}, {5, 0},  {10, 191}, {21, 255}};
  const Case cases[] = {
      {"counting", Counting},
      {"counting, history", Counting, true},
      {"counting, record", Counting, false, true, -1, -1, 2'000'003, 5000},
      {"counting, history and record", Counting, true, true, -1, -1, 300'001, 9999},
      {"three steps a turn", threeSteps, true},
      {"breakpoint never reached", Counting, false, false, 200},
      {"watch on a counting cell", Counting, false, false, -1, 20},
      {"watch never changed", Counting, true, false, 7, 40},
      {"printing", {{0, 255}, {1, 10}, {2, 0}, {10, 191}}, false, false, -1, -1, 100'000},
      {"plotting", {{0, 253}, {1, 10}, {2, 0}, {10, 253}}, false, false, -1, -1, 100'000},
      // 0: SUB 244,10,3 puts 'A' into the data cell; 3: SUB 245,11,0 sends it, and the state is as before.
      {"sending", {{0, 244}, {1, 10}, {2, 3}, {3, 245}, {4, 11}, {10, 191}, {11, 254}}, false, false, -1, -1, 100'000},
      {"counting and printing, history", countingAndPrinting, true, false, -1, -1, 100'000},
      {"a budget short of a period", Counting, false, false, -1, -1, 16'400},
      {"a budget of many parts", Counting, false, false, -1, -1, 1ull << 40},
  };
  for (const Case& c : cases) {
    for (const Engine engine : {Engine::Interpreter, Engine::Compiled}) {
      if (c.steps > 100'000'000 && c.history) continue;
      ScriptedPeer peers[2];
      for (ScriptedPeer& peer : peers) peer.Listen(1), peer.PeerConnects();
      Session reference(peers[0]), skipping(peers[1]);
      reference.SetEngine(Engine::Reference);
      skipping.SetEngine(engine);
      for (Session* s : {&reference, &skipping}) {
        s->ReplaceMachine(Image(c.cells));
        s->SetRecordsHistory(c.history);
        if (c.record) s->StartRecord();
        if (c.breakpoint >= 0) s->SetBreakpoint(static_cast<Byte>(c.breakpoint), true);
        if (c.watch >= 0) s->SetWatch(static_cast<Byte>(c.watch), true);
      }
      const std::uint64_t steps = std::min<std::uint64_t>(c.steps, 5'000'000);
      // The reference steps as far as it can; the other is left to skip the rest.
      const RunStop a = reference.Run({steps, true, true});
      const RunStop b = skipping.Run({steps, true, true});
      EXPECT_EQ(Seen(a), Seen(b));
      ExpectSameSessions(reference, skipping, c.name);
      // The same checkpoints, at the same steps, and the same bytes sent.
      const auto more = [](const Session& s, const ScriptedPeer& p) {
        return std::tuple(s.RecordDepth(), s.RecordBytes(), p.Received().size());
      };
      EXPECT_EQ(more(reference, peers[0]), more(skipping, peers[1])) << c.name;
      if (c.back > 0) {
        EXPECT_EQ(skipping.StepBack(c.back).steps, c.back);
        EXPECT_EQ(reference.StepBack(c.back).steps, c.back);
        ExpectSameSessions(reference, skipping, std::string(c.name) + ", back");
      }
      if (c.steps > steps) {
        const RunStop far = skipping.Run({c.steps - steps, true, true});
        EXPECT_EQ(far.steps, c.steps - steps) << c.name;
        EXPECT_EQ(skipping.Steps(), c.steps);
        // Cell 20 counts once in two steps.
        EXPECT_EQ(skipping.State().Memory[20], static_cast<Byte>(c.steps / 2)) << c.name;
      }
    }
  }
}

// Writes into cells that compiled code was made from, by an input or by the
// program itself, take effect at once: at the first and last cell of a block
// of eight (0..23), in blocks that start a few cells before the cell, and at
// 252..255 (the instruction at 252 has its C in the key cell). The loop takes
// 16 steps, so that the interpreter's parts end where they start and the
// blocks at 0, 24 and 252 are made.
TEST(Engines, CodeWrittenToRunsAsWritten) {
  // 3k: SUB 200+k,199,3k+3 for k < 14 counts cells 200..213 down; 42: SUB 214,214,252;
  // 252: SUB 215,0,[254] goes back to 0 either way while the key cell holds 0.
  std::vector<std::pair<int, int>> block = {{42, 214}, {43, 214}, {44, 252}, {199, 1}, {252, 215}};
  for (int k = 0; k < 14; ++k) block.insert(block.end(), {{3 * k, 200 + k}, {3 * k + 1, 199}, {3 * k + 2, 3 * k + 3}});
  // 0: SUB 10,21,3 moves the B of the block at 9 down a cell in every round; 3: SUB 23,23,9;
  // 9: SUB 24,[10],12 reads cells 40, 39, ... in turn; 12: SUB 23,23,0.
  const std::vector<std::pair<int, int>> writer = {{0, 10},  {1, 21},  {2, 3},   {3, 23},  {4, 23}, {5, 9}, {9, 24},
                                                   {10, 40}, {11, 12}, {12, 23}, {13, 23}, {21, 1}, {40, 1}};
  const struct {
    const std::vector<std::pair<int, int>>& program;
    int cell, value;
  } cases[] = {{block, 0, 216}, {block, 4, 216}, {block, 23, 27},  {block, 252, 216},
               {block, 253, 3}, {block, 254, 3}, {block, 255, 65}, {writer, 20, 0}};
  for (const auto& c : cases) {
    for (const Engine engine : {Engine::Interpreter, Engine::Compiled}) {
      OfflineNetworkPort network;
      Session reference(network), tested(network);
      reference.SetEngine(Engine::Reference);
      tested.SetEngine(engine);
      for (Session* s : {&reference, &tested}) s->ReplaceMachine(Image(c.program));
      for (int round = 0; round < 2; ++round) {
        for (Session* s : {&reference, &tested}) s->Run({20'000, false, false});
        ExpectSameSessions(reference, tested, "cell " + std::to_string(c.cell) + ", round " + std::to_string(round));
        for (Session* s : {&reference, &tested}) s->WriteCell(c.cell, static_cast<Byte>(c.value));
      }
    }
  }
}

}  // namespace

void ExpectEnginesAgreeOnRandomImages(int images, unsigned seed);

TEST(Engines, AgreeWithTheReferenceOnRandomImages) { ExpectEnginesAgreeOnRandomImages(300, 1); }

// The long property: 10,000 images, run by ctest -L long alone.
TEST(Engines, DISABLED_LongCompiledAgreesWithTheReferenceOnTenThousandImages) {
  ExpectEnginesAgreeOnRandomImages(10'000, 2);
}

// Random images, self-modifying as most are, a quarter of their cells
// pointing at the devices, with a breakpoint or a watch now and then, through
// the reference engine and each faster one in runs of random lengths.
void ExpectEnginesAgreeOnRandomImages(int images, unsigned seed) {
  std::mt19937 random(seed);
  for (int i = 0; i < images; ++i) {
    Machine m;
    for (Byte& cell : m.Memory) cell = static_cast<Byte>(random() % 4 == 0 ? 238 + random() % 18 : random());
    m.IP = static_cast<Byte>(random() % (MaxIP + 1));
    const bool history = random() % 4 == 0;
    const int breakpoint = random() % 3 == 0 ? static_cast<int>(random() % 253) : -1;
    const int watch = random() % 5 == 0 ? static_cast<int>(random() % 256) : -1;
    const auto seedOfRuns = random();
    for (const Engine engine : {Engine::Interpreter, Engine::Compiled}) {
      OfflineNetworkPort network;
      Session reference(network), tested(network);
      reference.SetEngine(Engine::Reference);
      tested.SetEngine(engine);
      for (Session* s : {&reference, &tested}) {
        s->ReplaceMachine(m);
        s->SetRecordsHistory(history);
        if (breakpoint >= 0) s->SetBreakpoint(static_cast<Byte>(breakpoint), true);
        if (watch >= 0) s->SetWatch(static_cast<Byte>(watch), true);
      }
      std::mt19937 runs(seedOfRuns);
      for (int run = 0; run < 4; ++run) {
        const RunPolicy policy{1 + runs() % 20'000, true, runs() % 2 == 0};
        const RunStop a = reference.Run(policy);
        const RunStop b = tested.Run(policy);
        EXPECT_EQ(Seen(a), Seen(b));
        ExpectSameSessions(reference, tested, "image " + std::to_string(i) + ", engine " + std::to_string(int(engine)));
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
}

}  // namespace zar
