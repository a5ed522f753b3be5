#pragma once

#include <QMainWindow>
#include <QString>

#include <filesystem>
#include <string>

#include "assembler/generator.h"

class QAction;
class QMdiArea;
class QMenu;

namespace zar {

class AssemblerChildWindow;
class AssemblerController;
class CodeEditor;
class CourseMenu;
class ExercisePanel;
class Dialogs;
class MessagesWindow;
class Remembered;

// The assembler workbench ("MDIForm1"): the source, the internal table and the
// listing in three child windows, and the messages of the last command in a
// fourth; its menus load and save sources and run the assembler through its
// controller, which owns the table and the code image. A click in the
// editor's margin sets a breakpoint on a line; the controller puts it at the
// line's instruction after each generate command. Closing the window
// discards it; the next one starts afresh, with the same recent files.
class WorkbenchWindow : public QMainWindow {
  Q_OBJECT

 public:
  WorkbenchWindow(AssemblerController& assembler, Dialogs& dialogs, Remembered& remembered, QWidget* parent = nullptr);

  AssemblerChildWindow& SourceWindow() { return *source_; }
  AssemblerChildWindow& TableWindow() { return *table_; }
  AssemblerChildWindow& OutputWindow() { return *output_; }
  MessagesWindow& Messages() { return *messages_; }
  CodeEditor& Editor() { return *editor_; }
  ExercisePanel& ExerciseView() { return *exercise_; }
  CourseMenu& Course() { return *course_; }

  // The three generate commands.
  void Generate(GenerateMode mode);
  // Loads the source file as Load does, without a dialog.
  void LoadSource(const QString& path);
  // The same after asking about unsaved changes: Recent Files and Open
  // Example.
  void OpenSource(const QString& path);

  // Shows the exercise file's task and cases beside the source; a file that
  // cannot be read is reported. An exercise with a starter puts it into the
  // source window, after asking about unsaved changes; a cancel there opens
  // nothing.
  void OpenExercise(const QString& path);
  // Assembles the source as it is now, without touching the machine or the
  // table, and runs every case of the exercise on it.
  void CheckExercise();
  // The failed case's program, cells and timed inputs go into the machine,
  // stopped, for stepping through it.
  void LoadCase(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The child windows keep to the space the docked panel leaves.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // The window system frames a new window after it was shown; the move that
  // follows brings the outer size the layout is computed from.
  void moveEvent(QMoveEvent* event) override;
  // Unsaved changes are saved, discarded or keep the window open.
  void closeEvent(QCloseEvent* event) override;

 private:
  class CommandMessages;
  void BuildMenus();
  void BuildFileMenu();
  void BuildAssemblerMenu();
  void BuildExerciseMenu();
  void ListRecentFiles();
  void LayOutChildren();
  void OnLoad();
  // The starter's text as the source, with no file of its own, so that a
  // save asks where to put it; the table and the listing start empty, and
  // its unfinished lines say nothing until the first generate command.
  bool LoadStarter(const std::filesystem::path& starter);
  void ShowSource(const std::string& bytes, bool scan);
  bool OnSave();
  bool OnSaveAs();
  bool SaveSource(const QString& path);
  // True when the source may be replaced or closed: it has no unsaved
  // changes, or the user saved or discarded them.
  bool MaySetSourceAside();
  void ShowCaption();
  std::string SourceBytes() const;

  AssemblerController& assembler_;
  Dialogs& dialogs_;
  Remembered& remembered_;
  QMdiArea* area_;
  CodeEditor* editor_;
  AssemblerChildWindow* source_;
  AssemblerChildWindow* table_;
  AssemblerChildWindow* output_;
  MessagesWindow* messages_;
  ExercisePanel* exercise_;
  CourseMenu* course_ = nullptr;
  MemoryCells checked_{};  // the program the last check ran
  QAction* debug_ = nullptr;
  QAction* sourceInListing_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QString dialogPath_;          // the dialog opens on the name chosen last, at first in the last start's folder
  QString currentFile_;         // the file the source was loaded from or saved to
  QString lineBreak_ = "\r\n";  // how the loaded file ended its lines
};

}  // namespace zar
