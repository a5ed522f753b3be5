#pragma once

#include <charconv>
#include <optional>
#include <string_view>

namespace zar {

// Reads spaces around an optionally signed decimal number with an optional
// fraction ('12', '-3', '12.5', '.5', '7.'), rounded to a whole number with
// halves going to the even neighbour. Values beyond +-DecimalLimit saturate
// there. Nothing for any other text.
inline constexpr long long DecimalLimit = 1'000'000'000'000;

std::optional<long long> ReadRoundedDecimal(std::string_view text);

// Reads the whole text as one number of the type, as std::from_chars reads
// it (no sign for an unsigned type, no spaces); false for anything else,
// the empty text included.
template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

}  // namespace zar
