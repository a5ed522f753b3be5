#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <string>

#include "devices/network_device.h"

class QTcpSocket;

namespace zar {

class HandOverServer;

// The network device's socket: one QTcpSocket that serves, one use at a time,
// as a client connection, as the connection accepted while listening, or not
// at all. Every call returns at once; whatever the network does later comes
// back as a signal on the user-interface thread.
//
// Listening uses a QTcpServer that hands the first peer's connection over to
// that same socket and stops listening, so at most one connection exists and
// no further peer is accepted until the next Listen.
//
// Whatever a peer sends is drained as it arrives through a small read buffer,
// so a flooding peer is throttled by TCP instead of filling memory; of each
// chunk only the first byte is reported.
class TcpNetworkPort : public QObject, public NetworkPort {
  Q_OBJECT

 public:
  // The most arriving data held between two reads.
  static constexpr qint64 ReadBufferBytes = 64 * 1024;

  explicit TcpNetworkPort(QObject* parent = nullptr);
  ~TcpNetworkPort() override;

  // Ends listening, a connection attempt or a connection, whichever is held.
  // Bytes already sent are handed to the system before the connection ends.
  void Close() override;
  // Closes what was held and starts connecting to the numeric address and
  // port. A failure arrives later as ErrorOccurred.
  void Connect(const std::string& host, int port) override;
  // Closes what was held and listens on the port on every local IPv4 address.
  // Throws when the port cannot be bound, for example when it is in use.
  void Listen(int port) override;
  // Sends one byte on the connection. Throws when there is no connection.
  void SendByte(Byte value) override;

 signals:
  // The first byte of a chunk of arriving data; the rest of the chunk is gone.
  void ByteArrived(quint8 firstByte);
  // A failure the socket found after a call had returned, in the socket's own
  // words. Always delivered from the event loop, never inside a call.
  void ErrorOccurred(const QString& description);

 private:
  void TakeOverConnection(qintptr descriptor);
  void DrainArrivedData();
  void OnSocketError(QAbstractSocket::SocketError error);
  void OnAcceptError();
  void ReportLater(const QString& description);

  QTcpSocket* socket_;
  HandOverServer* server_;
};

}  // namespace zar
