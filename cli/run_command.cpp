#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_file.h"
#include "cli/program_input.h"
#include "cli/run_options.h"
#include "cli/stream_output.h"
#include "formats/pipe_room.h"
#include "formats/program_file.h"
#include "formats/screen_image.h"
#include "machine/cp1252.h"
#include "net/tcp_port.h"
#include "session/scripted_input.h"
#include "session/session.h"

namespace zar::cli {

namespace {

// Console characters go to stdout as UTF-8 as the run goes, in blocks, but
// for the last holdBack of them: a step back may take those away again.
class StdoutConsole {
 public:
  // A step prints at most one character, and the record undoes fewer
  // steps than the store keeps characters.
  explicit StdoutConsole(std::uint64_t holdBack) : holdBack_(std::min(holdBack, StepRecord::MaxReach)) {}

  // Runs between two writes: short enough that the store still holds every
  // character not yet written.
  std::uint64_t StepsPerWrite() const { return ConsoleStore::Keep - holdBack_; }

  // False when standard output takes no more: the console would be lost.
  bool Write(const ConsoleStore& store) { return WriteUpTo(store, store.End() - std::min(holdBack_, store.End())); }
  bool Finish(const ConsoleStore& store) { return WriteUpTo(store, store.End()); }

 private:
  bool WriteUpTo(const ConsoleStore& store, std::uint64_t end) {
    if (end <= written_) return true;
    const std::string text = Cp1252ToUtf8(store.Range(written_, end));
    written_ = end;
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
  }

  std::uint64_t holdBack_;
  std::uint64_t written_ = 0;
};

// The steps between two looks at the socket, the clock and the signals.
constexpr std::uint64_t PacedSlice = 1 << 16;

// What ends a run besides its steps: --seconds, and SIGINT or SIGTERM, which
// stay blocked while it lives and are taken when they come.
class RunEnd {
 public:
  RunEnd(std::optional<double> seconds, bool signals) : signals_(signals) {
    if (seconds) deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(*seconds));
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    if (signals_) ::sigprocmask(SIG_BLOCK, &set_, nullptr);
  }
  RunEnd(const RunEnd&) = delete;
  RunEnd& operator=(const RunEnd&) = delete;

  bool Paced() const { return signals_ || deadline_; }
  bool Over() {
    if (over_) return true;
    const timespec now{0, 0};
    over_ = (signals_ && ::sigtimedwait(&set_, nullptr, &now) > 0) || (deadline_ && Clock::now() >= *deadline_);
    return over_;
  }
  // How long to wait for the network at most: until the deadline, and short
  // enough to notice a signal.
  int WaitMs() const {
    constexpr int Most = 50;
    if (!deadline_) return Most;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline_ - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, Most));
  }

 private:
  using Clock = std::chrono::steady_clock;
  using Seconds = std::chrono::duration<double>;
  bool signals_;
  std::optional<Clock::time_point> deadline_;
  sigset_t set_{};
  bool over_ = false;
};

// The real network of --net: the desktop's TCP port, served between slices
// of steps. A byte that arrives goes into the data cell as an input; the
// port's log goes to --net-log as it grows, its failures go to stderr.
class HeadlessNetwork final : public TcpPortEvents {
 public:
  HeadlessNetwork(bool acceptRemote, StreamOutput* log) : port_(*this), log_(log) {
    port_.SetAcceptRemote(acceptRemote);
  }

  TcpPort& Port() { return port_; }
  void Attach(Session& session) { session_ = &session; }

  void Serve() {
    arrived_ = false;
    ServeTcpPort(port_, 0);
  }
  // At a fixed point: nothing changes until a byte arrives (the one the last
  // Serve took counts) or the run ends.
  void WaitForByte(RunEnd& end) {
    while (!arrived_ && !end.Over()) ServeTcpPort(port_, end.WaitMs());
  }

  void ByteArrived(Byte firstByte) override {
    session_->WriteCell(NetDataCell, firstByte);
    arrived_ = true;
  }
  void Logged(const std::string& line) override {
    if (log_ == nullptr) return;
    log_->Write(line);
    log_->Write("\n");
  }
  void ErrorQueued() override {
    for (const std::string& error : port_.TakeErrors()) std::fprintf(stderr, "zar: network: %s\n", error.c_str());
  }

 private:
  TcpPort port_;
  Session* session_ = nullptr;
  StreamOutput* log_;
  bool arrived_ = false;
};

