#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/network_device.h"
#include "session/scripted_input.h"

namespace zar::web {

// The network device's socket in the page. The page has no TCP of its own:
// the socket hands what the device asks for (connect, listen, send, close)
// to the route the learner chose in the worker (the peer panel, other tabs,
// a bridge to TCP), and takes the route's events back between slices of
// steps. The rules of the other end (a peer connects only to a program that
// listens or connects; bytes arrive only on a connection, their chunk's
// first byte alone reaching the data cell; after the peer closes, the
// program may still send) are the scripted peer's.
//
// Every connect or listen begins a new use of the socket with its own
// number; the route tags its events with the use they belong to, and events
// of an earlier use are dropped, since the program has moved on.
class PageSocket final : public NetworkPort {
 public:
  // What the route is to do, in order. Bytes sent in one go are one chunk.
  struct Request {
    enum class Kind { Close, Connect, Listen, Send };
    Kind kind;
    std::uint32_t use;
    std::string host;   // Connect
    int port = 0;       // Connect, Listen
    std::string bytes;  // Send
  };
  // The most bytes waiting for the route; beyond it a send fails.
  static constexpr std::size_t MaxPendingBytes = 64 * 1024;

  void Close() override;
  NetResult Connect(const std::string& host, int port) override;
  NetResult Listen(int port) override;
  NetResult SendByte(Byte value) override;

  // The route's events. Arrived gives the byte that reaches the data cell,
  // if the chunk reaches the machine at all.
  void Connected(std::uint32_t use, const std::string& peer);
  std::optional<Byte> Arrived(std::uint32_t use, const std::string& chunk);
  void PeerClosed(std::uint32_t use);
  // The route could not do what the use asked; the socket is idle again.
  // False when the failure came too late: the use is over.
  bool Failed(std::uint32_t use, const std::string& description);
  // The route was changed: whatever the socket held is gone, without a
  // request to the old route (the worker closes it).
  void Reset();

  // The requests since the last call, one a line:
  //   close USE | connect USE PORT HOST | listen USE PORT | send USE B1 B2 ...
  std::string TakeRequests();
  bool HasRequests() const { return !requests_.empty(); }
  // The events since the last call, one a line.
  std::string TakeLog();

  // "idle", "connecting to 127.0.0.1:2323", "listening on port 2323",
  // "connected to PEER", "closed by peer PEER".
  const std::string& State() const { return state_; }
  std::uint32_t Use() const { return use_; }
  std::int64_t BytesSent() const { return sent_; }
  std::int64_t BytesReceived() const { return received_; }

 private:
  bool Current(std::uint32_t use) const { return use == use_; }
  void Note(std::string state, const std::string& event);
  void Ask(Request request);

  ScriptedPeer rules_;
  std::uint32_t use_ = 0;
  bool held_ = false;  // connecting, listening or connected
  bool dropNoted_ = false;
  std::string target_;  // "host:port" or "port N" of the use
  std::string peer_;
  std::string state_ = "idle";
  std::vector<Request> requests_;
  std::size_t pending_ = 0;
  std::string log_;
  std::int64_t sent_ = 0;
  std::int64_t received_ = 0;
};

}  // namespace zar::web
