#include "workbench/workbench_window.h"

#include <QAction>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenuBar>

#include "controller/machine_controller.h"
#include "formats/source_file.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"
#include "platform/qt_text.h"
#include "platform/text_area.h"
#include "platform/twips.h"
#include "workbench/child_windows.h"
#include "workbench/workbench_layout.h"

namespace zar {

namespace {

constexpr int ClientWidth = 925;
constexpr int ClientHeight = 546;

const QString SourceFilter = FileFilter("OISC-Assembler(*.OIA)", "*.oia");

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
class WorkbenchWindow::CommandMessages {
 public:
  CommandMessages(Dialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}

  void Show(const QString& text) {
    if (shown_ < MessageBoxesShown) {
      ++shown_;
      dialogs_.ShowMessage(parent_, text);
    } else {
      heldBack_ << text;
    }
  }

  void Finish() {
    if (heldBack_.isEmpty()) return;
    dialogs_.ShowMessage(parent_, QString("%1 more messages of this command are in the details.").arg(heldBack_.size()),
                         heldBack_.join('\n'));
  }

 private:
  Dialogs& dialogs_;
  QWidget* parent_;
  int shown_ = 0;
  QStringList heldBack_;
};

WorkbenchWindow::WorkbenchWindow(MachineController& controller, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), controller_(controller), dialogs_(dialogs) {
  setObjectName("MDIForm1");
  setWindowTitle("ZAR Assembler");
  setAttribute(Qt::WA_DeleteOnClose);
  area_ = new QMdiArea(this);
  area_->setBackground(palette().brush(QPalette::Dark));
  setCentralWidget(area_);
  source_ = new AssemblerChildWindow("Form2", "SourceCode", false);
  table_ = new AssemblerChildWindow("Form3", "Internal Table", true);
  output_ = new AssemblerChildWindow("Form4", "Ausgabe", true);
  for (AssemblerChildWindow* child : {source_, table_, output_}) {
    area_->addSubWindow(child);
    child->show();
  }
  controller_.ClearTable();
  BuildMenus();
  resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
}

void WorkbenchWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu("File");
  file->setObjectName("mdat");
  QAction* load = file->addAction("Load", this, &WorkbenchWindow::OnLoad);
  load->setObjectName("mload");
  QAction* save = file->addAction("Save as", this, &WorkbenchWindow::OnSaveAs);
  save->setObjectName("msave");
  file->addSeparator()->setObjectName("mnone");
  QAction* close = file->addAction("Close", this, &QWidget::close);
  close->setObjectName("mclose");

  QMenu* assemble = menuBar()->addMenu("Assembler");
  assemble->setObjectName("mass");
  const auto addGenerate = [&](const QString& caption, const char* name, GenerateMode mode) {
    assemble->addAction(caption, this, [this, mode] { Generate(mode); })->setObjectName(name);
  };
  addGenerate("Generate", "mcreateonly", GenerateMode::ListingOnly);
  addGenerate("Generate and Copy", "mcreatecopy", GenerateMode::Copy);
  addGenerate("Generate and Start", "mrun", GenerateMode::CopyAndStart);
  debug_ = assemble->addAction("Debug Modus");
  debug_->setObjectName("mdbg");
  debug_->setCheckable(true);
  debug_->setChecked(true);
}

// Scan, place and generate, each stage whatever the one before reported. The
// listing is empty while the generation runs and stays so when it fails.
void WorkbenchWindow::Generate(GenerateMode mode) {
  CommandMessages messages(dialogs_, this);
  Report(controller_.ScanSource(SourceBytes()), *table_, messages);
  Report(controller_.AssignPositions(), *table_, messages);
  output_->Text().SetWholeText({});
  Report(controller_.GenerateCode({mode, debug_->isChecked()}), *output_, messages);
  messages.Finish();
}

void WorkbenchWindow::Report(const StageReport& report, AssemblerChildWindow& window, CommandMessages& messages) {
  for (const StageMessage& message : report.messages) messages.Show(FromCp1252(message.text));
  if (report.shown) window.Text().SetWholeText(FromCp1252(*report.shown));
}

std::string WorkbenchWindow::SourceBytes() const { return ToCp1252(source_->Text().WholeText()); }

void WorkbenchWindow::OnLoad() {
  const QString path = dialogs_.OpenFileName(this, SourceFilter, dialogPath_);
  if (path.isEmpty()) return;
  dialogPath_ = path;
  std::string bytes;
  if (const FileResult read = LoadSourceFile(LocalPath(path), bytes); read.Failed()) {
    dialogs_.ShowMessage(this, QString::fromStdString(read.Why()));
    return;
  }
  const bool lineFeedsAlone = bytes.find('\n') != std::string::npos && bytes.find("\r\n") == std::string::npos;
  lineBreak_ = lineFeedsAlone ? "\n" : "\r\n";
  source_->Text().SetWholeText(FromCp1252(SourceLines(bytes)));
  ShowFileName(path);
  table_->Text().SetWholeText({});
  output_->Text().SetWholeText({});
  CommandMessages messages(dialogs_, this);
  Report(controller_.ScanSource(SourceBytes()), *table_, messages);
  messages.Finish();
}

void WorkbenchWindow::OnSaveAs() {
  const QString path = dialogs_.SaveFileName(this, SourceFilter, dialogPath_);
  if (path.isEmpty()) return;
  dialogPath_ = path;
  QString text = source_->Text().WholeText();
  if (const auto line = FirstLineOutsideCp1252(text)) {
    const QString question = QString("Line %1 holds characters that code page 1252 cannot store; they would be "
                                     "saved as '?'. Save anyway?").arg(*line);
    if (!dialogs_.Confirm(this, question)) return;
  }
  text.replace('\n', lineBreak_);
  if (const FileResult written = SaveSourceFile(LocalPath(path), ToCp1252(text)); written.Failed()) {
    dialogs_.ShowMessage(this, QString::fromStdString(written.Why()));
    return;
  }
  ShowFileName(path);
}

void WorkbenchWindow::ShowFileName(const QString& path) {
  source_->setWindowTitle("Quelltext : " + QFileInfo(path).fileName());
}

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
