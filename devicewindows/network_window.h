#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace zar {

class MachineController;

// The "Network" window: what the network device is doing (idle, connecting,
// listening, connected, closed by peer, or why it is idle when switched
// off), the bytes it sent and received, and
// its last events with their times. It reads them from the controller when
// shown and follows its signals only while shown.
class NetworkWindow : public QWidget {
  Q_OBJECT

 public:
  explicit NetworkWindow(MachineController& controller, QWidget* parent = nullptr);

  QString StateText() const;
  // Why the device is idle, while it is switched off; else empty.
  QString IdleReason() const;
  QString LogText() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowState();
  void ShowTraffic();
  void AddEvent(const QString& line);

  MachineController& controller_;
  QLabel* state_;
  QLabel* why_;  // shown while the network is switched off
  QLabel* traffic_;
  QPlainTextEdit* log_;
};

}  // namespace zar
