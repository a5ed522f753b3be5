#pragma once

#include <QObject>
#include <QTimer>
#include <QString>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "formats/file_result.h"
#include "machine/fill.h"
#include "host/run_timer.h"
#include "host/tcp_network_port.h"
#include "session/scripted_input.h"
#include "session/session.h"

namespace zar {

// The desktop's one owner of the running machine: the session (memory, IP,
// screen store, history samples), the run timer, the network socket and the
// random generator. Windows are handed the controller, give it commands and
// follow its signals; none of them steps the machine or writes its state.
class MachineController : public QObject {
  Q_OBJECT

 public:
  explicit MachineController(QObject* parent = nullptr);
  ~MachineController() override;

  const Machine& State() const { return session_.State(); }
  const ScreenDevice& Screen() const { return session_.Screen(); }
  const SumHistory& History() const { return session_.History(); }
  // The one run state: stopped, under the timer or at full speed, each
  // pausable; at full speed also waiting at a fixed point.
  const RunState& Run() const { return session_.Status(); }
  bool Running() const { return session_.Status().Running(); }
  bool FullSpeed() const { return session_.Status().mode == RunMode::FullSpeed; }
  int Interval() const { return timer_.Interval(); }
  const RunTimer& Timer() const { return timer_; }
  const TcpNetworkPort& Network() const { return sock_; }

  // Run control: the timer steps the machine while it runs.
  void Start();
  void Stop();
  // A step as the Step button takes it: the views then show the whole state.
  // While full speed waits at a fixed point it takes one step as when stopped.
  void Step();
  // A step as every tick of the run timer takes it.
  void RunStep();
  // While paused (a modal dialog is open) no step runs, under the timer or
  // at full speed; the run goes on where it was when the pause ends.
  void SetPaused(bool paused);
  // Refuses (returns false) an interval the timer does not take.
  bool SetInterval(long long ms);

  // Inputs between two steps.
  void KeyReleased(int code);
  void NetworkByteArrived(Byte value);
  void Fill(FillPattern pattern);
  // Empties the console for good: going back does not bring it back.
  void ClearConsole();
  const ConsoleStore& Console() const { return session_.Console(); }
  // The whole memory from an image, restarting at address 0.
  void LoadImage(const MemoryCells& image);
  // Reads a program file's lines over memory and restarts at address 0; a
  // file that cannot be read at all changes no cell and is reported (false).
  // These never wait on a FIFO: one whose other end is not there fails at
  // once.
  bool LoadProgram(const std::filesystem::path& path);
  void SaveProgram(const std::filesystem::path& path);
  // Writes the 256 x 256 screen store as a PNG picture; a failure is
  // reported and leaves any existing file as it was.
  void SaveScreenPicture(const std::filesystem::path& path);

  // With the network off, network commands are decoded and cleared as when
  // every socket operation fails, without a word; switching off closes the
  // socket. It is on at start.
  void SetNetworkEnabled(bool enabled);
  bool NetworkEnabled() const { return networkEnabled_; }
  // Whether the next listen accepts connections from other computers, not
  // only from this one (off at start).
  void SetAcceptRemote(bool accept) { sock_.SetAcceptRemote(accept); }

  // The history takes a sample in every step only while it is watched.
  void SetHistoryWatched(bool watched);
  // Whether runs skip repeats of the machine's state (on at start).
  void SetSkipsCycles(bool skip) { session_.SetSkipsCycles(skip); }

  // The debugger. Breakpoints stop a run when a step ends with IP on one,
  // watches after a step that changed the cell; both under the timer and at
  // full speed. Every step and input is recorded so that steps can be
  // undone; loads, fills and copies start a new record only when asked to.
  void ToggleBreakpoint(Byte address);
  // Clears the breakpoints off, then sets those on, with one
  // BreakpointsChanged when any of them changed.
  void SetBreakpoints(const std::vector<Byte>& off, const std::vector<Byte>& on);
  void SetWatch(Byte cell, bool on);
  void ClearBreakpointsAndWatches();
  // Another program came (a program file or a source was loaded): the
  // breakpoints and watches of the last one go, and ClearedOnLoad says so
  // when there were any. Reset Machine keeps them.
  void ClearOnLoad();
  bool IsBreakpoint(Byte address) const { return session_.IsBreakpoint(address); }
  bool IsWatched(Byte cell) const { return session_.IsWatched(cell); }
  void SetNewRecordOnLoad(bool fresh) { newRecordOnLoad_ = fresh; }
  void StepBack();
  void RunBack();
  // Runs steps as fast as the machine can, in slices between the events of
  // the user interface, until Stop, a breakpoint or a watch. The views are
  // refreshed at most 60 times a second meanwhile. At a fixed point it waits
  // without a step until an input (a key, a socket event, an edit, a fill, a
  // load or a copy) may have changed the machine.
  void RunFullSpeed();
  std::uint64_t Steps() const { return session_.Steps(); }
  // The steps since the last load, fill or copy.
  std::uint64_t StepsSinceLoad();
  std::uint64_t RecordDepth() const { return session_.RecordDepth(); }
  // While stopped: a cell to a value of 0..255, or IP to 0..252; false for
  // anything else; also while full speed waits at a fixed point. Such an
  // edit is an input like a key: it can be undone.
  bool EditCell(int cell, int value);
  bool EditIP(int ip);

