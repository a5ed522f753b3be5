#include "session/code_region.h"

#include <cstdlib>

#include "session/compiled_context.h"

#if defined(__x86_64__) && defined(__linux__) && defined(ZAR_WITH_XBYAK)
#define ZAR_COMPILED_ENGINE 1
#include <sys/mman.h>
#include <unistd.h>
#include <xbyak/xbyak.h>

#include <algorithm>
#include <cstring>
#include <vector>
#endif

namespace zar::compiled {

namespace {

constexpr std::size_t RegionBytes = 4 << 20;
constexpr std::size_t EntryBytes = 8192;

}  // namespace

#ifdef ZAR_COMPILED_ENGINE

namespace {

using namespace Xbyak::util;

// The way in, the two ways out, and for every address a stub for each that
// sets esi to it: blocks leave by jumping to a stub. Registers while
// compiled code runs: rbx the memory, r12 the cells that hold code, r13 the
// table of entries, r14 the steps left, r15 and rbp the console buffer's
// next byte and end; esi the IP on the way out; with samples r8d the memory
// sum, r9d the ring's position and r10 the ring.
class EntryCode : public Xbyak::CodeGenerator {
 public:
  explicit EntryCode(std::vector<std::uint8_t>& buffer) : CodeGenerator(buffer.size(), buffer.data()) {
    In();
    Out();
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
  std::size_t plainExit = 0, wroteExit = 0;

 private:
  using Context = CompiledCode::Context;
  void In() {
    for (const auto& reg : {rbx, rbp, r12, r13, r14, r15, rdi}) push(reg);
    mov(rbx, ptr[rdi + offsetof(Context, memory)]);
    mov(r12, ptr[rdi + offsetof(Context, holdsCode)]);
    mov(r13, ptr[rdi + offsetof(Context, table)]);
    mov(r14, ptr[rdi + offsetof(Context, budget)]);
    mov(r15, ptr[rdi + offsetof(Context, console)]);
    mov(rbp, ptr[rdi + offsetof(Context, consoleEnd)]);
    mov(r10, ptr[rdi + offsetof(Context, ring)]);
    mov(r8d, dword[rdi + offsetof(Context, sum)]);
    mov(r9d, dword[rdi + offsetof(Context, position)]);
    mov(esi, dword[rdi + offsetof(Context, ip)]);
    jmp(ptr[r13 + rsi * 8]);
  }
  void Out() {
    Xbyak::Label common;
    wroteExit = getSize();
    L(wrote);
    pop(rdi);
    mov(dword[rdi + offsetof(Context, wrote)], 1);
    jmp(common, T_NEAR);
    plainExit = getSize();
    L(plain);
    pop(rdi);
    mov(dword[rdi + offsetof(Context, wrote)], 0);
    L(common);
    mov(dword[rdi + offsetof(Context, ip)], esi);
    mov(ptr[rdi + offsetof(Context, budget)], r14);
    mov(ptr[rdi + offsetof(Context, console)], r15);
    mov(dword[rdi + offsetof(Context, sum)], r8d);
    mov(dword[rdi + offsetof(Context, position)], r9d);
    for (const auto& reg : {r15, r14, r13, r12, rbp, rbx}) pop(reg);
    ret();
  }
};

std::size_t PageSize() { return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)); }

}  // namespace

bool CodeRegion::Supported() { return true; }

std::unique_ptr<CodeRegion> CodeRegion::Create() {
  void* mapped = ::mmap(nullptr, RegionBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  std::unique_ptr<CodeRegion> region(new CodeRegion);
  region->base_ = static_cast<std::uint8_t*>(mapped);
  try {
    std::vector<std::uint8_t> buffer(EntryBytes);
    EntryCode entry(buffer);
    entry.ready();
    std::memcpy(region->base_, entry.getCode(), entry.getSize());
    region->entry_ = reinterpret_cast<Entry>(region->base_);
    for (std::size_t ip = 0; ip < 256; ++ip) {
      region->stubs_.plain[ip] = region->base_ + entry.plainStubs[ip];
      region->stubs_.wrote[ip] = region->base_ + entry.wroteStubs[ip];
    }
    region->stubs_.plainExit = region->base_ + entry.plainExit;
    region->stubs_.wroteExit = region->base_ + entry.wroteExit;
    region->used_ = region->blocksBegin_ = (entry.getSize() + 63) / 64 * 64;
  } catch (const Xbyak::Error&) {
    return nullptr;
  }
  if (::mprotect(mapped, RegionBytes, PROT_READ | PROT_EXEC) != 0) return nullptr;
  return region;
}

CodeRegion::~CodeRegion() {
  if (base_) ::munmap(base_, RegionBytes);
}

bool CodeRegion::Open(std::size_t bytes) {
  const std::size_t page = PageSize();
  openFirst_ = base_ + used_ / page * page;
  const std::size_t end = std::min(RegionBytes, used_ + bytes);
  openSpan_ = (end + page - 1) / page * page - used_ / page * page;
  return ::mprotect(openFirst_, openSpan_, PROT_READ | PROT_WRITE) == 0;
}

void CodeRegion::Seal() {
  if (::mprotect(openFirst_, openSpan_, PROT_READ | PROT_EXEC) != 0) std::abort();  // the code could not run
}

#else

bool CodeRegion::Supported() { return false; }
std::unique_ptr<CodeRegion> CodeRegion::Create() { return nullptr; }
CodeRegion::~CodeRegion() = default;
bool CodeRegion::Open(std::size_t) { return false; }
void CodeRegion::Seal() {}

#endif

std::size_t CodeRegion::Room() const { return RegionBytes - used_; }

void CodeRegion::Take(std::size_t bytes) { used_ += (bytes + 15) / 16 * 16; }

}  // namespace zar::compiled
