#include "host/run_timer.h"

#include <algorithm>

#include "session/run_control.h"

namespace zar {

namespace {
// Beyond this many overdue ticks the backlog is dropped rather than run.
constexpr qint64 MaxCatchUp = 4;
}  // namespace

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
    if (timer_.isActive() && timer_.interval() == interval_) return;
    // The clock starts first, so that at every timeout at least as many
    // ticks are due as the timer has fired.
    clock_.start();
    ticksGiven_ = 0;
    timer_.start(interval_);
    ++schedule_;
  } else {
    timer_.stop();
  }
}

void RunTimer::OnTimeout() {
  const qint64 due = clock_.nsecsElapsed() / (qint64{interval_} * 1'000'000);
  ticksGiven_ = std::max(ticksGiven_, due - MaxCatchUp);
  if (paused_) {
    ticksGiven_ = due;
    return;
  }
  // A tick's step may stop the timer or start it afresh; then no more ticks
  // of this round are due.
  const int schedule = schedule_;
  while (ticksGiven_ < due && schedule == schedule_ && timer_.isActive()) {
    ++ticksGiven_;
    emit Tick();
  }
}

}  // namespace zar
