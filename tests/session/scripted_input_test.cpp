#include <gtest/gtest.h>

#include "session/scripted_input.h"

namespace {

using zar::TimedInput;

// The scripted peer connects only to a program that listens or connects,
// delivers only on a connection, and still takes bytes after it closed.
TEST(ScriptedPeer, FollowsTheConnection) {
  zar::ScriptedPeer peer;
  peer.PeerConnects();
  EXPECT_FALSE(peer.Arrive("a"));
  EXPECT_EQ(peer.SendByte(1), zar::NetResult::Failed);
  peer.Listen(2323);
  peer.PeerConnects();
  EXPECT_EQ(peer.Arrive("bc"), zar::Byte{'b'});
  EXPECT_EQ(peer.SendByte(2), zar::NetResult::Done);
  peer.PeerCloses();
  EXPECT_FALSE(peer.Arrive("d"));
  EXPECT_EQ(peer.SendByte(3), zar::NetResult::Done);
  peer.Close();
  EXPECT_EQ(peer.SendByte(4), zar::NetResult::Failed);
  EXPECT_EQ(peer.Received(), "\2\3");
}

// Going back undoes the inputs after the step it went to: they come again,
// but none before the step they were given at.
TEST(InputDriver, GivesInputsAgainAfterGoingBack) {
  zar::OfflineNetworkPort offline;
  zar::Session session(offline);
  session.StartRecord();
  session.Run({5, false, false});
  zar::InputDriver driver(session, {{.step = 4, .kind = TimedInput::Kind::Net, .bytes = "A"},
                                    {.step = 2, .kind = TimedInput::Kind::Cell, .cell = 20, .value = 1, .bytes = {}}});
  for (const std::uint64_t steps : {2, 2, 10}) EXPECT_EQ(driver.Advance({10, false, false}).steps, steps);
  EXPECT_EQ(session.State().Memory[zar::NetDataCell], 'A');
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
