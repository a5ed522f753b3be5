#include "workbench/child_windows.h"

#include <QCloseEvent>
#include <QResizeEvent>

#include "workbench/workbench_layout.h"
#include "ui/app_info.h"
#include "widgets/text_area.h"
#include "ui/twips.h"

namespace zar {

AssemblerChildWindow::AssemblerChildWindow(const char* name, const QString& caption, TextArea* text, QWidget* parent)
    : QMdiSubWindow(parent) {
  setObjectName(name);
  setWindowTitle(caption);
  // The text area is placed by hand, not by the window's layout.
  auto* holder = new QWidget(this);
  setWidget(holder);
  if (text == nullptr) {
    text = new TextArea;
    text->setReadOnly(true);
  }
  text_ = text;
  text_->setParent(holder);
  text_->setObjectName("Text1");
  text_->setFont(FixedFont(9.75));
}

void AssemblerChildWindow::resizeEvent(QResizeEvent* event) {
  QMdiSubWindow::resizeEvent(event);
  const TwipRect area = TextAreaInChild(PixelsToTwips(width()), PixelsToTwips(height()));
  const int w = area.width > 0 ? TwipsToPixels(area.width) : text_->width();
  const int h = area.height > 0 ? TwipsToPixels(area.height) : text_->height();
  text_->setGeometry(0, 0, w, h);
}

void AssemblerChildWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

void AssemblerChildWindow::changeEvent(QEvent* event) {
  QMdiSubWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized()) raise();
}

}  // namespace zar
