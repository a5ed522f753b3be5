#include "platform/run_timer.h"

#include <QApplication>

#include "machine/run_control.h"

namespace zar {

RunTimer::RunTimer(QObject* parent) : QObject(parent), interval_(DefaultInterval) {
  // A precise timer keeps 1 ms ticks close to a thousand a second.
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &RunTimer::OnTimeout);
}

void RunTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Apply();
}

bool RunTimer::SetInterval(long long ms) {
  if (!IsValidInterval(ms)) return false;
  interval_ = static_cast<int>(ms);
  Apply();
  return true;
}

void RunTimer::Apply() {
  // Qt fires a 0 ms timer continuously; here 0 means no ticks at all.
  if (enabled_ && interval_ > 0) {
    if (!timer_.isActive() || timer_.interval() != interval_) timer_.start(interval_);
  } else {
    timer_.stop();
  }
}

void RunTimer::OnTimeout() {
  if (QApplication::activeModalWidget() != nullptr) return;
  emit Tick();
}

}  // namespace zar
