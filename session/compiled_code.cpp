#include "session/compiled_code.h"

#include <algorithm>
#include <cstdlib>

#include "devices/sum_history.h"

#if defined(__x86_64__) && defined(__linux__) && defined(ZAR_WITH_XBYAK)
#define ZAR_COMPILED_ENGINE 1
#include <sys/mman.h>
#include <unistd.h>
#include <xbyak/xbyak.h>

#include <cstring>
#include <vector>
#endif

namespace zar {

namespace {

// Runs of the interpreter that end at an address before its block is compiled.
constexpr std::uint16_t HeatToCompile = 8;
// Blocks dropped this often for writes into their cells stay with the interpreter.
constexpr std::uint8_t MostDrops = 4;
constexpr std::size_t RegionBytes = 4 << 20;
constexpr std::size_t EntryBytes = 8192;
constexpr std::size_t MostBlockBytes = 2048;
// Taking samples makes blocks about half as long again.
constexpr std::size_t MostSamplingBlockBytes = 4096;

// How many instructions from start on make a block: none that writes a
// command cell (its step needs a service) or jumps to itself (a fixed point
// the interpreter must see), none in a cell the block itself writes, and
// none after one that always jumps (B = A).
int BlockLengthAt(Byte start, const MemoryCells& memory) {
  int n = 0;
  std::array<bool, 256> written{};
  for (int ip = start; ip <= MaxIP && n < CompiledCode::BlockLength; ip += 3) {
    const Byte a = memory[ip];
    if (a == ScreenCommandCell || a == NetCommandCell || WrapIP(memory[ip + 2]) == ip) break;
    if (written[ip] || written[ip + 1] || written[ip + 2] || (a >= start && a <= ip + 2)) break;
    written[a] = true;
    ++n;
    if (memory[ip + 1] == a) break;
  }
  return n;
}

}  // namespace

struct CompiledCode::Context {
  Byte* memory;
  const std::uint8_t* holdsCode;
  const void* const* table;
  std::uint64_t budget;
  char* console;
  char* consoleEnd;
  std::uint32_t ip;
  std::uint32_t wrote;
  std::int32_t* ring;
  std::int32_t sum;
  std::uint32_t position;
};

#ifdef ZAR_COMPILED_ENGINE

namespace {

using namespace Xbyak::util;

// Registers while compiled code runs: rbx the memory, r12 the cells that
// hold code, r13 the table of entries, r14 the steps left, r15 and rbp the
// console buffer's next byte and end; esi the IP on the way out. Code that
// takes samples keeps the memory sum in r8d, the ring's position in r9 and
// the ring in r10.
const Xbyak::Reg32 Sum = r8d;
const Xbyak::Reg32 Position = r9d;
const Xbyak::Reg64 Ring = r10;

// The way in, the two ways out, and for every address a stub for each that
// sets esi to it: blocks leave by jumping to a stub.
class EntryCode : public Xbyak::CodeGenerator {
 public:
  explicit EntryCode(std::vector<std::uint8_t>& buffer) : CodeGenerator(buffer.size(), buffer.data()) {
    for (const auto& reg : {rbx, rbp, r12, r13, r14, r15, rdi}) push(reg);
    mov(rbx, ptr[rdi + offsetof(CompiledCode::Context, memory)]);
    mov(r12, ptr[rdi + offsetof(CompiledCode::Context, holdsCode)]);
    mov(r13, ptr[rdi + offsetof(CompiledCode::Context, table)]);
    mov(r14, ptr[rdi + offsetof(CompiledCode::Context, budget)]);
    mov(r15, ptr[rdi + offsetof(CompiledCode::Context, console)]);
    mov(rbp, ptr[rdi + offsetof(CompiledCode::Context, consoleEnd)]);
    mov(Ring, ptr[rdi + offsetof(CompiledCode::Context, ring)]);
    mov(Sum, dword[rdi + offsetof(CompiledCode::Context, sum)]);
    mov(Position, dword[rdi + offsetof(CompiledCode::Context, position)]);
    mov(esi, dword[rdi + offsetof(CompiledCode::Context, ip)]);
    jmp(ptr[r13 + rsi * 8]);
    Xbyak::Label common;
    L(wrote);
    pop(rdi);
    mov(dword[rdi + offsetof(CompiledCode::Context, wrote)], 1);
    jmp(common, T_NEAR);
    L(plain);
    pop(rdi);
    mov(dword[rdi + offsetof(CompiledCode::Context, wrote)], 0);
    L(common);
    mov(dword[rdi + offsetof(CompiledCode::Context, ip)], esi);
    mov(ptr[rdi + offsetof(CompiledCode::Context, budget)], r14);
    mov(ptr[rdi + offsetof(CompiledCode::Context, console)], r15);
    mov(dword[rdi + offsetof(CompiledCode::Context, sum)], Sum);
    mov(dword[rdi + offsetof(CompiledCode::Context, position)], Position);
    for (const auto& reg : {r15, r14, r13, r12, rbp, rbx}) pop(reg);
    ret();
    for (std::size_t ip = 0; ip < 256; ++ip) {
      plainStubs[ip] = getSize();
      mov(esi, static_cast<std::uint32_t>(ip));
      jmp(plain, T_NEAR);
      wroteStubs[ip] = getSize();
      mov(esi, static_cast<std::uint32_t>(ip));
      jmp(wrote, T_NEAR);
    }
  }
  Xbyak::Label wrote, plain;
  std::array<std::size_t, 256> plainStubs{}, wroteStubs{};  // offsets
};

// The blocks of one compiling, one after the other in one buffer. Every way
// out of a block goes through the table or a stub.
class BlockCode : public Xbyak::CodeGenerator {
 public:
  BlockCode(std::uint8_t* buffer, std::size_t size, bool samples, const CompiledCode::Stubs& stubs)
      : CodeGenerator(size, buffer), samples_(samples), stubs_(stubs) {}

