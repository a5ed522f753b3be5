#pragma once

#include <QObject>

namespace zar {

// Tells when the first modal window (a message box, a file dialog) opens and
// when the last one closes, whoever opened it. It watches every window's
// showing and hiding from the application's event filter.
class ModalWatch : public QObject {
  Q_OBJECT

 public:
  explicit ModalWatch(QObject* parent = nullptr);
  ~ModalWatch() override;

  bool AnyOpen() const { return open_; }

 signals:
  void Changed(bool anyOpen);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Check();

  bool open_ = false;
  bool checkPending_ = false;
};

}  // namespace zar
