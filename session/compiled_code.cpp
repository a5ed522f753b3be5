// The code cache: which addresses have a block, how often the interpreter
// stopped at the others, and which cells hold code, so that a write to one
// drops the blocks made from it.
#include "session/compiled_code.h"

#include <algorithm>

#include "session/block_emitter.h"
#include "session/code_region.h"
#include "session/compiled_context.h"
#include "session/wasm_backend.h"

namespace zar {

namespace {

// A block of eight screen commands served in line takes about 1900 bytes.
constexpr std::size_t MostBlockBytes = 3072;
// Taking samples makes blocks about half as long again (eight screen
// commands about 2600).
constexpr std::size_t MostSamplingBlockBytes = 4096;

// How many instructions from start on make a block: none that jumps to
// itself with an operand read from memory or on a command cell (a fixed
// point the interpreter must see: the others leave before a step that
// changes nothing), none with a
// constant in a cell the block itself writes, and
// none after one that always jumps (B = A) but to the next instruction.
// Cells read from memory are no
// constants: what they hold is looked at as the step runs. A step on the
// screen's command cell or the console takes its B and C as constants.
// The page's code (WebAssembly) serves no network command, and no screen
// command where it takes samples, and leaves every jump to itself to the
// interpreter.
int BlockLengthAt(Byte start, const MemoryCells& memory, const compiled::FromMemory& read, bool samples, bool page) {
  int n = 0;
  std::array<bool, 256> written{};
  for (int ip = start; ip <= MaxIP && n < CompiledCode::BlockLength; ip += 3) {
    const Byte a = memory[ip];
    const bool readA = read[ip], readB = read[ip + 1], readC = read[ip + 2];
    const bool command = !readA && (a == ScreenCommandCell || a == NetCommandCell);
    if (page && !readA && (a == NetCommandCell || (samples && a == ScreenCommandCell))) break;
    if (page && !readC && WrapIP(memory[ip + 2]) == ip) break;
    if ((command || (!readA && a == ConsoleCell)) && (readB || readC)) break;
    if (!readC && WrapIP(memory[ip + 2]) == ip && (readA || readB || command)) break;
    if ((written[ip] && !readA) || (written[ip + 1] && !readB) || (written[ip + 2] && !readC)) break;
    if (!readA) {
      if (a >= start && a <= ip + 2 && !read[a]) break;
      written[a] = true;
    }
    ++n;
    // A step on a command cell (0 before it) always jumps.
    const bool toNext = !readC && WrapIP(memory[ip + 2]) == ip + 3;
    if (!readA && ((!readB && memory[ip + 1] == a) || command) && !toNext) break;
  }
  return n;
}

std::uint32_t ServeScreen(CompiledCode::Context* context) {
  MemoryCells& memory = *reinterpret_cast<MemoryCells*>(context->memory);
  const Byte command = memory[ScreenCommandCell];
  const int colour = memory[ScreenRedCell] + memory[ScreenGreenCell] + memory[ScreenBlueCell];
  detail::ExecuteScreenCommand(memory, *context->screen, command);
  memory[ScreenCommandCell] = 0;
  context->sum += memory[ScreenRedCell] + memory[ScreenGreenCell] + memory[ScreenBlueCell] - colour;
  if (ScreenServes(command)) ++*context->services;
  const std::uint8_t* holds = context->holdsCode;
  return command == ScreenRead && (holds[250] | holds[251] | holds[252]) != 0 ? 1 : 0;
}

std::uint32_t ServeNetwork(CompiledCode::Context* context) {
  MemoryCells& memory = *reinterpret_cast<MemoryCells*>(context->memory);
  const Byte command = memory[NetCommandCell];
  if (NetServes(command)) ++*context->services;
  context->sum -= command == NetSend ? memory[NetDataCell] : 0;
  context->reached = CheckNetwork(memory, *context->network) == NetCommandResult::Reached ? 1 : 0;
  return context->reached | (command == NetSend ? context->holdsCode[NetDataCell] : 0);
}

}  // namespace

std::unique_ptr<CompiledCode> CompiledCode::Create(bool samples, bool eager) {
  std::unique_ptr<compiled::WasmCode> wasm = compiled::WasmCode::Create(samples);
  if (!wasm && !compiled::CodeRegion::Supported()) return nullptr;
  std::unique_ptr<CompiledCode> code(new CompiledCode);
  code->wasm_ = std::move(wasm);
  code->samples_ = samples;
  code->eager_ = eager;
  if (eager) code->heatToCompile_ = EagerHeat;
  return code;
}

bool CompiledCode::Available() {
  return compiled::WasmCode::Create(false) != nullptr || compiled::CodeRegion::Create() != nullptr;
}

// The region is made when the first block is compiled: most short runs
// compile nothing.
bool CompiledCode::MakeRegion() {
  if (region_) return true;
  if (refused_) return false;
  region_ = compiled::CodeRegion::Create();
  refused_ = region_ == nullptr;
  if (region_) table_ = region_->Stubs().plain;
  return region_ != nullptr;
}

CompiledCode::~CompiledCode() = default;

bool CompiledCode::Compile(const Byte* starts, int count, const MemoryCells& memory) {
  std::array<Byte, 256> gathered;
  if (wasm_) {
    count = wasm_->Gather(starts, count, gathered.data());
    starts = gathered.data();
  }
  std::array<compiled::BlockPlan, 256> plans;
  int planned = 0;
  for (int i = 0; i < count; ++i) {
    const int length = Has(starts[i]) ? 0 : BlockLengthAt(starts[i], memory, fromMemory_, samples_, wasm_ != nullptr);
    if (length > 0) plans[static_cast<std::size_t>(planned++)] = {starts[i], length, 0};
  }
  if (planned == 0) return true;
  credit_ -= planned * CompileCost;
  if (wasm_) return CompileWasm(plans.data(), planned, memory);
  if (!MakeRegion()) return false;
  const std::size_t most = static_cast<std::size_t>(planned) * (samples_ ? MostSamplingBlockBytes : MostBlockBytes);
  if (region_->Room() < most) DropAll();
  // The blocks are written straight into the region: its pages from the
  // first one written are writable and not executable meanwhile.
  const std::size_t room = std::min(region_->Room(), most);
  std::uint8_t* const at = region_->Free();
  if (!region_->Open(room)) return false;
  const std::optional<std::size_t> size = compiled::EmitBlocks(at, room, samples_, region_->Stubs(), plans.data(),
                                                               planned, memory, fromMemory_);
  region_->Seal();
  if (!size) return false;
  for (int i = 0; i < planned; ++i) {
    const compiled::BlockPlan& plan = plans[static_cast<std::size_t>(i)];
    blocks_[plan.start] = {at + plan.offset, plan.length};
    ++blockCount_;
    table_[plan.start] = blocks_[plan.start].code;
    for (int cell = plan.start; cell < plan.start + 3 * plan.length; ++cell) {
      if (fromMemory_[cell]) continue;
      ++holdsCode_[cell];
      compiledFrom_[cell] = memory[cell];
    }
  }
  region_->Take(*size);
  return true;
}

// The blocks take the cells as the x86 blocks do; the back end's token
// stands for their code.
bool CompiledCode::CompileWasm(const compiled::BlockPlan* plans, int planned, const MemoryCells& memory) {
  if (!wasm_->Compile(plans, planned, memory, fromMemory_)) return false;
  for (int i = 0; i < planned; ++i) {
    const compiled::BlockPlan& plan = plans[i];
    blocks_[plan.start] = {wasm_.get(), plan.length};
    ++blockCount_;
    for (int cell = plan.start; cell < plan.start + 3 * plan.length; ++cell) {
      if (fromMemory_[cell]) continue;
      ++holdsCode_[cell];
      compiledFrom_[cell] = memory[cell];
    }
  }
  return true;
}

CompiledCode::Result CompiledCode::Run(Machine& m, std::uint64_t budget, char* console, std::size_t room,
                                       Samples* samples, ScreenDevice& screen, NetworkPort& network,
                                       std::uint64_t& services) {
  if (wasm_) {
    const compiled::WasmCode::Exit exit = wasm_->Run(m, budget, console, room, samples, screen, services,
                                                     holdsCode_.data());
    credit_ += static_cast<std::int64_t>(exit.steps);
    if (exit.wrote) Check(m.Memory, true);
    return {exit.steps, exit.printed, false};
  }
  Context context{m.Memory.data(),
                  holdsCode_.data(),
                  table_.data(),
                  budget,
                  console,
                  console + room,
                  m.IP,
                  0,
                  samples ? samples->ring : nullptr,
                  samples ? samples->sum : 0,
                  samples ? static_cast<std::uint32_t>(samples->position) : 0,
                  &ServeScreen,
                  &screen,
                  &services,
                  &ServeNetwork,
                  &network,
                  0,
                  screen.Buffer.Raw(),
                  &screen.ScreenColor};
  region_->EntryPoint()(&context);
  credit_ += static_cast<std::int64_t>(budget - context.budget);
  m.IP = static_cast<Byte>(context.ip);
  if (samples) {
    samples->sum = context.sum;
    samples->position = context.position;
  }
  // Only the cell written differs from when its code was compiled, unless
  // the write left it as it was.
  if (context.wrote) Check(m.Memory, true);
  return {budget - context.budget, static_cast<std::size_t>(context.console - console), context.reached != 0};
}

bool CompiledCode::Heated(Byte ip, const MemoryCells& memory) {
  heat_[ip] = 0;
  credit_ += HeatCredit;
  if (eager_ || credit_ >= CompileCost) Compile(&ip, 1, memory);
  return Has(ip);
}

void CompiledCode::CompileAll(const MemoryCells& memory) {
  if (!wasm_ && !MakeRegion()) return;
  DropAll();
  std::array<Byte, MaxIP + 1> starts{};
  for (int ip = 0; ip <= MaxIP; ++ip) starts[ip] = static_cast<Byte>(ip);
  Compile(starts.data(), static_cast<int>(starts.size()), memory);
}

void CompiledCode::CompileAt(const std::vector<Byte>& starts, const MemoryCells& memory) {
  DropAll();
  Compile(starts.data(), static_cast<int>(starts.size()), memory);
}

void CompiledCode::Check(const MemoryCells& memory, bool byProgram) {
  if (blockCount_ == 0) return;
  unsigned changed = 0;  // one pass without branches first: the interpreter's steps rarely touch code
  for (int cell = 0; cell < 256; ++cell) {
    changed |= static_cast<unsigned>(memory[cell] ^ compiledFrom_[cell]) & (holdsCode_[cell] != 0 ? 0xFFu : 0u);
  }
  if (changed == 0) return;
  for (int cell = 0; cell < 255; ++cell) {
    if (holdsCode_[cell] != 0 && memory[cell] != compiledFrom_[cell]) DropCell(cell, byProgram);
  }
}

void CompiledCode::Drop(Byte start) {
  Block& block = blocks_[start];
  if (!block.code) return;
  for (int cell = start; cell < start + 3 * block.length; ++cell) {
    if (!fromMemory_[cell]) --holdsCode_[cell];
  }
  block = {};
  --blockCount_;
  if (wasm_)
    wasm_->Drop(start);
  else
    table_[start] = region_->Stubs().plain[start];
  heat_[start] = 0;
}

// The blocks are dropped before the cell is marked: their counts of the
// cells that hold code are those they were made with.
void CompiledCode::DropCell(int cell, bool byProgram) {
  for (int start = std::max(0, cell - 3 * BlockLength + 1); start <= std::min(cell, MaxIP); ++start) {
    if (blocks_[start].code && start + 3 * blocks_[start].length > cell) Drop(static_cast<Byte>(start));
  }
  if (byProgram) fromMemory_[cell] = true;
}

void CompiledCode::DropAll() {
  if (!region_ && !wasm_) return;
  blocks_.fill({});
  blockCount_ = 0;
  holdsCode_.fill(0);
  if (wasm_) return wasm_->DropAll();
  table_ = region_->Stubs().plain;
  region_->Reset();
}

}  // namespace zar
