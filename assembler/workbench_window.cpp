#include "assembler/workbench_window.h"

#include <QAction>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenuBar>

#include "assembler/child_windows.h"
#include "assembler/scanner.h"
#include "assembler/source_file.h"
#include "assembler/workbench_layout.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"
#include "platform/qt_text.h"
#include "platform/text_area.h"
#include "platform/twips.h"

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

WorkbenchWindow::WorkbenchWindow(AssemblerState& assembler, WorkbenchMachine& machine, Dialogs& dialogs,
                                 QWidget* parent)
    : QMainWindow(parent), assembler_(assembler), machine_(machine), dialogs_(dialogs) {
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
  assembler_.Table.Clear();
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
  assemble->addAction("Generate", this, [this] { Generate(false, false); })->setObjectName("mcreateonly");
  assemble->addAction("Generate and Copy", this, [this] { Generate(false, true); })->setObjectName("mcreatecopy");
  assemble->addAction("Generate and Start", this, [this] { Generate(true, true); })->setObjectName("mrun");
  debug_ = assemble->addAction("Debug Modus");
  debug_->setObjectName("mdbg");
  debug_->setCheckable(true);
  debug_->setChecked(true);
}

void WorkbenchWindow::Generate(bool start, bool copy) {
  const GenerateFlags flags{.debug = debug_->isChecked(), .start = start, .copy = copy};
  Assemble(SourceBytes(), assembler_, machine_.TheMachine(), flags, *this);
}

std::string WorkbenchWindow::SourceBytes() const { return ToCp1252(source_->Text().WholeText()); }

void WorkbenchWindow::Message(std::string_view text) { dialogs_.ShowMessage(this, FromCp1252(text)); }
void WorkbenchWindow::ShowTableText(std::string_view text) { table_->Text().SetWholeText(FromCp1252(text)); }
void WorkbenchWindow::ShowListingText(std::string_view text) { output_->Text().SetWholeText(FromCp1252(text)); }
void WorkbenchWindow::StopMachine() { machine_.StopMachine(); }
void WorkbenchWindow::MachineLoaded() { machine_.MachineLoaded(); }
void WorkbenchWindow::StartMachine() { machine_.StartMachine(); }

void WorkbenchWindow::OnLoad() {
  const QString path = dialogs_.OpenFileName(this, SourceFilter, dialogPath_);
  if (path.isEmpty()) return;
  dialogPath_ = path;
  std::string bytes;
  if (const FileError error = LoadSourceFile(LocalPath(path), bytes)) {
    dialogs_.ShowMessage(this, QString::fromStdString(*error));
    return;
  }
  const QString text = FromCp1252(bytes);
  lineBreak_ = text.contains("\r\n") || !text.contains('\n') ? "\r\n" : "\n";
  source_->Text().SetWholeText(text);
  ShowFileName(path);
  table_->Text().SetWholeText({});
  output_->Text().SetWholeText({});
  ScanSource(SourceBytes(), assembler_.Table, *this);
}

void WorkbenchWindow::OnSaveAs() {
  const QString path = dialogs_.SaveFileName(this, SourceFilter, dialogPath_);
  if (path.isEmpty()) return;
  dialogPath_ = path;
  QString text = source_->Text().WholeText();
  text.replace('\n', lineBreak_);
  if (const FileError error = SaveSourceFile(LocalPath(path), ToCp1252(text))) {
    dialogs_.ShowMessage(this, QString::fromStdString(*error));
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
