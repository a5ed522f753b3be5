// Keys released at full speed between slices that end at every step of a
// program's key loop: each reaches the program once, in order.
#include "session/key_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace zar {
namespace {

// upper.OIA's loop: read the key (n := -key), take it (clear the cell), print
// a letter's code.
constexpr Byte N = 30, K = 31, C64 = 32, C26 = 33, Z = 34;
constexpr Byte Upper[] = {N, N,   3,  N, KeyCell, 6, K,           K, 9,  K, N, 12, KeyCell, KeyCell, 15, K,  C64, 0,
                          K, C26, 24, Z, Z,       0, ConsoleCell, N, 27, Z, Z, 0,  0,       0,       64, 26, 0};

TEST(KeyQueue, KeysBetweenSlicesAreNeitherLostNorDoubledAndStoppedGoInAtOnce) {
  for (std::uint64_t phase = 0; phase < 24; ++phase) {
    SCOPED_TRACE(phase);
    OfflineNetworkPort network;
    Session session(network);
    Machine start;
    std::copy(std::begin(Upper), std::end(Upper), start.Memory.begin());
    session.ReplaceMachine(start);
    session.Status().mode = RunMode::FullSpeed;
    KeyQueue keys;
    session.Run({1000 + phase, true, false});  // a slice ends anywhere in the loop
    keys.Release(session, 'H');
    if (phase % 2) keys.Release(session, 'I');  // typed faster than a slice
    for (int slice = 0; slice < 40; ++slice) {
      const bool stepwise = keys.ApplyDue(session) || keys.Waiting();
      session.Run({stepwise ? 1 : 7 + phase, true, false});
      if (slice == 20 && phase % 2 == 0) keys.Release(session, 'I');
    }
    session.Run({5000, true, false});
    EXPECT_EQ(session.Console().Range(session.Console().Begin(), session.Console().End()), "HI");
  }
  // Stopped, a key goes in at once; at a fixed point one waiting is taken.
  OfflineNetworkPort network;
  Session session(network);
  session.ReplaceMachine(Machine{});  // SUB 0,0,0: a jump to itself
  KeyQueue keys;
  keys.Release(session, 7);
  EXPECT_EQ(session.State().Memory[KeyCell], 7);
  session.Status().mode = RunMode::FullSpeed;
  keys.Release(session, 9);
  EXPECT_FALSE(keys.ApplyDue(session));
  EXPECT_TRUE(keys.ApplyDue(session, true));
  EXPECT_EQ(session.State().Memory[KeyCell], 9);
}

}  // namespace
}  // namespace zar
