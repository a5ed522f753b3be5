#include "net/tcp_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace zar {

namespace {

// Port numbers reach the system as they are; only values that no 16-bit port
// can hold are refused.
bool TcpPortNumber(int port) { return port >= 0 && port <= 65535; }

std::string SystemError(int error) { return std::strerror(error); }

std::string AddressText(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return std::string(text) + ':' + std::to_string(ntohs(address.sin_port));
}

sockaddr_in Address(in_addr_t host, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = host;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

// The local time as "hh:mm:ss.zzz".
std::string ClockText() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  ::localtime_r(&seconds, &local);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(ms));
  return text;
}

}  // namespace

TcpPort::TcpPort(TcpPortEvents& events) : events_(&events) {}

TcpPort::~TcpPort() {
  events_ = &quiet_;
  Close();
}

void TcpPort::Want(Socket& socket, bool read, bool write) {
  if (socket.read == read && socket.write == write) return;
  socket.read = read;
  socket.write = write;
  events_->WatchChanged(socket.fd, read, write);
}

void TcpPort::Release(Socket& socket) {
  if (socket.fd < 0) return;
  Want(socket, false, false);
  ::close(std::exchange(socket.fd, -1));
}

std::vector<TcpPort::Watch> TcpPort::Watches() const {
  std::vector<Watch> watches;
  for (const Socket* socket : {&server_, &connection_}) {
    if (socket->read || socket->write) watches.push_back({socket->fd, socket->read, socket->write});
  }
  return watches;
}

void TcpPort::Note(const std::string& state, const std::string& event) {
  state_ = state;
  dropNoted_ = false;
  if (log_.size() >= LogLines) log_.pop_front();
  log_.push_back(ClockText() + ' ' + event);
  events_->Logged(log_.back());
}

void TcpPort::Close() {
  const bool held = server_.fd >= 0 || connection_.fd >= 0;
  Release(server_);
  if (connection_.fd >= 0 && !connecting_) Flush();
  DropConnection();
  if (held) Note("idle", "closed");
}

void TcpPort::DropConnection() {
  Release(connection_);
  connecting_ = false;
  pending_.clear();
}

NetResult TcpPort::Connect(const std::string& host, int port) {
  if (!TcpPortNumber(port)) return NetResult::Failed;
  Close();
  in_addr_t address = 0;
  if (::inet_pton(AF_INET, host.c_str(), &address) != 1) return NetResult::Failed;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return NetResult::Failed;
  connection_.fd = fd;
  const sockaddr_in remote = Address(address, port);
  peer_ = AddressText(remote);
  connecting_ = true;
  Note("connecting to " + peer_, "connecting to " + peer_);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0 || errno == EINPROGRESS) {
    Want(connection_, false, true);  // the outcome arrives as a writable socket
    return NetResult::Done;
  }
  const std::string why = SystemError(errno);
  DropConnection();
  Note("idle", "connecting to " + peer_ + " failed: " + why);
  ReportLater(why);
  return NetResult::Failed;
}

void TcpPort::FinishConnect() {
  int error = 0;
  socklen_t length = sizeof error;
  ::getsockopt(connection_.fd, SOL_SOCKET, SO_ERROR, &error, &length);
  if (error != 0) {
    DropConnection();
    Note("idle", "connecting to " + peer_ + " failed: " + SystemError(error));
    ReportLater(SystemError(error));
    return;
  }
  connecting_ = false;
  Want(connection_, true, false);
  Note("connected to " + peer_, "connected to " + peer_);
}

NetResult TcpPort::Listen(int port) {
  if (!TcpPortNumber(port)) return NetResult::Failed;
  Close();
  const sockaddr_in local = Address(htonl(acceptRemote_ ? INADDR_ANY : INADDR_LOOPBACK), port);
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int reuse = 1;
  if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
      ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || ::listen(fd, 1) != 0) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    Note("idle", "listening on " + AddressText(local) + " failed: " + SystemError(error));
    return NetResult::Failed;
  }
  server_.fd = fd;
  Want(server_, true, false);
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  Note("listening on " + AddressText(bound), "listening on " + AddressText(bound));
  return NetResult::Done;
}

