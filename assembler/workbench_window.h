#pragma once

#include <QMainWindow>
#include <QString>

#include "assembler/assemble.h"
#include "assembler/assembler_host.h"

class QAction;
class QMdiArea;

namespace zar {

class AssemblerChildWindow;
class Dialogs;

// What the workbench asks of the machine when generated code goes into it.
class WorkbenchMachine {
 public:
  virtual ~WorkbenchMachine() = default;
  virtual Machine& TheMachine() = 0;
  virtual void StopMachine() = 0;    // the run timer stops
  virtual void MachineLoaded() = 0;  // memory holds the program: redraw
  virtual void StartMachine() = 0;   // the run timer starts
};

// The assembler workbench ("MDIForm1"): the source, the internal table and the
// listing in three child windows; its menus load and save sources and run the
// assembler. Closing it discards it; the next one starts afresh.
class WorkbenchWindow : public QMainWindow, private AssemblerHost {
  Q_OBJECT

 public:
  WorkbenchWindow(AssemblerState& assembler, WorkbenchMachine& machine, Dialogs& dialogs, QWidget* parent = nullptr);

  AssemblerChildWindow& SourceWindow() { return *source_; }
  AssemblerChildWindow& TableWindow() { return *table_; }
  AssemblerChildWindow& OutputWindow() { return *output_; }

  // The three generate commands.
  void Generate(bool start, bool copy);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // What the assembler stages report.
  void Message(std::string_view text) override;
  void ShowTableText(std::string_view text) override;
  void ShowListingText(std::string_view text) override;
  void StopMachine() override;
  void MachineLoaded() override;
  void StartMachine() override;

  void BuildMenus();
  void LayOutChildren();
  void OnLoad();
  void OnSaveAs();
  void ShowFileName(const QString& path);
  std::string SourceBytes() const;

  AssemblerState& assembler_;
  WorkbenchMachine& machine_;
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
