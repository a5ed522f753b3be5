#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <memory>
#include <random>
#include <string_view>

#include "assembler/assemble.h"
#include "assembler/stage_report.h"
#include "machine/fill.h"
#include "platform/run_timer.h"
#include "platform/tcp_network_port.h"
#include "session/session.h"

namespace zar {

// The desktop's one owner of the running machine: the session (memory, IP,
// screen store, history samples), the run timer, the network socket, the
// random generator and the assembler's table and code image. Windows are
// handed the controller, give it commands and follow its signals; none of
// them steps the machine or writes its state.
class MachineController : public QObject {
  Q_OBJECT

 public:
  explicit MachineController(QObject* parent = nullptr);
  ~MachineController() override;

  const Machine& State() const { return session_.State(); }
  const ScreenDevice& Screen() const { return session_.Screen(); }
  const SumHistory& History() const { return session_.History(); }
  const AssemblerState& Assembler() const { return assembler_; }
  bool Running() const { return session_.Run() == RunState::Running; }
  int Interval() const { return timer_.Interval(); }
  const RunTimer& Timer() const { return timer_; }
  const TcpNetworkPort& Network() const { return sock_; }

  // Run control: the timer steps the machine while it runs.
  void Start();
  void Stop();
  // A step as the Step button takes it: the views then show the whole state.
  void Step();
  // A step as every tick of the run timer takes it.
  void RunStep() { session_.MachineStep(); }
  // Refuses (returns false) an interval the timer does not take.
  bool SetInterval(long long ms);

  // Inputs between two steps.
  void KeyReleased(int code);
  void NetworkByteArrived(Byte value);
  void Fill(FillPattern pattern);
  // The whole memory from an image, restarting at address 0.
  void LoadImage(const MemoryCells& image);
  // Reads a program file's lines over memory and restarts at address 0; a
  // file that cannot be read at all changes no cell and is reported.
  void LoadProgram(const std::filesystem::path& path);
  void SaveProgram(const std::filesystem::path& path);

  // With the network off, network commands are decoded and cleared as when
  // every socket operation fails, without a word; switching off closes the
  // socket. It is on at start.
  void SetNetworkEnabled(bool enabled);
  // Whether the next listen accepts connections from other computers, not
  // only from this one (off at start).
  void SetAcceptRemote(bool accept) { sock_.SetAcceptRemote(accept); }

  // The history takes a sample in every step only while it is watched.
  void SetHistoryWatched(bool watched);

  // The assembler's stages on the internal table and the code image.
  void ClearTable();
  StageReport ScanSource(std::string_view source);
  StageReport AssignPositions();
  // With a copying mode the machine stops and memory is cleared first; a
  // successful generation then goes into memory with IP 0, and
  // CopyAndStart starts the machine.
  StageReport GenerateCode(GenerateOptions options);

 signals:
  // The instruction of a step ran: memory and IP are new.
  void InstructionExecuted();
  void ConsoleByte(quint8 code);
  void ScreenCommandRan(quint8 command);
  void NetworkCommandRan(quint8 command);
  void HistoryRecorded(const zar::HistoryStats& stats);
  void StageFailed(zar::StepStage stage);
  // Memory or IP were changed from outside a step: views show them at once.
  void MemoryReplaced();
  // The machine came to rest after Step or Stop: views show the whole state.
  void Settled();
  // A program file could not be read or written, in a sentence saying why.
  void FileFailed(const QString& why);
  // The socket failed after a command had returned, in its own words.
  void NetworkFailed(const QString& description);
  // The network device logged an event (its state may have changed with it),
  // or moved bytes.
  void NetworkLogged(const QString& line);
  void NetworkTraffic();

 private:
  class EventRelay;

  void SetRunning(bool running);

  std::unique_ptr<EventRelay> relay_;  // the session's events as signals
  RunTimer timer_;
  TcpNetworkPort sock_;
  OfflineNetworkPort offline_;
  Session session_;
  AssemblerState assembler_;
  std::mt19937 random_;
};

}  // namespace zar
