// The engines and the skipping of repeated states against the plain
// machine, which steps every step through every device.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "reference/session_check.h"
#include "session/scripted_input.h"
#include "session/session.h"
#include "tests/support/engine_images.h"
#include "tests/support/memory_image.h"

namespace zar {

void ExpectSameSessions(const Session& a, const Session& b, const std::string& what);

namespace {

using reference::Difference;
using reference::LoggingPort;
using reference::PlainLike;
using reference::PlainMachine;

auto Seen(const RunStop& s) { return std::tuple(s.reason, s.steps, s.address, s.before, s.after); }

const auto Image = test::ImageOf;

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
  std::uint64_t slice = 0;   // runs of this many steps, each stopping at a repeat, instead of one
  std::uint64_t period = 0;  // that repeat's period
};

// Runs steps steps in runs of c.slice (or one): a run that stops at a repeat
// has the case's period, and the rest of its steps are run on.
RunStop RunInSlices(Session& s, const Case& c, std::uint64_t steps) {
  if (c.slice == 0) return s.Run({steps, true, true});
  RunStop stop;
  std::uint64_t done = 0;
  bool repeated = false;
  while (done < steps && stop.reason == RunStop::Reason::StepLimit) {
    const std::uint64_t slice = std::min(c.slice, steps - done);
    stop = s.Run({slice, true, true, true});
    if (stop.reason == RunStop::Reason::Repeating) {
      EXPECT_EQ(s.Period(), c.period) << c.name;
      repeated = true;
      stop.steps += s.Run({slice - stop.steps, true, true}).steps;
      stop.reason = RunStop::Reason::StepLimit;
    }
    done += stop.steps;
  }
  EXPECT_EQ(repeated, c.period != 0 && stop.reason == RunStop::Reason::StepLimit) << c.name;
  stop.steps = done;
  return stop;
}

void Prepare(Session& s, const Case& c) {
  s.ReplaceMachine(Image(c.cells));
  s.SetRecordsHistory(c.history);
  if (c.record) s.StartRecord();
  if (c.breakpoint >= 0) s.SetBreakpoint(static_cast<Byte>(c.breakpoint), true);
  if (c.watch >= 0) s.SetWatch(static_cast<Byte>(c.watch), true);
}

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
      // Many short runs, as the desktop's slices and those of --seconds, skip across their ends.
      {"counting in slices, history and record", Counting, true, true, -1, -1, 300'001, 4000, 20'000, 512},
      {"three steps a turn in slices", threeSteps, false, false, -1, -1, 1'000'003, 0, 65'536, 768},
      {"counting in short slices, a watch never changed", Counting, false, false, 7, 40, 200'001, 0, 1'000, 512},
      {"printing in slices", {{0, 255}, {1, 10}, {2, 0}, {10, 191}}, false, false, -1, -1, 100'000, 0, 20'000},
      {"counting and printing in slices, history", countingAndPrinting, true, false, -1, -1, 100'000, 0, 7'000},
      {"a budget of many slices", Counting, false, false, -1, -1, 10'000'000'000, 0, 65'536, 512},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::uint64_t steps = std::min<std::uint64_t>(c.steps, 5'000'000);
    // The plain machine steps as far as it can, stopping where going back
    // will go; each engine is left to skip the rest.
    PlainMachine plain, back;
    // The interpreter stepping every step takes the same checkpoints, at the same steps.
    LoggingPort referencePort(true);
    Session reference(referencePort);
    reference.SetSkipsCycles(false);
    Prepare(reference, c);
    const PlainMachine::Stop expected = [&] {
      back = plain = PlainLike(reference);
      plain.networkAnswers = back.networkAnswers = true;
      if (c.back > 0) back.Run(steps - c.back, true, true);
      return plain.Run(steps, true, true);
    }();
    reference.Run({steps, true, true});
    const auto more = [](const Session& s, const LoggingPort& p) {
      return std::tuple(s.RecordDepth(), s.RecordBytes(), p.calls.size());
    };
    for (const Engine engine : {Engine::Interpreter, Engine::Compiled}) {
      LoggingPort network(true);
      Session skipping(network);
      skipping.SetEngine(engine);
      Prepare(skipping, c);
      EXPECT_EQ(Difference(RunInSlices(skipping, c, steps), expected), "");
      EXPECT_EQ(Difference(skipping, network, plain), "");
      EXPECT_EQ(more(reference, referencePort), more(skipping, network));
      if (c.back > 0) {
        EXPECT_EQ(skipping.StepBack(c.back).steps, c.back);
        EXPECT_EQ(Difference(skipping, network, back), "") << "back";
      }
      if (c.steps > steps) {
        const RunStop far = RunInSlices(skipping, c, c.steps - steps);
        EXPECT_EQ(far.steps, c.steps - steps);
        EXPECT_EQ(skipping.Steps(), c.steps);
        // Cell 20 counts once in two steps.
        EXPECT_EQ(skipping.State().Memory[20], static_cast<Byte>(c.steps / 2));
      }
    }
  }
}

