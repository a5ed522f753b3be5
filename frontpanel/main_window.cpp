#include "frontpanel/main_window.h"

#include <QCloseEvent>

#include <functional>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>

#include "controller/machine_controller.h"
#include "frontpanel/input_fields.h"
#include "frontpanel/memory_view.h"
#include "frontpanel/about_box.h"
#include "help/help_menu.h"
#include "ui/app_info.h"
#include "widgets/console_view.h"
#include "ui/mnemonics.h"
#include "ui/qt_text.h"
#include "ui/remembered.h"
#include "widgets/text_area.h"
#include "ui/twips.h"

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

MainWindow::MainWindow(MachineController& controller, Dialogs& dialogs, Remembered& remembered, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowCloseButtonHint),
      controller_(controller),
      dialogs_(dialogs),
      remembered_(remembered),
      dialogPath_(remembered.DialogFolder(ProgramDialog, {})),
      consoleText_(controller.Console()) {
  setObjectName("Form1");
  setWindowTitle("OISC ZAR by " + AuthorName);
  BuildControls();
  BuildMenus();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  Subscribe();
  // The machine starts with random memory at address 0, shown at once.
  loadedProgramPath_.clear();
  controller_.Fill(FillPattern::Random);
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
  console_ = Place(new ConsoleView(consoleText_, client), "cbox", 2640, 4440, 11775, 2055);
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

  connect(start, &QPushButton::clicked, &controller_, &MachineController::Start);
  connect(stop, &QPushButton::clicked, &controller_, &MachineController::Stop);
  connect(step, &QPushButton::clicked, &controller_, &MachineController::Step);
  connect(clear, &QPushButton::clicked, &controller_, &MachineController::ClearConsole);
  connect(speed, &SpeedField::TextBeforeKey, this, &MainWindow::OnSpeedKey);
  connect(keys, &KeyField::KeyReleased, &controller_, &MachineController::KeyReleased);
  connect(picture_, &MemoryPicture::Clicked, this, [this] { view_->Redraw(controller_.State()); });
}

// The views follow the machine: the memory view and the console after
// steps, and at once after a change from outside.
void MainWindow::Subscribe() {
  connect(&controller_, &MachineController::Stepped, this, [this] {
    view_->DrawMemory(controller_.State());
    console_->Follow();
  });
  connect(&controller_, &MachineController::MemoryReplaced, view_, [this] { view_->Redraw(controller_.State()); });
  connect(&controller_, &MachineController::Settled, view_, &MemoryView::Flush);
  connect(&controller_, &MachineController::StateReplaced, this, [this] {
    view_->Redraw(controller_.State());
    console_->Follow();
  });
  connect(&controller_, &MachineController::BreakpointsChanged, picture_, [this] {
    std::array<bool, 256> breakpoints{};
    for (int cell = 0; cell < 256; ++cell) breakpoints[cell] = controller_.IsBreakpoint(static_cast<Byte>(cell));
    picture_->ShowBreakpoints(breakpoints);
  });
  connect(picture_, &MemoryPicture::CellRightClicked, &controller_,
          [this](int cell) { controller_.ToggleBreakpoint(static_cast<Byte>(cell)); });
  connect(&controller_, &MachineController::FileFailed, this, &MainWindow::ShowMessage);
  connect(&controller_, &MachineController::RunFailed, this, &MainWindow::ShowMessage);
  connect(&controller_, &MachineController::NetworkFailed, this, &MainWindow::OnNetworkFailed);
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
  for (const FillEntry& entry :
       {FillEntry{"NULL", "fillNULL", FillPattern::Null}, FillEntry{"Ascending", "fillup", FillPattern::Ascending},
        FillEntry{"Descending", "filldown", FillPattern::Descending},
        FillEntry{"Random", "fillrnd", FillPattern::Random}}) {
    const FillPattern pattern = entry.pattern;
    connect(AddAction(fill, entry.caption, entry.name), &QAction::triggered, this,
            [this, pattern] { controller_.Fill(pattern); });
  }

  QMenu* tools = menuBar()->addMenu("Tools");
  tools->setObjectName("mtool");
  connect(AddAction(tools, "ZAR Assembler", "mzarass"), &QAction::triggered, this, &MainWindow::WorkbenchRequested);
  connect(AddAction(tools, "Screen Output", "msop"), &QAction::triggered, this, &MainWindow::ScreenWindowRequested);
  connect(AddAction(tools, "History", "mhist"), &QAction::triggered, this, &MainWindow::HistoryWindowRequested);
  connect(AddAction(tools, "Info", "minf"), &QAction::triggered, this, [this] { ShowMessage(AboutText()); });
  connect(AddAction(tools, "Forget Recent Files", "mforgetrecent"), &QAction::triggered, this,
          [this] { remembered_.ForgetRecentFiles(); });
  tools->addSeparator();
  connect(AddAction(tools, "Network", "mnet"), &QAction::triggered, this, &MainWindow::NetworkWindowRequested);
  QAction* enabled = AddAction(tools, "Network enabled", "mnetenabled");
  enabled->setCheckable(true);
  enabled->setChecked(true);
  connect(enabled, &QAction::toggled, &controller_, &MachineController::SetNetworkEnabled);
  QAction* remote = AddAction(tools, "Accept connections from other computers", "mnetremote");
  remote->setCheckable(true);
  connect(remote, &QAction::toggled, &controller_, &MachineController::SetAcceptRemote);
  BuildDebugMenu();
  AddHelpMenu(*this, remembered_, [this](const QString& path) { emit ExampleRequested(path); });
  AssignMnemonics(*menuBar());
}

