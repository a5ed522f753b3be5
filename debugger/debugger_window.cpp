#include "debugger/debugger_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

#include "assembler/number_text.h"
#include "controller/machine_controller.h"
#include "machine/instruction.h"
#include "session/run_words.h"

namespace zar {

namespace {

constexpr int TickMs = 250;

// A number as the assembler reads it: decimal, or &H hexadecimal.
std::optional<int> ReadNumber(const QString& text, int most) {
  const auto n = ReadWholeNumber(text.toStdString());
  if (!n || *n < 0 || *n > most) return std::nullopt;
  return static_cast<int>(*n);
}
}  // namespace

DebuggerWindow::DebuggerWindow(MachineController& controller, QWidget* parent)
    : QWidget(parent, Qt::Window),
      controller_(controller),
      state_(new QLabel(this)),
      steps_(new QLabel(this)),
      instruction_(new QLabel(this)),
      record_(new QLabel(this)),
      note_(new QLabel(this)),
      breakpoints_(new QListWidget(this)),
      address_(new QLineEdit(this)),
      value_(new QLineEdit(this)) {
  setObjectName("DebuggerWindow");
  setWindowTitle("Debugger");
  auto* layout = new QVBoxLayout(this);
  for (QLabel* label : {state_, steps_, instruction_, record_, note_}) layout->addWidget(label);
  layout->addWidget(new QLabel("Breakpoints and watches (double click removes one):", this));
  layout->addWidget(breakpoints_);
  auto* editor = new QFormLayout;
  editor->addRow("Cell or address:", address_);
  editor->addRow("Value:", value_);
  layout->addLayout(editor);
  auto* buttons = new QHBoxLayout;
  const auto button = [&](const QString& caption, auto command) {
    auto* b = new QPushButton(caption, this);
    connect(b, &QPushButton::clicked, this, command);
    buttons->addWidget(b);
  };
  button("Breakpoint", [this] { ToggleBreakpoint(address_->text()); });
  button("Watch", [this] { ToggleWatch(address_->text()); });
  button("Set Cell", [this] { SetCell(address_->text(), value_->text()); });
  button("Set IP", [this] { SetIP(value_->text()); });
  layout->addLayout(buttons);
  resize(460, 420);

  ticker_.setInterval(TickMs);
  connect(&ticker_, &QTimer::timeout, this, &DebuggerWindow::Refresh);
  for (const auto signal :
       {&MachineController::MemoryReplaced, &MachineController::Settled, &MachineController::RunStateChanged}) {
    connect(&controller, signal, this, [this] {
      if (isVisible()) Refresh();
    });
  }
  connect(&controller, &MachineController::BreakpointsChanged, this, &DebuggerWindow::ShowLists);
  // Where the last run stopped says nothing about another machine.
  connect(&controller, &MachineController::MachineReplaced, this, [this] {
    stopped_ = "stopped";
    if (isVisible()) Refresh();
  });
  // A refusal holds only until something else has been done.
  for (const auto signal : {&MachineController::MachineReplaced, &MachineController::Settled,
                            &MachineController::BreakpointsChanged, &MachineController::MemoryReplaced}) {
    connect(&controller, signal, this, [this] { SetNote({}, Note::OnlyARefusal); });
  }
  connect(&controller, &MachineController::ClearedOnLoad, this,
          [this] { SetNote("Breakpoints and watches cleared: another program was loaded."); });
  connect(&controller, &MachineController::DebugStopped, this, &DebuggerWindow::OnStopped);
  connect(&controller, &MachineController::SteppedBack, this, &DebuggerWindow::OnSteppedBack);
  connect(breakpoints_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    const int cell = item->data(Qt::UserRole).toInt();
    if (item->text().startsWith("breakpoint")) controller_.ToggleBreakpoint(static_cast<Byte>(cell));
    if (item->text().startsWith("watch")) controller_.SetWatch(static_cast<Byte>(cell), false);
  });
}

QString DebuggerWindow::StateText() const { return state_->text(); }
QString DebuggerWindow::InstructionText() const { return instruction_->text(); }
QString DebuggerWindow::StepsText() const { return steps_->text(); }
QString DebuggerWindow::NoteText() const { return note_->text(); }

