#include "machine/cp1252.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace zar {

namespace {

// Bytes 0x80..0x9F; every other byte is the code point of the same number.
constexpr std::array<char32_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

char32_t Cp1252ToUnicode(Byte code) {
  if (code >= 0x80 && code <= 0x9F) return HighControls[code - 0x80];
  return code;
}

std::optional<Byte> UnicodeToCp1252(char32_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<Byte>(ch);
  for (std::size_t i = 0; i < HighControls.size(); ++i) {
    if (HighControls[i] == ch) return static_cast<Byte>(0x80 + i);
  }
  return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out += static_cast<char>(ch);
  } else if (ch < 0x800) {
    out += static_cast<char>(0xC0 | (ch >> 6));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else if (ch < 0x10000) {
    out += static_cast<char>(0xE0 | (ch >> 12));
    out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (ch >> 18));
    out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (ch & 0x3F));
  }
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  // Each byte's UTF-8 form, worked out once.
  struct Encoded {
    char bytes[3];
    std::uint8_t length;
  };
  static const std::array<Encoded, 256> table = [] {
    std::array<Encoded, 256> encoded{};
    for (int code = 0; code < 256; ++code) {
      std::string one;
      AppendUtf8(one, Cp1252ToUnicode(static_cast<Byte>(code)));
      Encoded& e = encoded[static_cast<std::size_t>(code)];
      std::copy(one.begin(), one.end(), e.bytes);
      e.length = static_cast<std::uint8_t>(one.size());
    }
    return encoded;
  }();
  // Runs of ASCII, the usual console output, are copied whole; they are
  // found eight bytes at a time.
  std::string out;
  out.reserve(bytes.size());
  const char* const data = bytes.data();
  const std::size_t size = bytes.size();
  std::size_t done = 0;
  while (done < size) {
    std::size_t end = done;
    for (std::uint64_t word; end + 8 <= size; end += 8) {
      std::memcpy(&word, data + end, 8);
      if ((word & 0x8080808080808080u) != 0) break;
    }
    while (end < size && static_cast<Byte>(data[end]) < 0x80) ++end;
    out.append(data + done, end - done);
    if (end == size) break;
    const Encoded& e = table[static_cast<Byte>(data[end])];
    out.append(e.bytes, e.length);
    done = end + 1;
  }
  return out;
}

}  // namespace zar
