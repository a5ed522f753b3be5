// The main window's commands: run control, key field, fills, program files,
// the about box and the network device's events.
#include "frontpanel/about_box.h"
#include "frontpanel/main_window.h"
#include "frontpanel/memory_view.h"
#include "machine/program_file.h"
#include "machine/run_control.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"
#include "platform/qt_text.h"

namespace zar {

namespace {

const QString ProgramFilter = FileFilter("OISC Programme(*.OISC)", "*.oisc");

}  // namespace

void MainWindow::OnStep() {
  RunStep();
  view_->Flush();
}

void MainWindow::OnStop() {
  timer_.SetEnabled(false);
  view_->Flush();
}

void MainWindow::OnSpeedKey(const QString& textBeforeKey) {
  // A text that is no number, or a value the timer refuses, changes nothing.
  if (const auto ms = ParseIntervalText(textBeforeKey.toStdString())) timer_.SetInterval(*ms);
}

void MainWindow::OnKeyReleased(int code) {
  machine_.Memory[KeyCell] = static_cast<Byte>(code);
  view_->Redraw(machine_);
}

void MainWindow::OnFill(FillPattern pattern) {
  random_ = ClockSeededGenerator();
  FillMemory(machine_, pattern, random_);
  view_->Redraw(machine_);
}

void MainWindow::OnLoad() {
  const QString path = dialogs_.OpenFileName(this, ProgramFilter, dialogPath_);
  if (path.isEmpty()) return;
  dialogPath_ = path;
  ReadProgramFile(path);
  loadedProgramPath_ = path;
}

void MainWindow::OnSave() {
  const QString path = dialogs_.SaveFileName(this, ProgramFilter, dialogPath_);
  if (path.isEmpty()) return;
  dialogPath_ = path;
  if (const FileError error = SaveProgramFile(LocalPath(path), machine_.Memory)) {
    ShowMessage(QString::fromStdString(*error));
  }
}

void MainWindow::OnResetMachine() {
  if (loadedProgramPath_.isEmpty()) return;
  ReadProgramFile(loadedProgramPath_);
  timer_.SetEnabled(false);
}

// Reads the file's first 256 lines into memory, leaving the cells of bad or
// missing lines, and restarts at address 0. A file that cannot be read at all
// is reported and changes no cell.
void MainWindow::ReadProgramFile(const QString& path) {
  if (const FileError error = LoadProgramFile(LocalPath(path), machine_.Memory)) {
    ShowMessage(QString::fromStdString(*error));
  }
  machine_.IP = 0;
  view_->Redraw(machine_);
}

void MainWindow::OnInfo() { ShowMessage(AboutText()); }

void MainWindow::OnNetworkByte(quint8 value) { machine_.Memory[NetDataCell] = value; }

void MainWindow::OnNetworkError(const QString& description) {
  // A program that reconnects every step would otherwise pile up boxes.
  if (networkMessageOpen_) return;
  networkMessageOpen_ = true;
  ShowMessage(description);
  networkMessageOpen_ = false;
}

void MainWindow::ShowMessage(const QString& text) { dialogs_.ShowMessage(this, text); }

}  // namespace zar
