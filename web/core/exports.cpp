// The page's C interface to the core, called by the worker through the
// module's exports. A handle is one PageCore; every text comes back in the
// handle's Text() (zar_text, zar_text_size).
#include <emscripten/emscripten.h>

#include <cstring>

#include "formats/input_script.h"
#include "machine/cp1252.h"
#include "machine/instruction.h"
#include "machine/memory_text.h"
#include "formats/program_file.h"
#include "formats/screen_image.h"
#include "session/scripted_input.h"
#include "web/core/page_core.h"
#include "zar/version.h"

using zar::Byte;
using zar::web::PageCore;

namespace {

// The reasons a run stops, as the page knows them.
int StopCode(const zar::RunStop& stop) { return static_cast<int>(stop.reason); }

const char* Keep(PageCore* core, std::string text) {
  core->Text() = std::move(text);
  return core->Text().c_str();
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE PageCore* zar_create() { return new PageCore(); }
EMSCRIPTEN_KEEPALIVE void zar_destroy(PageCore* core) { delete core; }
EMSCRIPTEN_KEEPALIVE const char* zar_text(PageCore* core) { return core->Text().c_str(); }
EMSCRIPTEN_KEEPALIVE int zar_text_size(PageCore* core) { return static_cast<int>(core->Text().size()); }
EMSCRIPTEN_KEEPALIVE const char* zar_version(PageCore* core) { return Keep(core, zar::VersionText); }

// Loading, filling, saving.
EMSCRIPTEN_KEEPALIVE int zar_load(PageCore* core, const char* bytes, int size, const char* name) {
  return static_cast<int>(core->Load({bytes, static_cast<std::size_t>(size)}, name));
}
EMSCRIPTEN_KEEPALIVE int zar_reset(PageCore* core) { return static_cast<int>(core->Reset()); }
EMSCRIPTEN_KEEPALIVE void zar_fill(PageCore* core, int pattern) { core->Fill(static_cast<zar::FillPattern>(pattern)); }
EMSCRIPTEN_KEEPALIVE const char* zar_program_file(PageCore* core) {
  return Keep(core, zar::ProgramFileText(core->TheSession().State().Memory));
}
EMSCRIPTEN_KEEPALIVE const char* zar_screen_png(PageCore* core) {
  return Keep(core, zar::ScreenPng(core->TheSession().Screen().Buffer));
}
EMSCRIPTEN_KEEPALIVE int zar_set_inputs(PageCore* core, const char* text, int keys) {
  return core->SetInputs(text, keys != 0) ? 1 : 0;
}

// Running. Steps and clocks come back as doubles: whole numbers below 2^53.
EMSCRIPTEN_KEEPALIVE int zar_run(PageCore* core, double clock) {
  return StopCode(core->RunFor(static_cast<std::uint64_t>(clock)));
}
// A slice at full speed: as zar_run, but it ends early for the network's route.
EMSCRIPTEN_KEEPALIVE int zar_run_slice(PageCore* core, double clock) {
  return StopCode(core->RunFor(static_cast<std::uint64_t>(clock), true));
}
// The run as the worker runs it (mode 0 stopped, 1 timer, 2 full speed), and
// the Debugger's state line for it.
EMSCRIPTEN_KEEPALIVE void zar_set_run(PageCore* core, int mode, int waiting, int paused, int interval) {
  core->SetRun(static_cast<zar::RunMode>(mode), waiting != 0, paused != 0, interval);
}
EMSCRIPTEN_KEEPALIVE void zar_stopped(PageCore* core) { core->Stopped(); }
EMSCRIPTEN_KEEPALIVE const char* zar_state_text(PageCore* core) { return Keep(core, core->StateText()); }
EMSCRIPTEN_KEEPALIVE double zar_steps(PageCore* core) { return static_cast<double>(core->StepsSinceLoad()); }
EMSCRIPTEN_KEEPALIVE double zar_clock(PageCore* core) { return static_cast<double>(core->Driver().Clock()); }
EMSCRIPTEN_KEEPALIVE void zar_step_back(PageCore* core, double n) { core->StepBack(static_cast<std::uint64_t>(n)); }
EMSCRIPTEN_KEEPALIVE void zar_run_back(PageCore* core) { core->RunBack(); }
EMSCRIPTEN_KEEPALIVE double zar_record_depth(PageCore* core) {
  return static_cast<double>(core->TheSession().RecordDepth());
}

// Cells, IP, keys, the debugger.
EMSCRIPTEN_KEEPALIVE const Byte* zar_memory(PageCore* core) { return core->TheSession().State().Memory.data(); }
EMSCRIPTEN_KEEPALIVE int zar_ip(PageCore* core) { return std::as_const(core->TheSession()).State().IP; }
EMSCRIPTEN_KEEPALIVE void zar_set_cell(PageCore* core, int cell, int value) {
  core->TheSession().WriteCell(cell & 255, static_cast<Byte>(value));
}
EMSCRIPTEN_KEEPALIVE void zar_set_ip(PageCore* core, int ip) { core->SetIP(static_cast<Byte>(ip)); }
EMSCRIPTEN_KEEPALIVE void zar_key(PageCore* core, int code) { core->Key(static_cast<Byte>(code)); }
EMSCRIPTEN_KEEPALIVE int zar_key_code_of(int ch) { return zar::KeyCodeOf(static_cast<char>(ch)).value_or(0); }
EMSCRIPTEN_KEEPALIVE void zar_set_breakpoint(PageCore* core, int address, int on) {
  core->TheSession().SetBreakpoint(static_cast<Byte>(address), on != 0);
}
EMSCRIPTEN_KEEPALIVE int zar_is_breakpoint(PageCore* core, int address) {
  return core->TheSession().IsBreakpoint(static_cast<Byte>(address)) ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE void zar_set_watch(PageCore* core, int cell, int on) {
  core->TheSession().SetWatch(static_cast<Byte>(cell), on != 0);
}
EMSCRIPTEN_KEEPALIVE int zar_is_watched(PageCore* core, int cell) {
  return core->TheSession().IsWatched(static_cast<Byte>(cell)) ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE const char* zar_instruction_words(PageCore* core) {
  return Keep(core, zar::DescribeInstruction(zar::Decode(std::as_const(core->TheSession()).State())));
}
EMSCRIPTEN_KEEPALIVE const char* zar_memory_text(PageCore* core) {
  return Keep(core, zar::MemoryText(std::as_const(core->TheSession()).State()));
}

// The console by character numbers, the screen by rows, the history.
EMSCRIPTEN_KEEPALIVE double zar_console_begin(PageCore* core) {
  return static_cast<double>(core->TheSession().Console().Begin());
}
EMSCRIPTEN_KEEPALIVE double zar_console_end(PageCore* core) {
  return static_cast<double>(core->TheSession().Console().End());
}
EMSCRIPTEN_KEEPALIVE int zar_console_dropped(PageCore* core) { return core->TheSession().Console().Dropped() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE double zar_console_clears(PageCore* core) {
  return static_cast<double>(core->TheSession().Console().Clears());
}
EMSCRIPTEN_KEEPALIVE void zar_console_clear(PageCore* core) { core->TheSession().Console().Clear(); }
// The console from `from` on, no more than the page keeps of it; cut says
// whether shown characters before those were left out.
EMSCRIPTEN_KEEPALIVE const char* zar_console(PageCore* core, double from, int* cut) {
  const zar::ConsoleStore& console = core->TheSession().Console();
  zar::web::ConsolePart part = zar::web::ConsoleForPage(console, static_cast<std::uint64_t>(from), console.End());
  *cut = part.cut ? 1 : 0;
  return Keep(core, std::move(part.text));
}
EMSCRIPTEN_KEEPALIVE int zar_screen_row_version(PageCore* core, int y) {
  return static_cast<int>(core->TheSession().Screen().Buffer.RowVersion(y));
}
EMSCRIPTEN_KEEPALIVE const std::uint8_t* zar_screen_rgba(PageCore* core, int first, int count) {
  return core->ScreenRgba(first, count);
}
// The compiled engine where the page has it (1), or the interpreter (0).
EMSCRIPTEN_KEEPALIVE void zar_set_engine(PageCore* core, int compiled) {
  const bool available = compiled != 0 && zar::CompiledEngineAvailable();
  core->TheSession().SetEngine(available ? zar::Engine::Compiled : zar::Engine::Interpreter);
}
EMSCRIPTEN_KEEPALIVE void zar_record_history(PageCore* core, int on) { core->TheSession().SetRecordsHistory(on != 0); }
// The history's 513 samples as plot heights (0 top .. 512 bottom), and its label.
EMSCRIPTEN_KEEPALIVE const double* zar_history_plot(PageCore* core, double* out) {
  const zar::SumHistory& history = core->TheSession().History();
  const zar::HistoryStats stats = history.Stats();
  const auto samples = history.Samples();
  for (std::size_t i = 0; i < samples.size(); ++i) out[i] = zar::PlotY(samples[i], stats);
  Keep(core, zar::HistoryLabelText(stats));
  return out;
}

// The network device's socket and its route's events (page_socket.h). Uses
// of the socket are whole numbers below 2^31.
EMSCRIPTEN_KEEPALIVE void zar_net_use(PageCore* core, int on) { core->UseSocket(on != 0); }
EMSCRIPTEN_KEEPALIVE const char* zar_net_requests(PageCore* core) { return Keep(core, core->Socket().TakeRequests()); }
EMSCRIPTEN_KEEPALIVE const char* zar_net_log(PageCore* core) { return Keep(core, core->Socket().TakeLog()); }
EMSCRIPTEN_KEEPALIVE const char* zar_net_state(PageCore* core) { return Keep(core, core->Socket().State()); }
EMSCRIPTEN_KEEPALIVE double zar_net_sent(PageCore* core) { return static_cast<double>(core->Socket().BytesSent()); }
EMSCRIPTEN_KEEPALIVE double zar_net_received(PageCore* core) {
  return static_cast<double>(core->Socket().BytesReceived());
}
EMSCRIPTEN_KEEPALIVE void zar_net_connected(PageCore* core, int use, const char* peer) {
  core->Socket().Connected(static_cast<std::uint32_t>(use), peer);
}
EMSCRIPTEN_KEEPALIVE void zar_net_arrived(PageCore* core, int use, const char* bytes, int size) {
  core->NetArrived(static_cast<std::uint32_t>(use), std::string(bytes, static_cast<std::size_t>(size)));
}
EMSCRIPTEN_KEEPALIVE void zar_net_closed(PageCore* core, int use) {
  core->Socket().PeerClosed(static_cast<std::uint32_t>(use));
}
EMSCRIPTEN_KEEPALIVE int zar_net_failed(PageCore* core, int use, const char* description) {
  return core->Socket().Failed(static_cast<std::uint32_t>(use), description) ? 1 : 0;
}
// A chunk as a script's net line gives it (decimal bytes or one "text"),
// from code page 1252 bytes: its size, the bytes in Text(); or -1 with the
// message in Text().
EMSCRIPTEN_KEEPALIVE int zar_net_chunk(PageCore* core, const char* field) {
  std::vector<zar::TimedInput> inputs;
  std::string error;
  if (!zar::ParseInputScript(std::string("0 net ") + field, 0, inputs, error) || inputs.size() != 1) {
    Keep(core, error.substr(error.find(": ") == std::string::npos ? 0 : error.find(": ") + 2));
    return -1;
  }
  Keep(core, inputs[0].bytes);
  return static_cast<int>(inputs[0].bytes.size());
}
// The code page 1252 byte of a Unicode character, or -1.
EMSCRIPTEN_KEEPALIVE int zar_cp1252_of(PageCore*, int ch) {
  const std::optional<Byte> code = zar::UnicodeToCp1252(static_cast<char32_t>(ch));
  return code ? *code : -1;
}

}  // extern "C"
