#include "host/tcp_network_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QMetaObject>
#include <QSocketNotifier>
#include <QTime>

#include <cerrno>
#include <cstring>

namespace zar {

namespace {

// Port numbers reach the system as they are; only values that no 16-bit port
// can hold are refused.
bool TcpPortNumber(int port) { return port >= 0 && port <= 65535; }

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

QString AddressText(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return QString("%1:%2").arg(text).arg(ntohs(address.sin_port));
}

sockaddr_in Address(in_addr_t host, quint16 port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = host;
  address.sin_port = htons(port);
  return address;
}

}  // namespace

// A non-blocking socket descriptor with its read and write notifiers, closed
// with it.
struct TcpNetworkPort::Socket {
  Socket(int descriptor, QObject* owner)
      : fd(descriptor),
        readable(descriptor, QSocketNotifier::Read, owner),
        writable(descriptor, QSocketNotifier::Write, owner) {
    writable.setEnabled(false);
  }
  ~Socket() { ::close(fd); }

  int fd;
  QSocketNotifier readable;
  QSocketNotifier writable;
};

TcpNetworkPort::TcpNetworkPort(QObject* parent) : QObject(parent) { setObjectName("sock"); }

TcpNetworkPort::~TcpNetworkPort() {
  blockSignals(true);
  Close();
}

void TcpNetworkPort::Note(const QString& state, const QString& event) {
  state_ = state;
  if (log_.size() >= LogLines) log_.removeFirst();
  log_.append(QTime::currentTime().toString("hh:mm:ss.zzz") + ' ' + event);
  emit Happened(log_.back());
}

void TcpNetworkPort::Close() {
  const bool held = server_ || connection_;
  server_.reset();
  if (connection_ && !connecting_) Flush();
  DropConnection();
  if (held) Note("idle", "closed");
}

void TcpNetworkPort::DropConnection() {
  connection_.reset();
  connecting_ = false;
  pending_.clear();
}

NetResult TcpNetworkPort::Connect(const std::string& host, int port) {
  if (!TcpPortNumber(port)) return NetResult::Failed;
  Close();
  in_addr_t address = 0;
  if (::inet_pton(AF_INET, host.c_str(), &address) != 1) return NetResult::Failed;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return NetResult::Failed;
  connection_ = std::make_unique<Socket>(fd, this);
  connection_->readable.setEnabled(false);
  connect(&connection_->writable, &QSocketNotifier::activated, this, &TcpNetworkPort::Flush);
  const sockaddr_in remote = Address(address, static_cast<quint16>(port));
  peer_ = AddressText(remote);
  connecting_ = true;
  Note("connecting to " + peer_, "connecting to " + peer_);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0 || errno == EINPROGRESS) {
    connection_->writable.setEnabled(true);  // the outcome arrives as a writable socket
    return NetResult::Done;
  }
  const QString why = SystemError(errno);
  DropConnection();
  Note("idle", "connecting to " + peer_ + " failed: " + why);
  ReportLater(why);
  return NetResult::Failed;
}

void TcpNetworkPort::OnConnectFinished() {
  int error = 0;
  socklen_t length = sizeof error;
  ::getsockopt(connection_->fd, SOL_SOCKET, SO_ERROR, &error, &length);
  if (error != 0) {
    DropConnection();
    Note("idle", "connecting to " + peer_ + " failed: " + SystemError(error));
    ReportLater(SystemError(error));
    return;
  }
  connecting_ = false;
  connection_->writable.setEnabled(false);
  connection_->readable.setEnabled(true);
  connect(&connection_->readable, &QSocketNotifier::activated, this, &TcpNetworkPort::OnReadable);
  Note("connected to " + peer_, "connected to " + peer_);
}

