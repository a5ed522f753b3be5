#include "workbench/workbench_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenuBar>
#include <QTextDocument>

#include <algorithm>
#include <map>
#include <vector>

#include "assembler/scanner.h"
#include "controller/assembler_controller.h"
#include "controller/machine_controller.h"
#include "formats/source_file.h"
#include "help/help_menu.h"
#include "ui/app_info.h"
#include "widgets/code_editor.h"
#include "workbench/exercise_panel.h"
#include "ui/dialogs.h"
#include "ui/data_folders.h"
#include "ui/mnemonics.h"
#include "ui/qt_text.h"
#include "ui/remembered.h"
#include "ui/twips.h"
#include "workbench/child_windows.h"
#include "workbench/messages_window.h"
#include "workbench/source_highlighter.h"
#include "workbench/workbench_layout.h"

namespace zar {

namespace {

constexpr int ClientWidth = 925;
constexpr int ClientHeight = 546;

const QString SourceFilter = FileFilter("OISC-Assembler(*.OIA)", "*.oia");
const QString SourceDialog = QStringLiteral("sources");

// A command shows this many messages as boxes of their own.
constexpr int MessageBoxesShown = 10;

void Place(QWidget& window, const TwipRect& r) {
  const QRect now = window.geometry();
  window.setGeometry(TwipsToPixels(r.left), TwipsToPixels(r.top), r.width > 0 ? TwipsToPixels(r.width) : now.width(),
                     r.height > 0 ? TwipsToPixels(r.height) : now.height());
}

}  // namespace

// The messages of one command: the first ones in boxes as they come, the
// rest held back for one box at the end that counts them and lists them in
// its details, so that a source full of faults cannot lock the user out.
// A box shows its message's reason as its details. Warnings get no box. At
// the end all of them go to the Messages window and the editor's margin.
class WorkbenchWindow::CommandMessages {
 public:
  CommandMessages(Dialogs& dialogs, WorkbenchWindow* workbench) : dialogs_(dialogs), workbench_(workbench) {}

  void Show(const StageMessage& message) {
    all_.push_back(message);
    const QString text = FromCp1252(message.text);
    if (shown_ < MessageBoxesShown) {
      ++shown_;
      if (message.reason.empty()) {
        dialogs_.ShowMessage(workbench_, text);
      } else {
        dialogs_.ShowMessage(workbench_, text, FromCp1252(message.reason));
      }
    } else {
      heldBack_ << text;
    }
  }

  void Warn(const StageMessage& warning) { warnings_.push_back(warning); }

  void Take(const std::vector<StageMessage>& messages, const std::vector<StageMessage>& warnings) {
    for (const StageMessage& message : messages) Show(message);
    for (const StageMessage& warning : warnings) Warn(warning);
  }

  void Finish() {
    if (!heldBack_.isEmpty()) {
      dialogs_.ShowMessage(workbench_,
                           QString("%1 more messages of this command are in the details.").arg(heldBack_.size()),
                           heldBack_.join('\n'));
    }
    std::map<int, LineMark> marks;
    for (const StageMessage& warning : warnings_) {
      if (warning.line > 0) marks[warning.line] = LineMark::Warning;
    }
    for (const StageMessage& message : all_) {
      if (message.line > 0) marks[message.line] = LineMark::Error;
    }
    workbench_->Editor().SetLineMarks(marks);
    workbench_->Messages().ShowMessages(all_, warnings_);
  }

