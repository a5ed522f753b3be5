#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "session/compiled_code.h"

namespace zar::compiled {

// The memory compiled code lives in: mapped once, never writable and
// executable at the same time. It begins with the way in and, for every
// address, the stubs that leave compiled code with IP there; blocks are
// appended behind them until the region is full and starts over.
class CodeRegion {
 public:
  using Entry = void (*)(CompiledCode::Context*);

  // Whether compiled code can run on this system at all.
  static bool Supported();
  // Nothing when the system refuses the memory or this is no x86-64.
  static std::unique_ptr<CodeRegion> Create();
  ~CodeRegion();
  CodeRegion(const CodeRegion&) = delete;
  CodeRegion& operator=(const CodeRegion&) = delete;

  Entry EntryPoint() const { return entry_; }
  const CompiledCode::Stubs& Stubs() const { return stubs_; }

  // The bytes free behind the blocks, and where they begin.
  std::size_t Room() const;
  std::uint8_t* Free() const { return base_ + used_; }
  // Makes the next `bytes` free bytes writable (and not executable) until
  // Seal; false when the system refuses.
  bool Open(std::size_t bytes);
  void Seal();
  // Takes `bytes` written since Open as code.
  void Take(std::size_t bytes);
  // Forgets every block.
  void Reset() { used_ = blocksBegin_; }

 private:
  CodeRegion() = default;

  std::uint8_t* base_ = nullptr;
  std::size_t used_ = 0;
  std::size_t blocksBegin_ = 0;
  std::uint8_t* openFirst_ = nullptr;  // the pages Open made writable
  std::size_t openSpan_ = 0;
  Entry entry_ = nullptr;
  CompiledCode::Stubs stubs_;
};

}  // namespace zar::compiled
