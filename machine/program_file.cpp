#include "machine/program_file.h"

#include <vector>

namespace zar {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimSpaces(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Whether the decimal fraction digits round the integer part up, halves to even.
bool RoundsUp(std::string_view fraction, bool integerIsOdd) {
  if (fraction.empty() || fraction[0] < '5') return false;
  if (fraction[0] > '5') return true;
  const bool beyondHalf = fraction.substr(1).find_first_not_of('0') != std::string_view::npos;
  return beyondHalf || integerIsOdd;
}

}  // namespace

std::optional<Byte> ParseProgramLine(std::string_view line) {
  std::string_view s = TrimSpaces(line);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  const auto point = s.find('.');
  const std::string_view whole = s.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : s.substr(point + 1);
  auto allDigits = [](std::string_view part) {
    for (const char c : part) {
      if (!IsDigit(c)) return false;
    }
    return true;
  };
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if (!allDigits(whole) || !allDigits(fraction)) return std::nullopt;

  // Only the last four significant digits matter once more would be out of range.
  const std::string_view significant = whole.substr(std::min(whole.find_first_not_of('0'), whole.size()));
  if (significant.size() > 3) return std::nullopt;
  int value = 0;
  for (const char c : significant) value = value * 10 + (c - '0');
  if (RoundsUp(fraction, value % 2 == 1)) ++value;
  if (negative && value != 0) return std::nullopt;
  if (value > 255) return std::nullopt;
  return static_cast<Byte>(value);
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

FileError LoadProgramFile(const std::filesystem::path& path, MemoryCells& memory) {
  std::vector<std::string> lines;
  if (FileError error = ReadFirstLines(path, memory.size(), MaxProgramLineLength, lines)) return error;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (const auto value = ParseProgramLine(lines[i])) memory[i] = *value;
  }
  return std::nullopt;
}

FileError SaveProgramFile(const std::filesystem::path& path, const MemoryCells& memory) {
  return WriteFileAtomically(path, ProgramFileText(memory));
}

}  // namespace zar
