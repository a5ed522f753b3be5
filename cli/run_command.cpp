#include <algorithm>
#include <chrono>
#include <csignal>
#include <limits>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_file.h"
#include "cli/program_input.h"
#include "cli/trace_output.h"
#include "formats/input_script.h"
#include "formats/pipe_room.h"
#include "formats/program_file.h"
#include "formats/screen_image.h"
#include "formats/source_file.h"
#include "machine/cp1252.h"
#include "machine/decimal_text.h"
#include "net/tcp_port.h"
#include "session/scripted_input.h"
#include "session/session.h"

namespace zar::cli {

namespace {

constexpr std::uint64_t DefaultSteps = 1'000'000;

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

// The debugger's options, read from the arguments.
struct DebugOptions {
  std::vector<Byte> breaks;
  std::vector<Byte> watches;
  std::optional<std::uint64_t> back;
  std::optional<std::string> trace;
};

// Reads every value of an option as a cell address; false on the first that is none.
bool ReadCells(const Arguments& args, const std::string& option, std::vector<Byte>& cells, std::string& error) {
  for (const std::string& text : args.All(option)) {
    unsigned cell = 0;
    if (!ParseNumber(text, cell) || cell > 255) {
      error = option + " takes a cell address from 0 to 255, not '" + text + "'";
      return false;
    }
    cells.push_back(static_cast<Byte>(cell));
  }
  return true;
}

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
// port's log is kept for --net-log, its failures go to stderr.
class HeadlessNetwork final : public TcpPortEvents {
 public:
  explicit HeadlessNetwork(bool acceptRemote) : port_(*this) { port_.SetAcceptRemote(acceptRemote); }

  TcpPort& Port() { return port_; }
  void Attach(Session& session) { session_ = &session; }
  const std::string& LogText() const { return log_; }

  void Serve() { ServeTcpPort(port_, 0); }
  // At a fixed point: nothing changes until a byte arrives or the run ends.
  void WaitForByte(RunEnd& end) {
    arrived_ = false;
    while (!arrived_ && !end.Over()) ServeTcpPort(port_, end.WaitMs());
  }

  void ByteArrived(Byte firstByte) override {
    session_->WriteCell(NetDataCell, firstByte);
    arrived_ = true;
  }
  void Logged(const std::string& line) override { log_ += line + "\n"; }
  void ErrorQueued() override {
    for (const std::string& error : port_.TakeErrors()) std::fprintf(stderr, "zar: network: %s\n", error.c_str());
  }

