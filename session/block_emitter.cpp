#include "session/block_emitter.h"

#include "session/compiled_context.h"

#if defined(__x86_64__) && defined(__linux__) && defined(ZAR_WITH_XBYAK)
#define ZAR_COMPILED_ENGINE 1
#include <xbyak/xbyak.h>

#include <algorithm>
#include <array>
#include <iterator>

#include "devices/sum_history.h"
#endif

namespace zar::compiled {

#ifdef ZAR_COMPILED_ENGINE

namespace {

using namespace Xbyak::util;

// Registers of code that takes samples (see code_region.cpp).
const Xbyak::Reg32 Sum = r8d;
const Xbyak::Reg32 Position = r9d;
const Xbyak::Reg64 Ring = r10;

constexpr int Longest = CompiledCode::BlockLength;

// The blocks of one compiling, one after the other in one buffer.
class BlockCode : public Xbyak::CodeGenerator {
 public:
  BlockCode(std::uint8_t* buffer, std::size_t size, bool samples, const CompiledCode::Stubs& stubs,
            const MemoryCells& memory, const FromMemory& fromMemory)
      : CodeGenerator(size, buffer), samples_(samples), stubs_(stubs), memory_(memory), fromMemory_(fromMemory) {}

  // Appends the block at start; its offset in the buffer.
  std::size_t Add(Byte start, int length) {
    align(16);
    const std::size_t offset = getSize();
    start_ = start;
    length_ = length;
    Labels labels;  // labels are the block's own
    l_ = &labels;
    std::array<bool, Longest> targets = FindTargets();
    if (loops_) AddLoop();
    for (int k = 0; k < length_; ++k) AddStep(k, targets[static_cast<std::size_t>(k)]);
    return offset;
  }

 private:
  Byte A(int k) const { return memory_[start_ + 3 * k]; }
  Byte B(int k) const { return memory_[start_ + 3 * k + 1]; }
  Byte C(int k) const { return WrapIP(memory_[start_ + 3 * k + 2]); }
  // Whether step k reads cell i (0 for A, 1 for B, 2 for C) from memory.
  bool Read(int k, int i) const { return fromMemory_[start_ + 3 * k + i]; }
  bool ReadsAny(int k) const { return Read(k, 0) || Read(k, 1) || Read(k, 2); }
  // The step of the block at target, or -1 when target is none of them.
  int StepAt(Byte target) const {
    const int k = (target - start_) / 3;
    return target >= start_ && (target - start_) % 3 == 0 && k < length_ ? k : -1;
  }

  // The steps something jumps to: the first one, and those of a jump's
  // target inside the block; whether the block jumps back to its start.
  std::array<bool, Longest> FindTargets() {
    std::array<bool, Longest> targets{true};
    loops_ = false;
    bool calls = false;  // a call leaves no register as it was (nor does an operand read from memory)
    for (int k = 0; k < length_; ++k) {
      // A jump to itself must be seen to change something in each step.
      calls = calls || IsCommandCell(A(k)) || ReadsAny(k) || C(k) == start_ + 3 * k;
      if (Read(k, 2)) continue;
      loops_ = loops_ || C(k) == start_;
      if (const int j = StepAt(C(k)); j > 0) targets[static_cast<std::size_t>(j)] = true;
    }
    loops_ = loops_ && !calls;
    return targets;
  }

  // Goes on at target, inside the block or through the table.
  void Go(Byte target) {
    if (loops_ && target == start_) {
      jmp(l_->loopEntry, T_NEAR);
    } else if (const int k = StepAt(target); k >= 0) {
      jmp(l_->steps[static_cast<std::size_t>(k)], T_NEAR);
    } else {
      jmp(ptr[r13 + target * 8]);
    }
  }

  // After a step wrote cell a (less cell b) and before it goes on at
  // target: the console's character, or a way out when a holds code and
  // the step changed it (b, another cell, was not 0).
  void Written(Byte a, Byte b, Byte target) {
    if (a == ConsoleCell) {
      Drain();
      mov(byte[rbx + ConsoleCell], 0);
      cmp(r15, rbp);
      jae(stubs_.plain[target]);
      return;
    }
    Xbyak::Label stay;
    cmp(byte[r12 + a], 0);
    je(stay, T_NEAR);
    if (a != b) {
      cmp(byte[rbx + b], 0);
      je(stay, T_NEAR);
    }
    jmp(stubs_.wrote[target], T_NEAR);
    L(stay);
  }