// The debugger's menu, with the usual keys. While the key field has the
// focus every key goes to the machine instead, F-keys included.
void MainWindow::BuildDebugMenu() {
  QMenu* debug = menuBar()->addMenu("Debug");
  debug->setObjectName("mdebug");
  MachineController& c = controller_;
  const auto add = [&](const QString& caption, const char* name, QKeySequence key, std::function<void()> command) {
    QAction* action = AddAction(debug, caption, name);
    action->setShortcut(key);
    connect(action, &QAction::triggered, this, std::move(command));
    return action;
  };
  add("Run at Full Speed", "mfullspeed", Qt::Key_F5, [&c] { c.RunFullSpeed(); });
  add("Stop", "mdebugstop", Qt::SHIFT | Qt::Key_F5, [&c] { c.Stop(); });
  add("Step", "mdebugstep", Qt::Key_F10, [&c] { c.Step(); });
  add("Step Back", "mstepback", {}, [&c] {
    c.StepBack();
  })->setShortcuts({Qt::SHIFT | Qt::Key_F10, Qt::CTRL | Qt::Key_F10});
  add("Run Back", "mrunback", {}, [&c] { c.RunBack(); });
  add("Toggle Breakpoint at IP", "mbreak", Qt::Key_F9, [&c] { c.ToggleBreakpoint(c.State().IP); });
  add("Clear All Breakpoints and Watches", "mclearbreaks", {}, [&c] { c.ClearBreakpointsAndWatches(); });
  debug->addSeparator();
  QAction* fresh = AddAction(debug, "New Record on Load", "mnewrecord");
  fresh->setCheckable(true);
  connect(fresh, &QAction::toggled, &controller_, &MachineController::SetNewRecordOnLoad);
  connect(AddAction(debug, "Debugger", "mdebugger"), &QAction::triggered, this, &MainWindow::DebuggerWindowRequested);
}

// The Tools windows are this window's children and close with it; one that
// stays open (the workbench keeping unsaved changes) keeps the program open.
void MainWindow::closeEvent(QCloseEvent* event) {
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isWindow() && child->isVisible() && !child->close()) {
      event->ignore();
      return;
    }
  }
  event->accept();
  emit Closing();
}

}  // namespace zar
