// The page's C interface to the core, called by the worker through the
// module's exports. A handle is one PageCore; every text comes back in the
// handle's Text() (zar_text, zar_text_size).
#include <emscripten/emscripten.h>

#include <cstring>

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
EMSCRIPTEN_KEEPALIVE const char* zar_console(PageCore* core, double from) {
  const zar::ConsoleStore& console = core->TheSession().Console();
  return Keep(core, zar::web::ConsoleForPage(console, static_cast<std::uint64_t>(from), console.End()));
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

}  // extern "C"
