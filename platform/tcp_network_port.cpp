#include "platform/tcp_network_port.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <utility>

namespace zar {

// A listening server that keeps no connections of its own: each accepted
// connection's descriptor goes straight to the owner, which decides what to
// do with it.
class HandOverServer : public QTcpServer {
  Q_OBJECT

 public:
  HandOverServer(std::function<void(qintptr)> handOver, QObject* parent)
      : QTcpServer(parent), handOver_(std::move(handOver)) {}

 protected:
  void incomingConnection(qintptr descriptor) override { handOver_(descriptor); }

 private:
  std::function<void(qintptr)> handOver_;
};

namespace {

// Port numbers reach Qt as they are; only values that no 16-bit port can
// hold are refused.
quint16 TcpPortNumber(int port) {
  if (port < 0 || port > 65535) throw std::out_of_range("TCP port out of range");
  return static_cast<quint16>(port);
}

}  // namespace

TcpNetworkPort::TcpNetworkPort(QObject* parent)
    : QObject(parent),
      socket_(new QTcpSocket(this)),
      server_(new HandOverServer([this](qintptr descriptor) { TakeOverConnection(descriptor); },
                                 this)) {
  socket_->setObjectName("sock");
  // The device speaks plain TCP to the address it was given, never via a proxy.
  socket_->setProxy(QNetworkProxy::NoProxy);
  server_->setProxy(QNetworkProxy::NoProxy);
  socket_->setReadBufferSize(ReadBufferBytes);
  connect(socket_, &QTcpSocket::readyRead, this, &TcpNetworkPort::DrainArrivedData);
  // Direct, so that the description is read while it still belongs to this error.
  connect(socket_, &QTcpSocket::errorOccurred, this, &TcpNetworkPort::OnSocketError,
          Qt::DirectConnection);
  connect(server_, &QTcpServer::acceptError, this, &TcpNetworkPort::OnAcceptError);
}

TcpNetworkPort::~TcpNetworkPort() {
  socket_->disconnect(this);
  server_->disconnect(this);
  Close();
}

void TcpNetworkPort::Close() {
  server_->close();
  if (socket_->state() == QAbstractSocket::ConnectedState) socket_->flush();
  socket_->abort();
}

void TcpNetworkPort::Connect(const std::string& host, int port) {
  const quint16 remotePort = TcpPortNumber(port);
  Close();
  socket_->connectToHost(QString::fromStdString(host), remotePort);
}

void TcpNetworkPort::Listen(int port) {
  const quint16 localPort = TcpPortNumber(port);
  Close();
  if (!server_->listen(QHostAddress::AnyIPv4, localPort)) {
    throw std::runtime_error(server_->errorString().toStdString());
  }
}

void TcpNetworkPort::SendByte(Byte value) {
  if (socket_->state() != QAbstractSocket::ConnectedState) {
    throw std::runtime_error("the socket is not connected");
  }
  const char data = static_cast<char>(value);
  if (socket_->write(&data, 1) != 1) throw std::runtime_error(socket_->errorString().toStdString());
  socket_->flush();
}

// A peer reached the listening server: listening ends, and the socket carries
// that one connection from now on. Peers still waiting in the backlog are
// refused when the server closes.
void TcpNetworkPort::TakeOverConnection(qintptr descriptor) {
  server_->close();
  socket_->abort();
  if (!socket_->setSocketDescriptor(descriptor)) {
    ::close(static_cast<int>(descriptor));  // the socket did not take it over
    ReportLater(socket_->errorString());
  }
}

// Everything that has arrived is read at once, so nothing piles up; only the
// chunk's first byte means anything to the device.
void TcpNetworkPort::DrainArrivedData() {
  const QByteArray chunk = socket_->readAll();
  if (chunk.isEmpty()) return;
  emit ByteArrived(static_cast<quint8>(chunk.front()));
}

// A peer that ends the connection in good order is no failure worth telling
// the user about; the socket is simply closed afterwards.
void TcpNetworkPort::OnSocketError(QAbstractSocket::SocketError error) {
  if (error == QAbstractSocket::RemoteHostClosedError) return;
  ReportLater(socket_->errorString());
}

void TcpNetworkPort::OnAcceptError() { ReportLater(server_->errorString()); }

// Some failures are found inside a call (a refused connection to this very
// machine may be known before connectToHost returns). They are passed on from
// the event loop so that whoever called us finishes first, and a message box
// never opens in the middle of a machine step.
void TcpNetworkPort::ReportLater(const QString& description) {
  QMetaObject::invokeMethod(
      this, [this, description] { emit ErrorOccurred(description); }, Qt::QueuedConnection);
}

}  // namespace zar

#include "tcp_network_port.moc"