 private:
  Dialogs& dialogs_;
  WorkbenchWindow* workbench_;
  int shown_ = 0;
  QStringList heldBack_;
  std::vector<StageMessage> all_;
  std::vector<StageMessage> warnings_;
};

WorkbenchWindow::WorkbenchWindow(AssemblerController& assembler, Dialogs& dialogs, Remembered& remembered,
                                 QWidget* parent)
    : QMainWindow(parent),
      assembler_(assembler),
      dialogs_(dialogs),
      remembered_(remembered),
      dialogPath_(remembered.DialogFolder(SourceDialog, ExamplesFolder())) {
  setObjectName("MDIForm1");
  setWindowTitle("ZAR Assembler");
  setAttribute(Qt::WA_DeleteOnClose);
  area_ = new QMdiArea(this);
  area_->setBackground(palette().brush(QPalette::Dark));
  setCentralWidget(area_);
  editor_ = new CodeEditor;
  new SourceHighlighter(editor_->document());
  source_ = new AssemblerChildWindow("Form2", "SourceCode", editor_);
  table_ = new AssemblerChildWindow("Form3", "Internal Table");
  output_ = new AssemblerChildWindow("Form4", "Ausgabe");
  for (AssemblerChildWindow* child : {source_, table_, output_}) {
    area_->addSubWindow(child);
    child->show();
  }
  messages_ = new MessagesWindow;
  area_->addSubWindow(messages_);
  messages_->hide();
  connect(messages_, &MessagesWindow::LineChosen, editor_, &CodeEditor::GoToLine);
  exercise_ = new ExercisePanel(this);
  addDockWidget(Qt::RightDockWidgetArea, exercise_);
  exercise_->hide();
  connect(exercise_, &ExercisePanel::FailedCaseChosen, this, &WorkbenchWindow::LoadCase);
  connect(editor_->document(), &QTextDocument::modificationChanged, this, &WorkbenchWindow::ShowCaption);
  connect(editor_, &CodeEditor::BreakpointToggled, this,
          [this] { assembler_.SetLineBreakpoints(editor_->BreakpointLines()); });
  connect(&assembler_, &AssemblerController::LineBreakpointsCleared, editor_, &CodeEditor::ClearBreakpoints);
  assembler_.ClearTable();
  BuildMenus();
  resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
}

void WorkbenchWindow::BuildMenus() {
  BuildFileMenu();
  BuildAssemblerMenu();
  BuildExerciseMenu();
  AddHelpMenu(*this, remembered_, [this](const QString& path) { OpenSource(path); });
  AssignMnemonics(*menuBar());
}

void WorkbenchWindow::BuildFileMenu() {
  QMenu* file = menuBar()->addMenu("File");
  file->setObjectName("mdat");
  QAction* load = file->addAction("Load", QKeySequence::Open, this, &WorkbenchWindow::OnLoad);
  load->setObjectName("mload");
  file->addAction("Save", QKeySequence::Save, this, &WorkbenchWindow::OnSave)->setObjectName("msavefile");
  QAction* save = file->addAction("Save as", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                                  &WorkbenchWindow::OnSaveAs);
  save->setObjectName("msave");
  recentMenu_ = file->addMenu("Recent Files");
  recentMenu_->setObjectName("mrecent");
  connect(file, &QMenu::aboutToShow, this, &WorkbenchWindow::ListRecentFiles);
  ListRecentFiles();
  file->addSeparator()->setObjectName("mnone");
  QAction* close = file->addAction("Close", this, &QWidget::close);
  close->setObjectName("mclose");
}

void WorkbenchWindow::BuildAssemblerMenu() {
  QMenu* assemble = menuBar()->addMenu("Assembler");
  assemble->setObjectName("mass");
  const auto addGenerate = [&](const QString& caption, const char* name, GenerateMode mode, QKeySequence keys) {
    assemble->addAction(caption, keys, this, [this, mode] { Generate(mode); })->setObjectName(name);
  };
  addGenerate("Generate", "mcreateonly", GenerateMode::ListingOnly, Qt::Key_F7);
  addGenerate("Generate and Copy", "mcreatecopy", GenerateMode::Copy, Qt::CTRL | Qt::Key_F7);
  addGenerate("Generate and Start", "mrun", GenerateMode::CopyAndStart, Qt::Key_F5);
  debug_ = assemble->addAction("Debug Modus");
  debug_->setObjectName("mdbg");
  debug_->setCheckable(true);
  debug_->setChecked(true);
  sourceInListing_ = assemble->addAction("Show Source in Listing");
  sourceInListing_->setObjectName("msrclisting");
  sourceInListing_->setCheckable(true);
}

void WorkbenchWindow::BuildExerciseMenu() {
  QMenu* menu = menuBar()->addMenu("Exercise");
  menu->setObjectName("mexercise");
  menu->addAction(
          "Open Exercise...", this,
          [this] {
    const QString path = dialogs_.OpenFileName(this, "Exercises (*.json)", ExercisesFolder());
    if (!path.isEmpty()) OpenExercise(path);
          })
      ->setObjectName("mopenexercise");
  menu->addAction("Check", QKeySequence(Qt::CTRL | Qt::Key_T), this, &WorkbenchWindow::CheckExercise)
      ->setObjectName("mcheck");
}

void WorkbenchWindow::OpenExercise(const QString& path) {
  zar::Exercise exercise;
  std::string error;
  if (!LoadExercise(LocalPath(path), exercise, error, WaitForPipes::No)) {
    dialogs_.ShowMessage(this, QString::fromStdString(error));
    return;
  }
  exercise_->SetExercise(std::move(exercise));
  exercise_->show();
}

void WorkbenchWindow::CheckExercise() {
  if (!exercise_->HasExercise()) {
    dialogs_.ShowMessage(this, "Open an exercise first (Exercise > Open Exercise...).");
    return;
  }
  AssemblerState state;
  const Assembly assembly = Assemble(SourceLines(SourceBytes()), state, {GenerateMode::Copy, false});
  if (!assembly.generated) {
    const QString first = assembly.messages.empty() ? "" : ": " + FromCp1252(assembly.messages.front().text);
    exercise_->ShowFailure("FAIL: the source does not assemble" + first);
    return;
  }
  std::copy_n(state.Image.begin(), checked_.size(), checked_.begin());
  std::vector<CaseResult> results;
  for (const ExerciseCase& c : exercise_->Current().cases) results.push_back(CheckCase(c, checked_));
  exercise_->ShowResults(results);
}

void WorkbenchWindow::LoadCase(int index) {
  const ExerciseCase& c = exercise_->Current().cases.at(static_cast<std::size_t>(index));
  MachineController& machine = assembler_.Machine();
  MemoryCells image = checked_;
  for (const auto& [cell, value] : c.cells) image[cell] = value;
  machine.CopyIntoMemory(image, false);
  machine.SetTimedInputs(c.inputs);
}

// The entries are made anew each time the File menu opens.
void WorkbenchWindow::ListRecentFiles() {
  recentMenu_->clear();
  const QStringList paths = remembered_.RecentFiles();
  recentMenu_->setEnabled(!paths.isEmpty());
  for (qsizetype i = 0; i < paths.size(); ++i) {
    const QString path = paths[i];
    QString caption = QString("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path).replace('&', "&&"));
    recentMenu_->addAction(caption, this, [this, path] { OpenSource(path); });
  }
}

// Scan, place and generate, each stage on whatever the one before left. The
// table window keeps its text when no stage got as far as showing the table
// (a shown table is never empty: it has its header line); the listing is
// empty when generation failed. The breakpoints go with their lines, which
// edits may have moved.
void WorkbenchWindow::Generate(GenerateMode mode) {
  const std::string source = SourceBytes();
  GenerateOptions options{mode, debug_->isChecked()};
  const std::vector<std::string_view> lines = SourceLineViews(source);
  if (sourceInListing_->isChecked()) options.source = lines;
  assembler_.SetLineBreakpoints(editor_->BreakpointLines());
  const Assembly assembly = assembler_.Assemble(source, options);
  if (!assembly.table.empty()) table_->Text().SetWholeText(FromCp1252(assembly.table));
  output_->Text().SetWholeText(FromCp1252(assembly.listing));
  CommandMessages messages(dialogs_, this);
  messages.Take(assembly.messages, assembly.warnings);
  messages.Finish();
}

std::string WorkbenchWindow::SourceBytes() const { return ToCp1252(editor_->WholeText()); }

void WorkbenchWindow::OnLoad() {
  if (!MaySetSourceAside()) return;
  const QString path = dialogs_.OpenFileName(this, SourceFilter, dialogPath_);
  if (path.isEmpty()) return;
  dialogPath_ = path;
  remembered_.SetDialogChoice(SourceDialog, path);
  LoadSource(path);
}

void WorkbenchWindow::LoadSource(const QString& path) {
  std::string bytes;
  if (const FileResult read = LoadSourceFile(LocalPath(path), bytes, WaitForPipes::No); read.Failed()) {
    dialogs_.ShowMessage(this, QString::fromStdString(read.Why()));
    return;
  }
  const bool lineFeedsAlone = bytes.find('\n') != std::string::npos && bytes.find("\r\n") == std::string::npos;
  lineBreak_ = lineFeedsAlone ? "\n" : "\r\n";
  editor_->SetWholeText(FromCp1252(SourceLines(bytes)));
  editor_->document()->setModified(false);
  currentFile_ = path;
  remembered_.AddRecentFile(path);
  ShowCaption();
  table_->Text().SetWholeText({});
  output_->Text().SetWholeText({});
  const StageReport scan = assembler_.Scan(SourceBytes());
  if (scan.shown) table_->Text().SetWholeText(FromCp1252(*scan.shown));
  CommandMessages messages(dialogs_, this);
  messages.Take(scan.messages, scan.warnings);
  messages.Finish();
}

void WorkbenchWindow::OpenSource(const QString& path) {
  if (MaySetSourceAside()) LoadSource(path);
}

bool WorkbenchWindow::OnSave() { return currentFile_.isEmpty() ? OnSaveAs() : SaveSource(currentFile_); }

bool WorkbenchWindow::OnSaveAs() {
  const QString path = dialogs_.SaveFileName(this, SourceFilter, dialogPath_);
  if (path.isEmpty()) return false;
  dialogPath_ = path;
  remembered_.SetDialogChoice(SourceDialog, path);
  return SaveSource(path);
}

bool WorkbenchWindow::SaveSource(const QString& path) {
  QString text = editor_->WholeText();
  if (const auto line = FirstLineOutsideCp1252(text)) {
    const QString question = QString(
                                 "Line %1 holds characters that code page 1252 cannot store; they would be "
                                 "saved as '?'. Save anyway?")
                                 .arg(*line);
    if (!dialogs_.Confirm(this, question)) return false;
  }
  text.replace('\n', lineBreak_);
  if (const FileResult written = SaveSourceFile(LocalPath(path), ToCp1252(text), WaitForPipes::No); written.Failed()) {
    dialogs_.ShowMessage(this, QString::fromStdString(written.Why()));
    return false;
  }
  currentFile_ = path;
  remembered_.AddRecentFile(path);
  editor_->document()->setModified(false);
  ShowCaption();
  return true;
}

bool WorkbenchWindow::MaySetSourceAside() {
  if (!editor_->document()->isModified()) return true;
  const QString question = currentFile_.isEmpty() ? "Save changes?"
                                                  : "Save changes to " + QFileInfo(currentFile_).fileName() + "?";
  switch (dialogs_.AskToSave(this, question)) {
    case SaveChoice::Save:
      return OnSave();
    case SaveChoice::Discard:
      return true;
    case SaveChoice::Cancel:
      break;
  }
  return false;
}

// "SourceCode" until a file was loaded or saved, then "Quelltext : " and its
// name; an asterisk after it while there are unsaved changes.
void WorkbenchWindow::ShowCaption() {
  QString caption = currentFile_.isEmpty() ? "SourceCode" : "Quelltext : " + QFileInfo(currentFile_).fileName();
  if (editor_->document()->isModified()) caption += '*';
  source_->setWindowTitle(caption);
}

void WorkbenchWindow::closeEvent(QCloseEvent* event) { event->setAccepted(MaySetSourceAside()); }

void WorkbenchWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  LayOutChildren();
}

void WorkbenchWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  LayOutChildren();
}

void WorkbenchWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LayOutChildren();
}

void WorkbenchWindow::LayOutChildren() {
  const QSize outer = frameGeometry().size();
  const WorkbenchLayout layout = LayOutWorkbench(PixelsToTwips(outer.width()), PixelsToTwips(outer.height()));
  Place(*source_, layout.source);
  Place(*table_, layout.table);
  Place(*output_, layout.output);
}

}  // namespace zar