  // Step k, one at a time: the budget, the subtraction, the sample, the
  // way on.
  void AddStep(int k, bool target) {
    const int ip = start_ + 3 * k;
    const Byte a = A(k), b = B(k), c = C(k), next = WrapIP(ip + 3);
    if (target) L(l_->steps[static_cast<std::size_t>(k)]);
    Xbyak::Label notTaken;
    test(r14, r14);
    jz(stubs_.plain[ip]);
    if (ReadsAny(k)) return AddMemoryStep(k);
    if (c == ip) {
      // A jump to itself that changes nothing (0 - 0; the console and the
      // command cells are 0 before a step) is a fixed point: the
      // interpreter takes it.
      mov(al, byte[rbx + a]);
      or_(al, byte[rbx + b]);
      jz(stubs_.plain[ip]);
    }
    dec(r14);
    if (IsCommandCell(a)) return AddCommandStep(a, b, c);
    if (a == b && a != ConsoleCell) return AddZeroStep(k, a, c);
    movzx(eax, byte[rbx + a]);
    if (samples_ && a != ConsoleCell) sub(Sum, eax);
    sub(al, byte[rbx + b]);
    mov(byte[rbx + a], al);
    ja(notTaken, T_NEAR);
    Sample(a);
    Written(a, b, c);
    Go(c);
    L(notTaken);
    Sample(a);
    Written(a, b, next);
    if (k + 1 == length_ || next != ip + 3) Go(next);
  }

  // Step k on A = B: the cell becomes 0 whatever it held, and the step
  // jumps; the store waits for no load (but the sample's).
  void AddZeroStep(int k, Byte a, Byte c) {
    if (samples_) {
      movzx(eax, byte[rbx + a]);
      sub(Sum, eax);
    }
    mov(byte[rbx + a], 0);
    if (samples_) StoreSample();
    Written(a, a, c);
    if (k + 1 == length_ || c != start_ + 3 * k + 3) Go(c);
  }

  // Step k with operands read from memory: r11 the A cell, rcx the B cell,
  // rdx the jump's target. A jump to itself, or an A cell that is a
  // command cell, the key cell or the console (A read from memory), leaves
  // before the step for the interpreter.
  void AddMemoryStep(int k) {
    const int ip = start_ + 3 * k;
    const Byte next = WrapIP(ip + 3);
    const bool readA = Read(k, 0), readC = Read(k, 2);
    if (readC) {
      movzx(edx, byte[rbx + ip + 2]);
      xor_(eax, eax);
      cmp(edx, MaxIP);
      cmova(edx, eax);
      cmp(edx, ip);
      je(stubs_.plain[ip]);
    }
    if (readA) {
      movzx(r11d, byte[rbx + ip]);
      cmp(r11d, NetCommandCell);
      je(stubs_.plain[ip]);
      cmp(r11d, ScreenCommandCell);
      jae(stubs_.plain[ip]);
    }
    dec(r14);
    const Xbyak::Address cell = readA ? byte[rbx + r11] : byte[rbx + A(k)];
    movzx(eax, cell);
    if (samples_ && (readA || A(k) != ConsoleCell)) sub(Sum, eax);
    if (Read(k, 1)) {
      movzx(ecx, byte[rbx + ip + 1]);
      sub(al, byte[rbx + rcx]);
    } else {
      sub(al, byte[rbx + B(k)]);
    }
    mov(cell, al);
    Xbyak::Label notTaken;
    ja(notTaken, T_NEAR);
    const Byte a = readA ? 0 : A(k);  // any cell but the console's
    Sample(a);
    if (readC) {
      WrittenBy(readA, a, stubs_.plainExit, stubs_.wroteExit, true);
      jmp(ptr[r13 + rdx * 8]);
    } else {
      WrittenBy(readA, a, stubs_.plain[C(k)], stubs_.wrote[C(k)], false);
      Go(C(k));
    }
    L(notTaken);
    Sample(a);
    WrittenBy(readA, a, stubs_.plain[next], stubs_.wrote[next], false);
    if (k + 1 == length_ || next != ip + 3) Go(next);
  }

