// Arbitrary bytes as assembler source, through all three stages in every mode
// with and without debug headers. Whatever the source, the stages must
// return, a failed generation must say why and leave no listing, and a
// listing is whole lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "assembler/assemble.h"

namespace {

void AssembleOnce(std::string_view source, zar::GenerateMode mode, bool debug) {
  zar::AssemblerState state;
  const zar::Assembly assembly = zar::Assemble(source, state, {mode, debug});
  if (!assembly.generated && (assembly.messages.empty() || !assembly.listing.empty())) std::abort();
  if (!assembly.listing.empty() && assembly.listing.back() != '\n') std::abort();
  if (state.Table.CmdCount() > zar::CmdTable::MaxRows) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  for (const auto mode : {zar::GenerateMode::ListingOnly, zar::GenerateMode::Copy, zar::GenerateMode::CopyAndStart}) {
    AssembleOnce(source, mode, false);
    AssembleOnce(source, mode, true);
  }
  return 0;
}
