#include "help/help_menu.h"

#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "help/help_window.h"
#include "ui/data_folders.h"

namespace zar {

namespace {

// The help window of the file, made on first use as a child of the window.
void ShowHelp(QMainWindow& window, Remembered& remembered, const QString& file) {
  const QString name = "help:" + file;
  auto* help = window.findChild<HelpWindow*>(name, Qt::FindDirectChildrenOnly);
  if (help == nullptr) {
    help = new HelpWindow(file, remembered, &window);
    help->setObjectName(name);
  }
  help->show();
  help->raise();
  help->activateWindow();
}

// The entries are made anew each time the Help menu opens, from the folder.
void ListExamples(QMenu& menu, const std::function<void(const QString&)>& openExample) {
  menu.clear();
  const QDir folder(ExamplesFolder());
  const QStringList names = ExamplesFolder().isEmpty() ? QStringList()
                                                       : folder.entryList({"*.OIA", "*.oia"}, QDir::Files, QDir::Name);
  for (const QString& name : names) {
    const QString path = folder.filePath(name);
    menu.addAction(QString(name).replace('&', "&&"), &menu, [openExample, path] { openExample(path); });
  }
  menu.setEnabled(!names.isEmpty());
}

}  // namespace

void AddHelpMenu(QMainWindow& window, Remembered& remembered, std::function<void(const QString& path)> openExample) {
  QMenu* help = window.menuBar()->addMenu("Help");
  help->setObjectName("mhelp");
  help->addAction("Language Reference", &window,
                  [&window, &remembered] { ShowHelp(window, remembered, "language.md"); })
      ->setObjectName("mhelplanguage");
  help->addAction("Tutorial", &window, [&window, &remembered] { ShowHelp(window, remembered, "tutorial.md"); })
      ->setObjectName("mhelptutorial");
  QMenu* examples = help->addMenu("Open Example");
  examples->setObjectName("mexamples");
  QObject::connect(help, &QMenu::aboutToShow, examples,
                   [examples, openExample] { ListExamples(*examples, openExample); });
  ListExamples(*examples, openExample);
}

}  // namespace zar
