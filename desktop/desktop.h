#pragma once

#include <QPointer>

#include "controller/assembler_controller.h"
#include "controller/machine_controller.h"
#include "desktop/native_window_watch.h"
#include "frontpanel/main_window.h"
#include "ui/modal_watch.h"
#include "ui/remembered.h"

class QSettings;

namespace zar {

class Dialogs;
class DebuggerWindow;
class HistoryWindow;
class NetworkWindow;
class ScreenWindow;
class WorkbenchWindow;

// The desktop program: the machine's and the assembler's controllers, the
// main window, and the Tools windows, each made on first use as a child of
// the main window and shown again on every later request. What it remembers
// from one start to the next goes to the settings given, if any.
class Desktop {
 public:
  explicit Desktop(Dialogs& dialogs, QSettings* settings = nullptr);
  ~Desktop();

  MachineController& Controller() { return controller_; }
  AssemblerController& Assembler() { return assembler_; }
  MainWindow& Main() { return main_; }

  ScreenWindow& ShowScreenWindow();
  HistoryWindow& ShowHistoryWindow();
  WorkbenchWindow& ShowWorkbench();
  NetworkWindow& ShowNetworkWindow();
  DebuggerWindow& ShowDebuggerWindow();

  // A file named on the command line, judged by its content as `zar run`
  // judges it: a program file goes into memory as File > Load puts it there,
  // a source into the workbench as its File > Load opens it.
  void OpenFile(const QString& path);

 private:
  template <typename Window, typename... Services>
  Window& ShowOnce(Window*& window, Services&... services);

  Dialogs& dialogs_;
  MachineController controller_;
  AssemblerController assembler_{controller_};
  ModalWatch modals_;  // pauses the machine while a modal dialog is open
  NativeWindowWatch nativeWindows_;
  Remembered remembered_;  // outlives the windows
  MainWindow main_;
  ScreenWindow* screenWindow_ = nullptr;
  HistoryWindow* historyWindow_ = nullptr;
  NetworkWindow* networkWindow_ = nullptr;
  DebuggerWindow* debuggerWindow_ = nullptr;
  QPointer<WorkbenchWindow> workbench_;  // gone once closed
};

}  // namespace zar
