#include "web/core/page_core.h"

#include <algorithm>

#include "assembler/assemble.h"
#include "formats/program_file.h"
#include "formats/source_file.h"
#include "machine/console_text.h"
#include "machine/cp1252.h"
#include "machine/fill.h"

namespace zar::web {

namespace {

// Where the last `keep` characters of a UTF-8 text begin (0 when it has no
// more than `keep`).
std::size_t LastCharacters(std::string_view utf8, std::size_t keep) {
  std::size_t count = 0;
  for (std::size_t at = utf8.size(); at > 0; --at) {
    const bool starts = (static_cast<unsigned char>(utf8[at - 1]) & 0xC0U) != 0x80U;
    if (starts && ++count == keep) return at - 1;
  }
  return 0;
}

}  // namespace

ConsolePart ConsoleForPage(const ConsoleStore& console, std::uint64_t from, std::uint64_t to, std::size_t keep) {
  from = std::max(from, console.Begin());
  const std::string_view shown = console.Range(from, std::max(from, to));
  bool afterReturn = from > console.Begin() && console.Range(from - 1, from) == "\r";
  std::string out;
  out.reserve(shown.size());
  for (const char ch : shown) {
    const char32_t c = Cp1252ToUnicode(static_cast<Byte>(ch));
    const ConsoleBreak lineBreak = ConsoleBreakOf(c, afterReturn);
    if (lineBreak == ConsoleBreak::EndsLine) out += '\n';
    if (lineBreak == ConsoleBreak::None) AppendUtf8(out, ConsolePicture(c));
    afterReturn = c == '\r';
  }
  const std::size_t first = LastCharacters(out, keep);
  if (first == 0) return {std::move(out), false};
  return {out.substr(first), true};
}

PageCore::PageCore() : session_(offline_), driver_(session_, {}), generator_(ClockSeededGenerator()) {
  zar::Machine start;
  FillMemory(start, FillPattern::Random, generator_);
  session_.ReplaceMachine(start);
  session_.StartRecord();
  // The blocks the program runs most become WebAssembly of their own.
  if (CompiledEngineAvailable()) session_.SetEngine(Engine::Compiled);
}

void PageCore::Loaded() {
  loadedAt_ = session_.Steps();
  driver_ = InputDriver(session_, {});
  session_.Status().waiting = false;
  keys_.Clear();
  last_ = {};
  stopped_ = "stopped";
}

zar::web::Loaded PageCore::Load(std::string_view bytes, std::string_view name) {
  program_.assign(bytes);
  name_.assign(name);
  session_.ClearBreakpointsAndWatches();
  return Reset();
}

zar::web::Loaded PageCore::Reset() {
  text_.clear();
  zar::Machine next = session_.State();
  next.IP = 0;
  zar::web::Loaded kind = zar::web::Loaded::Program;
  // A source's image replaces the cells a line of it may have set.
  if (LooksLikeSource(name_, ReadProgramText(program_, next.Memory))) {
    AssemblerState state;
    const Assembly assembly = Assemble(SourceLines(program_), state, {GenerateMode::Copy, false});
    for (const StageMessage& message : assembly.messages) text_ += message.text + "\n";
    if (!assembly.generated) return zar::web::Loaded::SourceFailed;
    next.Memory.fill(0);
    std::copy_n(state.Image.begin(), next.Memory.size(), next.Memory.begin());
    kind = zar::web::Loaded::Source;
  }
  session_.Status().mode = RunMode::Stopped;
  session_.ReplaceMachine(next);
  Loaded();
  return kind;
}

void PageCore::Fill(FillPattern pattern) {
  zar::Machine next;
  FillMemory(next, pattern, generator_);
  session_.ReplaceMachine(next);
  Loaded();
}

void PageCore::CopyIntoMemory(const std::optional<MemoryCells>& code) {
  zar::Machine next = session_.State();
  if (code) {
    next.Memory = *code;
    next.IP = 0;
  } else {
    next.Memory.fill(0);
  }
  session_.Status().mode = RunMode::Stopped;
  session_.ReplaceMachine(next);
  Loaded();
}

bool PageCore::SetInputs(std::string_view text, bool keys) {
  std::vector<TimedInput> inputs;
  const bool read = keys ? KeysOf(text, 0, DefaultKeyGap, inputs, text_)
                         : ParseInputScript(text, DefaultKeyGap, inputs, text_);
  if (read) driver_ = InputDriver(session_, std::move(inputs));
  return read;
}

RunStop PageCore::RunFor(std::uint64_t clock, bool slice) {
  const std::uint64_t until = driver_.Clock() + clock;
  const bool yields = slice && socketInUse_;
  RunStop stop;
  while (driver_.Clock() < until) {
    // While a key waits for the program to read it, the run goes step by step.
    const bool stepwise = keys_.ApplyDue(session_) || keys_.Waiting();
    std::uint64_t most = stepwise ? 1 : until - driver_.Clock();
    if (yields) most = std::min(most, NetBurst);
    // A slice that waits for the network stops at a repeat of the state, as
    // the desktop waits there, unless a timed input or a key is to come.
    const RunPolicy policy{most, true, true, yields};
    stop = driver_.PastRepeat(driver_.Advance(policy), policy);
    const bool waits = stop.reason == RunStop::Reason::FixedPoint || stop.reason == RunStop::Reason::Repeating;
    if (waits && keys_.ApplyDue(session_, true)) continue;
    stop = driver_.PastFixedPoint(stop, until);
    if (stop.reason != RunStop::Reason::StepLimit) break;
    // What the program asked of the socket goes to its route at once.
    if (yields && socket_.HasRequests()) break;
  }
  last_ = stop;
  return stop;
}

std::string PageCore::StateText() const {
  return StateWords(session_.Status(), stopped_, interval_, session_.State().IP);
}

void PageCore::SetRun(RunMode mode, bool waiting, bool paused, long long intervalMs) {
  RunState& run = session_.Status();
  if (run.Running()) stopped_ = "stopped";
  run.mode = mode;
  run.paused = paused;
  run.waiting = waiting && mode == RunMode::FullSpeed;
  interval_ = intervalMs;
}

void PageCore::Stopped(bool back) { stopped_ = back ? SteppedBackWords(StepsSinceLoad(), last_) : StoppedWords(last_); }

void PageCore::StepBack(std::uint64_t steps) {
  last_ = {};
  session_.StepBack(steps);
  keys_.Clear();
  Stopped(true);
}

void PageCore::RunBack() {
  last_ = session_.RunBack().stop;
  keys_.Clear();
  Stopped(true);
}

void PageCore::SetIP(Byte ip) {
  zar::Machine next = session_.State();
  next.IP = std::min<Byte>(ip, MaxIP);
  session_.ReplaceMachine(next);
}

void PageCore::UseSocket(bool on) {
  socketInUse_ = on;
  socket_.Reset();
  session_.SetNetwork(on ? static_cast<NetworkPort&>(socket_) : offline_);
}

void PageCore::NetArrived(std::uint32_t use, const std::string& chunk) {
  if (const std::optional<Byte> first = socket_.Arrived(use, chunk)) session_.WriteCell(NetDataCell, *first);
}

const std::uint8_t* PageCore::ScreenRgba(int first, int count) {
  rgba_.resize(static_cast<std::size_t>(count) * ScreenSize * 4);
  std::uint8_t* out = rgba_.data();
  for (int y = first; y < first + count; ++y) {
    const ColorValue* row = session_.Screen().Buffer.Row(y);
    for (int x = 0; x < ScreenSize; ++x, out += 4) {
      out[0] = static_cast<std::uint8_t>(RedOf(row[x]));
      out[1] = static_cast<std::uint8_t>(GreenOf(row[x]));
      out[2] = static_cast<std::uint8_t>(BlueOf(row[x]));
      out[3] = 255;
    }
  }
  return rgba_.data();
}

}  // namespace zar::web
