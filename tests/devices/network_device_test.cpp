#include "devices/network_device.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace zar {
namespace {

// Records the socket operations; can be told to fail every one of them.
class RecordingPort : public NetworkPort {
 public:
  void Close() override { Record("close"); }
  void Connect(const std::string& host, int port) override { Record("connect " + host + ":" + std::to_string(port)); }
  void Listen(int port) override { Record("listen " + std::to_string(port)); }
  void SendByte(Byte value) override { Record("send " + std::to_string(value)); }

  std::vector<std::string> calls;
  bool failing = false;

 private:
  void Record(const std::string& call) {
    calls.push_back(call);
    if (failing) throw std::runtime_error("socket error");
  }
};

class CheckNetworkTest : public testing::Test {
 protected:
  bool Command(int command, std::initializer_list<int> cells238to244 = {}) {
    int cell = 238;
    for (const int value : cells238to244) memory[cell++] = static_cast<Byte>(value);
    memory[NetCommandCell] = static_cast<Byte>(command);
    return CheckNetwork(memory, port);
  }

  MemoryCells memory{};
  RecordingPort port;
};

TEST_F(CheckNetworkTest, ConnectClosesThenConnectsToTheCellsAddress) {
  EXPECT_TRUE(Command(NetConnect, {127, 0, 0, 1, 1, 44}));
  EXPECT_EQ(port.calls, (std::vector<std::string>{"close", "connect 127.0.0.1:300"}));
  EXPECT_EQ(memory[NetCommandCell], 0);
  EXPECT_EQ(RemoteHostText(memory), "127.0.0.1");
}

TEST_F(CheckNetworkTest, ListenUsesThePortCells) {
  Command(NetListen, {0, 0, 0, 0, 0, 23});
  EXPECT_EQ(port.calls, (std::vector<std::string>{"close", "listen 23"}));
  memory[242] = 255;
  memory[243] = 255;
  EXPECT_EQ(NetPort(memory), 65535);
}

TEST_F(CheckNetworkTest, SendTakesTheDataCellAndClearsBoth) {
  Command(NetSend, {0, 0, 0, 0, 0, 0, 65});
  Command(NetSend, {0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(port.calls, (std::vector<std::string>{"send 65", "send 0"}));
  EXPECT_EQ(memory[NetDataCell], 0);
  EXPECT_EQ(memory[NetCommandCell], 0);
}

TEST_F(CheckNetworkTest, FailingOperationsAreSkippedAndTheCellsStillCleared) {
  port.failing = true;
  EXPECT_NO_THROW(Command(NetConnect, {10, 0, 0, 7, 0, 80}));
  EXPECT_EQ(port.calls, (std::vector<std::string>{"close", "connect 10.0.0.7:80"}));
  EXPECT_NO_THROW(Command(NetSend, {10, 0, 0, 7, 0, 80, 66}));
  EXPECT_EQ(memory[NetDataCell], 0);
  EXPECT_EQ(memory[NetCommandCell], 0);
}

TEST_F(CheckNetworkTest, UnknownCommandsOnlyClearAndZeroDoesNothing) {
  EXPECT_TRUE(Command(9));
  EXPECT_EQ(memory[NetCommandCell], 0);
  EXPECT_FALSE(Command(0));
  EXPECT_TRUE(port.calls.empty());
}

}  // namespace
}  // namespace zar
