#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>

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

// A TCP port on 127.0.0.1 that nobody listens on right now.
inline quint16 FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

}  // namespace zar::test
