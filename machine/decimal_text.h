#pragma once

#include <optional>
#include <string_view>

namespace zar {

// Reads spaces around an optionally signed decimal number with an optional
// fraction ('12', '-3', '12.5', '.5', '7.'), rounded to a whole number with
// halves going to the even neighbour. Values beyond +-DecimalLimit saturate
// there. Nothing for any other text.
inline constexpr long long DecimalLimit = 1'000'000'000'000;

std::optional<long long> ReadRoundedDecimal(std::string_view text);

}  // namespace zar