void TcpPort::OnReadable(int fd) {
  if (fd < 0) return;
  if (fd == server_.fd && server_.read) return Accept();
  if (fd == connection_.fd && connection_.read) Receive();
}

void TcpPort::OnWritable(int fd) {
  if (fd < 0 || fd != connection_.fd || !connection_.write) return;
  if (connecting_) return FinishConnect();
  Flush();
}

// A peer reached the listening socket: listening ends, and that one
// connection is carried from now on. Peers still waiting are refused.
void TcpPort::Accept() {
  sockaddr_in remote{};
  socklen_t length = sizeof remote;
  const int fd = ::accept4(server_.fd, reinterpret_cast<sockaddr*>(&remote), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0 && (errno == EAGAIN || errno == EINTR)) return;
  const int error = errno;
  Release(server_);
  if (fd < 0) {
    Note("idle", "accepting failed: " + SystemError(error));
    ReportLater(SystemError(error));
    return;
  }
  connection_.fd = fd;
  Want(connection_, true, false);
  peer_ = AddressText(remote);
  Note("connected to " + peer_, "accepted " + peer_);
}

// Everything that has arrived is read at once, so nothing piles up; only the
// chunk's first byte means anything to the device. The end of what the peer
// sends leaves the connection open for sending.
void TcpPort::Receive() {
  char chunk[ReadChunkBytes];
  const ssize_t n = ::recv(connection_.fd, chunk, sizeof chunk, 0);
  if (n > 0) {
    received_ += n;
    events_->Traffic();
    events_->ByteArrived(static_cast<Byte>(chunk[0]));
    return;
  }
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
  const int error = n < 0 ? errno : 0;
  if (error == 0) {
    Want(connection_, false, connection_.write);
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

// A byte sent before the connection is made, or after it ended, is lost: the
// log says so once for each row of such bytes, so that a program sending in a
// loop does not bury the other events.
NetResult TcpPort::SendByte(Byte value) {
  if (connection_.fd < 0 || connecting_) {
    if (!dropNoted_) Note(state_, "a byte to send was dropped: not connected");
    dropNoted_ = true;
    return NetResult::Failed;
  }
  if (pending_.size() >= MaxPendingBytes) return NetResult::Failed;
  pending_ += static_cast<char>(value);
  Flush();
  return NetResult::Done;
}

// Hands waiting bytes to the system; what it cannot take yet waits for a
// writable socket. A peer that has gone is no failure worth a message.
void TcpPort::Flush() {
  while (!pending_.empty()) {
    const ssize_t n = ::send(connection_.fd, pending_.data(), pending_.size(), MSG_NOSIGNAL);
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
  Want(connection_, connection_.read, !pending_.empty());
  events_->Traffic();
}

void TcpPort::ReportLater(const std::string& description) {
  errors_.push_back(description);
  events_->ErrorQueued();
}

std::vector<std::string> TcpPort::TakeErrors() { return std::exchange(errors_, {}); }

void ServeTcpPort(TcpPort& port, int timeoutMs) {
  std::vector<pollfd> fds;
  for (const TcpPort::Watch& w : port.Watches()) {
    fds.push_back({w.fd, static_cast<short>((w.read ? POLLIN : 0) | (w.write ? POLLOUT : 0)), 0});
  }
  if (::poll(fds.data(), fds.size(), timeoutMs) <= 0) return;
  // An error or hang-up is passed on as readiness: the port finds out which.
  for (const pollfd& f : fds) {
    if (f.revents & (POLLIN | POLLERR | POLLHUP)) port.OnReadable(f.fd);
    if (f.revents & (POLLOUT | POLLERR | POLLHUP)) port.OnWritable(f.fd);
  }
}

}  // namespace zar
