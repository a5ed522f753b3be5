// Arbitrary bytes as assembler source, through all three stages with every
// combination of the debug, start and copy flags. Whatever the source, the
// stages must return, a plain generation must leave the machine alone, and a
// copying one must leave either the program with IP 0 or cleared memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "assembler/assemble.h"

namespace {

class QuietHost final : public zar::AssemblerHost {
 public:
  void Message(std::string_view) override { ++messages; }
  void ShowTableText(std::string_view) override {}
  void ShowListingText(std::string_view text) override {
    if (!text.empty() && text.back() != '\n') std::abort();
  }
  void StopMachine() override { stopped = true; }
  void StartMachine() override { started = true; }

  int messages = 0;
  bool stopped = false;
  bool started = false;
};

void AssembleOnce(std::string_view source, bool debug, bool start, bool copy) {
  zar::AssemblerState state;
  zar::Machine machine;
  machine.Memory.fill(0xA5);
  machine.IP = 99;
  QuietHost host;
  const bool generated = zar::Assemble(source, state, machine, {debug, start, copy}, host);
  if (!generated && host.messages == 0) std::abort();
  if (state.Table.CmdCount() > zar::CmdTable::MaxRows) std::abort();
  if (!start && !copy) {
    if (host.stopped || machine.IP != 99 || machine.Memory[0] != 0xA5) std::abort();
    return;
  }
  if (!host.stopped || host.started != (generated && start)) std::abort();
  if (generated) {
    if (machine.IP != 0 || !std::equal(machine.Memory.begin(), machine.Memory.end(), state.Image.begin())) std::abort();
  } else {
    for (const zar::Byte cell : machine.Memory) {
      if (cell != 0) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  for (int flags = 0; flags < 8; ++flags) AssembleOnce(source, flags & 1, flags & 2, flags & 4);
  return 0;
}
