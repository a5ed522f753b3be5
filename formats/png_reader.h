#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zar {

// Inflates a zlib stream; nothing when it is broken.
using Inflate = std::function<std::optional<std::string>(std::string_view packed)>;

// A picture as 8-bit RGB, row 0 first.
struct RgbPicture {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint8_t> rgb;
};

// Reads a PNG picture of any colour type, bit depth and interlace, for where
// libpng is not at hand (WebAssembly): alpha, and a tRNS colour or palette,
// over black in linear light, and 16-bit samples as linear light, as libpng
// takes them. Opaque and wholly transparent pixels of 1 to 8 bits come out as
// libpng gives them; partly transparent ones and 16-bit samples within a few
// levels of it. Pictures over 4096 x 4096 are refused.
// On failure error says why.
std::optional<RgbPicture> ReadPng(std::string_view bytes, const Inflate& inflate, std::string& error);

// The JavaScript host's inflate (node's zlib), under emscripten only; nothing
// where the host has none (a page's worker decodes pictures itself).
std::optional<std::string> HostInflate(std::string_view packed);

}  // namespace zar
