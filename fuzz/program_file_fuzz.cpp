// Arbitrary bytes as a program file: the reader must take only the first 256
// lines, leave a cell alone unless its line reads as a value, and never read
// beyond the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "formats/program_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  zar::MemoryCells memory;
  for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<zar::Byte>(i);
  const zar::MemoryCells before = memory;
  zar::ReadProgramText(text, memory);

  const auto lines = zar::FirstLines(text, zar::ProgramLineLimits);
  if (lines.size() > memory.size()) std::abort();
  for (std::size_t i = 0; i < memory.size(); ++i) {
    const auto value = i < lines.size() ? zar::ParseProgramLine(lines[i]) : std::nullopt;
    if (memory[i] != value.value_or(before[i])) std::abort();
  }
  // What the writer makes, the reader takes back unchanged.
  zar::MemoryCells again{};
  zar::ReadProgramText(zar::ProgramFileText(memory), again);
  if (again != memory) std::abort();
  return 0;
}
