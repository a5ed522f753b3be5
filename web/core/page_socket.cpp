#include "web/core/page_socket.h"

#include <utility>

namespace zar::web {

void PageSocket::Note(std::string state, const std::string& event) {
  state_ = std::move(state);
  log_ += event;
  log_ += '\n';
  dropNoted_ = false;
}

void PageSocket::Ask(Request request) {
  if (request.kind == Request::Kind::Send && !requests_.empty()) {
    Request& last = requests_.back();
    if (last.kind == Request::Kind::Send && last.use == request.use) {
      last.bytes += request.bytes;
      return;
    }
  }
  requests_.push_back(std::move(request));
}

void PageSocket::Close() {
  rules_.Close();
  if (!held_) return;
  held_ = false;
  Ask({Request::Kind::Close, use_, {}, 0, {}});
  Note("idle", "closed");
}

NetResult PageSocket::Connect(const std::string& host, int port) {
  Close();
  if (port < 0 || port > 65535) return NetResult::Failed;
  rules_.Connect(host, port);
  held_ = true;
  target_ = host + ':' + std::to_string(port);
  Ask({Request::Kind::Connect, ++use_, host, port, {}});
  Note("connecting to " + target_, "connecting to " + target_);
  return NetResult::Done;
}

NetResult PageSocket::Listen(int port) {
  Close();
  if (port < 0 || port > 65535) return NetResult::Failed;
  rules_.Listen(port);
  held_ = true;
  target_ = "port " + std::to_string(port);
  Ask({Request::Kind::Listen, ++use_, {}, port, {}});
  Note("listening on " + target_, "listening on " + target_);
  return NetResult::Done;
}

NetResult PageSocket::SendByte(Byte value) {
  if (!rules_.Connected() || pending_ >= MaxPendingBytes) {
    if (!dropNoted_) {
      Note(state_, rules_.Connected() ? "a byte to send was dropped: too many wait"
                                      : "a byte to send was dropped: not connected");
      dropNoted_ = true;
    }
    return NetResult::Failed;
  }
  Ask({Request::Kind::Send, use_, {}, 0, std::string(1, static_cast<char>(value))});
  ++pending_;
  ++sent_;
  return NetResult::Done;
}

void PageSocket::Connected(std::uint32_t use, const std::string& peer) {
  if (!Current(use) || !held_ || rules_.Connected()) return;
  const bool accepted = rules_.Listening();
  rules_.PeerConnects();
  peer_ = peer;
  Note("connected to " + peer_, (accepted ? "accepted " : "connected to ") + peer_);
}

std::optional<Byte> PageSocket::Arrived(std::uint32_t use, const std::string& chunk) {
  if (!Current(use)) return std::nullopt;
  const std::optional<Byte> first = rules_.Arrive(chunk);
  if (first) received_ += static_cast<std::int64_t>(chunk.size());
  return first;
}

void PageSocket::PeerClosed(std::uint32_t use) {
  if (!Current(use) || !rules_.Connected()) return;
  rules_.PeerCloses();
  Note("closed by peer " + peer_, peer_ + " has finished sending");
}

bool PageSocket::Failed(std::uint32_t use, const std::string& description) {
  if (!Current(use) || !held_) return false;
  std::string event = peer_ + ": " + description;
  if (!rules_.Connected()) {
    event = (rules_.Listening() ? "listening on " : "connecting to ") + target_ + " failed: " + description;
  }
  rules_.Close();
  held_ = false;
  Note("idle", event);
  return true;
}

void PageSocket::Reset() {
  rules_.Close();
  if (held_) Note("idle", "closed");
  held_ = false;
  ++use_;
  requests_.clear();
  pending_ = 0;
}

std::string PageSocket::TakeRequests() {
  std::string out;
  for (const Request& r : requests_) {
    switch (r.kind) {
      case Request::Kind::Close:
        out += "close " + std::to_string(r.use);
        break;
      case Request::Kind::Connect:
        out += "connect " + std::to_string(r.use) + ' ' + std::to_string(r.port) + ' ' + r.host;
        break;
      case Request::Kind::Listen:
        out += "listen " + std::to_string(r.use) + ' ' + std::to_string(r.port);
        break;
      case Request::Kind::Send:
        out += "send " + std::to_string(r.use);
        for (const char c : r.bytes) out += ' ' + std::to_string(static_cast<Byte>(c));
        break;
    }
    out += '\n';
  }
  requests_.clear();
  pending_ = 0;
  return out;
}

std::string PageSocket::TakeLog() { return std::exchange(log_, {}); }

}  // namespace zar::web