  // Appends the block at start; its offset in the buffer.
  std::size_t Add(Byte start, int length, const MemoryCells& memory) {
    align(16);
    const std::size_t offset = getSize();
    std::array<Xbyak::Label, CompiledCode::BlockLength> labels;
    Xbyak::Label loopEntry;
    bool loops = false;
    // The steps something jumps to: the first one, and those of a jump's
    // target inside the block.
    std::array<bool, CompiledCode::BlockLength> targets{true};
    for (int k = 0; k < length; ++k) {
      const int c = WrapIP(memory[start + 3 * k + 2]);
      loops = loops || c == start;
      if (c > start && (c - start) % 3 == 0 && (c - start) / 3 < length)
        targets[static_cast<std::size_t>((c - start) / 3)] = true;
    }
    if (loops) AddLoop(start, length, memory, labels, loopEntry);
    const auto go = [&](Byte target) {
      const int k = (target - start) / 3;
      if (loops && target == start) {
        jmp(loopEntry, T_NEAR);
      } else if (target >= start && (target - start) % 3 == 0 && k < length) {
        jmp(labels[static_cast<std::size_t>(k)], T_NEAR);
      } else {
        jmp(ptr[r13 + target * 8]);
      }
    };
    const auto written = [&](Byte a, Byte target) {
      if (a == ConsoleCell) {
        Drain();
        mov(byte[rbx + ConsoleCell], 0);
        cmp(r15, rbp);
        jae(stubs_.plain[target]);
      } else {
        cmp(byte[r12 + a], 0);
        jne(stubs_.wrote[target]);
      }
    };
    for (int k = 0; k < length; ++k) {
      const int ip = start + 3 * k;
      const Byte a = memory[ip], b = memory[ip + 1], c = WrapIP(memory[ip + 2]), next = WrapIP(ip + 3);
      if (targets[static_cast<std::size_t>(k)]) L(labels[static_cast<std::size_t>(k)]);
      Xbyak::Label notTaken;
      test(r14, r14);
      jz(stubs_.plain[ip]);
      dec(r14);
      movzx(eax, byte[rbx + a]);
      if (samples_ && a != ConsoleCell) sub(Sum, eax);
      sub(al, byte[rbx + b]);
      mov(byte[rbx + a], al);
      ja(notTaken, T_NEAR);
      Sample(a);
      written(a, c);
      go(c);
      L(notTaken);
      Sample(a);
      written(a, next);
      if (k + 1 == length)
        go(next);
      else if (next != ip + 3)
        go(next);
    }
    return offset;
  }

