#pragma once

#include <QObject>
#include <QTimer>

namespace zar {

// The run timer: ticks exactly while enabled, at an interval of 1..65535 ms;
// an interval of 0 holds the ticks back while the timer stays enabled.
// Ticks are dropped while a modal dialog or message box is open, so that a
// step never runs behind one.
class RunTimer : public QObject {
  Q_OBJECT

 public:
  explicit RunTimer(QObject* parent = nullptr);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  int Interval() const { return interval_; }
  // Refuses (returns false, interval unchanged) a value outside 0..65535.
  bool SetInterval(long long ms);

  // Whether ticks are being delivered now.
  bool Ticking() const { return timer_.isActive(); }

 signals:
  void Tick();

 private:
  void Apply();
  void OnTimeout();

  QTimer timer_;
  bool enabled_ = false;
  int interval_;
};

}  // namespace zar
