// The main window's commands that need more than the controller: the speed
// field, program files with their dialogs, and the network device's errors.
#include "controller/machine_controller.h"
#include "frontpanel/main_window.h"
#include "ui/app_info.h"
#include "ui/dialogs.h"
#include "ui/qt_text.h"
#include "ui/remembered.h"
#include "session/run_control.h"

namespace zar {

namespace {

const QString ProgramFilter = FileFilter("OISC Programme(*.OISC)", "*.oisc");
}  // namespace

void MainWindow::OnSpeedKey(const QString& textBeforeKey) {
  // A text that is no number, or a value the timer refuses, changes nothing.
  if (const auto ms = ParseIntervalText(textBeforeKey.toStdString())) controller_.SetInterval(*ms);
}

void MainWindow::OnLoad() {
  const QString path = dialogs_.OpenFileName(this, ProgramFilter, dialogPath_);
  if (path.isEmpty()) return;
  dialogPath_ = path;
  remembered_.SetDialogChoice(ProgramDialog, path);
  LoadProgram(path);
}

void MainWindow::LoadProgram(const QString& path) {
  if (controller_.LoadProgram(LocalPath(path))) controller_.ClearOnLoad();
  loadedProgramPath_ = path;
}

void MainWindow::OnSave() {
  const QString path = dialogs_.SaveFileName(this, ProgramFilter, dialogPath_);
  if (path.isEmpty()) return;
  dialogPath_ = path;
  remembered_.SetDialogChoice(ProgramDialog, path);
  controller_.SaveProgram(LocalPath(path));
}

void MainWindow::OnResetMachine() {
  if (loadedProgramPath_.isEmpty()) return;
  controller_.LoadProgram(LocalPath(loadedProgramPath_));
  controller_.Stop();
}

// One box at a time: a failure while any box is open is dropped, so a
// program that reconnects every step cannot pile them up.
void MainWindow::OnNetworkFailed(const QString& description) {
  if (dialogs_.AnyOpen()) return;
  if (dialogs_.ShowNetworkError(description) == NetworkErrorChoice::StopMachine) controller_.Stop();
}

void MainWindow::ShowMessage(const QString& text) { dialogs_.ShowMessage(this, text); }

}  // namespace zar