NetResult TcpNetworkPort::Listen(int port) {
  if (!TcpPortNumber(port)) return NetResult::Failed;
  Close();
  const sockaddr_in local = Address(htonl(acceptRemote_ ? INADDR_ANY : INADDR_LOOPBACK), static_cast<quint16>(port));
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int reuse = 1;
  if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
      ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || ::listen(fd, 1) != 0) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    Note("idle", "listening on " + AddressText(local) + " failed: " + SystemError(error));
    return NetResult::Failed;
  }
  server_ = std::make_unique<Socket>(fd, this);
  connect(&server_->readable, &QSocketNotifier::activated, this, &TcpNetworkPort::OnPeerKnocking);
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  Note("listening on " + AddressText(bound), "listening on " + AddressText(bound));
  return NetResult::Done;
}

// A peer reached the listening socket: listening ends, and that one
// connection is carried from now on. Peers still waiting are refused.
void TcpNetworkPort::OnPeerKnocking() {
  sockaddr_in remote{};
  socklen_t length = sizeof remote;
  const int fd = ::accept4(server_->fd, reinterpret_cast<sockaddr*>(&remote), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0 && (errno == EAGAIN || errno == EINTR)) return;
  const int error = errno;
  server_.reset();
  if (fd < 0) {
    Note("idle", "accepting failed: " + SystemError(error));
    ReportLater(SystemError(error));
    return;
  }
  connection_ = std::make_unique<Socket>(fd, this);
  connect(&connection_->readable, &QSocketNotifier::activated, this, &TcpNetworkPort::OnReadable);
  connect(&connection_->writable, &QSocketNotifier::activated, this, &TcpNetworkPort::Flush);
  peer_ = AddressText(remote);
  Note("connected to " + peer_, "accepted " + peer_);
}

// Everything that has arrived is read at once, so nothing piles up; only the
// chunk's first byte means anything to the device. The end of what the peer
// sends leaves the connection open for sending.
void TcpNetworkPort::OnReadable() {
  char chunk[ReadChunkBytes];
  const ssize_t n = ::recv(connection_->fd, chunk, sizeof chunk, 0);
  if (n > 0) {
    received_ += n;
    emit Traffic();
    emit ByteArrived(static_cast<quint8>(chunk[0]));
    return;
  }
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
  const int error = n < 0 ? errno : 0;
  if (error == 0) {
    connection_->readable.setEnabled(false);
    Note("closed by peer " + peer_, peer_ + " has finished sending");
  } else if (error == ECONNRESET) {
    DropConnection();
    Note("idle", peer_ + " closed the connection");
  } else {
    DropConnection();
    Note("idle", "receiving failed: " + SystemError(error));
    ReportLater(SystemError(error));
  }
}

NetResult TcpNetworkPort::SendByte(Byte value) {
  if (!connection_ || connecting_) return NetResult::Failed;
  if (pending_.size() >= static_cast<std::size_t>(MaxPendingBytes)) return NetResult::Failed;  // the peer takes nothing
  pending_ += static_cast<char>(value);
  Flush();
  return NetResult::Done;
}

// Hands waiting bytes to the system; what it cannot take yet waits for a
// writable socket. A peer that has gone is no failure worth a message.
void TcpNetworkPort::Flush() {
  if (connecting_) return OnConnectFinished();
  while (!pending_.empty()) {
    const ssize_t n = ::send(connection_->fd, pending_.data(), pending_.size(), MSG_NOSIGNAL);
    if (n > 0) {
      sent_ += n;
      pending_.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    const int error = errno;
    if (error == EAGAIN) break;
    DropConnection();
    if (error == EPIPE || error == ECONNRESET) {
      Note("idle", peer_ + " closed the connection");
    } else {
      Note("idle", "sending failed: " + SystemError(error));
      ReportLater(SystemError(error));
    }
    return;
  }
  connection_->writable.setEnabled(!pending_.empty());
  emit Traffic();
}

// Failures are passed on from the event loop, so that whoever called us
// finishes first and a message box never opens in the middle of a step.
void TcpNetworkPort::ReportLater(const QString& description) {
  QMetaObject::invokeMethod(
      this, [this, description] { emit ErrorOccurred(description); }, Qt::QueuedConnection);
}

}  // namespace zar
