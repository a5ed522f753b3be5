#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zar::test {

inline sockaddr_in LoopbackAddress(std::uint16_t port, bool everyAddress = false) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(everyAddress ? INADDR_ANY : INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

inline std::uint16_t LocalPortOf(int fd) {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
  return ntohs(local.sin_port);
}

// The tests' end of a TCP connection on 127.0.0.1. Nothing blocks: the
// device's end makes progress only in the test's own loop, so the tests wait
// there (WaitFor) and ask the peer again each round.
class TestPeer {
 public:
  explicit TestPeer(int fd = -1, bool connected = false) : fd_(fd), connected_(connected) {}
  TestPeer(TestPeer&& other) noexcept { *this = std::move(other); }
  TestPeer& operator=(TestPeer&& other) noexcept {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    connected_ = other.connected_, ended_ = other.ended_, error_ = other.error_;
    received_ = std::move(other.received_);
    return *this;
  }
  ~TestPeer() { Close(); }

  // Starts connecting to 127.0.0.1:port.
  static TestPeer ConnectTo(std::uint16_t port) {
    TestPeer peer(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const sockaddr_in remote = LoopbackAddress(port);
    if (::connect(peer.fd_, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0 && errno != EINPROGRESS) {
      peer.error_ = errno;
    }
    return peer;
  }

  // Whether the connection has been made (and not failed while being made).
  bool Connected() {
    pollfd ready{fd_, POLLOUT, 0};
    if (connected_ || fd_ < 0 || error_ != 0 || ::poll(&ready, 1, 0) != 1) return connected_;
    socklen_t length = sizeof error_;
    ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error_, &length);
    return connected_ = error_ == 0;
  }
  // What ended the attempt or the connection, as errno; 0 while all is well.
  int Error() { return Received(), error_; }
  // Hands the system what it takes now; returns how many bytes that was.
  std::size_t Send(std::string_view bytes) {
    const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
  // Everything received so far.
  const std::string& Received() {
    char chunk[4096];
    while (!ended_ && Connected()) {
      const ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
      if (n < 0 && errno == EAGAIN) break;
      if (n > 0) received_.append(chunk, static_cast<std::size_t>(n));
      if (n < 0) error_ = errno;
      ended_ = n <= 0;
    }
    return received_;
  }
  // Whether the other end has finished sending, or the connection failed.
  bool Ended() { return Received(), ended_; }

  void ShutdownSending() { ::shutdown(fd_, SHUT_WR); }
  // Closes the connection; with reset, with a reset instead of an orderly end.
  void Close(bool reset = false) {
    const linger abort{1, 0};
    if (fd_ >= 0 && reset) ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  }
  bool Open() const { return fd_ >= 0; }
  std::uint16_t LocalPort() const { return LocalPortOf(fd_); }

 private:
  int fd_ = -1;
  bool connected_ = false, ended_ = false;
  int error_ = 0;
  std::string received_;
};

// A listening socket on a free port of 127.0.0.1 or of every address.
class TestListener {
 public:
  explicit TestListener(bool everyAddress = false) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
    const sockaddr_in local = LoopbackAddress(0, everyAddress);
    ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    ::listen(fd_, 8);
  }
  ~TestListener() { ::close(fd_); }
  TestListener(const TestListener&) = delete;
  TestListener& operator=(const TestListener&) = delete;

  std::uint16_t Port() const { return LocalPortOf(fd_); }
  // The next peer that has connected, if one has.
  std::optional<TestPeer> Accept() {
    const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    return fd < 0 ? std::nullopt : std::optional<TestPeer>(TestPeer(fd, true));
  }

 private:
  int fd_;
};

// A TCP port on 127.0.0.1 that nobody listens on right now.
inline std::uint16_t FreePort() { return TestListener().Port(); }

}  // namespace zar::test
