#include "platform/tcp_network_port.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace zar {
namespace {

constexpr int WaitLimitMs = 3000;

// Runs the event loop until the condition holds or the wait limit passes;
// returns the condition's final value.
bool WaitFor(const std::function<bool()>& condition, const std::function<void()>& eachRound = {}) {
  QElapsedTimer timer;
  timer.start();
  while (!condition() && timer.elapsed() < WaitLimitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (eachRound) eachRound();
  }
  return condition();
}

// A port nobody listens on: the system picks a free one, and it is let go again.
quint16 FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

// The port's own socket, looked at from outside to see its state and buffer.
QTcpSocket* SocketOf(TcpNetworkPort& port) {
  return port.findChild<QTcpSocket*>(QString(), Qt::FindDirectChildrenOnly);
}

bool IsConnected(TcpNetworkPort& port) {
  return SocketOf(port)->state() == QAbstractSocket::ConnectedState;
}

// Everything the port reports.
struct Reports {
  explicit Reports(TcpNetworkPort& port) {
    QObject::connect(&port, &TcpNetworkPort::ByteArrived, [this](quint8 b) { bytes.push_back(b); });
    QObject::connect(&port, &TcpNetworkPort::ErrorOccurred,
                     [this](const QString& text) { errors.push_back(text); });
  }
  std::vector<quint8> bytes;
  std::vector<QString> errors;
};

class TcpNetworkPortTest : public testing::Test {
 protected:
  // The port listens, and a peer socket of the test connects to it.
  void ConnectPeerToListeningPort() {
    const quint16 localPort = FreePort();
    port_.Listen(localPort);
    peer_.connectToHost(QHostAddress::LocalHost, localPort);
    ASSERT_TRUE(WaitFor([&] {
      return IsConnected(port_) && peer_.state() == QAbstractSocket::ConnectedState;
    }));
  }

  void PeerSends(const QByteArray& data) {
    peer_.write(data);
    peer_.flush();
  }

  TcpNetworkPort port_;
  Reports reports_{port_};
  QTcpSocket peer_;
};

TEST_F(TcpNetworkPortTest, ConnectReachesServerAndSendsBytes) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  port_.Connect("127.0.0.1", server.serverPort());
  ASSERT_TRUE(WaitFor([&] { return server.hasPendingConnections() && IsConnected(port_); }));
  std::unique_ptr<QTcpSocket> accepted(server.nextPendingConnection());

  port_.SendByte(65);
  port_.SendByte(0);

  ASSERT_TRUE(WaitFor([&] { return accepted->bytesAvailable() >= 2; }));
  EXPECT_EQ(accepted->readAll(), QByteArray("A\0", 2));
  EXPECT_TRUE(reports_.errors.empty());
}

TEST_F(TcpNetworkPortTest, ListenAcceptsOnePeerAndCarriesItsConnection) {
  ConnectPeerToListeningPort();

  PeerSends("Q");
  ASSERT_TRUE(WaitFor([&] { return !reports_.bytes.empty(); }));
  EXPECT_EQ(reports_.bytes, std::vector<quint8>{'Q'});

  port_.SendByte(7);
  ASSERT_TRUE(WaitFor([&] { return peer_.bytesAvailable() >= 1; }));
  EXPECT_EQ(peer_.readAll(), QByteArray("\x07"));
}

TEST_F(TcpNetworkPortTest, AfterAcceptingFurtherPeersAreRefused) {
  ConnectPeerToListeningPort();
  const quint16 listenedPort = SocketOf(port_)->localPort();

  QTcpSocket latecomer;
  latecomer.connectToHost(QHostAddress::LocalHost, listenedPort);
  ASSERT_TRUE(WaitFor([&] { return latecomer.error() != QAbstractSocket::UnknownSocketError; }));
  EXPECT_EQ(latecomer.error(), QAbstractSocket::ConnectionRefusedError);
  EXPECT_NE(latecomer.state(), QAbstractSocket::ConnectedState);
  EXPECT_TRUE(IsConnected(port_));
  EXPECT_EQ(SocketOf(port_)->peerPort(), peer_.localPort());
}

