#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zar {

// Numbers in assembler operands. A text reads wholly as a number when it is
// spaces, an optional sign directly before decimal digits, and spaces; or
// spaces, "&H" with hexadecimal digits (unsigned), and spaces. Nothing else is
// a number: no fractions, exponents, "&h" or signed "&H".
//
// Values beyond the range of any cell saturate at +-NumberLimit so that a huge
// number stays out of range instead of wrapping into it.
using NumberValue = std::int64_t;
inline constexpr NumberValue NumberLimit = 1'000'000'000'000;

std::optional<NumberValue> ReadWholeNumber(std::string_view text);

// The number the text begins with, spaces before it skipped; 0 when the text
// does not begin with a number ('12abc' gives 12, 'abc' gives 0).
NumberValue ReadLeadingNumber(std::string_view text);

}  // namespace zar
