#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace zar {

// The run timer: ticks exactly while enabled, at an interval of 1..65535 ms;
// an interval of 0 holds the ticks back while the timer stays enabled.
// Ticks are dropped while it is paused (a modal dialog or message box is
// open), so that a step never runs behind one.
//
// The ticks keep to the clock: a tick that comes late is followed at once by
// the ones that fell due meanwhile (a few at most), so that 1 ms gives close
// to a thousand ticks a second although each wake-up comes a little late.
class RunTimer : public QObject {
  Q_OBJECT

 public:
  explicit RunTimer(QObject* parent = nullptr);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  int Interval() const { return interval_; }
  // Refuses (returns false, interval unchanged) a value outside 0..65535.
  bool SetInterval(long long ms);

  // While paused the ticks that fall due are dropped, not caught up later.
  void SetPaused(bool paused) { paused_ = paused; }

  // Whether ticks are being delivered now.
  bool Ticking() const { return timer_.isActive(); }

 signals:
  void Tick();

 private:
  void Apply();
  void OnTimeout();

  QTimer timer_;
  QElapsedTimer clock_;    // since the ticks started at this interval
  qint64 ticksGiven_ = 0;  // ticks delivered since then
  int schedule_ = 0;       // changes whenever the ticks start afresh
  bool enabled_ = false;
  bool paused_ = false;
  int interval_;
};

}  // namespace zar