 private:
  // Puts the console cell's new value, in al, into the console: the byte is
  // stored whether or not it is 0; only a character moves the console on
  // (al < 1 sets the carry).
  void Drain() {
    mov(ptr[r15], al);
    cmp(al, 1);
    sbb(r15, -1);
  }
  // The sample of a step whose A cell's new value is in al, the old one
  // taken from the sum already. The console cell is 0 before every compiled
  // step and after its drain: a step on it leaves the sum as it was.
  void Sample(Byte a) {
    if (!samples_) return;
    if (a != ConsoleCell) {
      movzx(ecx, al);
      add(Sum, ecx);
    }
    Store();
  }
  // Stores the sum into the ring and moves the position on.
  void Store() {
    Xbyak::Label on;
    mov(dword[Ring + r9 * 4], Sum);
    inc(Position);
    cmp(Position, SumHistory::Size);
    jne(on);
    xor_(Position, Position);
    L(on);
  }

  // A block that jumps back to its start runs its rounds here first, with
  // the cells it takes held in registers, as long as no cell it writes
  // holds code and the steps left, the console's room and the ring's room
  // allow a whole pass: a pass (as many rounds of a short block as make up
  // to BlockLength steps, one after the other) then needs no check per step.
  // Every other way out stores the cells back, counts the steps of the pass
  // taken and goes on in the step-by-step code below (labels), which comes
  // back here whenever it reaches the block's start.
  void AddLoop(Byte start, int length, const MemoryCells& memory,
               std::array<Xbyak::Label, CompiledCode::BlockLength>& labels, Xbyak::Label& entry) {
    // Code that takes samples needs ecx, r8, r9 and r10 besides.
    const Xbyak::Reg8 all[] = {dl, cl, sil, dil, r8b, r9b, r10b, r11b};
    const Xbyak::Reg8 sampling[] = {dl, sil, dil, r11b};
    const Xbyak::Reg8* const registers = samples_ ? sampling : all;
    const int most = samples_ ? static_cast<int>(std::size(sampling)) : static_cast<int>(std::size(all));
    std::array<int, 256> held;
    held.fill(-1);
    std::array<bool, 256> writes{};
    int count = 0;
    int prints = 0;
    for (int k = 0; k < length; ++k) {
      if (memory[start + 3 * k] == ConsoleCell) ++prints;
      for (int i = 0; i < 2; ++i) {
        const Byte cell = memory[start + 3 * k + i];
        if (cell != ConsoleCell && held[cell] < 0 && count < most) {
          held[cell] = count++;
        }
      }
      writes[memory[start + 3 * k]] = true;
    }
    const int rounds = std::max(1, CompiledCode::BlockLength / length);
    const int pass = rounds * length;
    const auto subtract = [&](const Xbyak::Reg8& from, Byte cell) {
      if (held[cell] >= 0)
        sub(from, registers[held[cell]]);
      else
        sub(from, byte[rbx + cell]);
    };
    const auto storeBack = [&] {
      for (int cell = 0; cell < ConsoleCell; ++cell) {
        if (writes[cell] && held[cell] >= 0) mov(byte[rbx + cell], registers[held[cell]]);
      }
    };
    // The steps 0..step of the pass taken.
    const auto took = [&](int step) {
      sub(r14, step + 1);
      if (samples_) add(Position, step + 1);
    };
    Xbyak::Label head, short_;
    L(entry);
    xor_(eax, eax);
    for (int cell = 0; cell < ConsoleCell; ++cell) {
      if (writes[cell]) or_(al, byte[r12 + cell]);
    }
    test(al, al);
    jnz(labels[0], T_NEAR);
    for (int cell = 0; cell < 256; ++cell) {
      if (held[cell] >= 0) mov(registers[held[cell]], byte[rbx + cell]);
    }
    L(head);
    cmp(r14, pass);
    jb(short_, T_NEAR);
    if (prints > 0) {
      // Room for a character in each step on the console cell, and one
      // more, as the step-by-step code needs when it takes over.
      lea(rax, ptr[r15 + rounds * prints]);
      cmp(rax, rbp);
      jae(short_, T_NEAR);
    }
    if (samples_) {
      // A pass stores its samples at the position on, and moves it once:
      // the samples of a whole pass must fit before the ring's end.
      cmp(Position, SumHistory::Size - 1 - pass);
      ja(short_, T_NEAR);
    }
    // Whether the code for target follows step k of round u straight on.
    const auto followedBy = [&](Byte target, int u, int k) {
      if (k + 1 < length) return target == start + 3 * (k + 1);
      return target == start && u + 1 < rounds;
    };
    // Leaves step k of round u for target.
    const auto go = [&](Byte target, int u, int k) {
      if (followedBy(target, u, k)) return;
      const int step = u * length + k;
      if (target == start) {
        took(step);
        jmp(head, T_NEAR);
        return;
      }
      storeBack();
      took(step);
      const int j = (target - start) / 3;
      if (target > start && (target - start) % 3 == 0 && j < length) {
        jmp(labels[static_cast<std::size_t>(j)], T_NEAR);
      } else {
        jmp(ptr[r13 + target * 8]);
      }
    };
    // The way of a step that leaves the pass while the other way stays in
    // it is laid out after the pass: the pass runs without a taken jump.
    struct Aside {
      Xbyak::Label label;
      Byte target = 0;
      int round = 0, k = 0;
    };
    std::array<Aside, CompiledCode::BlockLength> aside;
    int asideCount = 0;
    for (int u = 0; u < rounds; ++u) {
      for (int k = 0; k < length; ++k) {
        const int ip = start + 3 * k;
        const int step = u * length + k;
        const Byte a = memory[ip], b = memory[ip + 1], c = WrapIP(memory[ip + 2]), next = WrapIP(ip + 3);
        if (a == ConsoleCell) {
          // The cell is 0 before the step: the step always jumps. The
          // pass has room for its characters.
          if (samples_) mov(dword[Ring + r9 * 4 + 4 * step], Sum);
          xor_(eax, eax);
          subtract(al, b);
          Drain();
          go(c, u, k);
          continue;
        }
        if (samples_) {
          // The new value worked out once more, for the sum, before the
          // step whose flags decide the jump.
          if (held[a] >= 0)
            movzx(ecx, registers[held[a]]);
          else
            movzx(ecx, byte[rbx + a]);
          mov(eax, ecx);
          subtract(al, b);
          sub(eax, ecx);
          add(Sum, eax);
          mov(dword[Ring + r9 * 4 + 4 * step], Sum);
        }
        if (held[a] >= 0) {
          subtract(registers[held[a]], b);
        } else if (held[b] >= 0) {
          sub(byte[rbx + a], registers[held[b]]);
        } else {
          mov(al, byte[rbx + a]);
          sub(al, byte[rbx + b]);
          mov(byte[rbx + a], al);
        }
        if (c == next) {
          go(next, u, k);
        } else if (followedBy(c, u, k) || followedBy(next, u, k)) {
          Aside& out = aside[static_cast<std::size_t>(asideCount++)];
          const bool jumpLeaves = followedBy(next, u, k);
          out.target = jumpLeaves ? c : next;
          out.round = u;
          out.k = k;
          if (jumpLeaves)
            jbe(out.label, T_NEAR);
          else
            ja(out.label, T_NEAR);
        } else {
          Xbyak::Label notTaken;
          ja(notTaken, T_NEAR);
          go(c, u, k);
          L(notTaken);
          go(next, u, k);
        }
      }
    }
    for (int i = 0; i < asideCount; ++i) {
      Aside& out = aside[static_cast<std::size_t>(i)];
      L(out.label);
      go(out.target, out.round, out.k);
    }
    L(short_);
    storeBack();
    jmp(labels[0], T_NEAR);
  }

