#pragma once

#include <QWidget>

class QTextBrowser;

namespace zar {

// A document of the docs folder rendered from Markdown, with its links
// followed inside the window. Modeless; it stays until its owner goes.
class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  HelpWindow(const QString& file, QWidget* parent = nullptr);

  QTextBrowser& Browser() { return *browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace zar
