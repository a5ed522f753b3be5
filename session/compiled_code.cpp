// The code cache: which addresses have a block, how often the interpreter
// stopped at the others, and which cells hold code, so that a write to one
// drops the blocks made from it.
#include "session/compiled_code.h"

#include <algorithm>

#include "session/block_emitter.h"
#include "session/code_region.h"
#include "session/compiled_context.h"

namespace zar {

namespace {

// The interpreter's visits to an address before its block is compiled: a
// block takes some microseconds to compile (and two changes of the pages'
// protection), a step of the interpreter some nanoseconds.
constexpr std::uint16_t HeatToCompile = 256;
// Blocks dropped this often for writes into their cells stay with the interpreter.
constexpr std::uint8_t MostDrops = 4;
constexpr std::size_t MostBlockBytes = 2048;
// Taking samples makes blocks about half as long again.
constexpr std::size_t MostSamplingBlockBytes = 4096;

// How many instructions from start on make a block: none that writes the
// network's command cell (or the screen's, in code that takes samples: its
// step needs a service) or jumps to itself (a fixed point
// the interpreter must see), none in a cell the block itself writes, and
// none after one that always jumps (B = A).
int BlockLengthAt(Byte start, const MemoryCells& memory, bool samples) {
  int n = 0;
  std::array<bool, 256> written{};
  for (int ip = start; ip <= MaxIP && n < CompiledCode::BlockLength; ip += 3) {
    const Byte a = memory[ip];
    if ((a == ScreenCommandCell && samples) || a == NetCommandCell || WrapIP(memory[ip + 2]) == ip) break;
    if (written[ip] || written[ip + 1] || written[ip + 2] || (a >= start && a <= ip + 2)) break;
    written[a] = true;
    ++n;
    // A step on the screen's command cell (0 before it) always jumps.
    if (memory[ip + 1] == a || a == ScreenCommandCell) break;
  }
  return n;
}

std::uint32_t ServeScreen(CompiledCode::Context* context) {
  MemoryCells& memory = *reinterpret_cast<MemoryCells*>(context->memory);
  const Byte command = memory[ScreenCommandCell];
  detail::ExecuteScreenCommand(memory, *context->screen, command);
  memory[ScreenCommandCell] = 0;
  ++*context->services;
  const std::uint8_t* holds = context->holdsCode;
  return command == ScreenRead && (holds[250] | holds[251] | holds[252]) != 0 ? 1 : 0;
}

}  // namespace

std::unique_ptr<CompiledCode> CompiledCode::Create(bool samples) {
  std::unique_ptr<compiled::CodeRegion> region = compiled::CodeRegion::Create();
  if (!region) return nullptr;
  std::unique_ptr<CompiledCode> code(new CompiledCode);
  code->region_ = std::move(region);
  code->samples_ = samples;
  code->table_ = code->region_->Stubs().plain;
  return code;
}

CompiledCode::~CompiledCode() = default;

bool CompiledCode::Compile(const Byte* starts, int count, const MemoryCells& memory) {
  std::array<compiled::BlockPlan, 256> plans;
  int planned = 0;
  for (int i = 0; i < count; ++i) {
    const int length = Has(starts[i]) ? 0 : BlockLengthAt(starts[i], memory, samples_);
    if (length > 0) plans[static_cast<std::size_t>(planned++)] = {starts[i], length, 0};
  }
  if (planned == 0) return true;
  const std::size_t most = static_cast<std::size_t>(planned) * (samples_ ? MostSamplingBlockBytes : MostBlockBytes);
  if (region_->Room() < most) DropAll();
  // The blocks are written straight into the region: its pages from the
  // first one written are writable and not executable meanwhile.
  const std::size_t room = std::min(region_->Room(), most);
  std::uint8_t* const at = region_->Free();
  if (!region_->Open(room)) return false;
  const std::optional<std::size_t> size = compiled::EmitBlocks(at, room, samples_, region_->Stubs(), plans.data(),
                                                               planned, memory);
  region_->Seal();
  if (!size) return false;
  for (int i = 0; i < planned; ++i) {
    const compiled::BlockPlan& plan = plans[static_cast<std::size_t>(i)];
    blocks_[plan.start] = {at + plan.offset, plan.length};
    table_[plan.start] = blocks_[plan.start].code;
    for (int cell = plan.start; cell < plan.start + 3 * plan.length; ++cell) {
      ++holdsCode_[cell];
      compiledFrom_[cell] = memory[cell];
    }
  }
  region_->Take(*size);
  return true;
}

CompiledCode::Result CompiledCode::Run(Machine& m, std::uint64_t budget, char* console, std::size_t room,
                                       Samples* samples, ScreenDevice& screen, std::uint64_t& services) {
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
                  &services};
  region_->EntryPoint()(&context);
  m.IP = static_cast<Byte>(context.ip);
  if (samples) {
    samples->sum = context.sum;
    samples->position = context.position;
  }
  // Only the cell written differs from when its code was compiled, unless
  // the write left it as it was.
  if (context.wrote) Check(m.Memory);
  return {budget - context.budget, static_cast<std::size_t>(context.console - console)};
}

void CompiledCode::Note(Byte ip, const MemoryCells& memory) {
  if (Has(ip) || drops_[ip] >= MostDrops || ++heat_[ip] < HeatToCompile) return;
  heat_[ip] = 0;
  Compile(&ip, 1, memory);
}

void CompiledCode::CompileAll(const MemoryCells& memory) {
  DropAll();
  std::array<Byte, MaxIP + 1> starts{};
  for (int ip = 0; ip <= MaxIP; ++ip) starts[ip] = static_cast<Byte>(ip);
  Compile(starts.data(), static_cast<int>(starts.size()), memory);
}

void CompiledCode::Check(const MemoryCells& memory) {
  unsigned changed = 0;  // one pass without branches first: the interpreter's steps rarely touch code
  for (int cell = 0; cell < 256; ++cell) {
    changed |= static_cast<unsigned>(memory[cell] ^ compiledFrom_[cell]) & (holdsCode_[cell] != 0 ? 0xFFu : 0u);
  }
  if (changed == 0) return;
  for (int cell = 0; cell < 255; ++cell) {
    if (holdsCode_[cell] != 0 && memory[cell] != compiledFrom_[cell]) DropCell(cell);
  }
}

void CompiledCode::Drop(Byte start) {
  Block& block = blocks_[start];
  if (!block.code) return;
  for (int cell = start; cell < start + 3 * block.length; ++cell) --holdsCode_[cell];
  block = {};
  table_[start] = region_->Stubs().plain[start];
  heat_[start] = 0;
  if (drops_[start] < MostDrops) ++drops_[start];
}

void CompiledCode::DropCell(int cell) {
  for (int start = std::max(0, cell - 3 * BlockLength + 1); start <= std::min(cell, MaxIP); ++start) {
    if (blocks_[start].code && start + 3 * blocks_[start].length > cell) Drop(static_cast<Byte>(start));
  }
}

void CompiledCode::DropAll() {
  blocks_.fill({});
  holdsCode_.fill(0);
  table_ = region_->Stubs().plain;
  region_->Reset();
}

}  // namespace zar
