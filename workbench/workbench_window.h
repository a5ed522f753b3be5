#pragma once

#include <QMainWindow>
#include <QString>

#include "assembler/generator.h"
#include "assembler/stage_report.h"

class QAction;
class QMdiArea;

namespace zar {

class AssemblerChildWindow;
class Dialogs;
class MachineController;

// The assembler workbench ("MDIForm1"): the source, the internal table and the
// listing in three child windows; its menus load and save sources and run the
// assembler's stages through the controller, which owns the table and the
// code image. Closing it discards it; the next one starts afresh.
class WorkbenchWindow : public QMainWindow {
  Q_OBJECT

 public:
  WorkbenchWindow(MachineController& controller, Dialogs& dialogs, QWidget* parent = nullptr);

  AssemblerChildWindow& SourceWindow() { return *source_; }
  AssemblerChildWindow& TableWindow() { return *table_; }
  AssemblerChildWindow& OutputWindow() { return *output_; }

  // The three generate commands.
  void Generate(GenerateMode mode);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // The window system frames a new window after it was shown; the move that
  // follows brings the outer size the layout is computed from.
  void moveEvent(QMoveEvent* event) override;

 private:
  class CommandMessages;
  // A stage's messages, then the text it leaves in its window.
  void Report(const StageReport& report, AssemblerChildWindow& window, CommandMessages& messages);
  void BuildMenus();
  void LayOutChildren();
  void OnLoad();
  void OnSaveAs();
  void ShowFileName(const QString& path);
  std::string SourceBytes() const;

  MachineController& controller_;
  Dialogs& dialogs_;
  QMdiArea* area_;
  AssemblerChildWindow* source_;
  AssemblerChildWindow* table_;
  AssemblerChildWindow* output_;
  QAction* debug_ = nullptr;
  QString dialogPath_;           // the dialog opens on the name chosen last
  QString lineBreak_ = "\r\n";   // how the loaded file ended its lines
};

}  // namespace zar