  // An exercise case's timed inputs, their steps counted from now: each is
  // written when its step has come (keys and cells, and the first byte of a
  // chunk into the data cell), and a run at a fixed point takes the next one
  // at once instead of waiting. A load, fill or copy drops them.
  void SetTimedInputs(std::vector<TimedInput> inputs);
  bool HasTimedInputs() const { return inputs_ && inputs_->InputsLeft(); }

  // The machine's part of a generate command that copies: the machine stops
  // and memory is cleared; the generated code, when there is any, then goes
  // into memory with IP 0, and the machine starts when asked to. Without code
  // (the generation failed) IP stays as it was. An input like a load.
  void CopyIntoMemory(const std::optional<MemoryCells>& code, bool start);

 signals:
  // Steps ran (one under the timer, many at full speed, shown at most 60
  // times a second): memory and IP are new, and the console, the screen and
  // the history may be. Views look at what they show.
  void Stepped();
  // Memory or IP were changed from outside a step: views show them at once.
  void MemoryReplaced();
  // The machine came to rest after Step or Stop: views show the whole state.
  void Settled();
  // A program file could not be read or written, or a picture not written,
  // in a sentence saying why.
  void FileFailed(const QString& why);
  // A run, a step or going back could not get the memory it needed: the
  // machine has stopped, and why is said in a sentence.
  void RunFailed(const QString& why);
  // The socket failed after a command had returned, in its own words.
  void NetworkFailed(const QString& description);
  // The network device logged an event (its state may have changed with it),
  // or moved bytes.
  void NetworkLogged(const QString& line);
  void NetworkTraffic();
  // "Network enabled" was switched.
  void NetworkSwitched(bool enabled);
  // Memory, IP, the screen store, the console and the history all changed
  // at once: a step back.
  void StateReplaced();
  // A run stopped by itself: at a breakpoint or a watch.
  void DebugStopped(const zar::RunStop& stop);
  // Steps were undone; bytes sent and connections made then stay done.
  void SteppedBack(const zar::BackResult& result);
  void BreakpointsChanged();
  // Every breakpoint and watch went at once: by the user or by a load.
  void BreakpointsCleared();
  void ClearedOnLoad();
  // Another machine came: a load, Reset Machine, a fill or a copy.
  void MachineReplaced();
  // Started, stopped, switched to full speed, paused, waiting or woken.
  void RunStateChanged();

 private:
  void SetMode(RunMode mode);
  void ScheduleSlices();
  void RunSlice();
  // An input came: a run waiting at a fixed point goes on.
  void Wake();
  bool Editable() const;
  // An input that replaces memory and IP: loads, fills, copies.
  void ReplaceMachine(const Machine& machine);
  void AfterGoingBack(const BackResult& result);
  // Does work that steps the session or goes back. When it runs out of
  // memory, the machine stops and RunFailed says so; false then.
  bool Guarded(const std::function<void()>& work);
  // Says through FileFailed why a file operation failed, if it did.
  void ReportFile(const FileResult& result);

  RunTimer timer_;
  TcpNetworkPort sock_;
  OfflineNetworkPort offline_;
  Session session_;
  std::mt19937 random_;
  bool newRecordOnLoad_ = false;
  bool networkEnabled_ = true;
  std::optional<InputDriver> inputs_;  // an exercise case's timed inputs
  std::deque<std::uint64_t> loads_;    // the steps at which loads, fills and copies came
  QTimer* slices_;                     // full speed: the next slice of steps
  QTimer* refresh_;                    // full speed: the views' next refresh
};

}  // namespace zar
