#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <random>

#include "assembler/workbench_window.h"
#include "frontpanel/desktop_state.h"
#include "machine/fill.h"
#include "machine/machine_host.h"
#include "platform/run_timer.h"
#include "platform/tcp_network_port.h"

class QAction;
class QMenu;

namespace zar {

class ConsoleView;
class Dialogs;
class HistoryWindow;
class MemoryPicture;
class MemoryView;
class ScreenWindow;
class TextArea;

// The main window ("Form1"): the machine's front panel. It owns the run
// timer, the memory view, the console, the key field, the network socket and
// the menus, and opens every other window. Closing it ends the program.
class MainWindow : public QMainWindow, private MachineHost, private WorkbenchMachine {
  Q_OBJECT

 public:
  MainWindow(DesktopState& state, Dialogs& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // One step as the Step button and every timer tick perform it.
  void RunStep();
  // The Tools windows, created on first use; a second call brings the same
  // window forward.
  void ShowScreenWindow();
  void ShowHistoryWindow();
  WorkbenchWindow& ShowWorkbench();

  const QString& LoadedProgramPath() const { return loadedProgramPath_; }
  MemoryView& View() { return *view_; }
  RunTimer& Timer() { return timer_; }

 signals:
  // The window was closed: the program ends.
  void Closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The machine step's view of this window.
  void ConsoleOut(Byte code) override;
  void DrawMemory() override;
  void RefreshScreen() override;
  void CalcDrawHistory() override;

  // The assembler workbench's view of the machine.
  Machine& TheMachine() override { return machine_; }
  void StopMachine() override;
  void MachineLoaded() override;
  void StartMachine() override;

  void BuildControls();
  void BuildMenus();
  QAction* AddAction(QMenu* menu, const QString& caption, const char* name);
  void StartUp();

  void OnStep();
  void OnStop();
  void OnSpeedKey(const QString& textBeforeKey);
  void OnKeyReleased(int code);
  void OnFill(FillPattern pattern);
  void OnLoad();
  void OnSave();
  void OnResetMachine();
  void OnInfo();
  void OnNetworkByte(quint8 value);
  void OnNetworkError(const QString& description);

  void ReadProgramFile(const QString& path);
  void ShowMessage(const QString& text);
  HistoryWindow& EnsureHistoryWindow();
  void ShowToolWindow(QWidget& window);

  DesktopState& state_;
  Machine& machine_;
  Dialogs& dialogs_;
  RunTimer timer_;
  TcpNetworkPort sock_;
  std::mt19937 random_;
  QString loadedProgramPath_;
  QString dialogPath_;  // the file dialog opens on the path chosen last
  bool networkMessageOpen_ = false;

  MemoryPicture* picture_ = nullptr;
  TextArea* memoryText_ = nullptr;
  ConsoleView* console_ = nullptr;
  MemoryView* view_ = nullptr;
  ScreenWindow* screenWindow_ = nullptr;
  HistoryWindow* historyWindow_ = nullptr;
  QPointer<WorkbenchWindow> workbench_;  // gone once closed
};

}  // namespace zar