  // Written for a step whose A cell may be read from memory (into r11), with
  // the ways out given, which take IP from edx when toEdx.
  void WrittenBy(bool readA, Byte a, const void* plainOut, const void* wroteOut, bool toEdx) {
    Xbyak::Label stay;
    if (!readA && a == ConsoleCell) {
      Drain();
      mov(byte[rbx + ConsoleCell], 0);
      cmp(r15, rbp);
      jb(stay, T_NEAR);
      if (toEdx) mov(esi, edx);
      jmp(plainOut, T_NEAR);
    } else {
      if (readA)
        cmp(byte[r12 + r11], 0);
      else
        cmp(byte[r12 + a], 0);
      je(stay, T_NEAR);
      if (toEdx) mov(esi, edx);
      jmp(wroteOut, T_NEAR);
    }
    L(stay);
  }

  static bool IsCommandCell(Byte cell) { return cell == ScreenCommandCell || cell == NetCommandCell; }

  // A step on the screen's or the network's command cell, which is 0
  // before it: it stores 0 - Memory[b] there and jumps; a command is served
  // in line (a plot, a colour set) or by a call (the stack is as the way in
  // left it, aligned, the context on top), which tells whether compiled code
  // must leave after the step.
  // In code that takes samples the call keeps the sum in the context, and
  // the registers of the samples (which a call does not keep) on the stack,
  // four of them so that it stays aligned; the command cell is 0 again
  // after the step, and the service adds what else it changed to the sum.
  void AddCommandStep(Byte cell, Byte b, Byte c) {
    Xbyak::Label none, byCall, took;
    xor_(eax, eax);
    sub(al, byte[rbx + b]);
    mov(byte[rbx + cell], al);
    jz(none, T_NEAR);
    if (cell == ScreenCommandCell) AddScreenServed(byCall, c);
    L(byCall);
    mov(rdi, ptr[rsp]);
    if (samples_) {
      mov(dword[rdi + offsetof(CompiledCode::Context, sum)], Sum);
      for (const auto& reg : {r8, r9, r10, r11}) push(reg);
    }
    if (cell == ScreenCommandCell)
      call(ptr[rdi + offsetof(CompiledCode::Context, serveScreen)]);
    else
      call(ptr[rdi + offsetof(CompiledCode::Context, serveNetwork)]);
    if (samples_) {
      for (const auto& reg : {r11, r10, r9, r8}) pop(reg);
      mov(rdi, ptr[rsp]);
      mov(Sum, dword[rdi + offsetof(CompiledCode::Context, sum)]);
      StoreSample();
    }
    test(eax, eax);
    jnz(stubs_.wrote[c]);
    if (samples_) jmp(took, T_NEAR);
    L(none);
    if (samples_) StoreSample();
    L(took);
    Go(c);
  }