// A run that stopped at a repeat, given an input, ends as the interpreter
// stepping every step with the same inputs at the same steps: a count with
// the debugger's stops set throughout, and a program waiting in a loop that
// each kind of input wakes. It waits for cell 30 (the key cell or the
// network's data cell copied there by 18: SUB 30,30,21; 21: SUB 30,31,0,
// 31 = 0 - cell), then prints it and clears it:
//   0: SUB 32,32,3; 3: SUB 32,30,6 (32 = -[30]); 6: SUB 33,33,9; 9: SUB 33,32,12
//   12: SUB 33,34,0 waits while [30] is 0; 15: SUB 255,32,18 prints it; 18..: back to 0.
TEST(Engines, ARepeatFoundGoesWithEachKindOfInput) {
  const Machine counting = Image(Counting), other = Image({{0, 20}, {1, 21}, {2, 0}, {21, 1}});
  const Machine waiting{
      test::Image({32, 32, 3, 32, 30, 6, 33, 33, 9, 33, 32, 12, 33, 34, 0, 255, 32, 18, 30, 30, 0}, {{35, 7}}), 0};
  const Machine printing{test::Image({255, 10, 3, 20, 20, 3}, {{10, 191}}), 0};
  // A key that the input driver gives 5,000 steps on, the steps to it counted as those of a wait.
  const TimedInput key{5'000, TimedInput::Kind::Key, 30, 'T', "", 0};
  using Input = std::function<void(Session&, std::uint64_t & clock)>;
  const std::tuple<const char*, const Machine&, Input> inputs[] = {
      {"breakpoint", counting, [](Session& s, std::uint64_t&) { s.SetBreakpoint(3, true); }},
      {"watch", counting, [](Session& s, std::uint64_t&) { s.SetWatch(20, true); }},
      {"cell", counting, [](Session& s, std::uint64_t&) { s.WriteCell(21, 254); }},
      {"back", counting, [](Session& s, std::uint64_t&) { s.StepBack(3); }},
      {"history", counting, [](Session& s, std::uint64_t&) { s.SetRecordsHistory(true); }},
      {"machine", counting, [&](Session& s, std::uint64_t&) { s.ReplaceMachine(other); }},
      {"key", waiting, [](Session& s, std::uint64_t&) { s.WriteCell(30, 'K'); }},
      {"byte", waiting, [](Session& s, std::uint64_t&) { s.WriteCell(30, 200); }},
      {"edit", waiting, [](Session& s, std::uint64_t&) { s.WriteCell(4, 35); }},  // waits for cell 35, which holds 7
      {"load", waiting, [&](Session& s, std::uint64_t&) { s.ReplaceMachine(printing); }},
      {"timed input", waiting, [&](Session& s, std::uint64_t& clock) {
         InputDriver driver(s, {key});
         driver.Drive({10'000, true, false, true});
         clock = driver.Clock();
         driver.ApplyDue();
       }}};
  for (const auto& [what, machine, input] : inputs) {
    for (const Engine engine : {Engine::Interpreter, Engine::Compiled}) {
      SCOPED_TRACE(std::string(what) + ", engine " + std::to_string(int(engine)));
      OfflineNetworkPort network;
      Session tested(network), reference(network);
      tested.SetEngine(engine);
      tested.SetCompilesEagerly(true);
      reference.SetSkipsCycles(false);
      for (Session* s : {&tested, &reference}) {
        s->ReplaceMachine(machine);
        s->StartRecord();
        s->SetBreakpoint(200, true);  // never reached: the runs stop for the debugger throughout
        s->SetWatch(40, true);
      }
      RunStop stop;
      for (int k = 0; k < 100 && stop.reason != RunStop::Reason::Repeating; ++k) {
        stop = tested.Run({20'000, true, true, true});
      }
      ASSERT_EQ(stop.reason, RunStop::Reason::Repeating);
      EXPECT_EQ(tested.Period(), &machine == &waiting ? 5u : 512u);
      EXPECT_EQ(tested.Run({20'000, true, true, true}).steps, 0u) << "repeats at once";
      reference.Run({tested.Steps(), true, true});
      std::uint64_t clock = 0;
      const std::uint64_t printed = tested.Printed();
      input(tested, clock);
      if (clock == 0) {
        input(reference, clock);
      } else {
        InputDriver driver(reference, {key});
        while (driver.Clock() < clock) driver.Drive({clock - driver.Clock(), true, false});
        driver.ApplyDue();
      }
      EXPECT_EQ(Seen(reference.Run({20'000, true, true})), Seen(tested.Run({20'000, true, true})));
      EXPECT_TRUE(&machine == &counting || tested.Printed() > printed) << "woke";
      ExpectSameSessions(tested, reference, what);
    }
  }
}

// Each device command in a loop hot enough to be compiled, on a port that
// takes every request or none, with the record on, as the plain machine does
// it; the interpreter stepping every step leaves the same record (going back
// across a step that reached the port says so).
//   The screen: 0: SUB 248,20,3; 3: SUB 249,21,6; 6: SUB 250,22,9 move X, Y
//   and the colour on; 9: SUB 253,23,0 gives the command 256 - cell 23.
//   The network: 0: SUB 244,20,3 moves the data byte on; 3: SUB 255,22,6
//   prints 'A' every round (none for 0); 6: SUB 245,21,0 gives the command
//   256 - cell 21.
TEST(Engines, CompiledDeviceCommandsAsThePlainMachine) {
  std::vector<std::tuple<std::string, Machine, bool, bool>> cases;  // what, image, answered, history
  for (const int command : {1, 2, 3, 4, 5, 6}) {
    for (const bool history : {false, true}) {
      cases.emplace_back(
          "screen " + std::to_string(command) + (history ? ", history" : ""),
          Machine{test::Image({248, 20, 3, 249, 21, 6, 250, 22, 9, 253, 23, 0},
                              {{20, 255}, {21, 253}, {22, 249}, {23, 256 - command}, {246, 7}, {247, 200}}),
                  0},
          false, history);
    }
  }
  for (const int command : {1, 2, 3, 9}) {
    for (const bool answers : {false, true}) {
      for (const int printed : {0, int{'A'}}) {
        cases.emplace_back(
            "network " + std::to_string(command) + (answers ? ", answered" : ", refused") + ", print " +
                std::to_string(printed),
            Machine{test::Image(
                        {244, 20, 3, 255, 22, 6, 245, 21, 0},
                        {{20, 255}, {21, 256 - command}, {22, (256 - printed) % 256}, {238, 127}, {241, 1}, {243, 80}}),
                    0},
            answers, command == 2);
      }
    }
  }
  for (const auto& [what, image, answers, history] : cases) {
    LoggingPort network(answers), stepped(answers);
    Session session(network), reference(stepped);
    session.SetEngine(Engine::Compiled);
    session.SetCompilesEagerly(true);
    for (Session* s : {&session, &reference}) {
      s->SetSkipsCycles(false);  // screen command 6 and network command 9 with nothing printed repeat
      s->ReplaceMachine(image);
      s->StartRecord();
      s->SetRecordsHistory(history);
    }
    PlainMachine plain = PlainLike(session);
    plain.networkAnswers = answers;
    EXPECT_EQ(Difference(session.Run({30'000, true, false}), plain.Run(30'000, true, false)), "") << what;
    EXPECT_EQ(Difference(session, network, plain), "") << what;
    EXPECT_GT(session.CompiledSteps(), 20'000u) << what;
    reference.Run({30'000, true, false});
    EXPECT_EQ(session.StepBack(5).crossedNetwork, reference.StepBack(5).crossedNetwork) << what;
    ExpectSameSessions(session, reference, what);
  }
}

// Writes into cells that compiled code was made from, by an input or by the
// program itself, take effect at once. The loop takes 16 steps, so that the
// interpreter's parts end where they start and the blocks at 0, 24 and 252
// are made.
TEST(Engines, CodeWrittenToRunsAsWritten) {
  for (const test::WrittenTo& c : test::CodeWrittenTo()) {
    for (const Engine engine : {Engine::Interpreter, Engine::Compiled}) {
      OfflineNetworkPort network;
      Session reference(network), tested(network);
      reference.SetSkipsCycles(false);
      tested.SetEngine(engine);
      tested.SetCompilesEagerly(true);
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
// pointing at the devices, with a breakpoint or a watch now and then and a
// network that takes requests on or refuses them, through each engine and
// the plain machine in runs of random lengths.
void ExpectEnginesAgreeOnRandomImages(int images, unsigned seed) {
  std::mt19937 random(seed);
  for (int i = 0; i < images; ++i) {
    const test::RandomImage image = test::DrawImage(random);
    const auto prepare = [&](Session& s, Engine engine) {
      s.SetCompilesEagerly(true);
      test::PrepareImage(s, image, engine);
    };
    // The plain machine after each run, and where the run stopped.
    std::vector<std::pair<PlainMachine, PlainMachine::Stop>> expected;
    std::mt19937 runs(image.seedOfRuns);
    for (int run = 0; run < 4; ++run) {
      LoggingPort network;
      Session prepared(network);
      prepare(prepared, Engine::Interpreter);
      PlainMachine plain = run == 0 ? PlainLike(prepared) : expected.back().first;
      plain.networkAnswers = image.answers;
      const RunPolicy policy = test::NextPolicy(runs);
      const PlainMachine::Stop stop = plain.Run(policy.maxSteps, policy.debugger, policy.fixedPoint);
      expected.emplace_back(std::move(plain), stop);
    }
    for (const Engine engine : {Engine::Interpreter, Engine::Compiled}) {
      LoggingPort network(image.answers);
      Session tested(network);
      prepare(tested, engine);
      runs.seed(image.seedOfRuns);
      for (const auto& [plain, stop] : expected) {
        const RunPolicy policy = test::NextPolicy(runs);
        const std::string where = "image " + std::to_string(i) + ", engine " + std::to_string(int(engine));
        ASSERT_EQ(Difference(tested.Run(policy), stop), "") << where;
        ASSERT_EQ(Difference(tested, network, plain), "") << where;
      }
    }
  }
}

}  // namespace zar