// Steps one at a time, a trace line for each, until steps were taken or
// another stop.
RunStop RunTraced(InputDriver& driver, const Session& view, RunPolicy policy, std::uint64_t steps,
                  StreamOutput& trace) {
  policy.maxSteps = 1;
  RunStop stop;
  std::uint64_t taken = 0;
  while (taken < steps && trace.Good()) {
    driver.ApplyDue();
    const Decoded before = Decode(view.State());
    stop = driver.Advance(policy);
    taken += stop.steps;
    TraceLine(trace, driver.Clock(), before, view.State());
    if (stop.reason != RunStop::Reason::StepLimit) break;
  }
  stop.steps = taken;
  return stop;
}

void ReportStop(const RunStop& stop) {
  if (stop.reason == RunStop::Reason::Breakpoint) std::fprintf(stderr, "break: %d\n", stop.address);
  if (stop.reason == RunStop::Reason::Watch) {
    std::fprintf(stderr, "watch: %d %d -> %d\n", stop.address, stop.before, stop.after);
  }
}

constexpr const char* StdoutFailed = "zar: cannot write to standard output\n";

// One run of zar run on a program: the session with its network, its
// console and the outputs streamed as it goes; then the outputs written
// once it has ended.
class HeadlessRun {
 public:
  explicit HeadlessRun(RunOptions options)
      : options_(std::move(options)),
        network_(options_.netRemote, options_.netLog ? &netLog_ : nullptr),
        session_(Port()),
        // Blocked before the port opens a socket, so that no signal ends the run half-way.
        end_(options_.seconds, options_.net || options_.seconds),
        driver_(session_, std::move(options_.inputs), &peer_),
        console_(options_.back.value_or(0)) {}

  int Run(const MemoryCells& memory);

 private:
  NetworkPort& Port() {
    if (options_.net) return network_.Port();
    return options_.peerScripted ? static_cast<NetworkPort&>(peer_) : offline_;
  }
  bool Start(const MemoryCells& memory);
  bool RunProgram(RunStop& stop);
  bool StreamsGood() const { return trace_.Good() && netLog_.Good(); }
  void GoBack(const RunStop& stop);
  int Finish();
  bool WriteOutputs();

  RunOptions options_;
  OfflineNetworkPort offline_;
  ScriptedPeer peer_;
  StreamOutput trace_{"trace"};
  StreamOutput netLog_{"network log"};
  HeadlessNetwork network_;
  Session session_;
  RunEnd end_;
  InputDriver driver_;
  StdoutConsole console_;
  std::chrono::steady_clock::time_point started_;
};

// The program in memory with the debugger set; the streamed outputs open.
bool HeadlessRun::Start(const MemoryCells& memory) {
  Machine machine;
  machine.Memory = memory;
  if (options_.key) machine.Memory[KeyCell] = *options_.key;
  session_.SetEngine(options_.engine);
  session_.SetSkipsCycles(options_.skip);
  session_.ReplaceMachine(machine);
  network_.Attach(session_);
  for (const Byte address : options_.breaks) session_.SetBreakpoint(address, true);
  for (const Byte cell : options_.watches) session_.SetWatch(cell, true);
  if (options_.back) session_.StartRecord();
  WidenPipe(fileno(stdout));
  // The trace holds a line for every step that ran, those that --back
  // undoes as well; "-" writes it after the console.
  if (options_.trace && !trace_.Open(*options_.trace)) return false;
  if (options_.netLog && !netLog_.Open(*options_.netLog)) return false;
  started_ = std::chrono::steady_clock::now();
  return true;
}

// Runs the session until the budget or another stop, one traced step at a
// time when a trace is asked for, writing the console as it goes. A fixed
// point while input is still to come waits for it, and with the network
// for the socket; so does a repeat of the state, which without either runs
// on to the budget at once. False, at once, when the console or a streamed
// output cannot be written.
bool HeadlessRun::RunProgram(RunStop& stop) {
  const std::uint64_t budget = options_.maxSteps;
  const std::uint64_t slice = end_.Paced() ? PacedSlice : console_.StepsPerWrite();
  // With a record the repeats are skipped only between its checkpoints: not at once.
  RunPolicy policy{budget, true, true, !options_.back};
  while (driver_.Clock() < budget && !(end_.Paced() && end_.Over())) {
    policy.maxSteps = std::min({budget - driver_.Clock(), console_.StepsPerWrite(), slice});
    const RunStop part = driver_.PastFixedPoint(trace_.IsOpen()
                                                    ? RunTraced(driver_, session_, policy, policy.maxSteps, trace_)
                                                    : driver_.PastRepeat(driver_.Advance(policy), policy, budget),
                                                budget);
    if (!console_.Write(session_.Console()) || !StreamsGood()) return false;
    if (options_.net) network_.Serve();
    if (part.reason == RunStop::Reason::StepLimit) continue;
    const bool waits = part.reason == RunStop::Reason::FixedPoint || part.reason == RunStop::Reason::Repeating;
    if (waits && options_.net) {
      network_.WaitForByte(end_);
      continue;
    }
    if (part.reason == RunStop::Reason::Repeating) {
      // Nothing is printed any more: the rest of the budget goes at once.
      RunPolicy rest = policy;
      rest.maxSteps = budget - driver_.Clock();
      rest.repeating = false;
      driver_.Advance(rest);
      continue;
    }
    stop = part;
    break;
  }
  stop.steps = driver_.Clock();
  return StreamsGood();
}

