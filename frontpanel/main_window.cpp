#include "frontpanel/main_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>

#include "devices/history_window.h"
#include "devices/screen_window.h"
#include "frontpanel/input_fields.h"
#include "frontpanel/memory_view.h"
#include "machine/machine_step.h"
#include "platform/app_info.h"
#include "platform/console_view.h"
#include "platform/qt_text.h"
#include "platform/text_area.h"
#include "platform/twips.h"

namespace zar {

namespace {

constexpr int ClientWidth = 970;
constexpr int ClientHeight = 439;

// Places a control by its design position, given in twips.
template <typename Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
  return widget;
}

// Widens a label that the font would cut off.
void FitWidth(QLabel* label) { label->resize(std::max(label->width(), label->sizeHint().width()), label->height()); }

}  // namespace

MainWindow::MainWindow(DesktopState& state, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowCloseButtonHint),
      state_(state),
      machine_(state.machine),
      dialogs_(dialogs),
      timer_(this),
      sock_(this) {
  setObjectName("Form1");
  setWindowTitle("OISC ZAR by " + AuthorName);
  timer_.setObjectName("Timer1");
  BuildControls();
  BuildMenus();
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  connect(&timer_, &RunTimer::Tick, this, &MainWindow::RunStep);
  connect(&sock_, &TcpNetworkPort::ByteArrived, this, &MainWindow::OnNetworkByte);
  connect(&sock_, &TcpNetworkPort::ErrorOccurred, this, &MainWindow::OnNetworkError);
  StartUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls() {
  auto* client = new QWidget(this);
  client->setFixedSize(ClientWidth, ClientHeight);
  client->setFont(ControlFont());
  setCentralWidget(client);

  picture_ = Place(new MemoryPicture(client), "p1", 0, 0, 2430, 2430);
  memoryText_ = Place(new TextArea(client), "rtb1", 2640, 0, 11775, 4335);
  memoryText_->setFont(FixedFont(8.25));
  memoryText_->setReadOnly(true);
  console_ = Place(new ConsoleView(client), "cbox", 2640, 4440, 11775, 2055);
  console_->setFont(FixedFont(9.75));
  view_ = new MemoryView(*picture_, *memoryText_, this);

  auto* start = Place(new QPushButton("Start", client), "Command1", 120, 3000, 855, 375);
  auto* step = Place(new QPushButton("Step", client), "Command3", 960, 3000, 615, 375);
  auto* stop = Place(new QPushButton("Stop", client), "Command2", 1560, 3000, 975, 375);
  FitWidth(Place(new QLabel("ms", client), "Label1", 360, 2520, 195, 195));
  auto* speed = Place(new SpeedField(client), "Text1", 840, 2520, 855, 285);
  speed->setText("50");
  FitWidth(Place(new QLabel("Enter Keys here:", client), "Label2", 240, 3480, 1170, 195));
  auto* keys = Place(new KeyField(client), "keyb", 120, 3720, 1935, 495);
  auto* clear = Place(new QPushButton("ClearCMD", client), "Command4", 1680, 6120, 855, 375);

  // The keyboard focus moves in the order of the design.
  const QList<QWidget*> tabOrder = {start, stop, picture_, step, memoryText_, speed, console_, clear, keys};
  for (int i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  connect(start, &QPushButton::clicked, this, [this] { timer_.SetEnabled(true); });
  connect(stop, &QPushButton::clicked, this, &MainWindow::OnStop);
  connect(step, &QPushButton::clicked, this, &MainWindow::OnStep);
  connect(clear, &QPushButton::clicked, console_, &ConsoleView::Clear);
  connect(speed, &SpeedField::TextBeforeKey, this, &MainWindow::OnSpeedKey);
  connect(keys, &KeyField::KeyReleased, this, &MainWindow::OnKeyReleased);
  connect(picture_, &MemoryPicture::Clicked, this, [this] { view_->Redraw(machine_); });
}

QAction* MainWindow::AddAction(QMenu* menu, const QString& caption, const char* name) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu("File");
  file->setObjectName("mendat");
  connect(AddAction(file, "Load", "menld"), &QAction::triggered, this, &MainWindow::OnLoad);
  connect(AddAction(file, "Save", "mensav"), &QAction::triggered, this, &MainWindow::OnSave);

  QMenu* reset = menuBar()->addMenu("Reset");
  reset->setObjectName("menres");
  connect(AddAction(reset, "Reset Machine", "resip"), &QAction::triggered, this, &MainWindow::OnResetMachine);

  QMenu* fill = menuBar()->addMenu("Fill");
  fill->setObjectName("fillopt");
  struct FillEntry {
    const char* caption;
    const char* name;
    FillPattern pattern;
  };
  for (const FillEntry& entry : {FillEntry{"NULL", "fillNULL", FillPattern::Null},
                                 FillEntry{"Ascending", "fillup", FillPattern::Ascending},
                                 FillEntry{"Descending", "filldown", FillPattern::Descending},
                                 FillEntry{"Random", "fillrnd", FillPattern::Random}}) {
    const FillPattern pattern = entry.pattern;
    connect(AddAction(fill, entry.caption, entry.name), &QAction::triggered, this, [this, pattern] { OnFill(pattern); });
  }

  QMenu* tools = menuBar()->addMenu("Tools");
  tools->setObjectName("mtool");
  connect(AddAction(tools, "ZAR Assembler", "mzarass"), &QAction::triggered, this, [this] { ShowWorkbench(); });
  connect(AddAction(tools, "Screen Output", "msop"), &QAction::triggered, this, &MainWindow::ShowScreenWindow);
  connect(AddAction(tools, "History", "mhist"), &QAction::triggered, this, &MainWindow::ShowHistoryWindow);
  connect(AddAction(tools, "Info", "minf"), &QAction::triggered, this, &MainWindow::OnInfo);
}

// The machine starts with random memory at address 0, shown at once.
void MainWindow::StartUp() {
  loadedProgramPath_.clear();
  OnFill(FillPattern::Random);
}

void MainWindow::RunStep() { MachineStep(machine_, state_.screen, sock_, *this); }

void MainWindow::ConsoleOut(Byte code) { console_->AppendCharacter(Cp1252Char(code)); }

void MainWindow::DrawMemory() { view_->DrawMemory(machine_); }

void MainWindow::RefreshScreen() {
  if (screenWindow_ != nullptr) screenWindow_->RefreshScreen();
}

void MainWindow::CalcDrawHistory() { EnsureHistoryWindow().CalcDrawHistory(); }

HistoryWindow& MainWindow::EnsureHistoryWindow() {
  if (historyWindow_ == nullptr) {
    historyWindow_ = new HistoryWindow(state_.history, machine_.Memory, this);
    historyWindow_->setWindowFlag(Qt::Window);
  }
  return *historyWindow_;
}

void MainWindow::ShowScreenWindow() {
  if (screenWindow_ == nullptr) {
    screenWindow_ = new ScreenWindow(state_.screen, this);
    screenWindow_->setWindowFlag(Qt::Window);
  }
  ShowToolWindow(*screenWindow_);
}

void MainWindow::ShowHistoryWindow() { ShowToolWindow(EnsureHistoryWindow()); }

WorkbenchWindow& MainWindow::ShowWorkbench() {
  if (workbench_.isNull()) {
    workbench_ = new WorkbenchWindow(state_.assembler, *this, dialogs_, this);
    workbench_->setWindowFlag(Qt::Window);
  }
  ShowToolWindow(*workbench_);
  return *workbench_;
}

void MainWindow::StopMachine() { timer_.SetEnabled(false); }
void MainWindow::MachineLoaded() { view_->Redraw(machine_); }
void MainWindow::StartMachine() { timer_.SetEnabled(true); }

void MainWindow::ShowToolWindow(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  for (QWidget* window : {static_cast<QWidget*>(screenWindow_), static_cast<QWidget*>(historyWindow_),
                          static_cast<QWidget*>(workbench_.data())}) {
    if (window != nullptr) window->close();
  }
  event->accept();
  emit Closing();
}

}  // namespace zar
