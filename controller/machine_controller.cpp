#include "controller/machine_controller.h"

#include <algorithm>

#include "assembler/positions.h"
#include "assembler/scanner.h"
#include "formats/program_file.h"

namespace zar {

// Passes what happened during a step on as the controller's signals.
class MachineController::EventRelay final : public MachineEvents {
 public:
  explicit EventRelay(MachineController& controller) : c_(controller) {}

  void ConsoleOut(Byte code) override { emit c_.ConsoleByte(code); }
  void InstructionExecuted() override { emit c_.InstructionExecuted(); }
  void ScreenCommandRan(Byte command) override { emit c_.ScreenCommandRan(command); }
  void NetworkCommandRan(Byte command) override { emit c_.NetworkCommandRan(command); }
  void HistoryRecorded(const HistoryStats& stats) override { emit c_.HistoryRecorded(stats); }
  void StageFailed(StepStage stage) override { emit c_.StageFailed(stage); }

 private:
  MachineController& c_;
};

MachineController::MachineController(QObject* parent)
    : QObject(parent),
      relay_(std::make_unique<EventRelay>(*this)),
      timer_(this),
      sock_(this),
      session_(sock_, *relay_),
      random_(ClockSeededGenerator()) {
  timer_.setObjectName("Timer1");
  connect(&timer_, &RunTimer::Tick, this, &MachineController::RunStep);
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

void MachineController::Start() { SetRunning(true); }

void MachineController::Stop() {
  SetRunning(false);
  emit Settled();
}

void MachineController::Step() {
  RunStep();
  emit Settled();
}

bool MachineController::SetInterval(long long ms) { return timer_.SetInterval(ms); }

void MachineController::KeyReleased(int code) {
  session_.State().Memory[KeyCell] = static_cast<Byte>(code);
  emit MemoryReplaced();
}

// While the machine runs, its next step shows the byte.
void MachineController::NetworkByteArrived(Byte value) {
  session_.State().Memory[NetDataCell] = value;
  if (!Running()) emit MemoryReplaced();
}

void MachineController::Fill(FillPattern pattern) {
  random_ = ClockSeededGenerator();
  FillMemory(session_.State(), pattern, random_);
  emit MemoryReplaced();
}

void MachineController::LoadImage(const MemoryCells& image) {
  session_.State().Memory = image;
  session_.State().IP = 0;
  emit MemoryReplaced();
}

void MachineController::LoadProgram(const std::filesystem::path& path) {
  Machine& machine = session_.State();
  if (const FileResult read = LoadProgramFile(path, machine.Memory); read.Failed()) {
    emit FileFailed(QString::fromStdString(read.Why()));
  }
  machine.IP = 0;
  emit MemoryReplaced();
}

void MachineController::SaveProgram(const std::filesystem::path& path) {
  if (const FileResult written = SaveProgramFile(path, session_.State().Memory); written.Failed()) {
    emit FileFailed(QString::fromStdString(written.Why()));
  }
}

void MachineController::SetNetworkEnabled(bool enabled) {
  if (!enabled) sock_.Close();
  session_.SetNetwork(enabled ? static_cast<NetworkPort&>(sock_) : offline_);
}

void MachineController::SetHistoryWatched(bool watched) { session_.SetRecordsHistory(watched); }

void MachineController::ClearTable() { assembler_.Table.Clear(); }

StageReport MachineController::ScanSource(std::string_view source) { return zar::ScanSource(source, assembler_.Table); }

StageReport MachineController::AssignPositions() { return zar::AssignPositions(assembler_.Table); }

StageReport MachineController::GenerateCode(GenerateOptions options) {
  const bool copy = CopiesIntoMemory(options.mode);
  Machine& machine = session_.State();
  if (copy) {
    SetRunning(false);
    machine.Memory.fill(0);
  }
  StageReport report = zar::GenerateCode(assembler_.Table, assembler_.Image, options);
  if (copy && Generated(report)) {
    std::copy_n(assembler_.Image.begin(), machine.Memory.size(), machine.Memory.begin());
    machine.IP = 0;
    emit MemoryReplaced();
    if (options.mode == GenerateMode::CopyAndStart) SetRunning(true);
  }
  return report;
}

}  // namespace zar
