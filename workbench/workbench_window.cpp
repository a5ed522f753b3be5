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

void Place(QWidget& window, const TwipRect& r) {
  const QRect now = window.geometry();
  window.setGeometry(TwipsToPixels(r.left), TwipsToPixels(r.top), r.width > 0 ? TwipsToPixels(r.width) : now.width(),
                     r.height > 0 ? TwipsToPixels(r.height) : now.height());
}

}  // namespace

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
  Report(controller_.ScanSource(SourceBytes()), *table_);
  Report(controller_.AssignPositions(), *table_);
  output_->Text().SetWholeText({});
  Report(controller_.GenerateCode({mode, debug_->isChecked()}), *output_);
}

void WorkbenchWindow::Report(const StageReport& report, AssemblerChildWindow& window) {
  for (const std::string& message : report.messages) dialogs_.ShowMessage(this, FromCp1252(message));
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
  Report(controller_.ScanSource(SourceBytes()), *table_);
}

void WorkbenchWindow::OnSaveAs() {
  const QString path = dialogs_.SaveFileName(this, SourceFilter, dialogPath_);
  if (path.isEmpty()) return;
  dialogPath_ = path;
  QString text = source_->Text().WholeText();
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