  bool samples_;
  const CompiledCode::Stubs& stubs_;
};

std::size_t PageSize() { return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)); }

}  // namespace

std::unique_ptr<CompiledCode> CompiledCode::Create(bool samples) {
  void* region = ::mmap(nullptr, RegionBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (region == MAP_FAILED) return nullptr;
  std::unique_ptr<CompiledCode> code(new CompiledCode);
  code->region_ = static_cast<std::uint8_t*>(region);
  code->samples_ = samples;
  try {
    std::vector<std::uint8_t> buffer(EntryBytes);
    EntryCode entry(buffer);
    entry.ready();
    std::memcpy(code->region_, entry.getCode(), entry.getSize());
    code->entry_ = reinterpret_cast<CompiledCode::Entry>(code->region_);
    for (std::size_t ip = 0; ip < 256; ++ip) {
      code->stubs_.plain[ip] = code->region_ + entry.plainStubs[ip];
      code->stubs_.wrote[ip] = code->region_ + entry.wroteStubs[ip];
    }
    code->used_ = code->entryBytes_ = (entry.getSize() + 63) / 64 * 64;
  } catch (const Xbyak::Error&) {
    return nullptr;
  }
  if (::mprotect(region, RegionBytes, PROT_READ | PROT_EXEC) != 0) return nullptr;
  code->table_ = code->stubs_.plain;
  return code;
}

CompiledCode::~CompiledCode() {
  if (region_) ::munmap(region_, RegionBytes);
}

bool CompiledCode::Compile(const Byte* starts, int count, const MemoryCells& memory) {
  struct Made {
    Byte start;
    int length;
    std::size_t offset;
  };
  std::array<Made, 256> made;
  int madeCount = 0;
  for (int i = 0; i < count; ++i) {
    const int length = Has(starts[i]) ? 0 : BlockLengthAt(starts[i], memory);
    if (length > 0) made[static_cast<std::size_t>(madeCount++)] = {starts[i], length, 0};
  }
  if (madeCount == 0) return true;
  const std::size_t most = samples_ ? MostSamplingBlockBytes : MostBlockBytes;
  if (used_ + static_cast<std::size_t>(madeCount) * most > RegionBytes) DropAll();
  // The blocks are written straight into the region: its pages from the
  // first one written are writable and not executable meanwhile.
  const std::size_t page = PageSize();
  std::uint8_t* const first = region_ + used_ / page * page;
  const std::size_t room = std::min(RegionBytes - used_, static_cast<std::size_t>(madeCount) * most);
  const std::size_t span = (used_ + room + page - 1) / page * page - used_ / page * page;
  if (::mprotect(first, span, PROT_READ | PROT_WRITE) != 0) return false;
  std::size_t size = 0;
  bool generated = true;
  try {
    BlockCode code(region_ + used_, room, samples_, stubs_);
    for (int i = 0; i < madeCount; ++i) {
      Made& m = made[static_cast<std::size_t>(i)];
      m.offset = code.Add(m.start, m.length, memory);
    }
    code.ready();
    size = code.getSize();
  } catch (const Xbyak::Error&) {
    generated = false;
  }
  if (::mprotect(first, span, PROT_READ | PROT_EXEC) != 0) std::abort();  // the code could not run
  if (!generated) return false;
  for (int i = 0; i < madeCount; ++i) {
    const Made& m = made[static_cast<std::size_t>(i)];
    blocks_[m.start] = {region_ + used_ + m.offset, m.length};
    table_[m.start] = blocks_[m.start].code;
    for (int cell = m.start; cell < m.start + 3 * m.length; ++cell) {
      ++holdsCode_[cell];
      compiledFrom_[cell] = memory[cell];
    }
  }
  used_ += (size + 15) / 16 * 16;
  return true;
}

CompiledCode::Result CompiledCode::Run(Machine& m, std::uint64_t budget, char* console, std::size_t room,
                                       Samples* samples) {
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
                  samples ? static_cast<std::uint32_t>(samples->position) : 0};
  entry_(&context);
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

#else

std::unique_ptr<CompiledCode> CompiledCode::Create(bool) { return nullptr; }
CompiledCode::~CompiledCode() = default;
bool CompiledCode::Compile(const Byte*, int, const MemoryCells&) { return false; }
CompiledCode::Result CompiledCode::Run(Machine&, std::uint64_t, char*, std::size_t, Samples*) { return {}; }

#endif

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
  table_[start] = stubs_.plain[start];
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
  table_ = stubs_.plain;
  used_ = entryBytes_;
}

}  // namespace zar
