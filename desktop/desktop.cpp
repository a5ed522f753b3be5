#include "desktop/desktop.h"

#include "debugger/debugger_window.h"
#include "devicewindows/history_window.h"
#include "devicewindows/network_window.h"
#include "devicewindows/screen_window.h"
#include "workbench/workbench_window.h"

namespace zar {

namespace {

void BringForward(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace

Desktop::Desktop(Dialogs& dialogs) : dialogs_(dialogs), main_(controller_, dialogs) {
  QObject::connect(&main_, &MainWindow::ScreenWindowRequested, &main_, [this] { ShowScreenWindow(); });
  QObject::connect(&main_, &MainWindow::HistoryWindowRequested, &main_, [this] { ShowHistoryWindow(); });
  QObject::connect(&main_, &MainWindow::WorkbenchRequested, &main_, [this] { ShowWorkbench(); });
  QObject::connect(&main_, &MainWindow::NetworkWindowRequested, &main_, [this] { ShowNetworkWindow(); });
  QObject::connect(&main_, &MainWindow::DebuggerWindowRequested, &main_, [this] { ShowDebuggerWindow(); });
}

Desktop::~Desktop() = default;

ScreenWindow& Desktop::ShowScreenWindow() {
  if (screenWindow_ == nullptr) screenWindow_ = new ScreenWindow(controller_, &main_);
  BringForward(*screenWindow_);
  return *screenWindow_;
}

HistoryWindow& Desktop::ShowHistoryWindow() {
  if (historyWindow_ == nullptr) historyWindow_ = new HistoryWindow(controller_, &main_);
  BringForward(*historyWindow_);
  return *historyWindow_;
}

NetworkWindow& Desktop::ShowNetworkWindow() {
  if (networkWindow_ == nullptr) networkWindow_ = new NetworkWindow(controller_, &main_);
  BringForward(*networkWindow_);
  return *networkWindow_;
}

DebuggerWindow& Desktop::ShowDebuggerWindow() {
  if (debuggerWindow_ == nullptr) debuggerWindow_ = new DebuggerWindow(controller_, &main_);
  BringForward(*debuggerWindow_);
  return *debuggerWindow_;
}

WorkbenchWindow& Desktop::ShowWorkbench() {
  if (workbench_.isNull()) {
    workbench_ = new WorkbenchWindow(controller_, dialogs_, &main_);
    workbench_->setWindowFlag(Qt::Window);
  }
  BringForward(*workbench_);
  return *workbench_;
}

}  // namespace zar
