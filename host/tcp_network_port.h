#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <map>
#include <memory>
#include <string>

#include "devices/network_device.h"
#include "net/tcp_port.h"

class QSocketNotifier;

namespace zar {

// The network device's socket ("sock") on Qt's event loop: a TcpPort whose
// descriptors are watched by socket notifiers. Every call returns at once;
// whatever the network does later comes back as a signal on the
// user-interface thread.
class TcpNetworkPort : public QObject, public NetworkPort {
  Q_OBJECT

 public:
  static constexpr qint64 ReadChunkBytes = TcpPort::ReadChunkBytes;
  // The most bytes waiting to be sent; beyond it a send fails.
  static constexpr qsizetype MaxPendingBytes = TcpPort::MaxPendingBytes;
  // The log keeps this many of the last events.
  static constexpr qsizetype LogLines = TcpPort::LogLines;

  explicit TcpNetworkPort(QObject* parent = nullptr);
  ~TcpNetworkPort() override;

  // As TcpPort's: a failure the system finds later arrives as ErrorOccurred.
  void Close() override { port_.Close(); }
  NetResult Connect(const std::string& host, int port) override { return port_.Connect(host, port); }
  NetResult Listen(int port) override { return port_.Listen(port); }
  NetResult SendByte(Byte value) override { return port_.SendByte(value); }

  void SetAcceptRemote(bool accept) { port_.SetAcceptRemote(accept); }

  // What the device is doing: "idle", "connecting to 10.0.0.2:80",
  // "listening on 127.0.0.1:2323", "connected to 127.0.0.1:40000",
  // "closed by peer 127.0.0.1:40000".
  QString State() const { return QString::fromStdString(port_.State()); }
  qint64 BytesSent() const { return port_.BytesSent(); }
  qint64 BytesReceived() const { return port_.BytesReceived(); }
  // The last events, oldest first, each as "hh:mm:ss.zzz text".
  QStringList Log() const;

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
  class Relay;
  // The notifiers of one watched descriptor, children of this object.
  struct Notifiers {
    QSocketNotifier* readable;
    QSocketNotifier* writable;
  };

  void Watch(int fd, bool read, bool write);

  std::unique_ptr<Relay> relay_;
  std::map<int, Notifiers> notifiers_;
  TcpPort port_;
};

}  // namespace zar
