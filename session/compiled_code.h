#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "machine/machine.h"

namespace zar {

struct ScreenDevice;
class NetworkPort;

namespace compiled {
struct BlockPlan;
class CodeRegion;
class WasmCode;
}  // namespace compiled

// The compiled engine's code: for a start address, a block of up to
// BlockLength instructions from there on, each with A, B and C as constants,
// compiled once it has run often enough unchanged. A block runs on from
// block to block until its step budget is spent, it reaches code that is not
// compiled, or an instruction wrote a cell that holds compiled code (the
// step is done and the code of that cell is dropped at once; the cell is
// read from memory by the code compiled from then on, as the operands of
// self-modifying code are). A plot and a colour set are served by compiled
// code itself, the other screen and network commands by a call from it; a
// jump to itself
// leaves before a step that would change nothing, so that the interpreter
// sees the fixed point. Characters for the console are drained
// into the room given for them. Code pages are written, then made read-only and
// executable.
// Code made to take history samples keeps the memory sum in a register and
// stores it into the ring after every step, as the interpreter does.
class CompiledCode {
 public:
  static constexpr int BlockLength = 8;

  // Nothing when this is no x86-64 and no WebAssembly page; the executable
  // memory is asked for at the first block compiled, and where the system
  // refuses it nothing is ever compiled (in the page, the blocks are a
  // WebAssembly module).
  // Eager code compiles a block after a few visits, whether or not that
  // pays: short runs of tests and fuzz targets then run compiled code.
  static std::unique_ptr<CompiledCode> Create(bool samples = false, bool eager = false);
  // Whether the system gives executable memory here.
  static bool Available();
  ~CompiledCode();
  CompiledCode(const CompiledCode&) = delete;
  CompiledCode& operator=(const CompiledCode&) = delete;

  bool Has(Byte ip) const { return blocks_[ip].code != nullptr; }
  // The interpreter stopped at ip: it counts towards compiling a block there.
  // Whether ip has a block (now).
  bool Note(Byte ip, const MemoryCells& memory) {
    if (Has(ip)) return true;
    if (++heat_[ip] >= heatToCompile_) [[unlikely]]
      return Heated(ip, memory);
    return false;
  }
  // Drops the code of every cell that changed since it was compiled; when
  // the program changed them (not an input), the cells are read from memory
  // by the code compiled from then on.
  void Check(const MemoryCells& memory, bool byProgram);
  // The same for one cell the program just wrote.
  void Wrote(int cell, const MemoryCells& memory) {
    if (holdsCode_[cell] != 0 && memory[cell] != compiledFrom_[cell]) [[unlikely]]
      DropCell(cell, true);
  }
  // While there is no block and too little credit to compile one, the
  // interpreter's steps need not stop for compiled code nor grow hot: how
  // many it takes before there is credit, and those steps taken.
  std::uint64_t Unpaid() const {
    return eager_ || blockCount_ > 0 || credit_ >= CompileCost
               ? 0
               : static_cast<std::uint64_t>((CompileCost - credit_) * InterpreterShare);
  }
  void Interpreted(std::uint64_t steps) { credit_ += static_cast<std::int64_t>(steps) / InterpreterShare; }
  // Drops all code and compiles the blocks of every start address anew (for
  // measuring).
  void CompileAll(const MemoryCells& memory);
  // The same for the blocks at the given starts alone.
  void CompileAt(const std::vector<Byte>& starts, const MemoryCells& memory);

  struct Result {
    std::uint64_t steps = 0;
    std::size_t printed = 0;  // characters written to the console
    bool reached = false;     // the last step's network command reached the port
  };
  // The history's ring, the memory sum and the ring's position: code that
  // takes samples moves the sum and the position on as it runs.
  struct Samples {
    std::int32_t* ring = nullptr;
    std::int32_t sum = 0;
    std::size_t position = 0;
  };
  // Runs compiled code from m.IP, which must have a block, with the command
  // and console cells 0, for at most budget steps; characters printed go to
  // console, which has room for at least one, room in all; samples is given
  // exactly when the code was made to take them.
  // Screen commands are served on screen, network commands on network
  // (compiled code leaves after one that reached it), and those that did
  // something are counted in services.
  Result Run(Machine& m, std::uint64_t budget, char* console, std::size_t room, Samples* samples, ScreenDevice& screen,
             NetworkPort& network, std::uint64_t& services);

  // What compiled code is given and hands back.
  struct Context;
  // For each address, code that leaves compiled code with IP there: plainly,
  // or after a write to a cell that holds code.
  struct Stubs {
    std::array<const void*, 256> plain{};
    std::array<const void*, 256> wrote{};
    // The same ways out with IP in esi, for a jump read from memory.
    const void* plainExit = nullptr;
    const void* wroteExit = nullptr;
  };

 private:
  struct Block {
    const void* code = nullptr;
    int length = 0;
  };
  // The interpreter's visits to an address before its block is compiled: a
  // block takes some microseconds to compile (and two changes of the pages'
  // protection), a step of the interpreter some nanoseconds.
  static constexpr std::uint16_t HeatToCompile = 256;
  static constexpr std::uint16_t EagerHeat = 32;
  // Compiling pays only for code that then runs long enough unchanged: a
  // block costs as much as some thousands of the interpreter's steps. The
  // blocks compiled are paid for, in steps, from a credit that the steps of
  // compiled code fill, and those of the interpreter a little, so that code
  // that keeps rewriting itself is not compiled again and again.
  static constexpr std::int64_t CompileCost = 4096;
  static constexpr std::int64_t FirstCredit = 0;
  static constexpr std::int64_t InterpreterShare = 4;  // the interpreter's steps for a step of credit
  static constexpr std::int64_t HeatCredit = HeatToCompile / InterpreterShare;  // for each address grown hot

  CompiledCode() = default;
  bool Heated(Byte ip, const MemoryCells& memory);
  bool Compile(const Byte* starts, int count, const MemoryCells& memory);
  bool CompileWasm(const compiled::BlockPlan* plans, int planned, const MemoryCells& memory);
  void Drop(Byte start);
  void DropCell(int cell, bool byProgram);
  void DropAll();

  bool MakeRegion();

  std::unique_ptr<compiled::CodeRegion> region_;
  std::unique_ptr<compiled::WasmCode> wasm_;  // the back end in the page, in place of region_
  bool refused_ = false;                      // the system gave no executable memory
  bool samples_ = false;
  bool eager_ = false;
  std::uint16_t heatToCompile_ = HeatToCompile;
  std::int64_t credit_ = FirstCredit;
  int blockCount_ = 0;  // the blocks there are
  std::array<Block, 256> blocks_{};
  std::array<const void*, 256> table_{};       // a block's code for each address, or its plain stub
  std::array<std::uint8_t, 256> holdsCode_{};  // blocks whose instructions take each cell
  std::array<Byte, 256> compiledFrom_{};       // the cells' values when their code was compiled
  std::array<std::uint16_t, 256> heat_{};
  std::array<bool, 256> fromMemory_{};  // cells the program rewrote while they held code
};

}  // namespace zar
