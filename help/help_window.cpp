#include "help/help_window.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/data_folders.h"

namespace zar {

HelpWindow::HelpWindow(const QString& file, QWidget* parent)
    : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  browser_->setOpenExternalLinks(true);
  const QString path = QDir(DocsFolder()).filePath(file);
  if (DocsFolder().isEmpty() || !QFileInfo(path).isFile()) {
    browser_->setPlainText("The help file " + file + " is not installed.");
  } else {
    browser_->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
  }
  resize(760, 640);
}

}  // namespace zar
