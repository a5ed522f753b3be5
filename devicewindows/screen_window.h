#pragma once

#include <QImage>
#include <QWidget>

#include "devices/screen_device.h"

namespace zar {

class Dialogs;
class MachineController;
class Remembered;
class ScreenSurface;

// The "Screen" window: a fixed 257 x 257 black client area whose drawing
// surface shows the screen device's store at one pixel per element. The store
// belongs to the device, not to the window; closing the window only hides it,
// and when it is shown again it paints whatever the store holds by then. Its
// context menu saves the store as a PNG picture ("Save Picture...").
class ScreenWindow : public QWidget {
  Q_OBJECT

 public:
  // The folder of the picture saved last goes to remembered, when given.
  ScreenWindow(MachineController& controller, Dialogs& dialogs, QWidget* parent = nullptr);
  ScreenWindow(MachineController& controller, Dialogs& dialogs, Remembered& remembered, QWidget* parent = nullptr);

  // After every screen command. While the window is hidden the store is
  // left alone (showing the window repaints it anyway); otherwise the surface
  // is told to repaint from the store, and Qt merges repaints that pile up.
  void RefreshScreen();

  // The 257 x 257 picture as the surface would paint it now.
  QImage Picture() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OnSavePicture();

  MachineController& controller_;
  Dialogs& dialogs_;
  Remembered* remembered_ = nullptr;
  ScreenSurface* surface_;
  QString picturePath_;  // the file dialog opens on the picture saved last, at first in the last start's folder
};

}  // namespace zar
