#pragma once

#include <QAbstractNativeEventFilter>

namespace zar {

// Notices the window system destroying one of the program's windows from
// outside (what some window managers' kill does, or `xdotool windowclose`):
// the window is then closed as its close box closes it, so losing the main
// window ends the program. A window that stays open (its source is not
// saved and the user keeps it) gets a native window again.
class NativeWindowWatch : public QAbstractNativeEventFilter {
 public:
  NativeWindowWatch();

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
};

}  // namespace zar
