#pragma once

#include <QMainWindow>
#include <QString>

#include "frontpanel/console_store_text.h"
#include "machine/fill.h"

class QAction;
class QMenu;

namespace zar {

class ConsoleView;
class Dialogs;
class MachineController;
class MemoryPicture;
class MemoryView;
class Remembered;
class TextArea;

// The main window ("Form1"): the machine's front panel. It builds the memory
// view, the console, the buttons, the speed and key fields and the menus,
// passes their commands to the controller and follows its signals. The Tools
// windows are asked for by signal; closing this window ends the program.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(MachineController& controller, Dialogs& dialogs, Remembered& remembered, QWidget* parent = nullptr);
  ~MainWindow() override;

  const QString& LoadedProgramPath() const { return loadedProgramPath_; }
  // Loads the program file as File > Load does, without a dialog: another
  // program, so the breakpoints and watches go.
  void LoadProgram(const QString& path);
  MemoryView& View() { return *view_; }

 signals:
  void ScreenWindowRequested();
  void HistoryWindowRequested();
  void WorkbenchRequested();
  void NetworkWindowRequested();
  void DebuggerWindowRequested();
  // Help > Open Example chose this source for the workbench.
  void ExampleRequested(const QString& path);
  // The window was closed: the program ends.
  void Closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void BuildDebugMenu();
  void Subscribe();
  QAction* AddAction(QMenu* menu, const QString& caption, const char* name);

  void OnSpeedKey(const QString& textBeforeKey);
  void OnLoad();
  void OnSave();
  void OnResetMachine();
  void OnNetworkFailed(const QString& description);
  void ShowMessage(const QString& text);

  // The file dialog's name for Remembered.
  static constexpr const char* ProgramDialog = "programs";

  MachineController& controller_;
  Dialogs& dialogs_;
  Remembered& remembered_;
  QString loadedProgramPath_;
  QString dialogPath_;  // the file dialog opens on the path chosen last, at first in the folder of the last start

  MemoryPicture* picture_ = nullptr;
  TextArea* memoryText_ = nullptr;
  ConsoleStoreText consoleText_;  // the console store as the view reads it
  ConsoleView* console_ = nullptr;
  MemoryView* view_ = nullptr;
};

}  // namespace zar
