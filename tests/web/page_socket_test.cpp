// The page's socket: what it asks of its route, and which of the route's
// events reach the machine, by the network device's rules.
#include "web/core/page_socket.h"

#include <gtest/gtest.h>

#include <string>

#include "devices/network_device.h"

namespace zar::web {
namespace {

// Gives the device the command in cell 245 with the other cells as set.
void Command(PageSocket& socket, std::initializer_list<std::pair<int, Byte>> set) {
  MemoryCells m{};
  for (const auto& [cell, value] : set) m[cell] = value;
  CheckNetwork(m, socket);
}

const std::initializer_list<std::pair<int, Byte>> ConnectTo300 = {
    {238, 127}, {241, 1}, {242, 1}, {243, 44}, {245, NetConnect}};

TEST(PageSocket, RequestsInOrderWithTheBytesOfOneGoAsOneChunk) {
  PageSocket socket;
  Command(socket, ConnectTo300);
  EXPECT_EQ(socket.State(), "connecting to 127.0.0.1:300");
  socket.Connected(1, "the peer panel");
  for (const Byte b : {Byte{72}, Byte{0}, Byte{105}}) Command(socket, {{NetDataCell, b}, {245, NetSend}});
  Command(socket, {{242, 0}, {243, 23}, {245, NetListen}});
  EXPECT_EQ(socket.TakeRequests(), "connect 1 300 127.0.0.1\nsend 1 72 0 105\nclose 1\nlisten 2 23\n");
  EXPECT_EQ(socket.TakeRequests(), "");
  EXPECT_EQ(socket.BytesSent(), 3);
  EXPECT_EQ(socket.TakeLog(),
            "connecting to 127.0.0.1:300\nconnected to the peer panel\nclosed\nlistening on port 23\n");
}

TEST(PageSocket, OnlyTheFirstByteOfAChunkOfTheCurrentUseArrivesAndNoneAfterThePeerClosed) {
  PageSocket socket;
  EXPECT_EQ(socket.Arrived(0, "A"), std::nullopt);  // nothing held
  Command(socket, {{242, 0}, {243, 23}, {245, NetListen}});
  EXPECT_EQ(socket.Arrived(1, "A"), std::nullopt);  // listening, no peer yet
  socket.Connected(1, "a program in another tab");
  EXPECT_EQ(socket.State(), "connected to a program in another tab");
  EXPECT_EQ(socket.Arrived(1, "XYZ"), Byte{88});
  EXPECT_EQ(socket.Arrived(1, std::string(1, '\0')), Byte{0});
  EXPECT_EQ(socket.Arrived(1, ""), std::nullopt);
  EXPECT_EQ(socket.BytesReceived(), 4);
  // The program moved on: the old connection's events are dropped.
  Command(socket, ConnectTo300);
  EXPECT_EQ(socket.Arrived(1, "Q"), std::nullopt);
  socket.Connected(1, "old");
  socket.PeerClosed(1);
  EXPECT_FALSE(socket.Failed(1, "old failure"));
  EXPECT_EQ(socket.State(), "connecting to 127.0.0.1:300");
  // After the peer closes, the program may still send, but nothing arrives.
  socket.Connected(2, "P");
  socket.PeerClosed(2);
  EXPECT_EQ(socket.State(), "closed by peer P");
  EXPECT_EQ(socket.Arrived(2, "A"), std::nullopt);
  Command(socket, {{NetDataCell, 65}, {245, NetSend}});
  EXPECT_EQ(socket.TakeRequests(), "listen 1 23\nclose 1\nconnect 2 300 127.0.0.1\nsend 2 65\n");
}

TEST(PageSocket, SendsWithoutAConnectionAreLostAndLoggedOnceAndAFewWaitForTheRoute) {
  PageSocket socket;
  for (int i = 0; i < 3; ++i) Command(socket, {{NetDataCell, 65}, {245, NetSend}});
  Command(socket, ConnectTo300);  // still connecting
  Command(socket, {{NetDataCell, 66}, {245, NetSend}});
  EXPECT_EQ(socket.TakeRequests(), "connect 1 300 127.0.0.1\n");
  EXPECT_EQ(socket.BytesSent(), 0);
  EXPECT_EQ(socket.TakeLog(),
            "a byte to send was dropped: not connected\nconnecting to 127.0.0.1:300\n"
            "a byte to send was dropped: not connected\n");
  // Connected, at most MaxPendingBytes wait for the route.
  socket.Connected(1, "P");
  for (std::size_t i = 0; i < PageSocket::MaxPendingBytes + 5; ++i) Command(socket, {{NetDataCell, 1}, {245, NetSend}});
  EXPECT_EQ(socket.BytesSent(), static_cast<std::int64_t>(PageSocket::MaxPendingBytes));
  EXPECT_NE(socket.TakeLog().find("a byte to send was dropped: too many wait"), std::string::npos);
  socket.TakeRequests();
  Command(socket, {{NetDataCell, 1}, {245, NetSend}});
  EXPECT_EQ(socket.TakeRequests(), "send 1 1\n");
}

TEST(PageSocket, FailuresAndARouteChangeLeaveTheSocketIdle) {
  PageSocket socket;
  Command(socket, ConnectTo300);
  EXPECT_TRUE(socket.Failed(1, "connection refused"));
  EXPECT_FALSE(socket.Failed(1, "again"));
  Command(socket, {{242, 0}, {243, 23}, {245, NetListen}});
  EXPECT_TRUE(socket.Failed(2, "port 23 is in use"));
  Command(socket, ConnectTo300);
  socket.Connected(3, "P");
  EXPECT_TRUE(socket.Failed(3, "the bridge closed the connection"));
  EXPECT_EQ(socket.State(), "idle");
  EXPECT_EQ(socket.TakeLog(),
            "connecting to 127.0.0.1:300\nconnecting to 127.0.0.1:300 failed: connection refused\n"
            "listening on port 23\nlistening on port 23 failed: port 23 is in use\n"
            "connecting to 127.0.0.1:300\nconnected to P\nP: the bridge closed the connection\n");
  // A route change drops what was held and waiting; the next request is a use of its own.
  Command(socket, ConnectTo300);
  socket.Connected(4, "P");
  Command(socket, {{NetDataCell, 65}, {245, NetSend}});
  socket.Reset();
  EXPECT_EQ(socket.TakeRequests(), "");
  EXPECT_EQ(socket.State(), "idle");
  EXPECT_EQ(socket.Arrived(4, "A"), std::nullopt);
  Command(socket, {{242, 0}, {243, 23}, {245, NetListen}});
  EXPECT_EQ(socket.TakeRequests(), "listen 6 23\n");
}

}  // namespace
}  // namespace zar::web
