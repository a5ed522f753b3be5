#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "session/block_emitter.h"
#include "session/compiled_code.h"

namespace zar::compiled {

// The compiled engine's back end in the page: the blocks live in one
// WebAssembly module, written anew whenever blocks are added and
// instantiated over the page's own memory; a block dropped leaves the
// table of cases at once and the module at its next writing.
class WasmCode {
 public:
  // Nothing but in the page (a build for WebAssembly).
  static std::unique_ptr<WasmCode> Create(bool samples);
  ~WasmCode();
  WasmCode(const WasmCode&) = delete;
  WasmCode& operator=(const WasmCode&) = delete;

  // Of the starts whose blocks grew hot, those to compile now (into out):
  // each writing of the module compiles every block kept again, so a lone
  // new block waits, run by the interpreter, until it grows hot once more
  // (twice as often for each time it was dropped, up to 16 times) or enough
  // others wait with it; several asked for at once go at once.
  int Gather(const Byte* starts, int count, Byte* out);
  // Adds the blocks planned to those kept and writes the module of all;
  // false (and none added) when the module cannot be made.
  bool Compile(const BlockPlan* plans, int count, const MemoryCells& memory, const FromMemory& fromMemory);
  void Drop(Byte start);
  void DropAll();

  struct Exit {
    std::uint64_t steps = 0;
    std::size_t printed = 0;
    bool wrote = false;  // left after a write to a cell that holds code
  };
  // As CompiledCode::Run, with the engine's cells that hold code.
  Exit Run(Machine& m, std::uint64_t budget, char* console, std::size_t room, CompiledCode::Samples* samples,
           ScreenDevice& screen, std::uint64_t& services, const std::uint8_t* holdsCode);

  // The module's size and how long its last writing and compiling took.
  std::size_t ModuleBytes() const { return moduleBytes_; }
  double LastCompileMs() const { return lastCompileMs_; }

 private:
  explicit WasmCode(bool samples) : samples_(samples) {}

  // Used only in a build for WebAssembly.
  [[maybe_unused]] bool samples_;
  [[maybe_unused]] int instance_ = 0;  // the module's instance in the page, 0 for none
  [[maybe_unused]] std::array<int, 256> lengths_{};
  [[maybe_unused]] std::array<std::uint16_t, 256> table_{};
  [[maybe_unused]] std::array<std::uint8_t, 256> asked_{};  // for starts whose blocks wait: the times they grew hot
  [[maybe_unused]] std::array<std::uint8_t, 256> drops_{};  // the times each start's block was dropped
  [[maybe_unused]] int waitingCount_ = 0;
  [[maybe_unused]] int kept_ = 0;  // the blocks of the module not dropped
  std::size_t moduleBytes_ = 0;
  double lastCompileMs_ = 0;
};

}  // namespace zar::compiled
