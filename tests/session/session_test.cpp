#include "session/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "session/scripted_input.h"
#include "support/memory_image.h"

namespace zar {

// The machine is written only through the session's inputs, which the record sees.
static_assert(std::is_const_v<std::remove_reference_t<decltype(std::declval<Session&>().State())>>);

// Two machines the same in everything a step can show.
void ExpectSameSessions(const Session& a, const Session& b, const std::string& what) {
  SCOPED_TRACE(what);
  const auto seen = [](const Session& s) {
    return std::tuple(s.Steps(), s.State().IP, s.Printed(), s.Console().Visible(), s.Screen().ScreenColor,
                      s.RecordsHistory(), s.History().Samples(), s.History().Position());
  };
  EXPECT_EQ(std::tuple(seen(a), a.State().Memory), std::tuple(seen(b), b.State().Memory));
  EXPECT_TRUE(std::equal(a.Screen().Buffer.Rows(), a.Screen().Buffer.Rows() + ScreenSize * ScreenSize,
                         b.Screen().Buffer.Rows()));
}

namespace {

// A step that changes nothing ends a run: printing, a command for a device
// a plot that leaves every cell as it was and a byte sent are changes; a
// paused session takes no step. (The engines are
// held to the same rule by Engines.AgreeWithTheReferenceOnRandomImages.)
TEST(Session, RunStopsAtTheFirstStepThatChangesNothingAndHonoursTheLimit) {
  const MemoryCells countdown = test::Image({10, 11, 0, 12, 12, 0, 0, 0, 0, 0, 0, 1});  // cell 10 down forever
  // The memory, the limit and the steps run.
  const std::tuple<MemoryCells, std::uint64_t, std::uint64_t> cases[] = {
      {MemoryCells{}, 100, 1},
      {test::Image({}, {{ScreenCommandCell, 1}}), 100, 2},
      {test::Image({}, {{NetCommandCell, 9}}), 100, 2},
      {test::Image({}, {{ConsoleCell, 'A'}}), 100, 2},
      {test::Image({9, 10, 3, 255, 9, 6, 255, 255, 6, 0, 65}), 100, 3},
      {countdown, 50, 50},
      {countdown, 0, 0},
      {test::Image({253, 10, 0}, {{10, 253}}), 100, 1},
      {test::Image({255, 10, 0}, {{10, 191}}), 100, 100},
      {test::Image({245, 11, 0}, {{11, 254}}), 100, 100}};  // sends byte 0 again and again: each send is a change
  for (const auto& [memory, limit, steps] : cases) {
    ScriptedPeer network;
    network.Listen(1);
    network.PeerConnects();
    Session session(network);
    session.ReplaceMachine({memory, 0});
    EXPECT_EQ(session.Run({limit, false, true}).steps, steps) << "case " << steps << ", limit " << limit;
  }
  OfflineNetworkPort network;
  Session paused(network);
  paused.Status().paused = true;
  EXPECT_EQ(std::pair(paused.Run({9, false, false}).reason, paused.Steps()),
            std::pair(RunStop::Reason::Paused, std::uint64_t{0}));
}

TEST(ConsoleStore, KeepsTheNewestCharactersAndNeverBringsBackWhatWasCleared) {
  ConsoleStore store;
  for (std::uint64_t i = 0; i < 2 * ConsoleStore::Keep + 5; ++i) store.Push(static_cast<Byte>('a' + i % 26));
  EXPECT_EQ(store.End(), 2 * ConsoleStore::Keep + 5);
  EXPECT_TRUE(store.Dropped() && store.Visible().size() >= ConsoleStore::Keep);
  const std::uint64_t cleared = store.End();
  store.Clear();
  EXPECT_FALSE(store.Dropped());
  store.Push('X');
  // Back to two characters before the clear, and the steps to it replayed:
  // what they print again stays cleared.
  store.TruncateTo(cleared - 2);
  store.Push('p');
  store.Push('q');
  store.SettleClear();
  EXPECT_EQ(store.Visible(), "");
  store.Push('!');
  EXPECT_EQ(store.Visible(), "!");
  // Back before the clear with nothing replayed: new output shows.
  store.TruncateTo(cleared - 1);
  store.SettleClear();
  store.Push('?');
  EXPECT_EQ(store.Visible(), "?");
}

// Steps with inputs between them: a key now and then, a new image once, the
// history switched on and off. Runs take the shortcut for plain steps, single
// steps do not; the history's newest sample is the memory sum either way.
void StepWithInputs(Session& session, std::uint64_t steps, const MemoryCells& other) {
  for (std::uint64_t i = 1; i <= steps; ++i) {
    if (i % 2 == 0) {
      session.Step();
    } else {
      session.Run({1, true, true});
    }
    const Session& seen = session;
    ASSERT_TRUE(!seen.RecordsHistory() || seen.History().Stats().Current == MemorySum(seen.State().Memory)) << i;
    if (i % 997 == 0) session.WriteCell(i % 2 == 0 ? KeyCell : ScreenCommandCell, static_cast<Byte>(i));
    if (i % 4999 == 0) session.SetRecordsHistory(!session.RecordsHistory());
    if (i == 7000) session.ReplaceMachine({other, 0});
  }
}

TEST(StepBack, ForwardNThenBackMIsForwardNMinusM) {
  std::mt19937 random(2024);
  OfflineNetworkPort network;
  for (int round = 0; round < 30; ++round) {
    MemoryCells image{}, other{};
    for (auto& cell : image) cell = static_cast<Byte>(random());
    for (auto& cell : other) cell = static_cast<Byte>(random());
    const std::uint64_t n = 1 + random() % 40000, m = random() % (n + 1), again = random() % 20000;
    Session back(network), forward(network);
    back.ReplaceMachine({image});
    forward.ReplaceMachine({image});
    back.StartRecord();
    StepWithInputs(back, n, other);
    EXPECT_EQ(back.StepBack(m).steps, m);
    // On from there and back as far again: the record holds what was replayed.
    StepWithInputs(back, again, other);
    EXPECT_EQ(back.StepBack(again).steps, again);
    StepWithInputs(forward, n - m, other);
    const std::string what = std::to_string(n) + " back " + std::to_string(m) + ", " + std::to_string(again);
    ExpectSameSessions(back, forward, "round " + std::to_string(round) + ": " + what);
  }
}

// 0: SUB 255,20,3 prints 256 - [20] (nothing for 0); 3: SUB 20,21,0 counts [20] up, as [21] is 255.
// Compiled code fills the console store to its room; cell 30 is written at
// the step of the checkpoint that is the oldest at the end.
TEST(StepBack, TheRecordKeepsAMillionStepsAfterTenMillionCharactersAndGoesBackAcrossThem) {
  const MemoryCells image = test::Image({255, 20, 3, 20, 21, 0}, {{21, 255}});
  constexpr std::uint64_t Steps = 20'100'000, Input = 4143 * StepRecord::CheckpointSteps;
  const auto runTo = [&image](Session& s, std::uint64_t step) {
    if (s.Steps() == 0) s.ReplaceMachine({image, 0});
    if (s.Steps() <= Input && step >= Input) {
      s.Run({Input - s.Steps(), false, false});
      s.WriteCell(30, 9);
    }
    s.Run({step - s.Steps(), false, false});
  };
  for (const Engine engine : {Engine::Interpreter, Engine::Compiled}) {
    OfflineNetworkPort network;
    Session back(network);
    back.SetEngine(engine);
    back.StartRecord();
    runTo(back, Steps);
    const std::uint64_t depth = back.RecordDepth();
    EXPECT_TRUE(back.Printed() > 10'000'000u && back.RecordBytes() < (64u << 20)) << back.RecordBytes();
    EXPECT_TRUE(depth <= StepRecord::MaxReach && Steps - depth == Input) << depth;
    for (const std::uint64_t n : {std::uint64_t{1}, depth - 1}) {
      back.StepBack(n);
      Session forward(network);
      runTo(forward, back.Steps());
      ExpectSameSessions(back, forward, "back " + std::to_string(n));
    }
    EXPECT_EQ(back.RecordDepth(), 0u);
  }
}

// Going back ends as running forward to the same step: with the whole screen
// as it was, bytes sent in the steps undone (and only those) staying sent,
// and Run Back at the last breakpoint before now, also from a checkpoint's step.
TEST(StepBack, EndsAsRunningForwardToTheSameStepAndKeepsOnlyTheLastWriteOfAFlood) {
  // 0: SUB 244,10,3 puts 'A' into the data cell; 3: SUB 245,11,0 sends it.
  const MemoryCells sending = test::Image({244, 10, 3, 245, 11, 0}, {{10, 191}, {11, 254}});
  // 0: SUB 253,10,3 plots at ([248], 255); 3: SUB 248,11,0 moves left; 6: SUB 22,22,0.
  const MemoryCells plotting = test::Image({253, 10, 3, 248, 11, 0, 22, 22, 0},
                                           {{10, 253}, {11, 1}, {249, 255}, {250, 200}});
  // 0: SUB 20,21,3 counts [20] up; 3: SUB 22,22,0. Back 0 is Run Back with a breakpoint at 0.
  const MemoryCells counting = test::Image({20, 21, 3, 22, 22, 0}, {{21, 255}});
  const struct {
    const MemoryCells& image;
    std::uint64_t run, back, undone;
    bool crossed;
  } cases[] = {{sending, 5, 1, 1, false},     {sending, 5, 2, 2, true},      {plotting, 300, 200, 200, false},
               {counting, 4608, 0, 2, false}, {counting, 4609, 0, 1, false}, {counting, 4610, 0, 2, false}};
  for (const auto& c : cases) {
    ScriptedPeer peers[2];
    for (ScriptedPeer& peer : peers) peer.Listen(1), peer.PeerConnects();
    Session back(peers[0]), forward(peers[1]);
    for (Session* s : {&back, &forward}) s->ReplaceMachine({c.image, 0});
    back.SetBreakpoint(0, c.back == 0);
    back.StartRecord();
    back.Run({c.run, false, false});
    const BackResult result = c.back == 0 ? back.RunBack() : back.StepBack(c.back);
    EXPECT_EQ(std::tuple(result.steps, result.crossedNetwork), std::tuple(c.undone, c.crossed)) << c.run;
    forward.Run({c.run - c.undone, false, false});
    ExpectSameSessions(back, forward, "run " + std::to_string(c.run));
  }
  // A flood of writes to one cell between two steps is one input in the record; going back still finds the
  // last value of each flood.
  OfflineNetworkPort network;
  Session session(network);
  session.ReplaceMachine({test::Image({100, 200, 0, 100, 200, 0}), 0});  // [100] -= [200] in every step
  session.StartRecord();
  session.WriteCell(200, 1);
  const std::size_t bytes = session.RecordBytes();
  for (int value = 0; value < 100'000; ++value) session.WriteCell(200, static_cast<Byte>(value));
  session.WriteCell(200, 5);
  EXPECT_EQ(session.RecordBytes(), bytes);
  session.Run({2, false, false});  // [100] = -10
  for (int value = 0; value < 1000; ++value) session.WriteCell(200, static_cast<Byte>(value));
  session.WriteCell(200, 7);
  session.Step();  // [100] = -17
  // Going back to a step keeps the inputs given at it for going back again.
  const std::tuple<int, int, int> backs[] = {{1, 256 - 10, 7}, {1, 256 - 10, 7}, {3, 0, 5}};
  for (const auto& [back, cell100, cell200] : backs) {
    session.StepBack(back);
    EXPECT_EQ(std::vector<int>({session.State().Memory[100], session.State().Memory[200]}),
              std::vector<int>({cell100, cell200}));
    session.Step();
  }
}

TEST(Debugger, StopsAtBreakpointsAndWatchesGoingForwardAndBack) {
  // 0: SUB 20,21,3  cell 20 counts up; 3: SUB 22,22,0  back to 0.
  OfflineNetworkPort network;
  Session session(network);
  session.ReplaceMachine({test::Image({20, 21, 3, 22, 22, 0}, {{21, 255}})});
  session.StartRecord();
  session.SetBreakpoint(3, true);
  const RunStop stop = session.Run({100, true, true});
  EXPECT_EQ(std::tuple(stop.reason, stop.steps), std::tuple(RunStop::Reason::Breakpoint, std::uint64_t{1}));
  EXPECT_EQ(session.Run({100, true, true}).steps, 2u);  // a run on a breakpoint executes it first
  session.ClearBreakpointsAndWatches();
  session.SetWatch(20, true);
  EXPECT_EQ(session.Run({100, true, true}).reason, RunStop::Reason::Watch);
  EXPECT_EQ(session.Run({1000, true, true}).steps, 2u);
  // Back to the state right after the last change of cell 20.
  EXPECT_EQ(session.RunBack().stop.reason, RunStop::Reason::Watch);
  EXPECT_EQ(std::vector<int>({int(session.Steps()), session.State().Memory[20]}), std::vector<int>({5, 3}));
  // A print changes the console cell, though the console takes the character back out in the same step.
  Session printer(network);
  printer.ReplaceMachine({test::Image({255, 10, 0}, {{10, 191}})});
  printer.SetWatch(ConsoleCell, true);
  const RunStop printed = printer.Run({100, true, true});
  EXPECT_EQ(std::tuple(printed.reason, printed.steps, printed.after),
            std::tuple(RunStop::Reason::Watch, std::uint64_t{1}, Byte{65}));
}

// The scripted peer connects only to a program that listens or connects,
// delivers only on a connection, and still takes bytes after it closed.
TEST(ScriptedInputs, ThePeerFollowsTheConnectionAndTheDriverGivesInputsAgainAfterGoingBack) {
  ScriptedPeer peer;
  peer.PeerConnects();
  EXPECT_FALSE(peer.Arrive("a"));
  EXPECT_EQ(peer.SendByte(1), NetResult::Failed);
  peer.Listen(2323);
  peer.PeerConnects();
  EXPECT_EQ(peer.Arrive("bc"), Byte{'b'});
  EXPECT_EQ(peer.SendByte(2), NetResult::Done);
  peer.PeerCloses();
  EXPECT_FALSE(peer.Arrive("d"));
  EXPECT_EQ(peer.SendByte(3), NetResult::Done);
  peer.Close();
  EXPECT_EQ(peer.SendByte(4), NetResult::Failed);
  peer.Connect("host", 23);
  peer.PeerConnects();
  EXPECT_EQ(peer.SendByte(5), NetResult::Done);
  EXPECT_EQ(peer.Received(), "\2\3\5");
  // The input driver gives inputs again after going back: they come again, but none before the step they were
  // given at.
  OfflineNetworkPort offline;
  Session session(offline);
  session.StartRecord();
  session.Run({5, false, false});
  InputDriver driver(session, {{.step = 4, .kind = TimedInput::Kind::Net, .bytes = "A"},
                               {.step = 2, .kind = TimedInput::Kind::Cell, .cell = 20, .value = 1, .bytes = {}}});
  for (const std::uint64_t steps : {2, 2, 10}) EXPECT_EQ(driver.Advance({10, false, false}).steps, steps);
  EXPECT_EQ(session.State().Memory[NetDataCell], 'A');
  const struct { std::uint64_t back, toNext; } cases[] = {{11, 1}, {4, UINT64_MAX}};
  for (const auto& c : cases) {
    session.StepBack(c.back);
    driver.ApplyDue();
    EXPECT_EQ(driver.StepsToNextInput(), c.toNext);
    EXPECT_EQ(driver.PastFixedPoint({zar::RunStop::Reason::FixedPoint}).reason == zar::RunStop::Reason::StepLimit,
              c.toNext == 1);
  }
}

}  // namespace
}  // namespace zar
