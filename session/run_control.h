#pragma once

#include <optional>
#include <string_view>

namespace zar {

// The run timer's interval in milliseconds: 1..65535 ticks at that period,
// 0 holds the ticks back while the timer stays enabled.
inline constexpr int DefaultInterval = 50;
inline constexpr long long MaxInterval = 65535;

constexpr bool IsValidInterval(long long ms) { return ms >= 0 && ms <= MaxInterval; }

// The speed field's text as a whole number of milliseconds: spaces ignored,
// a fraction rounded half to even. Nothing for empty text or letters; the
// value may still be one the timer refuses.
std::optional<long long> ParseIntervalText(std::string_view text);

}  // namespace zar
