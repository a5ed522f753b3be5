#include "desktop/desktop.h"

#include <QApplication>
#include <QFileInfo>

#include "debugger/debugger_window.h"
#include "devicewindows/history_window.h"
#include "devicewindows/network_window.h"
#include "devicewindows/screen_window.h"
#include "formats/program_file.h"
#include "ui/app_info.h"
#include "ui/qt_text.h"
#include "workbench/workbench_window.h"

namespace zar {

namespace {

void BringForward(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace

Desktop::Desktop(Dialogs& dialogs, QSettings* settings)
    : dialogs_(dialogs), remembered_(settings), main_(controller_, dialogs, remembered_) {
  QApplication::setWindowIcon(ApplicationIcon());  // every window's, the boxes' too
  QObject::connect(&modals_, &ModalWatch::Changed, &controller_, &MachineController::SetPaused);
  QObject::connect(&main_, &MainWindow::ScreenWindowRequested, &main_, [this] { ShowScreenWindow(); });
  QObject::connect(&main_, &MainWindow::HistoryWindowRequested, &main_, [this] { ShowHistoryWindow(); });
  QObject::connect(&main_, &MainWindow::WorkbenchRequested, &main_, [this] { ShowWorkbench(); });
  QObject::connect(&main_, &MainWindow::NetworkWindowRequested, &main_, [this] { ShowNetworkWindow(); });
  QObject::connect(&main_, &MainWindow::DebuggerWindowRequested, &main_, [this] { ShowDebuggerWindow(); });
  QObject::connect(&main_, &MainWindow::ExampleRequested, &main_,
                   [this](const QString& path) { ShowWorkbench().OpenSource(path); });
}

Desktop::~Desktop() = default;

// The window, made on first use as a child of the main window, to the front.
template <typename Window, typename... Services>
Window& Desktop::ShowOnce(Window*& window, Services&... services) {
  if (window == nullptr) window = new Window(controller_, services..., &main_);
  BringForward(*window);
  return *window;
}

ScreenWindow& Desktop::ShowScreenWindow() { return ShowOnce(screenWindow_, dialogs_, remembered_); }
HistoryWindow& Desktop::ShowHistoryWindow() { return ShowOnce(historyWindow_); }
NetworkWindow& Desktop::ShowNetworkWindow() { return ShowOnce(networkWindow_); }
DebuggerWindow& Desktop::ShowDebuggerWindow() { return ShowOnce(debuggerWindow_); }

WorkbenchWindow& Desktop::ShowWorkbench() {
  if (workbench_.isNull()) {
    workbench_ = new WorkbenchWindow(assembler_, dialogs_, remembered_, &main_);
    workbench_->setWindowFlag(Qt::Window);
  }
  BringForward(*workbench_);
  return *workbench_;
}

// A file that cannot be read is reported as File > Load reports it. The
// recent files and Reset Machine keep the whole path. Only a regular file is
// judged by its content: a FIFO or a device is read once, without waiting, by
// the load its name asks for.
void Desktop::OpenFile(const QString& name) {
  const QString path = QFileInfo(name).absoluteFilePath();
  std::size_t cellLines = 1;  // goes by its name unless judged by content
  MemoryCells cells{};
  if (QFileInfo(path).isFile() && LoadProgramFile(LocalPath(path), cells, cellLines, WaitForPipes::No).Failed()) {
    cellLines = 1;
  }
  if (LooksLikeSource(LocalPath(path), cellLines)) {
    ShowWorkbench().OpenSource(path);
  } else {
    main_.LoadProgram(path);
  }
}

}  // namespace zar
