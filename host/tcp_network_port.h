#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <string>

#include "devices/network_device.h"

class QSocketNotifier;

namespace zar {

// The network device's socket ("sock"): one TCP connection at a time, made
// by connecting or by listening for the first peer, or none at all. Every
// call returns at once; whatever the network does later comes back as a
// signal on the user-interface thread.
//
// Listening stops with the first peer, so no further one is accepted until
// the next Listen. A peer that shuts down its sending side still receives
// what the machine sends until it closes or the connection fails. Whatever a
// peer sends is drained as it arrives, at most ReadChunkBytes at a time, so a
// flooding peer is throttled by TCP instead of filling memory; of each chunk
// only the first byte is reported.
class TcpNetworkPort : public QObject, public NetworkPort {
  Q_OBJECT

 public:
  static constexpr qint64 ReadChunkBytes = 64 * 1024;
  // The most bytes waiting to be sent; beyond it a send fails.
  static constexpr qsizetype MaxPendingBytes = 64 * 1024;
  // The log keeps this many of the last events.
  static constexpr qsizetype LogLines = 200;

  explicit TcpNetworkPort(QObject* parent = nullptr);
  ~TcpNetworkPort() override;

  // Ends listening, a connection attempt or a connection, whichever is held.
  // Bytes already sent are handed to the system before the connection ends.
  void Close() override;
  // Closes what was held and starts connecting to the numeric address and
  // port. A failure arrives later as ErrorOccurred.
  NetResult Connect(const std::string& host, int port) override;
  // Closes what was held and listens on the port, on 127.0.0.1 or, when
  // connections from other computers are accepted, on every IPv4 address.
  // Fails when the port cannot be bound, for example when it is in use.
  NetResult Listen(int port) override;
  // Sends one byte on the connection. Fails when there is no connection.
  NetResult SendByte(Byte value) override;

  void SetAcceptRemote(bool accept) { acceptRemote_ = accept; }

  // What the device is doing: "idle", "connecting to 10.0.0.2:80",
  // "listening on 127.0.0.1:2323", "connected to 127.0.0.1:40000",
  // "closed by peer 127.0.0.1:40000".
  QString State() const { return state_; }
  qint64 BytesSent() const { return sent_; }
  qint64 BytesReceived() const { return received_; }
  // The last events, oldest first, each as "hh:mm:ss.zzz text".
  const QStringList& Log() const { return log_; }

 signals:
  // The first byte of a chunk of arriving data; the rest of the chunk is gone.
  void ByteArrived(quint8 firstByte);
  // A failure found after a call had returned, in the system's words. Always
  // delivered from the event loop, never inside a call.
  void ErrorOccurred(const QString& description);
  // An event went into the log; the state may have changed with it.
  void Happened(const QString& line);
  // Bytes were sent or received.
  void Traffic();

 private:
  struct Socket;

  void Note(const QString& state, const QString& event);
  void OnConnectFinished();
  void OnPeerKnocking();
  void OnReadable();
  void Flush();
  void DropConnection();
  void ReportLater(const QString& description);

  std::unique_ptr<Socket> server_;
  std::unique_ptr<Socket> connection_;
  bool connecting_ = false;
  bool acceptRemote_ = false;
  QString peer_;  // "address:port" of the connection
  QString state_ = "idle";
  QStringList log_;
  std::string pending_;  // bytes waiting for room in the system's buffer
  qint64 sent_ = 0;
  qint64 received_ = 0;
};

}  // namespace zar
