#include "controller/machine_controller.h"

#include <QElapsedTimer>

#include "formats/program_file.h"
#include "formats/screen_image.h"
#include "formats/write_file.h"

namespace zar {

// Passes what happened during a step on as the controller's signals.
class MachineController::EventRelay final : public MachineEvents {
 public:
  explicit EventRelay(MachineController& controller) : c_(controller) {}

  void ConsoleOut(Byte code) override { emit c_.ConsoleByte(code); }
  void InstructionExecuted() override {
    if (!quiet) emit c_.InstructionExecuted();
  }
  void ScreenCommandRan(Byte command) override {
    if (!quiet) emit c_.ScreenCommandRan(command);
  }
  void NetworkCommandRan(Byte command) override { emit c_.NetworkCommandRan(command); }
  void HistoryRecorded() override {
    if (!quiet) emit c_.HistoryRecorded(c_.History().Stats());
  }
  void StageFailed(StepStage stage) override { emit c_.StageFailed(stage); }

  // At full speed the pictures are refreshed by the clock, not by every step.
  bool quiet = false;

 private:
  MachineController& c_;
};

namespace {
// A slice of a run at full speed lasts about this long, so that events of
// the user interface (Stop among them) wait no longer.
constexpr int SliceMs = 8;
constexpr std::uint64_t StepsBetweenClockChecks = 20000;
constexpr int RefreshMs = 16;  // about 60 times a second
}  // namespace

MachineController::MachineController(QObject* parent)
    : QObject(parent),
      relay_(std::make_unique<EventRelay>(*this)),
      timer_(this),
      sock_(this),
      session_(sock_, *relay_),
      random_(ClockSeededGenerator()),
      slices_(new QTimer(this)),
      refresh_(new QTimer(this)) {
  timer_.setObjectName("Timer1");
  connect(&timer_, &RunTimer::Tick, this, &MachineController::OnTick);
  connect(slices_, &QTimer::timeout, this, &MachineController::RunSlice);
  connect(refresh_, &QTimer::timeout, this, [this] { emit StateReplaced(0); });
  refresh_->setInterval(RefreshMs);
  session_.StartRecord();
  connect(&sock_, &TcpNetworkPort::ByteArrived, this, &MachineController::NetworkByteArrived);
  connect(&sock_, &TcpNetworkPort::ErrorOccurred, this, &MachineController::NetworkFailed);
  connect(&sock_, &TcpNetworkPort::Happened, this, &MachineController::NetworkLogged);
  connect(&sock_, &TcpNetworkPort::Traffic, this, &MachineController::NetworkTraffic);
}

MachineController::~MachineController() = default;

void MachineController::SetRunning(bool running) {
  session_.SetRun(running ? RunState::Running : RunState::Stopped);
  timer_.SetEnabled(running);
}

void MachineController::Start() {
  if (fullSpeed_) EndFullSpeed();
  SetRunning(true);
  emit RunStateChanged();
}

void MachineController::Stop() {
  if (fullSpeed_) EndFullSpeed();
  SetRunning(false);
  emit Settled();
  emit RunStateChanged();
}

// Without breakpoints or watches a tick is the plain step it always was.
void MachineController::OnTick() {
  if (!session_.Debugging()) return RunStep();
  const RunStop stop = session_.RunDebugged(1);
  if (stop.reason != RunStop::Reason::Breakpoint && stop.reason != RunStop::Reason::Watch) return;
  Stop();
  emit DebugStopped(stop);
}

void MachineController::Step() {
  RunStep();
  emit Settled();
}

bool MachineController::SetInterval(long long ms) { return timer_.SetInterval(ms); }

void MachineController::KeyReleased(int code) {
  session_.WriteCell(KeyCell, static_cast<Byte>(code));
  emit MemoryReplaced();
}

// While the machine runs, its next step shows the byte.
void MachineController::NetworkByteArrived(Byte value) {
  session_.WriteCell(NetDataCell, value);
  if (!Running() && !fullSpeed_) emit MemoryReplaced();
}

void MachineController::ReplaceMachine(const Machine& machine) {
  session_.ReplaceMachine(machine);
  if (newRecordOnLoad_) session_.StartRecord();
}

void MachineController::Fill(FillPattern pattern) {
  random_ = ClockSeededGenerator();
  Machine machine = session_.State();
  FillMemory(machine, pattern, random_);
  ReplaceMachine(machine);
  emit MemoryReplaced();
}

void MachineController::LoadImage(const MemoryCells& image) {
  ReplaceMachine({image, 0});
  emit MemoryReplaced();
}

void MachineController::LoadProgram(const std::filesystem::path& path) {
  Machine machine = session_.State();
  ReportFile(LoadProgramFile(path, machine.Memory));
  machine.IP = 0;
  ReplaceMachine(machine);
  emit MemoryReplaced();
}

void MachineController::SaveProgram(const std::filesystem::path& path) {
  ReportFile(SaveProgramFile(path, session_.State().Memory));
}

void MachineController::SaveScreenPicture(const std::filesystem::path& path) {
  ReportFile(WriteWholeFile(path, ScreenPng(session_.Screen().Buffer)));
}

void MachineController::ReportFile(const FileResult& result) {
  if (result.Failed()) emit FileFailed(QString::fromStdString(result.Why()));
}

void MachineController::SetNetworkEnabled(bool enabled) {
  if (!enabled) sock_.Close();
  session_.SetNetwork(enabled ? static_cast<NetworkPort&>(sock_) : offline_);
}

void MachineController::SetHistoryWatched(bool watched) { session_.SetRecordsHistory(watched); }

void MachineController::RunFullSpeed() {
  if (fullSpeed_) return;
  SetRunning(false);
  fullSpeed_ = true;
  relay_->quiet = true;
  slices_->start(0);
  refresh_->start();
  emit RunStateChanged();
}

void MachineController::SetPaused(bool paused) {
  paused_ = paused;
  timer_.SetPaused(paused);
  emit RunStateChanged();
}

void MachineController::RunSlice() {
  if (paused_) return;
  QElapsedTimer clock;
  clock.start();
  RunStop stop;
  do {
    stop = session_.RunDebugged(StepsBetweenClockChecks);
  } while (stop.reason == RunStop::Reason::StepLimit && clock.elapsed() < SliceMs);
  if (stop.reason == RunStop::Reason::StepLimit) return;
  EndFullSpeed();
  emit DebugStopped(stop);
  emit Settled();
}

void MachineController::EndFullSpeed() {
  slices_->stop();
  refresh_->stop();
  fullSpeed_ = false;
  relay_->quiet = false;
  emit StateReplaced(0);
  emit RunStateChanged();
}

// A failed copy leaves memory cleared and IP as it was, and the views as
// they were.
void MachineController::CopyIntoMemory(const std::optional<MemoryCells>& code, bool start) {
  if (fullSpeed_) EndFullSpeed();
  SetRunning(false);
  Machine machine = session_.State();
  if (code) {
    machine.Memory = *code;
    machine.IP = 0;
  } else {
    machine.Memory.fill(0);
  }
  ReplaceMachine(machine);
  if (!code) return;
  emit MemoryReplaced();
  if (start) SetRunning(true);
}

}  // namespace zar
