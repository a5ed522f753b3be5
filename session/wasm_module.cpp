// The WebAssembly module of the compiled blocks: one function, a loop round
// a br_table over every step of every block, the cells addressed in the
// imported memory with A and B as constant offsets.
#include "session/wasm_module.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "devices/screen_device.h"
#include "devices/sum_history.h"

namespace zar::compiled {

namespace {

enum Op : std::uint8_t {
  Block = 0x02,
  Loop = 0x03,
  If = 0x04,
  End = 0x0B,
  Br = 0x0C,
  BrIf = 0x0D,
  BrTable = 0x0E,
  Call = 0x10,
  LocalGet = 0x20,
  LocalSet = 0x21,
  LocalTee = 0x22,
  Load = 0x28,
  Load8 = 0x2D,
  Load16 = 0x2F,
  Store = 0x36,
  Store8 = 0x3A,
  Const = 0x41,
  Eqz = 0x45,
  Eq = 0x46,
  Ne = 0x47,
  LtU = 0x49,
  GtU = 0x4B,
  LeU = 0x4D,
  GeU = 0x4F,
  Add = 0x6A,
  Sub = 0x6B,
  And = 0x71,
  Or = 0x72,
  Shl = 0x74,
  Select = 0x1B,
  Void = 0x40,
  I32 = 0x7F,
};

// The function's locals: the context first (its parameter).
enum Local : std::uint8_t {
  Ctx,
  Mem,
  Holds,
  Table,
  Budget,
  Console,
  ConsoleEnd,
  Ip,
  Case,
  Wrote,
  X,
  Y,
  R,
  DynA,
  DynC,
  Ring,
  Sum,
  Position,
  Pixels,
  Filling,
  RowsWritten,
  Versions,
  Plots,
  Held,  // the cells a pass holds, one local each
  Locals = Held + 2 * CompiledCode::BlockLength
};

void Unsigned(std::vector<std::uint8_t>& out, std::uint32_t value) {
  do {
    std::uint8_t byte = value & 0x7F;
    value >>= 7;
    if (value != 0) byte |= 0x80;
    out.push_back(byte);
  } while (value != 0);
}

void Signed(std::vector<std::uint8_t>& out, std::int32_t value) {
  for (;;) {
    const std::uint8_t byte = value & 0x7F;
    value >>= 7;
    if ((value == 0 && (byte & 0x40) == 0) || (value == -1 && (byte & 0x40) != 0)) {
      out.push_back(byte);
      return;
    }
    out.push_back(byte | 0x80);
  }
}

void Name(std::vector<std::uint8_t>& out, std::string_view name) {
  Unsigned(out, static_cast<std::uint32_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
}

void Section(std::vector<std::uint8_t>& out, std::uint8_t id, const std::vector<std::uint8_t>& content) {
  out.push_back(id);
  Unsigned(out, static_cast<std::uint32_t>(content.size()));
  out.insert(out.end(), content.begin(), content.end());
}

// The function's code, with the labels open at each point: a branch names
// its label and the depth is worked out.
class Body {
 public:
  Body(const std::vector<WasmBlock>& blocks, const MemoryCells& memory, const FromMemory& fromMemory, bool samples)
      : blocks_(blocks), memory_(memory), fromMemory_(fromMemory), samples_(samples) {}

  std::vector<std::uint8_t> Write(std::array<std::uint16_t, 256>& entry);

 private:
  // Labels: the dispatch loop, the way out, and one per step (its code
  // follows the end of its label's block).
  static constexpr int DispatchLabel = -1;
  static constexpr int ExitLabel = -2;
  static constexpr int Inner = -3;  // an if or a block of no interest
  // A pass's labels: the steps one by one, its head, too little room.
  static constexpr int PassOut = -4, Head = -5, Short = -6;
  // A screen command: served in the module, or to be called out.
  static constexpr int Served = -7, CallOut = -8;

  void Op(std::uint8_t op) { code_.push_back(op); }
  void Get(int local) { Op(LocalGet), Op(static_cast<std::uint8_t>(local)); }
  void Set(int local) { Op(LocalSet), Op(static_cast<std::uint8_t>(local)); }
  void Tee(int local) { Op(LocalTee), Op(static_cast<std::uint8_t>(local)); }
  void Constant(std::int32_t value) { Op(Const), Signed(code_, value); }
  void Memory(std::uint8_t op, std::uint32_t align, std::uint32_t offset) {
    Op(op), Unsigned(code_, align), Unsigned(code_, offset);
  }
  void Open(std::uint8_t op, int label) { Op(op), Op(Void), open_.push_back(label); }
  void Close() { Op(End), open_.pop_back(); }
  void Branch(int label, std::uint8_t op = Br);
  void ContextField(std::size_t offset, Local local, bool store);

  void Step(int block, int k);
  void MemoryStep(int block, int k);
  void ScreenStep(Byte b, Byte c, int block, int k);
  void Plot(int callLabel);
  void Leave(Byte ip, bool wrote);
  void LeaveDynamic(bool wrote);
  void Go(Byte target, int block, int k, bool follows);
  void GoDynamic();
  void Written(Byte a, Byte target);
  void Sample(bool changesSum);

  bool Loops(int block) const;
  void Pass(int block);
  void PassStep(int u, int k);
  void PassGo(Byte target, int u, int k);
  bool FollowedBy(Byte target, int u, int k) const;
  void Take(Byte cell) {
    if (held_[cell] >= 0)
      Get(Held + held_[cell]);
    else
      Get(Mem), Memory(Load8, 0, cell);
  }
  void StoreBack();
  void Took(int steps) { Get(Budget), Constant(steps), Op(Sub), Set(Budget); }
  // Leaves with IP at ip unless the steps left make up a dispatch's.
  void Enough(Byte ip) {
    Get(Budget), Constant(CompiledCode::BlockLength), Op(LtU), Open(If, Inner);
    Leave(ip, false);
    Close();
  }

  // The step k of a block, its case (from 1), and the step of a block at an address.
  Byte Cell(int block, int k, int i) const { return memory_[blocks_[block].start + 3 * k + i]; }
  bool Read(int block, int k, int i) const { return fromMemory_[blocks_[block].start + 3 * k + i]; }
  int StepAt(Byte target, int block) const {
    const int start = blocks_[block].start, k = (target - start) / 3;
    return target >= start && (target - start) % 3 == 0 && k < blocks_[block].length ? k : -1;
  }

  const std::vector<WasmBlock>& blocks_;
  const MemoryCells& memory_;
  const FromMemory& fromMemory_;
  bool samples_;
  std::vector<int> first_;  // the step label of each block's first step
  std::vector<int> open_;
  std::vector<std::uint8_t> code_;
  bool failed_ = false;  // a branch to a label not open
  // The pass being written: its block, rounds and steps; the local of each
  // cell it holds, or -1; the cells it writes.
  int block_ = 0, rounds_ = 1, pass_ = 1;
  std::array<int, 256> held_{};
  std::array<bool, 256> writes_{};
  // The cells that may hold code while this module lives: those of its
  // blocks (compiling more writes a new module).
  std::array<bool, 256> mayHold_{};
};

// Whether a block runs in passes: it jumps back to its start and neither
// serves the screen nor reads an operand from memory. A pass takes the
// history's samples as the steps one by one do.
bool Body::Loops(int block) const {
  bool loops = false;
  for (int k = 0; k < blocks_[block].length; ++k) {
    if (Read(block, k, 0) || Read(block, k, 1) || Read(block, k, 2)) return false;
    if (Cell(block, k, 0) == ScreenCommandCell) return false;
    loops = loops || WrapIP(Cell(block, k, 2)) == blocks_[block].start;
  }
  return loops;
}

// A block that jumps back to its start runs its rounds first in passes
// with the cells it takes held in locals, as long as no cell it writes
// holds code and the steps left and the console's room allow a whole
// pass (as many rounds of a short block as make up to BlockLength steps):
// a pass needs no check per step. Every other way out stores the cells
// back, counts the steps taken and goes on in the step-by-step code, which
// comes back here whenever it reaches the block's start.
void Body::Pass(int block) {
  if (!Loops(block)) return;
  const int length = blocks_[block].length;
  block_ = block;
  rounds_ = std::max(1, CompiledCode::BlockLength / length);
  pass_ = rounds_ * length;
  held_.fill(-1);
  writes_.fill(false);
  int count = 0, prints = 0;
  for (int k = 0; k < length; ++k) {
    const Byte a = Cell(block, k, 0), b = Cell(block, k, 1);
    if (a == ConsoleCell) ++prints;
    for (const Byte cell : {a, b}) {
      if (cell != ConsoleCell && held_[cell] < 0) held_[cell] = count++;
    }
    if (a != ConsoleCell) writes_[a] = true;
  }
  Open(Block, PassOut);
  Constant(0);
  for (int cell = 0; cell < 256; ++cell) {
    if (writes_[cell] && mayHold_[cell]) Get(Holds), Memory(Load8, 0, static_cast<std::uint32_t>(cell)), Op(Or);
  }
  Op(BrIf), Unsigned(code_, 0);
  for (int cell = 0; cell < 256; ++cell) {
    if (held_[cell] >= 0) Get(Mem), Memory(Load8, 0, static_cast<std::uint32_t>(cell)), Set(Held + held_[cell]);
  }
  Open(Loop, Head);
  Open(Block, Short);
  Get(Budget), Constant(pass_), Op(LtU), Op(BrIf), Unsigned(code_, 0);
  if (prints > 0) {
    Get(Console), Constant(rounds_ * prints), Op(Add), Get(ConsoleEnd), Op(GeU), Op(BrIf), Unsigned(code_, 0);
  }
  for (int u = 0; u < rounds_; ++u) {
    for (int k = 0; k < length; ++k) PassStep(u, k);
  }
  Close();  // short of room: the steps one by one
  StoreBack();
  Branch(PassOut);
  Close();  // the head
  Close();  // the way out to the steps one by one
  Enough(blocks_[block].start);
  block_ = -1;
  held_.fill(-1);
}

void Body::StoreBack() {
  for (int cell = 0; cell < 256; ++cell) {
    if (writes_[cell] && held_[cell] >= 0) {
      Get(Mem), Get(Held + held_[cell]), Memory(Store8, 0, static_cast<std::uint32_t>(cell));
    }
  }
}

bool Body::FollowedBy(Byte target, int u, int k) const {
  const int start = blocks_[block_].start;
  if (k + 1 < blocks_[block_].length) return target == start + 3 * (k + 1);
  return target == start && u + 1 < rounds_;
}

// Leaves step k of round u for target: on in the pass, to its head, or out.
void Body::PassGo(Byte target, int u, int k) {
  if (FollowedBy(target, u, k)) return;
  const int steps = u * blocks_[block_].length + k + 1;
  if (target == blocks_[block_].start) {
    Took(steps);
    return Branch(Head);
  }
  StoreBack();
  Took(steps);
  if (const int j = StepAt(target, block_); j > 0) {
    Enough(target);
    return Branch(first_[block_] + j);
  }
  Constant(target), Set(Ip);
  Get(Table), Memory(Load16, 1, 2u * target), Set(Case);
  Branch(DispatchLabel);
}

// Step k of round u of the pass.
void Body::PassStep(int u, int k) {
  const int start = blocks_[block_].start;
  const Byte a = Cell(block_, k, 0), b = Cell(block_, k, 1), c = WrapIP(Cell(block_, k, 2));
  const Byte next = WrapIP(start + 3 * k + 3);
  if (a == ConsoleCell) {
    // The cell is 0 before the step: the step always jumps; the pass has
    // room for its characters.
    Get(Console), Constant(0), Take(b), Op(Sub), Constant(0xFF), Op(And), Tee(R), Memory(Store8, 0, 0);
    Get(Console), Get(R), Constant(0), Op(Ne), Op(Add), Set(Console);
    Sample(false);
    return PassGo(c, u, k);
  }
  Take(a), Set(X);
  Take(b), Set(Y);
  Get(X), Get(Y), Op(Sub), Constant(0xFF), Op(And), Op(LocalTee), Op(R), Set(Held + held_[a]);
  Sample(true);
  if (c == next) return PassGo(next, u, k);
  const bool jumpLeaves = FollowedBy(next, u, k);
  if (jumpLeaves || FollowedBy(c, u, k)) {
    Get(X), Get(Y), Op(jumpLeaves ? LeU : GtU), Open(If, Inner);
    PassGo(jumpLeaves ? c : next, u, k);
    Close();
    return;
  }
  Get(X), Get(Y), Op(LeU), Open(If, Inner);
  PassGo(c, u, k);
  Close();
  PassGo(next, u, k);
}

void Body::Branch(int label, std::uint8_t op) {
  for (std::size_t depth = 0; depth < open_.size(); ++depth) {
    if (open_[open_.size() - 1 - depth] == label) {
      Op(op), Unsigned(code_, static_cast<std::uint32_t>(depth));
      return;
    }
  }
  failed_ = true;
}

void Body::ContextField(std::size_t offset, Local local, bool store) {
  Get(Ctx);
  if (store) {
    Get(local);
    Memory(Store, 2, static_cast<std::uint32_t>(offset));
  } else {
    Memory(Load, 2, static_cast<std::uint32_t>(offset));
    Set(local);
  }
}

void Body::Leave(Byte ip, bool wrote) {
  Constant(ip), Set(Ip);
  if (wrote) Constant(1), Set(Wrote);
  Branch(ExitLabel);
}

void Body::LeaveDynamic(bool wrote) {
  Get(DynC), Set(Ip);
  if (wrote) Constant(1), Set(Wrote);
  Branch(ExitLabel);
}

// Goes on at target from step k: forward inside the block by a branch (or
// none when the next step follows), back to a step of the block by its
// case, elsewhere through the table.
void Body::Go(Byte target, int block, int k, bool follows) {
  const int j = StepAt(target, block);
  if (j == k + 1 && follows) return;
  if (j > k) return Branch(first_[block] + j);
  if (j >= 0) {
    Constant(target), Set(Ip);
    Constant(first_[block] + j + 1), Set(Case);
    return Branch(DispatchLabel);
  }
  Constant(target), Set(Ip);
  Get(Table), Memory(Load16, 1, 2u * target), Set(Case);
  Branch(DispatchLabel);
}

void Body::GoDynamic() {
  Get(DynC), Set(Ip);
  Get(Table), Get(DynC), Constant(1), Op(Shl), Op(Add), Memory(Load16, 1, 0), Set(Case);
  Branch(DispatchLabel);
}

// After a step wrote cell a (its new value in R, the old one in X): the
// console's character, or a way out when a holds code and the write changed
// it (a counter that subtracts 0 goes on in compiled code).
void Body::Written(Byte a, Byte target) {
  if (a == ConsoleCell) {
    Get(Console), Get(R), Memory(Store8, 0, 0);
    Get(Console), Get(R), Constant(0), Op(Ne), Op(Add), Set(Console);
    Get(Mem), Constant(0), Memory(Store8, 0, ConsoleCell);
    Get(Console), Get(ConsoleEnd), Op(GeU), Open(If, Inner);
    Leave(target, false);
    Close();
  } else if (mayHold_[a]) {
    Get(R), Get(X), Op(Ne), Constant(0), Get(Holds), Memory(Load8, 0, a), Op(Select), Open(If, Inner);
    Leave(target, true);
    Close();
  }
}

// The sum moved by the step (R new, X old) and stored into the ring.
void Body::Sample(bool changesSum) {
  if (!samples_) return;
  if (changesSum) Get(Sum), Get(R), Op(Add), Get(X), Op(Sub), Set(Sum);
  Get(Ring), Get(Position), Constant(2), Op(Shl), Op(Add), Get(Sum), Memory(Store, 2, 0);
  Constant(0), Get(Position), Constant(1), Op(Add), Op(LocalTee), Op(Position);
  Get(Position), Constant(SumHistory::Size), Op(Eq), Op(Select), Set(Position);
}

void Body::Step(int block, int k) {
  const int ip = blocks_[block].start + 3 * k;
  const Byte a = Cell(block, k, 0), b = Cell(block, k, 1), c = WrapIP(Cell(block, k, 2)), next = WrapIP(ip + 3);
  if (Read(block, k, 0) || Read(block, k, 1) || Read(block, k, 2)) return MemoryStep(block, k);
  Get(Budget), Constant(1), Op(Sub), Set(Budget);
  if (a == ScreenCommandCell) return ScreenStep(b, c, block, k);
  Get(Mem), Memory(Load8, 0, a), Set(X);
  Get(Mem), Memory(Load8, 0, b), Set(Y);
  Get(Mem), Get(X), Get(Y), Op(Sub), Constant(0xFF), Op(And), Op(LocalTee), Op(R), Memory(Store8, 0, a);
  Sample(a != ConsoleCell);
  if (c != next) {
    Get(X), Get(Y), Op(LeU), Open(If, Inner);
    Written(a, c);
    Go(c, block, k, false);
    Close();
  }
  Written(a, next);
  Go(next, block, k, true);
}

// A step with operands read from memory: a jump to itself, or an A cell
// that is a command cell, the key cell or the console, leaves before the
// step for the interpreter.
void Body::MemoryStep(int block, int k) {
  const int ip = blocks_[block].start + 3 * k;
  const Byte next = WrapIP(ip + 3);
  const bool readA = Read(block, k, 0), readB = Read(block, k, 1), readC = Read(block, k, 2);
  if (readC) {
    Constant(0), Get(Mem), Memory(Load8, 0, ip + 2), Op(LocalTee), Op(DynC), Get(DynC), Constant(MaxIP), Op(GtU);
    Op(Select), Op(LocalTee), Op(DynC);
    Constant(ip), Op(Eq), Open(If, Inner);
    Leave(static_cast<Byte>(ip), false);
    Close();
  }
  if (readA) {
    Get(Mem), Memory(Load8, 0, ip), Op(LocalTee), Op(DynA), Constant(NetCommandCell), Op(Eq);
    Get(DynA), Constant(ScreenCommandCell), Op(GeU), Op(Or), Open(If, Inner);
    Leave(static_cast<Byte>(ip), false);
    Close();
  } else {
    Constant(Cell(block, k, 0)), Set(DynA);
  }
  Get(Budget), Constant(1), Op(Sub), Set(Budget);
  Get(Mem), Get(DynA), Op(Add), Memory(Load8, 0, 0), Set(X);
  if (readB) {
    Get(Mem), Get(Mem), Memory(Load8, 0, ip + 1), Op(Add), Memory(Load8, 0, 0), Set(Y);
  } else {
    Get(Mem), Memory(Load8, 0, Cell(block, k, 1)), Set(Y);
  }
  Get(Mem), Get(DynA), Op(Add), Get(X), Get(Y), Op(Sub), Constant(0xFF), Op(And), Op(LocalTee), Op(R);
  Memory(Store8, 0, 0);
  Sample(true);
  // Neither A is the console here: a way out when the cell holds code and
  // changed.
  const auto written = [&](auto leave) {
    Get(R), Get(X), Op(Ne), Constant(0), Get(Holds), Get(DynA), Op(Add), Memory(Load8, 0, 0), Op(Select);
    Open(If, Inner);
    leave();
    Close();
  };
  Get(X), Get(Y), Op(LeU), Open(If, Inner);
  if (readC) {
    written([&] { LeaveDynamic(true); });
    GoDynamic();
  } else {
    const Byte c = WrapIP(Cell(block, k, 2));
    written([&] { Leave(c, true); });
    Go(c, block, k, false);
  }
  Close();
  written([&] { Leave(next, true); });
  Go(next, block, k, true);
}

// A step on the screen's command cell, which is 0 before it: it stores
// 0 - Memory[b] there and jumps; a plot is served here, another command by
// a call.
void Body::ScreenStep(Byte b, Byte c, int block, int k) {
  Get(Mem), Constant(0), Get(Mem), Memory(Load8, 0, b), Op(Sub), Constant(0xFF), Op(And), Op(LocalTee), Op(R);
  Memory(Store8, 0, ScreenCommandCell);
  Get(R), Open(If, Inner);
  Open(Block, Served);
  Open(Block, CallOut);
  Plot(CallOut);
  Branch(Served);
  Close();
  Get(Ctx), Op(Call), Unsigned(code_, 0);
  Open(If, Inner);
  Leave(c, true);
  Close();
  Close();
  Close();
  Go(c, block, k, true);
}

// The plot of the command in R, as ScreenBuffer's operator() keeps it: the
// row marked written, its version counted, the pixel stored; a row still to
// take its fill colour, and any other command, go to callLabel.
void Body::Plot(int callLabel) {
  Get(R), Constant(ScreenPlot), Op(Ne), Branch(callLabel, BrIf);
  Get(Mem), Memory(Load8, 0, ScreenYCell), Set(Y);
  Get(Filling), Get(Y), Op(Add), Memory(Load8, 0, 0), Branch(callLabel, BrIf);
  Get(RowsWritten), Get(Y), Op(Add), Constant(1), Memory(Store8, 0, 0);
  Get(Versions), Get(Y), Constant(2), Op(Shl), Op(Add), Op(LocalTee), Op(X);
  Get(X), Memory(Load, 2, 0), Constant(1), Op(Add), Memory(Store, 2, 0);
  Get(Pixels), Get(Y), Constant(8), Op(Shl), Get(Mem), Memory(Load8, 0, ScreenXCell), Op(Or), Constant(2), Op(Shl);
  Op(Add);
  Get(Mem), Memory(Load8, 0, ScreenRedCell), Get(Mem), Memory(Load8, 0, ScreenGreenCell), Constant(8), Op(Shl);
  Op(Or), Get(Mem), Memory(Load8, 0, ScreenBlueCell), Constant(16), Op(Shl), Op(Or), Memory(Store, 2, 0);
  Get(Mem), Constant(0), Memory(Store8, 0, ScreenCommandCell);
  Get(Plots), Constant(1), Op(Add), Set(Plots);
}

std::vector<std::uint8_t> Body::Write(std::array<std::uint16_t, 256>& entry) {
  int steps = 0;
  for (const WasmBlock& block : blocks_) {
    for (int cell = block.start; cell < block.start + 3 * block.length; ++cell) mayHold_[cell] = !fromMemory_[cell];
    first_.push_back(steps);
    entry[block.start] = static_cast<std::uint16_t>(steps + 1);
    steps += block.length;
  }
  code_.push_back(1);  // one run of locals
  Unsigned(code_, Locals - 1);
  code_.push_back(I32);
  ContextField(offsetof(WasmContext, memory), Mem, false);
  ContextField(offsetof(WasmContext, holds), Holds, false);
  ContextField(offsetof(WasmContext, table), Table, false);
  ContextField(offsetof(WasmContext, budget), Budget, false);
  ContextField(offsetof(WasmContext, console), Console, false);
  ContextField(offsetof(WasmContext, consoleEnd), ConsoleEnd, false);
  ContextField(offsetof(WasmContext, ip), Ip, false);
  ContextField(offsetof(WasmContext, ring), Ring, false);
  ContextField(offsetof(WasmContext, sum), Sum, false);
  ContextField(offsetof(WasmContext, position), Position, false);
  ContextField(offsetof(WasmContext, pixels), Pixels, false);
  ContextField(offsetof(WasmContext, filling), Filling, false);
  ContextField(offsetof(WasmContext, written), RowsWritten, false);
  ContextField(offsetof(WasmContext, versions), Versions, false);
  Get(Table), Get(Ip), Constant(1), Op(Shl), Op(Add), Memory(Load16, 1, 0), Set(Case);
  Open(Loop, DispatchLabel);
  Open(Block, ExitLabel);
  for (int s = steps - 1; s >= 0; --s) Open(Block, s);
  // A block runs at most BlockLength steps between two dispatches, which
  // leave when fewer are left: its steps count none.
  Constant(0), Get(Case), Get(Budget), Constant(CompiledCode::BlockLength), Op(LtU), Op(Select);
  Op(BrTable), Unsigned(code_, static_cast<std::uint32_t>(steps + 1));
  Unsigned(code_, static_cast<std::uint32_t>(steps));  // case 0: the way out
  for (int s = 0; s < steps; ++s) Unsigned(code_, static_cast<std::uint32_t>(s));
  Unsigned(code_, static_cast<std::uint32_t>(steps));
  for (int i = 0; i < static_cast<int>(blocks_.size()); ++i) {
    for (int k = 0; k < blocks_[i].length; ++k) {
      Close();
      if (k == 0) Pass(i);
      Step(i, k);
    }
  }
  Close();  // the way out
  ContextField(offsetof(WasmContext, ip), Ip, true);
  ContextField(offsetof(WasmContext, wrote), Wrote, true);
  ContextField(offsetof(WasmContext, budget), Budget, true);
  ContextField(offsetof(WasmContext, console), Console, true);
  ContextField(offsetof(WasmContext, sum), Sum, true);
  ContextField(offsetof(WasmContext, position), Position, true);
  ContextField(offsetof(WasmContext, plots), Plots, true);
  Close();  // the dispatch
  Op(End);
  if (failed_) code_.clear();
  return code_;
}

}  // namespace

WasmModule WriteModule(const std::vector<WasmBlock>& blocks, const MemoryCells& memory, const FromMemory& fromMemory,
                       bool samples) {
  WasmModule module;
  std::vector<std::uint8_t>& out = module.bytes;
  out = {0x00, 0x61, 0x73, 0x6D, 0x01, 0x00, 0x00, 0x00};
  // Types: run (i32) -> (), serve (i32) -> i32.
  Section(out, 1, {2, 0x60, 1, I32, 0, 0x60, 1, I32, 1, I32});
  std::vector<std::uint8_t> imports{2};
  Name(imports, "env"), Name(imports, "memory"), imports.insert(imports.end(), {0x02, 0x00, 0x00});
  Name(imports, "env"), Name(imports, "serve"), imports.insert(imports.end(), {0x00, 0x01});
  Section(out, 2, imports);
  Section(out, 3, {1, 0});
  std::vector<std::uint8_t> exports{1};
  Name(exports, "run"), exports.insert(exports.end(), {0x00, 0x01});
  Section(out, 7, exports);
  const std::vector<std::uint8_t> body = Body(blocks, memory, fromMemory, samples).Write(module.entry);
  if (body.empty()) return {};
  std::vector<std::uint8_t> code{1};
  Unsigned(code, static_cast<std::uint32_t>(body.size()));
  code.insert(code.end(), body.begin(), body.end());
  Section(out, 10, code);
  return module;
}

}  // namespace zar::compiled
