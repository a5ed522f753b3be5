#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace zar::test {

// Handles events until the condition holds or the time is up; returns the
// condition.
inline bool WaitFor(const std::function<bool()>& condition, int ms = 3000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return condition();
}

// Handles events for the given time.
inline void Linger(int ms) {
  WaitFor([] { return false; }, ms);
}

}  // namespace zar::test
