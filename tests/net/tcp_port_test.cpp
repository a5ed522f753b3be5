// The network device's socket driven by a poll() loop, against real peers on
// 127.0.0.1.
#include "net/tcp_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <utility>

#include "support/test_peer.h"

namespace zar {
namespace {

using test::TestListener;
using test::TestPeer;

// Keeps what the port told its owner: the watches, the bytes, the log
// without its times.
struct Recorder final : TcpPortEvents {
  void WatchChanged(int fd, bool read, bool write) override {
    watched[fd] = {read, write};
    if (!read && !write) watched.erase(fd);
  }
  void ByteArrived(Byte firstByte) override { bytes += static_cast<char>(firstByte); }
  void Logged(const std::string& line) override { lines.push_back(line.substr(line.find(' ') + 1)); }
  void ErrorQueued() override { ++errorsQueued; }

  std::map<int, std::pair<bool, bool>> watched;
  std::string bytes;
  std::vector<std::string> lines;
  int errorsQueued = 0;
};

std::string Local(int port) { return "127.0.0.1:" + std::to_string(port); }
constexpr const char* Dropped = "a byte to send was dropped: not connected";

class TcpPortTest : public testing::Test {
 protected:
  // Serves the port until the condition holds or 3 s are up. The watches the
  // owner was told of must always be those the port asks for.
  bool WaitFor(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!condition() && std::chrono::steady_clock::now() < end) {
      std::map<int, std::pair<bool, bool>> asked;
      for (const TcpPort::Watch& w : port.Watches()) asked[w.fd] = {w.read, w.write};
      EXPECT_EQ(asked, events.watched);
      ServeTcpPort(port, 5);
    }
    return condition();
  }
  int ListeningPort() const { return std::stoi(port.State().substr(port.State().rfind(':') + 1)); }

  Recorder events;
  TcpPort port{events};
};

TEST_F(TcpPortTest, ConnectsSendsReceivesTheFirstByteOfEachChunkAndEndsQuietlyWhenThePeerLeaves) {
  TestListener server;
  const std::string peer = Local(server.Port());
  ASSERT_EQ(port.Connect("127.0.0.1", server.Port()), NetResult::Done);
  EXPECT_EQ(port.State(), "connecting to " + peer);
  for (const char early : {'A', 'B'}) EXPECT_EQ(port.SendByte(early), NetResult::Failed);  // one line for both
  std::optional<TestPeer> remote;
  ASSERT_TRUE(WaitFor([&] {
    if (!remote) remote = server.Accept();
    return remote && port.State() == "connected to " + peer;
  }));
  EXPECT_EQ(port.SendByte('A'), NetResult::Done);
  remote->Send("XYZ");
  ASSERT_TRUE(WaitFor([&] { return remote->Received() == "A" && port.BytesReceived() == 3; }));
  EXPECT_EQ(events.bytes, "X");
  EXPECT_EQ(port.BytesSent(), 1);
  port.Close();
  EXPECT_TRUE(remote->Ended());
  EXPECT_EQ(events.lines,
            (std::vector<std::string>{"connecting to " + peer, Dropped, "connected to " + peer, "closed"}));
  // A peer that goes without a word is no failure: the connection ends when a send finds it gone, or at once
  // when the peer resets it.
  for (const bool reset : {false, true}) {
    SCOPED_TRACE(reset ? "reset" : "closed");
    TestListener other;
    ASSERT_EQ(port.Connect("127.0.0.1", other.Port()), NetResult::Done);
    std::optional<TestPeer> leaving;
    ASSERT_TRUE(WaitFor([&] {
      if (!leaving) leaving = other.Accept();
      return leaving && port.State().starts_with("connected");
    }));
    leaving->Close(reset);
    EXPECT_TRUE(WaitFor([&] {
      if (port.State().starts_with("closed")) port.SendByte(0);
      return port.State() == "idle";
    }));
    EXPECT_EQ(events.lines.back(), Local(other.Port()) + " closed the connection");
  }
  EXPECT_TRUE(port.TakeErrors().empty());
  EXPECT_TRUE(events.watched.empty());
}

TEST_F(TcpPortTest, ListensForOnePeerThatStillReceivesAfterItFinishedSending) {
  ASSERT_EQ(port.Listen(0), NetResult::Done);
  const int listening = ListeningPort();
  TestPeer peer = TestPeer::ConnectTo(static_cast<std::uint16_t>(listening));
  ASSERT_TRUE(WaitFor([&] { return peer.Connected() && port.State().starts_with("connected"); }));
  const std::string from = Local(peer.LocalPort());
  EXPECT_EQ(port.State(), "connected to " + from);
  TestPeer latecomer = TestPeer::ConnectTo(static_cast<std::uint16_t>(listening));
  EXPECT_TRUE(WaitFor([&] { return latecomer.Error() == ECONNREFUSED; }));
  peer.ShutdownSending();
  ASSERT_TRUE(WaitFor([&] { return port.State() == "closed by peer " + from; }));
  EXPECT_EQ(port.SendByte('*'), NetResult::Done);
  port.Close();
  EXPECT_TRUE(WaitFor([&] { return peer.Ended(); }));
  EXPECT_EQ(peer.Received(), "*");
  EXPECT_EQ(events.lines, (std::vector<std::string>{"listening on " + Local(listening), "accepted " + from,
                                                    from + " has finished sending", "closed"}));
  EXPECT_TRUE(port.TakeErrors().empty());
}

// Refusals come back from the call; what the system finds out later waits
// in TakeErrors.
TEST_F(TcpPortTest, FailuresAreResultsOrErrorsTakenLater) {
  TestListener occupant(true);
  const int closed = test::FreePort();
  const auto listen = [](int on) { return [on](TcpPort& p) { return p.Listen(on); }; };
  const auto connect = [](const char* host, int on) { return [=](TcpPort& p) { return p.Connect(host, on); }; };
  // The call, what it returns, its log's last line and the errors that come later.
  const struct {
    std::function<NetResult(TcpPort&)> call;
    NetResult result;
    std::string line;
    std::vector<std::string> errors = {};
  } cases[] = {{listen(occupant.Port()), NetResult::Failed,
                "listening on " + Local(occupant.Port()) + " failed: Address already in use"},
               {listen(65536), NetResult::Failed, ""},
               {connect("localhost", 80), NetResult::Failed, ""},
               {[](TcpPort& p) { return p.SendByte(1); }, NetResult::Failed, Dropped},
               {connect("127.0.0.1", closed),
                NetResult::Done,
                "connecting to " + Local(closed) + " failed: Connection refused",
                {"Connection refused"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Recorder recorder;
    TcpPort fresh(recorder);
    EXPECT_EQ(c.call(fresh), c.result);
    for (int round = 0; round < 100 && recorder.errorsQueued < static_cast<int>(c.errors.size()); ++round) {
      ServeTcpPort(fresh, 10);
    }
    EXPECT_EQ(fresh.State(), "idle");
    EXPECT_EQ(recorder.lines.empty() ? "" : recorder.lines.back(), c.line);
    EXPECT_EQ(fresh.TakeErrors(), c.errors);
    EXPECT_TRUE(recorder.watched.empty());
  }
}

}  // namespace
}  // namespace zar
