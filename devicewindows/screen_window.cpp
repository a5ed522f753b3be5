#include "devicewindows/screen_window.h"

#include <QAction>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <array>

#include "controller/machine_controller.h"
#include "ui/app_info.h"
#include "ui/dialogs.h"
#include "ui/qt_text.h"
#include "ui/remembered.h"

namespace zar {

namespace {

const QString PictureDialog = QStringLiteral("pictures");

// The surface is one pixel wider and taller than the store; that last row and
// column are never drawn and show the black background.
constexpr int SurfaceSize = ScreenSize + 1;

void PaintBlackBackground(QWidget& widget) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, Qt::black);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

// A colour value keeps red in its lowest byte, QImage's RGB32 keeps blue there.
QRgb ToQRgb(ColorValue c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }

}  // namespace

// The drawing surface "p1". It keeps the picture as a cached image and converts
// the store into it only when told that the store may have changed, and then
// only at the next paint, so a burst of commands costs one conversion.
class ScreenSurface : public QWidget {
 public:
  ScreenSurface(const ScreenBuffer& buffer, QWidget* parent)
      : QWidget(parent), buffer_(buffer), picture_(SurfaceSize, SurfaceSize, QImage::Format_RGB32) {
    setObjectName("p1");
    setGeometry(0, 0, SurfaceSize, SurfaceSize);
    PaintBlackBackground(*this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    picture_.fill(Qt::black);
  }

  void MarkStale() { stale_ = true; }

  // Converts the rows written since the last look and repaints just them.
  void FollowRows() {
    if (stale_) return update();
    int first = ScreenSize, last = -1;
    for (int y = 0; y < ScreenSize; ++y) {
      if (buffer_.RowVersion(y) == seen_[y]) continue;
      ConvertRow(y);
      first = std::min(first, y);
      last = y;
    }
    if (last >= 0) update(0, first, ScreenSize, last - first + 1);
  }

  const QImage& CurrentPicture() const {
    if (stale_) ConvertStore();
    return picture_;
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.drawImage(event->rect(), CurrentPicture(), event->rect());
  }

 private:
  void ConvertRow(int y) const {
    const ColorValue* element = buffer_.Row(y);
    auto* line = reinterpret_cast<QRgb*>(picture_.scanLine(y));
    for (int x = 0; x < ScreenSize; ++x) line[x] = ToQRgb(element[x]);
    seen_[y] = buffer_.RowVersion(y);
  }

  void ConvertStore() const {
    for (int y = 0; y < ScreenSize; ++y) ConvertRow(y);
    stale_ = false;
  }

  const ScreenBuffer& buffer_;
  // The cache is brought up to date from const readers too, hence mutable.
  mutable QImage picture_;
  mutable bool stale_ = true;
  mutable std::array<std::uint32_t, ScreenSize> seen_{};  // each row's version when last converted
};

ScreenWindow::ScreenWindow(MachineController& controller, Dialogs& dialogs, Remembered& remembered, QWidget* parent)
    : ScreenWindow(controller, dialogs, parent) {
  remembered_ = &remembered;
  picturePath_ = remembered.DialogFolder(PictureDialog, {});
}

ScreenWindow::ScreenWindow(MachineController& controller, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window),
      controller_(controller),
      dialogs_(dialogs),
      surface_(new ScreenSurface(controller.Screen().Buffer, this)) {
  setObjectName("Form6");
  setWindowTitle("Screen");
  setFixedSize(SurfaceSize, SurfaceSize);
  PaintBlackBackground(*this);
  // After steps only the rows written since are drawn again.
  connect(&controller, &MachineController::Stepped, this, [this] {
    if (isVisible()) surface_->FollowRows();
  });
  connect(&controller, &MachineController::StateReplaced, this, &ScreenWindow::RefreshScreen);

  // A right click anywhere on the window shows its actions.
  auto* save = new QAction("Save Picture...", this);
  save->setObjectName("msavepicture");
  addAction(save);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(save, &QAction::triggered, this, &ScreenWindow::OnSavePicture);
}

void ScreenWindow::OnSavePicture() {
  const QString path = dialogs_.SaveFileName(this, FileFilter("PNG Picture", "*.png"), picturePath_);
  if (path.isEmpty()) return;
  picturePath_ = path;
  if (remembered_ != nullptr) remembered_->SetDialogChoice(PictureDialog, path);
  controller_.SaveScreenPicture(LocalPath(path));
}

void ScreenWindow::RefreshScreen() {
  if (!isVisible()) return;
  surface_->MarkStale();
  surface_->update();
}

QImage ScreenWindow::Picture() const { return surface_->CurrentPicture(); }

// Commands given while the window was hidden changed the store without a
// refresh, so a window coming into view converts the store afresh.
void ScreenWindow::showEvent(QShowEvent* event) {
  surface_->MarkStale();
  QWidget::showEvent(event);
}

}  // namespace zar
