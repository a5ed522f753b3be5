#include "assembler/number_text.h"

#include <algorithm>

namespace zar {

namespace {

struct Scanned {
  NumberValue value = 0;
  std::size_t end = 0;  // position after the number; 0 when there is none
};

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') v = c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v;
}

// Digits in the base from position pos; end stays 0 when there are none.
Scanned ScanDigits(std::string_view text, std::size_t pos, int base) {
  Scanned s;
  std::size_t i = pos;
  for (; i < text.size(); ++i) {
    const int d = DigitValue(text[i], base);
    if (d < 0) break;
    s.value = std::min(s.value * base + d, NumberLimit);
  }
  if (i > pos) s.end = i;
  return s;
}

// The number that starts after the leading spaces, if any.
Scanned ScanNumber(std::string_view text) {
  std::size_t pos = text.find_first_not_of(' ');
  if (pos == std::string_view::npos) return {};
  if (text.substr(pos, 2) == "&H") return ScanDigits(text, pos + 2, 16);
  bool negative = false;
  if (text[pos] == '+' || text[pos] == '-') {
    negative = text[pos] == '-';
    ++pos;
  }
  Scanned s = ScanDigits(text, pos, 10);
  if (negative) s.value = -s.value;
  return s;
}

}  // namespace

std::optional<NumberValue> ReadWholeNumber(std::string_view text) {
  const Scanned s = ScanNumber(text);
  if (s.end == 0) return std::nullopt;
  if (text.find_first_not_of(' ', s.end) != std::string_view::npos) return std::nullopt;
  return s.value;
}

NumberValue ReadLeadingNumber(std::string_view text) { return ScanNumber(text).value; }

}  // namespace zar
