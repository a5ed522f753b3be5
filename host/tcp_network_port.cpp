#include "host/tcp_network_port.h"

#include <QMetaObject>
#include <QSocketNotifier>

namespace zar {

// Passes what the port tells as signals; failures wait for the event loop,
// so that whoever called the port finishes first and a message box never
// opens in the middle of a step.
class TcpNetworkPort::Relay final : public TcpPortEvents {
 public:
  explicit Relay(TcpNetworkPort& owner) : owner_(owner) {}

  void WatchChanged(int fd, bool read, bool write) override { owner_.Watch(fd, read, write); }
  void ByteArrived(Byte firstByte) override { emit owner_.ByteArrived(firstByte); }
  void Logged(const std::string& line) override { emit owner_.Happened(QString::fromLocal8Bit(line)); }
  void Traffic() override { emit owner_.Traffic(); }
  void ErrorQueued() override {
    for (const std::string& error : owner_.port_.TakeErrors()) {
      QMetaObject::invokeMethod(
          &owner_, [o = &owner_, text = QString::fromLocal8Bit(error)] { emit o->ErrorOccurred(text); },
          Qt::QueuedConnection);
    }
  }

 private:
  TcpNetworkPort& owner_;
};

TcpNetworkPort::TcpNetworkPort(QObject* parent)
    : QObject(parent), relay_(std::make_unique<Relay>(*this)), port_(*relay_) {
  setObjectName("sock");
}

TcpNetworkPort::~TcpNetworkPort() {
  blockSignals(true);
  port_.Close();
}

// A descriptor no longer watched may be closed right after and its number
// reused, so its notifiers are switched off at once; they may be delivering
// their signal right now, so they are deleted later.
void TcpNetworkPort::Watch(int fd, bool read, bool write) {
  auto it = notifiers_.find(fd);
  if (!read && !write) {
    if (it == notifiers_.end()) return;
    for (QSocketNotifier* n : {it->second.readable, it->second.writable}) {
      n->setEnabled(false);
      n->deleteLater();
    }
    notifiers_.erase(it);
    return;
  }
  if (it == notifiers_.end()) {
    auto* readable = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    auto* writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(readable, &QSocketNotifier::activated, this, [this, fd] { port_.OnReadable(fd); });
    connect(writable, &QSocketNotifier::activated, this, [this, fd] { port_.OnWritable(fd); });
    it = notifiers_.emplace(fd, Notifiers{readable, writable}).first;
  }
  it->second.readable->setEnabled(read);
  it->second.writable->setEnabled(write);
}

QStringList TcpNetworkPort::Log() const {
  QStringList lines;
  for (const std::string& line : port_.Log()) lines.append(QString::fromLocal8Bit(line));
  return lines;
}

}  // namespace zar