void DebuggerWindow::showEvent(QShowEvent* event) {
  ShowLists();
  Refresh();
  ticker_.start();
  QWidget::showEvent(event);
}

void DebuggerWindow::hideEvent(QHideEvent* event) {
  ticker_.stop();
  QWidget::hideEvent(event);
}

void DebuggerWindow::Refresh() {
  const std::uint64_t steps = controller_.StepsSinceLoad();
  // Steps that went back (a load, a step back) make no rate.
  if (const qint64 ms = clock_.isValid() ? clock_.elapsed() : 0; ms > 0) {
    rate_ = steps < stepsThen_ ? 0.0 : static_cast<double>(steps - stepsThen_) * 1000 / static_cast<double>(ms);
  }
  clock_.start();
  stepsThen_ = steps;
  const RunState& run = controller_.Run();
  const std::string state = StateWords(run, stopped_.toStdString(), controller_.Interval(), controller_.State().IP);
  if (run.Running()) stopped_ = "stopped";
  state_->setText("State: " + QString::fromStdString(state));
  steps_->setText(QString("Steps: %1   (%2 steps/s)").arg(steps).arg(static_cast<qint64>(rate_)));
  instruction_->setText(QString::fromStdString(DescribeInstruction(Decode(controller_.State()))));
  record_->setText(QString("Steps that can be undone: %1").arg(controller_.RecordDepth()));
}

void DebuggerWindow::ShowLists() {
  breakpoints_->clear();
  for (int cell = 0; cell < 256; ++cell) {
    const auto add = [&](const QString& kind) {
      auto* item = new QListWidgetItem(QString("%1 %2").arg(kind).arg(cell), breakpoints_);
      item->setData(Qt::UserRole, cell);
    };
    if (controller_.IsBreakpoint(static_cast<Byte>(cell))) add("breakpoint");
    if (controller_.IsWatched(static_cast<Byte>(cell))) add("watch");
  }
}

void DebuggerWindow::OnStopped(const RunStop& stop) {
  stopped_ = QString::fromStdString(StoppedWords(stop));
  Refresh();
}

void DebuggerWindow::OnSteppedBack(const BackResult& result) {
  SetNote(result.crossedNetwork ? "Bytes sent and connections made while those steps ran stay done." : "");
  stopped_ = QString::fromStdString(SteppedBackWords(controller_.StepsSinceLoad(), result.stop));
  Refresh();
}

void DebuggerWindow::SetNote(const QString& text, Note kind) {
  if (kind == Note::OnlyARefusal && !refused_) return;
  refused_ = kind == Note::Refusal && !text.isEmpty();
  note_->setText(refused_ ? "Refused: " + text : text);
}

bool DebuggerWindow::SetCell(const QString& cell, const QString& value) {
  const auto c = ReadNumber(cell, 255);
  const auto v = ReadNumber(value, 255);
  const bool done = c && v && controller_.EditCell(*c, *v);
  SetNote(done ? "" : "a cell is 0..255 and takes 0..255, while the machine is stopped.", Note::Refusal);
  return done;
}

bool DebuggerWindow::SetIP(const QString& ip) {
  const auto value = ReadNumber(ip, MaxIP);
  const bool done = value && controller_.EditIP(*value);
  SetNote(done ? "" : "IP is 0..252, and set while the machine is stopped.", Note::Refusal);
  return done;
}

bool DebuggerWindow::ToggleBreakpoint(const QString& address) {
  const auto a = ReadNumber(address, 255);
  SetNote(a ? "" : "a breakpoint is at an address 0..255.", Note::Refusal);
  if (a) controller_.ToggleBreakpoint(static_cast<Byte>(*a));
  return a.has_value();
}

bool DebuggerWindow::ToggleWatch(const QString& cell) {
  const auto c = ReadNumber(cell, 255);
  SetNote(c ? "" : "a watch is on a cell 0..255.", Note::Refusal);
  if (c) controller_.SetWatch(static_cast<Byte>(*c), !controller_.IsWatched(static_cast<Byte>(*c)));
  return c.has_value();
}

}  // namespace zar
