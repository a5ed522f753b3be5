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

// A new instance of the module bytes..bytes+size in place of `previous`,
// given the function at serve in the page's table: its number, or 0 when
// the page refuses the module. The old instance is unreachable at once.
EM_JS(int, zar_wasm_instantiate, (int previous, const unsigned char* bytes, int size, int serve), {
  var code = Module["zarCompiledCode"] || (Module["zarCompiledCode"] = {next : 1, runs : {}});
  if (previous) delete code.runs[previous];
  try {
    var module = new WebAssembly.Module(HEAPU8.subarray(bytes, bytes + size));
    var instance = new WebAssembly.Instance(module, {env : {memory : wasmMemory, serve : wasmTable.get(serve)}});
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

// Called by compiled code through the module's import with the command
// waiting in its cell: whether it wrote a cell that holds code.
std::uint32_t ServeScreen(WasmContext* words) {
  RunContext& context = *reinterpret_cast<RunContext*>(words);
  MemoryCells& memory = *reinterpret_cast<MemoryCells*>(context.memory);
  const Byte command = memory[ScreenCommandCell];
  detail::ExecuteScreenCommand(memory, *context.screen, command);
  memory[ScreenCommandCell] = 0;
  if (ScreenServes(command)) ++*context.services;
  const std::uint8_t* holds = context.holds;
  return command == ScreenRead && (holds[250] | holds[251] | holds[252]) != 0 ? 1 : 0;
}

}  // namespace

std::unique_ptr<WasmCode> WasmCode::Create(bool samples) { return std::unique_ptr<WasmCode>(new WasmCode(samples)); }

WasmCode::~WasmCode() {
  if (instance_ != 0) zar_wasm_forget(instance_);
}

int WasmCode::Gather(const Byte* starts, int count, Byte* out) {
  bool due = count > 1;
  for (int i = 0; i < count; ++i) {
    const Byte start = starts[i];
    if (asked_[start] == 0) ++waitingCount_;
    if (asked_[start] < 255) ++asked_[start];
    // Code rewritten again and again waits longer each time it is dropped.
    due = due || asked_[start] > 1 << std::min<int>(drops_[start], 4);
  }
  // A module of k blocks is written again once k / 4 more wait: the blocks
  // written over and over stay a few times those kept.
  if (!due && (waitingCount_ < 4 || 4 * waitingCount_ < kept_)) return 0;
  int gathered = 0;
  for (int start = 0; start <= MaxIP; ++start) {
    if (asked_[start] > 0) out[gathered++] = static_cast<Byte>(start);
  }
  asked_.fill(0);
  waitingCount_ = 0;
  return gathered;
}

bool WasmCode::Compile(const BlockPlan* plans, int count, const MemoryCells& memory, const FromMemory& fromMemory) {
  const double began = emscripten_get_now();
  std::array<int, 256> lengths = lengths_;
  for (int i = 0; i < count; ++i) lengths[plans[i].start] = plans[i].length;
  std::vector<WasmBlock> blocks;
  for (int start = 0; start <= MaxIP; ++start) {
    if (lengths[start] > 0) blocks.push_back({static_cast<Byte>(start), lengths[start]});
  }
  const WasmModule module = WriteModule(blocks, memory, fromMemory, samples_);
  if (module.bytes.empty()) return false;
  const int instance = zar_wasm_instantiate(instance_, module.bytes.data(), static_cast<int>(module.bytes.size()),
                                            static_cast<int>(Address(reinterpret_cast<const void*>(&ServeScreen))));
  if (instance == 0) {
    // The old instance is gone with the old module: every block with it.
    instance_ = 0;
    DropAll();
    return false;
  }
  instance_ = instance;
  kept_ = static_cast<int>(blocks.size());
  lengths_ = lengths;
  table_ = module.entry;
  moduleBytes_ = module.bytes.size();
  lastCompileMs_ = emscripten_get_now() - began;
  return true;
}

void WasmCode::Drop(Byte start) {
  if (lengths_[start] > 0) {
    --kept_;
    if (drops_[start] < 255) ++drops_[start];
  }
  lengths_[start] = 0;
  table_[start] = 0;
}

void WasmCode::DropAll() {
  kept_ = 0;
  asked_.fill(0);
  waitingCount_ = 0;
  lengths_.fill(0);
  table_.fill(0);
}

WasmCode::Exit WasmCode::Run(Machine& m, std::uint64_t budget, char* console, std::size_t room,
                             CompiledCode::Samples* samples, ScreenDevice& screen, std::uint64_t& services,
                             const std::uint8_t* holdsCode) {
  if (instance_ == 0) return {};
  const std::uint32_t given = static_cast<std::uint32_t>(std::min<std::uint64_t>(budget, 1u << 30));
  const ScreenBufferRaw store = screen.Buffer.Raw();
  RunContext context{
      {Address(m.Memory.data()), Address(holdsCode), Address(table_.data()), given, Address(console),
       Address(console + room), m.IP, 0, samples ? Address(samples->ring) : 0u, samples ? samples->sum : 0,
       samples ? static_cast<std::uint32_t>(samples->position) : 0u, Address(store.pixels), Address(store.filling),
       Address(store.written), Address(store.versions), 0},
      m.Memory.data(),
      holdsCode,
      &screen,
      &services};
  zar_wasm_run(instance_, &context.words);
  m.IP = static_cast<Byte>(context.words.ip);
  services += context.words.plots;
  if (samples) {
    samples->sum = context.words.sum;
    samples->position = context.words.position;
  }
  return {given - context.words.budget, context.words.console - Address(console), context.words.wrote != 0};
}

#else

std::unique_ptr<WasmCode> WasmCode::Create(bool) { return nullptr; }
WasmCode::~WasmCode() = default;
int WasmCode::Gather(const Byte*, int, Byte*) { return 0; }
bool WasmCode::Compile(const BlockPlan*, int, const MemoryCells&, const FromMemory&) { return false; }
void WasmCode::Drop(Byte) {}
void WasmCode::DropAll() {}
WasmCode::Exit WasmCode::Run(Machine&, std::uint64_t, char*, std::size_t, CompiledCode::Samples*, ScreenDevice&,
                             std::uint64_t&, const std::uint8_t*) {
  return {};
}

#endif

}  // namespace zar::compiled
