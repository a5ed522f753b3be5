#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "devices/network_device.h"

namespace zar {

// What a TcpPort tells its owner. Each call comes from inside one of the
// port's functions, so none of them may call back into the port except
// TakeErrors.
class TcpPortEvents {
 public:
  virtual ~TcpPortEvents() = default;
  // The descriptor is to be watched for reading and for writing as given;
  // neither means it is no longer watched, and it may be closed right after.
  virtual void WatchChanged(int /*fd*/, bool /*read*/, bool /*write*/) {}
  // The first byte of a chunk of arriving data; the rest of the chunk is gone.
  virtual void ByteArrived(Byte /*firstByte*/) {}
  // An event went into the log; the state may have changed with it.
  virtual void Logged(const std::string& /*line*/) {}
  // Bytes were sent or received.
  virtual void Traffic() {}
  // A failure waits in TakeErrors. The owner passes it on once the call that
  // found it has returned, never inside it.
  virtual void ErrorQueued() {}
};

// The network device's socket: one TCP connection at a time, made by
// connecting or by listening for the first peer, or none at all. Every call
// returns at once. The port owns no event loop: its owner watches the
// descriptors it asks for (WatchChanged, or Watches before each wait) and
// calls OnReadable and OnWritable when they are ready.
//
// Listening stops with the first peer, so no further one is accepted until
// the next Listen. A peer that shuts down its sending side still receives
// what the machine sends until it closes or the connection fails. Whatever a
// peer sends is drained as it arrives, at most ReadChunkBytes at a time, so a
// flooding peer is throttled by TCP instead of filling memory; of each chunk
// only the first byte is reported.
class TcpPort final : public NetworkPort {
 public:
  static constexpr std::size_t ReadChunkBytes = 64 * 1024;
  // The most bytes waiting to be sent; beyond it a send fails.
  static constexpr std::size_t MaxPendingBytes = 64 * 1024;
  // The log keeps this many of the last events.
  static constexpr std::size_t LogLines = 200;

  struct Watch {
    int fd;
    bool read;
    bool write;
  };

  explicit TcpPort(TcpPortEvents& events);
  // Closes whatever is held without a word to the owner.
  ~TcpPort() override;
  TcpPort(const TcpPort&) = delete;
  TcpPort& operator=(const TcpPort&) = delete;

  // Ends listening, a connection attempt or a connection, whichever is held.
  // Bytes already sent are handed to the system before the connection ends.
  void Close() override;
  // Closes what was held and starts connecting to the numeric address and
  // port. A failure found by the system arrives later through TakeErrors.
  NetResult Connect(const std::string& host, int port) override;
  // Closes what was held and listens on the port, on 127.0.0.1 or, when
  // connections from other computers are accepted, on every IPv4 address.
  // Fails when the port cannot be bound, for example when it is in use.
  NetResult Listen(int port) override;
  // Sends one byte on the connection. Fails when there is no connection (the
  // log says so) or MaxPendingBytes wait already.
  NetResult SendByte(Byte value) override;

  void SetAcceptRemote(bool accept) { acceptRemote_ = accept; }

  // The descriptors to watch now (at most one).
  std::vector<Watch> Watches() const;
  // A watched descriptor is ready; calls for descriptors or directions not
  // watched any more are ignored.
  void OnReadable(int fd);
  void OnWritable(int fd);
  // The failures found since the last call, oldest first, in the system's
  // words.
  std::vector<std::string> TakeErrors();

  // What the device is doing: "idle", "connecting to 10.0.0.2:80",
  // "listening on 127.0.0.1:2323", "connected to 127.0.0.1:40000",
  // "closed by peer 127.0.0.1:40000".
  const std::string& State() const { return state_; }
  std::int64_t BytesSent() const { return sent_; }
  std::int64_t BytesReceived() const { return received_; }
  // The last events, oldest first, each as "hh:mm:ss.zzz text".
  const std::deque<std::string>& Log() const { return log_; }

 private:
  // A non-blocking descriptor, or none (-1), and what it is watched for.
  struct Socket {
    int fd = -1;
    bool read = false;
    bool write = false;
  };

  void Want(Socket& socket, bool read, bool write);
  void Release(Socket& socket);
  void Note(const std::string& state, const std::string& event);
  void FinishConnect();
  void Accept();
  void Receive();
  void Flush();
  void DropConnection();
  void ReportLater(const std::string& description);

  TcpPortEvents* events_;
  TcpPortEvents quiet_;  // takes the events while the port is destroyed
  Socket server_;
  Socket connection_;
  bool connecting_ = false;
  bool acceptRemote_ = false;
  bool dropNoted_ = false;  // the last event logged is a byte dropped for want of a connection
  std::string peer_;        // "address:port" of the connection
  std::string state_ = "idle";
  std::deque<std::string> log_;
  std::string pending_;  // bytes waiting for room in the system's buffer
  std::vector<std::string> errors_;
  std::int64_t sent_ = 0;
  std::int64_t received_ = 0;
};

// One round of a poll() loop around the port alone: waits up to timeoutMs
// for its descriptors and hands it those that are ready.
void ServeTcpPort(TcpPort& port, int timeoutMs);

}  // namespace zar