  // A plot (into a row that needs no fill first) and a colour set, the
  // command in al, served here as the service serves them: the pixel, its
  // row's written mark and version, the command cell cleared, the command
  // counted; the memory sum does not change. Any other command goes to byCall.
  void AddScreenServed(Xbyak::Label& byCall, Byte c) {
    using Context = CompiledCode::Context;
    constexpr std::size_t raw = offsetof(Context, screenRaw);
    Xbyak::Label plot, served;
    mov(rdi, ptr[rsp]);
    cmp(al, ScreenPlot);
    je(plot, T_NEAR);
    cmp(al, ScreenSetColor);
    jne(byCall, T_NEAR);
    CellColour();
    mov(rdx, ptr[rdi + offsetof(Context, screenColor)]);
    mov(dword[rdx], eax);
    jmp(served, T_NEAR);
    L(plot);
    movzx(ecx, byte[rbx + ScreenYCell]);
    mov(rdx, ptr[rdi + raw + offsetof(ScreenBufferRaw, filling)]);
    cmp(byte[rdx + rcx], 0);
    jne(byCall, T_NEAR);
    mov(rdx, ptr[rdi + raw + offsetof(ScreenBufferRaw, written)]);
    mov(byte[rdx + rcx], 1);
    mov(rdx, ptr[rdi + raw + offsetof(ScreenBufferRaw, versions)]);
    inc(dword[rdx + rcx * 4]);
    shl(ecx, 8);
    movzx(edx, byte[rbx + ScreenXCell]);
    or_(ecx, edx);
    CellColour();
    mov(rdx, ptr[rdi + raw + offsetof(ScreenBufferRaw, pixels)]);
    mov(dword[rdx + rcx * 4], eax);
    L(served);
    mov(byte[rbx + ScreenCommandCell], 0);
    mov(rdx, ptr[rdi + offsetof(Context, services)]);
    inc(qword[rdx]);
    if (samples_) StoreSample();
    Go(c);
  }
  // The colour of cells 250 to 252 into eax (edx as well).
  void CellColour() {
    movzx(eax, byte[rbx + ScreenBlueCell]);
    shl(eax, 16);
    movzx(edx, byte[rbx + ScreenGreenCell]);
    shl(edx, 8);
    or_(eax, edx);
    movzx(edx, byte[rbx + ScreenRedCell]);
    or_(eax, edx);
  }

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
    StoreSample();
  }
  // Stores the sum into the ring and moves the position on.
  void StoreSample() {
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
  // taken and goes on in the step-by-step code (labels_), which comes back
  // here whenever it reaches the block's start.
  void AddLoop() {
    HoldCells();
    rounds_ = std::max(1, Longest / length_);
    pass_ = rounds_ * length_;
    asideCount_ = 0;
    LoopEntry();
    for (int u = 0; u < rounds_; ++u) {
      for (int k = 0; k < length_; ++k) PassStep(u, k);
    }
    for (int i = 0; i < asideCount_; ++i) {
      Aside& out = l_->aside[static_cast<std::size_t>(i)];
      L(out.label);
      PassGo(out.target, out.round, out.k);
    }
    L(l_->shortPass);
    StoreBack();
    jmp(l_->steps[0], T_NEAR);
  }

  // Which cells the pass holds in registers, which it writes, how many
  // characters a round prints.
  void HoldCells() {
    // Code that takes samples needs ecx, r8, r9 and r10 besides.
    static const Xbyak::Reg8 all[] = {dl, cl, sil, dil, r8b, r9b, r10b, r11b};
    static const Xbyak::Reg8 sampling[] = {dl, sil, dil, r11b};
    registers_ = samples_ ? sampling : all;
    const int most = samples_ ? static_cast<int>(std::size(sampling)) : static_cast<int>(std::size(all));
    held_.fill(-1);
    writes_ = {};
    prints_ = 0;
    int count = 0;
    for (int k = 0; k < length_; ++k) {
      if (A(k) == ConsoleCell) ++prints_;
      for (const Byte cell : {A(k), B(k)}) {
        if (cell != ConsoleCell && held_[cell] < 0 && count < most) held_[cell] = count++;
      }
      writes_[A(k)] = true;
    }
  }

  // The loop's way in: the cells it writes must hold no code; the held
  // cells are loaded; then the head, where every pass checks its room.
  void LoopEntry() {
    L(l_->loopEntry);
    xor_(eax, eax);
    for (int cell = 0; cell < ConsoleCell; ++cell) {
      if (writes_[cell]) or_(al, byte[r12 + cell]);
    }
    test(al, al);
    jnz(l_->steps[0], T_NEAR);
    for (int cell = 0; cell < 256; ++cell) {
      if (held_[cell] >= 0) mov(Held(cell), byte[rbx + cell]);
    }
    L(l_->head);
    cmp(r14, pass_);
    jb(l_->shortPass, T_NEAR);
    if (prints_ > 0) {
      // Room for a character in each step on the console cell, and one
      // more, as the step-by-step code needs when it takes over.
      lea(rax, ptr[r15 + rounds_ * prints_]);
      cmp(rax, rbp);
      jae(l_->shortPass, T_NEAR);
    }
    if (samples_) {
      // A pass stores its samples at the position on, and moves it once:
      // the samples of a whole pass must fit before the ring's end.
      cmp(Position, SumHistory::Size - 1 - pass_);
      ja(l_->shortPass, T_NEAR);
    }
  }

  const Xbyak::Reg8& Held(int cell) const { return registers_[held_[cell]]; }
  void Subtract(const Xbyak::Reg8& from, Byte cell) {
    if (held_[cell] >= 0)
      sub(from, Held(cell));
    else
      sub(from, byte[rbx + cell]);
  }
  void StoreBack() {
    for (int cell = 0; cell < ConsoleCell; ++cell) {
      if (writes_[cell] && held_[cell] >= 0) mov(byte[rbx + cell], Held(cell));
    }
  }
  // The steps 0..step of the pass taken.
  void Took(int step) {
    sub(r14, step + 1);
    if (samples_) add(Position, step + 1);
  }

  // Whether the code for target follows step k of round u straight on.
  bool FollowedBy(Byte target, int u, int k) const {
    if (k + 1 < length_) return target == start_ + 3 * (k + 1);
    return target == start_ && u + 1 < rounds_;
  }

  // Leaves step k of round u for target.
  void PassGo(Byte target, int u, int k) {
    if (FollowedBy(target, u, k)) return;
    const int step = u * length_ + k;
    if (target == start_) {
      Took(step);
      jmp(l_->head, T_NEAR);
      return;
    }
    StoreBack();
    Took(step);
    if (const int j = StepAt(target); j > 0) {
      jmp(l_->steps[static_cast<std::size_t>(j)], T_NEAR);
    } else {
      jmp(ptr[r13 + target * 8]);
    }
  }

  // Step k of round u of the pass.
  void PassStep(int u, int k) {
    const int step = u * length_ + k;
    const Byte a = A(k), b = B(k), c = C(k), next = WrapIP(start_ + 3 * k + 3);
    if (a == ConsoleCell) {
      // The cell is 0 before the step: the step always jumps. The pass has
      // room for its characters.
      if (samples_) mov(dword[Ring + r9 * 4 + 4 * step], Sum);
      xor_(eax, eax);
      Subtract(al, b);
      Drain();
      PassGo(c, u, k);
      return;
    }
    if (samples_) PassSample(a, b, step);
    if (held_[a] >= 0) {
      Subtract(Held(a), b);
    } else if (held_[b] >= 0) {
      sub(byte[rbx + a], Held(b));
    } else {
      mov(al, byte[rbx + a]);
      sub(al, byte[rbx + b]);
      mov(byte[rbx + a], al);
    }
    PassBranch(c, next, u, k);
  }

  // The new value worked out once more, for the sum, before the step whose
  // flags decide the jump.
  void PassSample(Byte a, Byte b, int step) {
    if (held_[a] >= 0)
      movzx(ecx, Held(a));
    else
      movzx(ecx, byte[rbx + a]);
    mov(eax, ecx);
    Subtract(al, b);
    sub(eax, ecx);
    add(Sum, eax);
    mov(dword[Ring + r9 * 4 + 4 * step], Sum);
  }

  // The way of a step that leaves the pass while the other way stays in it
  // is laid aside after the pass: the pass runs without a taken jump.
  void PassBranch(Byte c, Byte next, int u, int k) {
    if (c == next) {
      PassGo(next, u, k);
    } else if (FollowedBy(c, u, k) || FollowedBy(next, u, k)) {
      Aside& out = l_->aside[static_cast<std::size_t>(asideCount_++)];
      const bool jumpLeaves = FollowedBy(next, u, k);
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
      PassGo(c, u, k);
      L(notTaken);
      PassGo(next, u, k);
    }
  }

  struct Aside {
    Xbyak::Label label;
    Byte target = 0;
    int round = 0, k = 0;
  };
  struct Labels {
    std::array<Xbyak::Label, Longest> steps;  // of the step-by-step code
    Xbyak::Label loopEntry, head, shortPass;
    std::array<Aside, Longest> aside;
  };

  bool samples_;
  const CompiledCode::Stubs& stubs_;
  const MemoryCells& memory_;
  const FromMemory& fromMemory_;
  // The block being written.
  Byte start_ = 0;
  int length_ = 0;
  bool loops_ = false;
  Labels* l_ = nullptr;
  // Its loop.
  const Xbyak::Reg8* registers_ = nullptr;
  std::array<int, 256> held_{};
  std::array<bool, 256> writes_{};
  int prints_ = 0, rounds_ = 1, pass_ = 1;
  int asideCount_ = 0;
};

}  // namespace

std::optional<std::size_t> EmitBlocks(std::uint8_t* buffer, std::size_t size, bool samples,
                                      const CompiledCode::Stubs& stubs, BlockPlan* plans, int count,
                                      const MemoryCells& memory, const FromMemory& fromMemory) {
  try {
    BlockCode code(buffer, size, samples, stubs, memory, fromMemory);
    for (int i = 0; i < count; ++i) plans[i].offset = code.Add(plans[i].start, plans[i].length);
    code.ready();
    return code.getSize();
  } catch (const Xbyak::Error&) {
    return std::nullopt;
  }
}

#else

std::optional<std::size_t> EmitBlocks(std::uint8_t*, std::size_t, bool, const CompiledCode::Stubs&, BlockPlan*, int,
                                      const MemoryCells&, const FromMemory&) {
  return std::nullopt;
}

#endif

}  // namespace zar::compiled
