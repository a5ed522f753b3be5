#include "machine/decimal_text.h"

#include <algorithm>

namespace zar {

namespace {

bool AllDigits(std::string_view part) {
  return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view TrimSpaces(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Whether the fraction digits round the whole part up, halves to even.
bool RoundsUp(std::string_view fraction, bool wholeIsOdd) {
  if (fraction.empty() || fraction[0] < '5') return false;
  if (fraction[0] > '5') return true;
  const bool beyondHalf = fraction.substr(1).find_first_not_of('0') != std::string_view::npos;
  return beyondHalf || wholeIsOdd;
}

}  // namespace

std::optional<long long> ReadRoundedDecimal(std::string_view text) {
  std::string_view s = TrimSpaces(text);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  const auto point = s.find('.');
  const std::string_view whole = s.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : s.substr(point + 1);
  if ((whole.empty() && fraction.empty()) || !AllDigits(whole) || !AllDigits(fraction)) return std::nullopt;

  long long value = 0;
  for (const char c : whole) value = std::min(value * 10 + (c - '0'), DecimalLimit);
  if (value < DecimalLimit && RoundsUp(fraction, value % 2 == 1)) ++value;
  return negative ? -value : value;
}

}  // namespace zar