TEST_F(TcpNetworkPortTest, ListenAgainAcceptsTheNextPeer) {
  ConnectPeerToListeningPort();
  const quint16 localPort = FreePort();
  port_.Listen(localPort);
  ASSERT_TRUE(WaitFor([&] { return peer_.state() == QAbstractSocket::UnconnectedState; }));

  QTcpSocket next;
  next.connectToHost(QHostAddress::LocalHost, localPort);
  ASSERT_TRUE(WaitFor([&] { return IsConnected(port_); }));
  EXPECT_EQ(SocketOf(port_)->peerPort(), next.localPort());
}

TEST_F(TcpNetworkPortTest, ChunkReportsOnlyItsFirstByte) {
  ConnectPeerToListeningPort();

  PeerSends("XYZ");
  ASSERT_TRUE(WaitFor([&] { return !reports_.bytes.empty(); }));
  // A later chunk shows that nothing of the first one was reported after its 'X'.
  PeerSends("A");
  ASSERT_TRUE(WaitFor([&] { return reports_.bytes.size() >= 2; }));

  EXPECT_EQ(reports_.bytes, (std::vector<quint8>{88, 65}));
  EXPECT_EQ(SocketOf(port_)->bytesAvailable(), 0);
}

TEST_F(TcpNetworkPortTest, ZeroByteArrivesAsZero) {
  ConnectPeerToListeningPort();
  PeerSends(QByteArray(1, '\0'));
  ASSERT_TRUE(WaitFor([&] { return !reports_.bytes.empty(); }));
  EXPECT_EQ(reports_.bytes, std::vector<quint8>{0});
}

TEST_F(TcpNetworkPortTest, ConnectToClosedPortReportsErrorLaterWithoutBlocking) {
  QElapsedTimer timer;
  timer.start();
  port_.Connect("127.0.0.1", FreePort());
  EXPECT_LT(timer.elapsed(), 500);
  EXPECT_TRUE(reports_.errors.empty()) << "an error must not arrive inside Connect";

  ASSERT_TRUE(WaitFor([&] { return !reports_.errors.empty(); }));
  EXPECT_EQ(reports_.errors.size(), 1u);
  EXPECT_FALSE(reports_.errors.front().isEmpty());
  EXPECT_THROW(port_.SendByte(1), std::exception);
}

TEST_F(TcpNetworkPortTest, ConnectToPortZeroDoesNotThrowOrBlock) {
  QElapsedTimer timer;
  timer.start();
  EXPECT_NO_THROW(port_.Connect("127.0.0.1", 0));
  EXPECT_LT(timer.elapsed(), 500);
  EXPECT_TRUE(reports_.errors.empty());
  port_.Close();
}

TEST_F(TcpNetworkPortTest, ListenOnPortZeroTakesAnyFreePort) {
  EXPECT_NO_THROW(port_.Listen(0));
  auto* server = port_.findChild<QTcpServer*>();
  ASSERT_NE(server, nullptr);
  EXPECT_TRUE(server->isListening());
  EXPECT_NE(server->serverPort(), 0);
}

TEST_F(TcpNetworkPortTest, SendByteWithoutConnectionThrows) {
  EXPECT_THROW(port_.SendByte(65), std::exception);
  port_.Listen(0);
  EXPECT_THROW(port_.SendByte(65), std::exception);
}

TEST_F(TcpNetworkPortTest, ListenOnPortInUseThrows) {
  QTcpServer occupant;
  ASSERT_TRUE(occupant.listen(QHostAddress::AnyIPv4, 0));
  EXPECT_THROW(port_.Listen(occupant.serverPort()), std::exception);
  EXPECT_NO_THROW(port_.Listen(0));
}

