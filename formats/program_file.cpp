#include "formats/program_file.h"

#include <algorithm>
#include <cctype>
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

// Returns how many lines held a cell value.
std::size_t StoreProgramLines(const std::vector<std::string>& lines, MemoryCells& memory) {
  std::size_t values = 0;
  for (std::size_t i = 0; i < lines.size() && i < memory.size(); ++i) {
    const auto value = ParseProgramLine(lines[i]);
    if (!value) continue;
    memory[i] = *value;
    ++values;
  }
  return values;
}

}  // namespace

std::size_t ReadProgramText(std::string_view text, MemoryCells& memory) {
  return StoreProgramLines(FirstLines(text, ProgramLineLimits), memory);
}

FileResult LoadProgramFile(const std::filesystem::path& path, MemoryCells& memory, WaitForPipes wait) {
  std::size_t cellLines = 0;
  return LoadProgramFile(path, memory, cellLines, wait);
}

FileResult LoadProgramFile(const std::filesystem::path& path, MemoryCells& memory, std::size_t& cellLines,
                           WaitForPipes wait) {
  std::vector<std::string> lines;
  if (FileResult read = ReadFirstLines(path, ProgramLineLimits, lines, wait); read.Failed()) return read;
  cellLines = StoreProgramLines(lines, memory);
  return FileResult::Done();
}

bool HasSourceName(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return extension == ".oia";
}

bool LooksLikeSource(const std::filesystem::path& path, std::size_t cellLines) {
  return cellLines == 0 || HasSourceName(path);
}

FileResult SaveProgramFile(const std::filesystem::path& path, const MemoryCells& memory, WaitForPipes wait) {
  return WriteWholeFile(path, ProgramFileText(memory), wait);
}

}  // namespace zar
