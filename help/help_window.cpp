#include "help/help_window.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/data_folders.h"
#include "ui/remembered.h"

namespace zar {

QString HelpWindow::PageTitle(const QUrl& page) {
  const QString file = page.fileName();
  if (file == "language.md") return "ZAR Language Reference";
  if (file == "tutorial.md") return "ZAR Tutorial";
  return "ZAR Help : " + file;
}

HelpWindow::HelpWindow(const QString& file, Remembered& remembered, QWidget* parent)
    : QWidget(parent, Qt::Window), remembered_(remembered), browser_(new QTextBrowser(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  browser_->setOpenExternalLinks(true);
  setWindowTitle(PageTitle(QUrl::fromLocalFile(file)));
  connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& page) { setWindowTitle(PageTitle(page)); });
  const QString path = QDir(DocsFolder()).filePath(file);
  if (DocsFolder().isEmpty() || !QFileInfo(path).isFile()) {
    browser_->setPlainText("The help file " + file + " is not installed.");
  } else {
    browser_->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
  }
  resize(760, 640);
  if (const QByteArray place = remembered_.HelpGeometry(); !place.isEmpty()) restoreGeometry(place);
}

void HelpWindow::hideEvent(QHideEvent* event) {
  remembered_.SetHelpGeometry(saveGeometry());
  QWidget::hideEvent(event);
}

}  // namespace zar
