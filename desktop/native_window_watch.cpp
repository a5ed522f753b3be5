#include "desktop/native_window_watch.h"

#include <xcb/xproto.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace zar {

namespace {

// Closes the window whose native window went; if it stays open, it is shown
// in a new one.
void CloseLostWindow(QWidget* window) {
  if (window->close() || !window->isVisible()) return;
  window->hide();
  window->windowHandle()->destroy();
  window->show();
}

}  // namespace

NativeWindowWatch::NativeWindowWatch() { QCoreApplication::instance()->installNativeEventFilter(this); }

bool NativeWindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & ~0x80) != XCB_DESTROY_NOTIFY) return false;
  const auto destroyed = static_cast<WId>(static_cast<const xcb_destroy_notify_event_t*>(message)->window);
  for (QWidget* window : QApplication::topLevelWidgets()) {
    // internalWinId: no native window is made for asking.
    if (window->internalWinId() != destroyed || !window->isVisible()) continue;
    QTimer::singleShot(0, window, [lost = QPointer<QWidget>(window)] {
      if (lost) CloseLostWindow(lost);
    });
  }
  return false;
}

}  // namespace zar
