#include "ui/modal_watch.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace zar {

ModalWatch::ModalWatch(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }

ModalWatch::~ModalWatch() { qApp->removeEventFilter(this); }

// The modal stack is brought up to date around the show and hide events, so
// the answer is looked at once the event has been handled. A dialog's own
// event loop runs the check as well.
bool ModalWatch::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->isWindow() && !checkPending_) {
    checkPending_ = true;
    QTimer::singleShot(0, this, &ModalWatch::Check);
  }
  return false;
}

void ModalWatch::Check() {
  checkPending_ = false;
  const bool open = QApplication::activeModalWidget() != nullptr;
  if (open == open_) return;
  open_ = open;
  emit Changed(open);
}

}  // namespace zar
