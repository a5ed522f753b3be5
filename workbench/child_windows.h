#pragma once

#include <QMdiSubWindow>

namespace zar {

class TextArea;

// One child window of the workbench, filled by a text area in the fixed
// font with both scroll bars, empty when created. The text area keeps to
// the window's outer size less the child frame. The window takes the text
// area it is given; without one, a read-only plain one.
class AssemblerChildWindow : public QMdiSubWindow {
  Q_OBJECT

 public:
  AssemblerChildWindow(const char* name, const QString& caption, TextArea* text = nullptr, QWidget* parent = nullptr);

  TextArea& Text() { return *text_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The three windows belong to the workbench: they can be resized and
  // minimised, but only go away with it.
  void closeEvent(QCloseEvent* event) override;
  // A minimised window comes to the front, so that the output window never
  // hides its title bar and restore button.
  void changeEvent(QEvent* event) override;

 private:
  TextArea* text_;
};

}  // namespace zar
