#pragma once

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

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
#ifndef __cpp_lib_to_chars  // whole numbers only (libc++, WebAssembly): floating point by strtod
  if constexpr (std::is_floating_point_v<Number>) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])) || text[0] == '+') return false;
    const std::string copy(text);
    char* stop = nullptr;
    value = static_cast<Number>(std::strtod(copy.c_str(), &stop));
    return stop == copy.c_str() + copy.size();
  } else  // NOLINT(readability-misleading-indentation)
#endif
  {
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
  }
}

}  // namespace zar
