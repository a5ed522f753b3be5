#include "formats/program_file.h"

#include <vector>

#include "machine/decimal_text.h"

namespace zar {

std::optional<Byte> ParseProgramLine(std::string_view line) {
  const auto value = ReadRoundedDecimal(line);
  if (!value || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<Byte>(*value);
}

std::string ProgramFileText(const MemoryCells& memory) {
  std::string text;
  text.reserve(256 * 5);
  for (const Byte value : memory) {
    text += std::to_string(value);
    text += "\r\n";
  }
  return text;
}

namespace {

void StoreProgramLines(const std::vector<std::string>& lines, MemoryCells& memory) {
  for (std::size_t i = 0; i < lines.size() && i < memory.size(); ++i) {
    if (const auto value = ParseProgramLine(lines[i])) memory[i] = *value;
  }
}

}  // namespace

void ReadProgramText(std::string_view text, MemoryCells& memory) {
  StoreProgramLines(FirstLines(text, ProgramLineLimits), memory);
}

FileResult LoadProgramFile(const std::filesystem::path& path, MemoryCells& memory) {
  std::vector<std::string> lines;
  if (FileResult read = ReadFirstLines(path, ProgramLineLimits, lines); read.Failed()) return read;
  StoreProgramLines(lines, memory);
  return FileResult::Done();
}

FileResult SaveProgramFile(const std::filesystem::path& path, const MemoryCells& memory) {
  return WriteWholeFile(path, ProgramFileText(memory));
}

}  // namespace zar