 private:
  TcpPort port_;
  Session* session_ = nullptr;
  std::string log_;
  bool arrived_ = false;
};

// Steps one at a time, a trace line for each, until steps were taken or
// another stop.
RunStop RunTraced(InputDriver& driver, const Session& view, RunPolicy policy, std::uint64_t steps, TraceOutput& trace) {
  policy.maxSteps = 1;
  RunStop stop;
  std::uint64_t taken = 0;
  while (taken < steps && trace.Good()) {
    driver.ApplyDue();
    const Decoded before = Decode(view.State());
    stop = driver.Advance(policy);
    taken += stop.steps;
    trace.Line(driver.Clock(), before, view.State());
    if (stop.reason != RunStop::Reason::StepLimit) break;
  }
  stop.steps = taken;
  return stop;
}

// Runs the session until the policy's budget or another stop, one traced
// step at a time when a trace is asked for, writing the console as it goes.
// A fixed point while input is still to come waits for it, and with the
// network for the socket. False, at once, when the console or the trace
// cannot be written.
bool RunProgram(InputDriver& driver, const Session& view, RunPolicy policy, StdoutConsole& console, TraceOutput* trace,
                RunEnd& end, HeadlessNetwork* network, RunStop& stop) {
  const std::uint64_t budget = policy.maxSteps;
  const std::uint64_t slice = end.Paced() ? PacedSlice : console.StepsPerWrite();
  while (driver.Clock() < budget && !(end.Paced() && end.Over())) {
    policy.maxSteps = std::min({budget - driver.Clock(), console.StepsPerWrite(), slice});
    const RunStop part = driver.PastFixedPoint(
        trace ? RunTraced(driver, view, policy, policy.maxSteps, *trace) : driver.Advance(policy), budget);
    if (!console.Write(view.Console()) || (trace && !trace->Good())) return false;
    if (network) network->Serve();
    if (part.reason == RunStop::Reason::StepLimit) continue;
    if (part.reason == RunStop::Reason::FixedPoint && network) {
      network->WaitForByte(end);
      continue;
    }
    stop = part;
    break;
  }
  stop.steps = driver.Clock();
  return true;
}

void ReportStop(const RunStop& stop) {
  if (stop.reason == RunStop::Reason::Breakpoint) std::fprintf(stderr, "break: %d\n", stop.address);
  if (stop.reason == RunStop::Reason::Watch) {
    std::fprintf(stderr, "watch: %d %d -> %d\n", stop.address, stop.before, stop.after);
  }
}

// The timed inputs of --keys and --input, in the order of their steps.
bool ReadInputs(const Arguments& args, std::vector<TimedInput>& inputs, std::string& error) {
  std::uint64_t gap = DefaultKeyGap;
  if (const auto text = args.Value("--key-gap"); text && (!ParseNumber(*text, gap) || gap == 0)) {
    error = "--key-gap takes a whole number of steps above 0, not '" + *text + "'";
    return false;
  }
  if (const auto keys = args.Value("--keys"); keys && !KeysOf(*keys, 0, gap, inputs, error)) {
    error = "--keys: " + error;
    return false;
  }
  if (const auto file = args.Value("--input")) {
    std::string script;
    if (!ReadSource(*file, script)) return false;
    if (!ParseInputScript(script, gap, inputs, error)) {
      error = *file + ": " + error;
      return false;
    }
  }
  return true;
}

constexpr const char* StdoutFailed = "zar: cannot write to standard output\n";

int RunWith(const std::vector<std::string>& words) {
  const Arguments args = ParseArguments(
      words,
      {"--steps", "--dump", "--screen", "--key", "--break", "--watch", "--back", "--trace", "--keys", "--key-gap",
       "--input", "--net-out", "--net-log", "--seconds", "--engine"},
      {"--net", "--net-remote"}, 1);
  if (!args.error.empty()) return UsageError(args.error);

  const bool net = args.Has("--net");
  std::uint64_t maxSteps = net ? std::numeric_limits<std::uint64_t>::max() : DefaultSteps;
  if (const auto steps = args.Value("--steps"); steps && !ParseNumber(*steps, maxSteps)) {
    return UsageError("--steps takes a whole number of steps, not '" + *steps + "'");
  }
  Engine engine = Engine::Compiled;
  if (const auto text = args.Value("--engine")) {
    if (*text != "interp" && *text != "jit") return UsageError("--engine takes interp or jit, not '" + *text + "'");
    engine = *text == "jit" ? Engine::Compiled : Engine::Interpreter;
  }
  std::optional<double> seconds;
  if (const auto text = args.Value("--seconds")) {
    double value = 0;
    if (!ParseNumber(*text, value) || !(value > 0) || value > 1e9) {
      return UsageError("--seconds takes a number of seconds above 0, not '" + *text + "'");
    }
    seconds = value;
  }
  if (!net && (args.Has("--net-remote") || args.Value("--net-log"))) {
    return UsageError(std::string(args.Has("--net-remote") ? "--net-remote" : "--net-log") + " needs --net");
  }
  if (net && args.Value("--net-out")) return UsageError("--net-out needs the scripted peer, not --net");
  unsigned key = 0;
  const auto keyText = args.Value("--key");
  if (keyText && (!ParseNumber(*keyText, key) || key > 255)) {
    return UsageError("--key takes a key code from 0 to 255, not '" + *keyText + "'");
  }
  DebugOptions debug;
  std::string error;
  if (!ReadCells(args, "--break", debug.breaks, error) || !ReadCells(args, "--watch", debug.watches, error)) {
    return UsageError(error);
  }
  if (const auto back = args.Value("--back")) {
    std::uint64_t m = 0;
    if (!ParseNumber(*back, m)) return UsageError("--back takes a whole number of steps, not '" + *back + "'");
    debug.back = m;
  }
  debug.trace = args.Value("--trace");
  std::vector<TimedInput> inputs;
  const bool scripted = args.Value("--keys") || args.Value("--input") || args.Value("--net-out");
  if ((scripted || net) && debug.back) return UsageError("--back cannot undo scripted input or the network");
  if (!ReadInputs(args, inputs, error)) return error.empty() ? ExitUsage : UsageError(error);
  const bool networkInputs = std::any_of(inputs.begin(), inputs.end(), [](const TimedInput& input) {
    return input.kind != TimedInput::Kind::Key && input.kind != TimedInput::Kind::Cell;
  });
  if (net && networkInputs) return UsageError("with --net the peer is real: the input file takes no network inputs");

  OfflineNetworkPort offline;
  ScriptedPeer peer;
  HeadlessNetwork network(args.Has("--net-remote"));
  const bool peerScripted = args.Value("--input") || args.Value("--net-out");
  NetworkPort& port = net            ? static_cast<NetworkPort&>(network.Port())
                      : peerScripted ? static_cast<NetworkPort&>(peer)
                                     : offline;
  Session session(port);
  session.SetEngine(engine);
  network.Attach(session);
  // Blocked before the port opens a socket, so that no signal ends the run half-way.
  RunEnd end(seconds, net || seconds);
  Machine image;
  if (const int loaded = LoadImage(args.positional[0], image.Memory); loaded != ExitOk) return loaded;
  if (keyText) image.Memory[KeyCell] = static_cast<Byte>(key);
  session.ReplaceMachine(image);
  const Machine& machine = session.State();
  InputDriver driver(session, std::move(inputs), &peer);

  for (const Byte address : debug.breaks) session.SetBreakpoint(address, true);
  for (const Byte cell : debug.watches) session.SetWatch(cell, true);
  if (debug.back) session.StartRecord();
  StdoutConsole console(debug.back.value_or(0));
  WidenPipe(fileno(stdout));
  // The trace holds a line for every step that ran, those that --back
  // undoes as well; "-" writes it after the console.
  TraceOutput trace;
  if (debug.trace && !trace.Open(*debug.trace)) return ExitUsage;
  RunStop stop;
  if (!RunProgram(driver, session, {maxSteps, true, true}, console, debug.trace ? &trace : nullptr, end,
                  net ? &network : nullptr, stop)) {
    if (trace.Good()) {
      std::fputs(StdoutFailed, stderr);
    } else {
      trace.Finish();  // says why
    }
    return ExitUsage;
  }
  ReportStop(stop);
  if (debug.back) {
    // A run that ended at a fixed point would have repeated that state up
    // to its last step; only the steps before it are undone for real.
    std::uint64_t back = *debug.back;
    if (stop.reason == RunStop::Reason::FixedPoint) back -= std::min(back, maxSteps - stop.steps);
    session.StepBack(back);
  }
  if (!console.Finish(session.Console())) {
    std::fputs(StdoutFailed, stderr);
    return ExitUsage;
  }
  if (debug.trace && !trace.Finish()) return ExitUsage;
  std::fprintf(stderr, "steps: %llu\nip: %d\n", static_cast<unsigned long long>(driver.Clock()), machine.IP);

  bool written = true;
  if (const auto sent = args.Value("--net-out")) written = WriteOutput(*sent, peer.Received());
  if (const auto log = args.Value("--net-log")) written = WriteOutput(*log, network.LogText()) && written;
  if (const auto dump = args.Value("--dump")) written = WriteOutput(*dump, ProgramFileText(machine.Memory));
  if (const auto picture = args.Value("--screen")) {
    const ScreenBuffer& screen = session.Screen().Buffer;
    written = WriteOutput(*picture, ScreenPicture(screen, *picture)) && written;
  }
  return written ? ExitOk : ExitUsage;
}

}  // namespace

int RunCommand(const std::vector<std::string>& words) { return RunWith(words); }

}  // namespace zar::cli
