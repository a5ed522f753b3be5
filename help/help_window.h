#pragma once

#include <QWidget>

class QTextBrowser;
class QUrl;

namespace zar {

class Remembered;

// A document of the docs folder rendered from Markdown, with its links
// followed inside the window; its title names the page shown. Modeless; it
// stays until its owner goes. It opens where a Help window was last closed.
class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  HelpWindow(const QString& file, Remembered& remembered, QWidget* parent = nullptr);

  QTextBrowser& Browser() { return *browser_; }

  // The title of a page of the docs folder.
  static QString PageTitle(const QUrl& page);

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  Remembered& remembered_;
  QTextBrowser* browser_;
};

}  // namespace zar