TEST_F(TcpNetworkPortTest, ImpossiblePortNumbersThrow) {
  EXPECT_THROW(port_.Listen(65536), std::exception);
  EXPECT_THROW(port_.Connect("127.0.0.1", -1), std::exception);
}

TEST_F(TcpNetworkPortTest, CloseWhenNothingIsHeldIsHarmless) {
  port_.Close();
  port_.Close();
  EXPECT_EQ(SocketOf(port_)->state(), QAbstractSocket::UnconnectedState);
}

TEST_F(TcpNetworkPortTest, CloseWhileListeningFreesThePort) {
  const quint16 localPort = FreePort();
  port_.Listen(localPort);
  port_.Close();
  QTcpServer successor;
  EXPECT_TRUE(successor.listen(QHostAddress::AnyIPv4, localPort));
}

TEST_F(TcpNetworkPortTest, CloseWhileConnectingAbandonsTheAttempt) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  port_.Connect("127.0.0.1", server.serverPort());
  EXPECT_NE(SocketOf(port_)->state(), QAbstractSocket::UnconnectedState);
  port_.Close();
  EXPECT_EQ(SocketOf(port_)->state(), QAbstractSocket::UnconnectedState);

  // Whatever the server saw of the attempt ends without a word to the user.
  std::unique_ptr<QTcpSocket> accepted;
  WaitFor([&] { return server.hasPendingConnections(); });
  if (server.hasPendingConnections()) accepted.reset(server.nextPendingConnection());
  if (accepted) {
    EXPECT_TRUE(WaitFor([&] { return accepted->state() == QAbstractSocket::UnconnectedState; }));
  }
  EXPECT_TRUE(reports_.errors.empty());
  EXPECT_THROW(port_.SendByte(1), std::exception);
}

TEST_F(TcpNetworkPortTest, CloseWhileConnectedDeliversSentByteAndEndsConnection) {
  ConnectPeerToListeningPort();
  port_.SendByte(42);
  port_.Close();

  ASSERT_TRUE(WaitFor([&] { return peer_.state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(peer_.readAll(), QByteArray("*"));
  EXPECT_THROW(port_.SendByte(1), std::exception);
  EXPECT_TRUE(reports_.errors.empty());
}

TEST_F(TcpNetworkPortTest, NewConnectDropsTheOldConnection) {
  ConnectPeerToListeningPort();
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));

  port_.Connect("127.0.0.1", server.serverPort());

  ASSERT_TRUE(WaitFor([&] {
    return peer_.state() == QAbstractSocket::UnconnectedState && server.hasPendingConnections();
  }));
  std::unique_ptr<QTcpSocket> accepted(server.nextPendingConnection());
  ASSERT_TRUE(WaitFor([&] { return IsConnected(port_); }));
  EXPECT_EQ(SocketOf(port_)->peerPort(), server.serverPort());
}

TEST_F(TcpNetworkPortTest, PeerClosingNormallyIsNotReported) {
  ConnectPeerToListeningPort();
  PeerSends("B");
  peer_.disconnectFromHost();

  ASSERT_TRUE(WaitFor([&] { return !IsConnected(port_); }));
  EXPECT_EQ(reports_.bytes, std::vector<quint8>{'B'});
  EXPECT_TRUE(reports_.errors.empty());
  EXPECT_THROW(port_.SendByte(1), std::exception);
}

TEST(TcpNetworkPort, DestroyingAConnectedPortIsSafe) {
  QTcpSocket peer;
  {
    TcpNetworkPort port;
    const quint16 localPort = FreePort();
    port.Listen(localPort);
    peer.connectToHost(QHostAddress::LocalHost, localPort);
    ASSERT_TRUE(WaitFor([&] { return IsConnected(port); }));
  }
  EXPECT_TRUE(WaitFor([&] { return peer.state() == QAbstractSocket::UnconnectedState; }));
}

}  // namespace
}  // namespace zar
