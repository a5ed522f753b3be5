#include "session/run_control.h"

#include "machine/decimal_text.h"

namespace zar {

std::optional<long long> ParseIntervalText(std::string_view text) { return ReadRoundedDecimal(text); }

}  // namespace zar
