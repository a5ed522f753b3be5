#include "controller/machine_controller.h"

#include <QElapsedTimer>

#include <new>

#include "formats/program_file.h"
#include "formats/screen_image.h"
#include "formats/write_file.h"

namespace zar {

namespace {
// A slice of a run at full speed lasts about this long, so that events of
// the user interface (Stop among them) wait no longer.
constexpr int SliceMs = 8;
constexpr std::uint64_t StepsBetweenClockChecks = 20000;
constexpr int RefreshMs = 16;  // about 60 times a second
}  // namespace

MachineController::MachineController(QObject* parent)
    : QObject(parent),
      timer_(this),
      sock_(this),
      session_(sock_),
      random_(ClockSeededGenerator()),
      slices_(new QTimer(this)),
      refresh_(new QTimer(this)) {
  timer_.setObjectName("Timer1");
  connect(&timer_, &RunTimer::Tick, this, &MachineController::RunStep);
  connect(slices_, &QTimer::timeout, this, &MachineController::RunSlice);
  connect(refresh_, &QTimer::timeout, this, &MachineController::Stepped);
  refresh_->setInterval(RefreshMs);
  session_.SetEngine(Engine::Compiled);
  session_.StartRecord();
  connect(&sock_, &TcpNetworkPort::ByteArrived, this, &MachineController::NetworkByteArrived);
  connect(&sock_, &TcpNetworkPort::ErrorOccurred, this, &MachineController::NetworkFailed);
  connect(&sock_, &TcpNetworkPort::Happened, this, &MachineController::NetworkLogged);
  connect(&sock_, &TcpNetworkPort::Traffic, this, &MachineController::NetworkTraffic);
  // A connection made, accepted or closed, or room for more bytes to send,
  // may be what a waiting program waits for.
  connect(&sock_, &TcpNetworkPort::Happened, this, &MachineController::Wake);
  connect(&sock_, &TcpNetworkPort::Traffic, this, &MachineController::Wake);
}

MachineController::~MachineController() = default;

void MachineController::SetMode(RunMode mode) {
  RunState& run = session_.Status();
  run.mode = mode;
  run.waiting = false;
  timer_.SetEnabled(mode == RunMode::Timer);
  ScheduleSlices();
}

// Slices run while full speed has steps to take; the views are refreshed
// meanwhile.
void MachineController::ScheduleSlices() {
  const RunState& run = session_.Status();
  if (run.mode == RunMode::FullSpeed && run.StepsDue()) {
    if (!slices_->isActive()) slices_->start(0);
    if (!refresh_->isActive()) refresh_->start();
  } else {
    slices_->stop();
    refresh_->stop();
  }
}

void MachineController::Start() {
  const bool wasFullSpeed = FullSpeed();
  SetMode(RunMode::Timer);
  if (wasFullSpeed) emit Settled();
  emit RunStateChanged();
}

void MachineController::Stop() {
  SetMode(RunMode::Stopped);
  emit Settled();
  emit RunStateChanged();
}

void MachineController::RunFullSpeed() {
  if (FullSpeed()) return;
  SetMode(RunMode::FullSpeed);
  emit RunStateChanged();
}

void MachineController::SetPaused(bool paused) {
  session_.Status().paused = paused;
  timer_.SetPaused(paused);
  ScheduleSlices();
  emit RunStateChanged();
}

// A tick is one step; breakpoints and watches stop the timer.
void MachineController::RunStep() {
  RunStop stop;
  if (!Guarded([&] { stop = inputs_ ? inputs_->Advance({1, true, false}) : session_.Run({1, true, false}); })) {
    return;
  }
  if (stop.reason == RunStop::Reason::Paused) return;
  emit Stepped();
  if (!stop.ByDebugger()) return;
  Stop();
  emit DebugStopped(stop);
}

void MachineController::Step() {
  if (!Guarded([&] {
        if (inputs_) {
          inputs_->Step();
        } else {
          session_.Step();
        }
      })) {
    return;
  }
  emit Stepped();
  emit Settled();
  Wake();
}

void MachineController::RunSlice() {
  QElapsedTimer clock;
  clock.start();
  RunStop stop;
  const bool ran = Guarded([&] {
    do {
      const RunPolicy policy{StepsBetweenClockChecks, true, true};
      // A fixed point with an input still to come goes on at that input.
      stop = inputs_ ? inputs_->Drive(policy) : session_.Run(policy);
    } while (stop.reason == RunStop::Reason::StepLimit && clock.elapsed() < SliceMs);
  });
  if (!ran) return;
  if (stop.reason == RunStop::Reason::StepLimit || stop.reason == RunStop::Reason::Paused) return;
  if (stop.reason == RunStop::Reason::FixedPoint) {
    // Nothing will change until an input comes: wait for one without a step.
    session_.Status().waiting = true;
    ScheduleSlices();
    emit Stepped();
    emit RunStateChanged();
    return;
  }
  SetMode(RunMode::Stopped);
  emit DebugStopped(stop);
  emit Settled();
  emit RunStateChanged();
}

bool MachineController::Guarded(const std::function<void()>& work) {
  try {
    work();
    return true;
  } catch (const std::bad_alloc&) {
    // Going on without memory would lose work: the machine stops first.
    SetMode(RunMode::Stopped);
    emit StateReplaced();
    emit Settled();
    emit RunStateChanged();
    emit RunFailed("The machine stopped: there is not enough memory to go on.");
    return false;
  }
}

void MachineController::Wake() {
  RunState& run = session_.Status();
  if (!run.waiting) return;
  run.waiting = false;
  ScheduleSlices();
  emit RunStateChanged();
}

bool MachineController::SetInterval(long long ms) { return timer_.SetInterval(ms); }

void MachineController::KeyReleased(int code) {
  session_.WriteCell(KeyCell, static_cast<Byte>(code));
  Wake();
  emit MemoryReplaced();
}

// While the machine runs, its next step shows the byte.
void MachineController::NetworkByteArrived(Byte value) {
  session_.WriteCell(NetDataCell, value);
  Wake();
  if (!session_.Status().StepsDue()) emit MemoryReplaced();
}

void MachineController::SetTimedInputs(std::vector<TimedInput> inputs) {
  inputs_.emplace(session_, std::move(inputs));
  Wake();
}

void MachineController::ReplaceMachine(const Machine& machine) {
  inputs_.reset();
  session_.ReplaceMachine(machine);
  if (newRecordOnLoad_) session_.StartRecord();
  loads_.push_back(session_.Steps());
  // Of the loads no step back can reach any more, only the newest counts.
  const std::uint64_t oldest = session_.Steps() - session_.RecordDepth();
  while (loads_.size() > 1 && loads_[1] <= oldest) loads_.pop_front();
  Wake();
  emit MachineReplaced();
}

std::uint64_t MachineController::StepsSinceLoad() {
  const std::uint64_t steps = session_.Steps();
  // Going back before a load undoes it.
  while (!loads_.empty() && loads_.back() > steps) loads_.pop_back();
  return loads_.empty() ? steps : steps - loads_.back();
}

void MachineController::ClearConsole() {
  session_.Console().Clear();
  emit Stepped();
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

bool MachineController::LoadProgram(const std::filesystem::path& path) {
  Machine machine = session_.State();
  const FileResult read = LoadProgramFile(path, machine.Memory, WaitForPipes::No);
  ReportFile(read);
  machine.IP = 0;
  ReplaceMachine(machine);
  emit MemoryReplaced();
  return !read.Failed();
}

void MachineController::SaveProgram(const std::filesystem::path& path) {
  ReportFile(SaveProgramFile(path, session_.State().Memory, WaitForPipes::No));
}

void MachineController::SaveScreenPicture(const std::filesystem::path& path) {
  ReportFile(WriteWholeFile(path, ScreenPng(session_.Screen().Buffer), WaitForPipes::No));
}

void MachineController::ReportFile(const FileResult& result) {
  if (result.Failed()) emit FileFailed(QString::fromStdString(result.Why()));
}

void MachineController::SetNetworkEnabled(bool enabled) {
  if (!enabled) sock_.Close();
  session_.SetNetwork(enabled ? static_cast<NetworkPort&>(sock_) : offline_);
  networkEnabled_ = enabled;
  emit NetworkSwitched(enabled);
}

void MachineController::SetHistoryWatched(bool watched) { session_.SetRecordsHistory(watched); }

// A failed copy leaves memory cleared and IP as it was, and the views as
// they were.
void MachineController::CopyIntoMemory(const std::optional<MemoryCells>& code, bool start) {
  SetMode(RunMode::Stopped);
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
  if (start) SetMode(RunMode::Timer);
  emit RunStateChanged();
}

}  // namespace zar