// Undoes the last steps of --back. A run that ended at a fixed point would
// have repeated that state up to its last step; only the steps before it
// are undone for real.
void HeadlessRun::GoBack(const RunStop& stop) {
  std::uint64_t back = *options_.back;
  if (stop.reason == RunStop::Reason::FixedPoint) back -= std::min(back, options_.maxSteps - stop.steps);
  if (back > stop.steps) {
    std::fprintf(stderr, "zar: --back %llu goes back beyond the start of the run: it shows step 0\n",
                 static_cast<unsigned long long>(*options_.back));
  }
  session_.StepBack(back);
}

int HeadlessRun::Run(const MemoryCells& memory) {
  if (!Start(memory)) return ExitUsage;
  RunStop stop;
  if (!RunProgram(stop)) {
    if (!trace_.Good()) {
      trace_.Finish();  // says why
    } else if (!netLog_.Good()) {
      netLog_.Finish();
    } else {
      std::fputs(StdoutFailed, stderr);
    }
    return ExitUsage;
  }
  ReportStop(stop);
  if (options_.back) GoBack(stop);
  return Finish();
}

// The console's last characters, the trace, what the run came to, and the
// outputs written at its end.
int HeadlessRun::Finish() {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  if (!console_.Finish(session_.Console())) {
    std::fputs(StdoutFailed, stderr);
    return ExitUsage;
  }
  if (options_.trace && !trace_.Finish()) return ExitUsage;
  std::fprintf(stderr, "steps: %llu\nip: %d\n", static_cast<unsigned long long>(driver_.Clock()), session_.State().IP);
  if (options_.stats) {
    // What ran, not what was asked: the debugger, a trace and short runs
    // leave every step to the interpreter.
    const std::uint64_t compiled = session_.CompiledSteps();
    std::fprintf(stderr, "engine: %s\ncompiled steps: %llu\nseconds: %.3f\n", compiled > 0 ? "jit" : "interp",
                 static_cast<unsigned long long>(compiled), seconds);
  }
  return WriteOutputs() ? ExitOk : ExitUsage;
}

// Every output is written, also after one that failed.
bool HeadlessRun::WriteOutputs() {
  bool written = !options_.netLog || netLog_.Finish();
  if (options_.netOut) written = WriteOutput(*options_.netOut, peer_.Received()) && written;
  if (options_.dump) written = WriteOutput(*options_.dump, ProgramFileText(session_.State().Memory)) && written;
  if (const auto& picture = options_.screen) {
    const ScreenBuffer& screen = session_.Screen().Buffer;
    written = WriteOutput(*picture, ScreenPicture(screen, *picture)) && written;
  }
  return written;
}

// Refuses every output that would be the program, its source or the input
// file; a program file may take the final memory as asked.
bool OutputsSpareInputs(const RunOptions& options, bool assembled) {
  std::vector<std::string> outputs;
  for (const auto& output : {options.trace, options.netLog, options.netOut, options.screen, options.dump}) {
    if (output) outputs.push_back(*output);
  }
  const bool spareInput = !options.inputFile || OutputsSpare(*options.inputFile, "input file", outputs);
  if (options.dump && !assembled) outputs.pop_back();
  const bool spareImage = OutputsSpare(options.image, assembled ? "source file" : "program file", outputs);
  return spareInput && spareImage;
}

}  // namespace

int RunCommand(const std::vector<std::string>& words) {
  RunOptions options;
  if (const int read = ReadRunOptions(words, options); read != ExitOk) return read;
  MemoryCells memory{};
  bool assembled = false;
  if (const int loaded = LoadImage(options.image, memory, &assembled); loaded != ExitOk) return loaded;
  if (!OutputsSpareInputs(options, assembled)) return ExitUsage;
  HeadlessRun run(std::move(options));
  return run.Run(memory);
}

}  // namespace zar::cli
