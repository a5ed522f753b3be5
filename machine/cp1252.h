#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "machine/machine.h"

namespace zar {

// Code page 1252, the machine's single-byte character set for console codes
// and source files. Its five undefined bytes map to the C1 controls of the
// same number, so every byte survives a round trip.
char32_t Cp1252ToUnicode(Byte code);
std::optional<Byte> UnicodeToCp1252(char32_t ch);

void AppendUtf8(std::string& out, char32_t ch);
std::string Cp1252ToUtf8(std::string_view bytes);

}  // namespace zar
