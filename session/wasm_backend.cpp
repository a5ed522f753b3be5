// The page's compiled code: the module written by WriteModule, compiled and
// instantiated by a few lines of JavaScript over the page's memory and its
// table of functions, and run from C++ through them.
#include "session/wasm_backend.h"

#include <vector>

#include "devices/screen_device.h"
#include "session/wasm_module.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

#include <algorithm>
#include <cstdint>

// A new instance of the module bytes..bytes+size in place of `previous`:
// its number, or 0 when the page refuses the module.
EM_JS(int, zar_wasm_instantiate, (int previous, const unsigned char* bytes, int size), {
  var code = Module["zarCompiledCode"] || (Module["zarCompiledCode"] = {next : 1, runs : {}});
  if (previous) delete code.runs[previous];
  try {
    var module = new WebAssembly.Module(HEAPU8.subarray(bytes, bytes + size));
    var instance = new WebAssembly.Instance(module, {env : {memory : wasmMemory, table : wasmTable}});
    var id = code.next++;
    code.runs[id] = instance.exports.run;
    return id;
  } catch (e) {
    return 0;
  }
});
EM_JS(void, zar_wasm_run, (int id, void* context), { Module["zarCompiledCode"].runs[id](context); });
EM_JS(void, zar_wasm_forget, (int id), {
  if (Module["zarCompiledCode"]) delete Module["zarCompiledCode"].runs[id];
});
#endif

namespace zar::compiled {

#ifdef __EMSCRIPTEN__

namespace {

// The context of a run: the words the module reads and writes, then what
// the screen's service needs.
struct RunContext {
  WasmContext words;
  Byte* memory;
  const std::uint8_t* holds;
  ScreenDevice* screen;
  std::uint64_t* services;
};

std::uint32_t Address(const void* pointer) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

// Called by compiled code through the table with the command waiting in
// its cell: whether it wrote a cell that holds code.
std::uint32_t ServeScreen(WasmContext* words) {
  RunContext& context = *reinterpret_cast<RunContext*>(words);
  MemoryCells& memory = *reinterpret_cast<MemoryCells*>(context.memory);
  const Byte command = memory[ScreenCommandCell];
  detail::ExecuteScreenCommand(memory, *context.screen, command);
  memory[ScreenCommandCell] = 0;
  ++*context.services;
  const std::uint8_t* holds = context.holds;
  return command == ScreenRead && (holds[250] | holds[251] | holds[252]) != 0 ? 1 : 0;
}

}  // namespace

std::unique_ptr<WasmCode> WasmCode::Create(bool samples) { return std::unique_ptr<WasmCode>(new WasmCode(samples)); }

WasmCode::~WasmCode() {
  if (instance_ != 0) zar_wasm_forget(instance_);
}

bool WasmCode::Compile(const BlockPlan* plans, int count, const MemoryCells& memory, const FromMemory& fromMemory) {
  const double began = emscripten_get_now();
  std::array<int, 256> lengths = lengths_;
  for (int i = 0; i < count; ++i) lengths[plans[i].start] = plans[i].length;
  std::vector<WasmBlock> blocks;
  for (int start = 0; start <= MaxIP; ++start) {
    if (lengths[start] > 0) blocks.push_back({static_cast<Byte>(start), lengths[start]});
  }
  const std::uint32_t serve = Address(reinterpret_cast<const void*>(&ServeScreen));
  const WasmModule module = WriteModule(blocks, memory, fromMemory, samples_, serve);
  if (module.bytes.empty()) return false;
  const int instance = zar_wasm_instantiate(instance_, module.bytes.data(), static_cast<int>(module.bytes.size()));
  if (instance == 0) {
    // The old instance is gone with the old module: every block with it.
    instance_ = 0;
    DropAll();
    return false;
  }
  instance_ = instance;
  lengths_ = lengths;
  table_ = module.entry;
  moduleBytes_ = module.bytes.size();
  lastCompileMs_ = emscripten_get_now() - began;
  return true;
}

void WasmCode::Drop(Byte start) {
  lengths_[start] = 0;
  table_[start] = 0;
}

void WasmCode::DropAll() {
  lengths_.fill(0);
  table_.fill(0);
}

WasmCode::Exit WasmCode::Run(Machine& m, std::uint64_t budget, char* console, std::size_t room,
                             CompiledCode::Samples* samples, ScreenDevice& screen, std::uint64_t& services,
                             const std::uint8_t* holdsCode) {
  if (instance_ == 0) return {};
  const std::uint32_t given = static_cast<std::uint32_t>(std::min<std::uint64_t>(budget, 1u << 30));
  RunContext context{{Address(m.Memory.data()), Address(holdsCode), Address(table_.data()), given, Address(console),
                      Address(console + room), m.IP, 0, samples ? Address(samples->ring) : 0u,
                      samples ? samples->sum : 0, samples ? static_cast<std::uint32_t>(samples->position) : 0u},
                     m.Memory.data(),
                     holdsCode,
                     &screen,
                     &services};
  zar_wasm_run(instance_, &context.words);
  m.IP = static_cast<Byte>(context.words.ip);
  if (samples) {
    samples->sum = context.words.sum;
    samples->position = context.words.position;
  }
  return {given - context.words.budget, context.words.console - Address(console), context.words.wrote != 0};
}

#else

std::unique_ptr<WasmCode> WasmCode::Create(bool) { return nullptr; }
WasmCode::~WasmCode() = default;
bool WasmCode::Compile(const BlockPlan*, int, const MemoryCells&, const FromMemory&) { return false; }
void WasmCode::Drop(Byte) {}
void WasmCode::DropAll() {}
WasmCode::Exit WasmCode::Run(Machine&, std::uint64_t, char*, std::size_t, CompiledCode::Samples*, ScreenDevice&,
                             std::uint64_t&, const std::uint8_t*) {
  return {};
}

#endif

}  // namespace zar::compiled
