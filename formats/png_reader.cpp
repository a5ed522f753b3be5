#include "formats/png_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <span>

namespace zar {

namespace {

constexpr unsigned MaxSide = 4096;

std::uint32_t BigEndian(std::string_view bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<std::uint8_t>(bytes[at + i]);
  return v;
}

struct Header {
  unsigned width = 0, height = 0, depth = 0, colorType = 0, interlace = 0;
  unsigned Channels() const {
    return colorType == 0 || colorType == 3 ? 1 : colorType == 4 ? 2 : colorType == 2 ? 3 : 4;
  }
  unsigned PixelBits() const { return Channels() * depth; }
};

struct Chunks {
  Header header;
  std::string palette, transparency, data;
};

bool HeaderValid(const Header& h) {
  const bool depthFits = h.colorType == 0
                             ? (h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8 || h.depth == 16)
                         : h.colorType == 3 ? (h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8)
                                            : (h.colorType == 2 || h.colorType == 4 || h.colorType == 6) &&
                                                  (h.depth == 8 || h.depth == 16);
  return depthFits && h.interlace <= 1 && h.width > 0 && h.height > 0;
}

bool ReadChunks(std::string_view bytes, Chunks& out, std::string& error) {
  bool sawHeader = false;
  for (std::size_t at = 8; at + 12 <= bytes.size();) {
    const std::uint32_t length = BigEndian(bytes, at);
    if (length > bytes.size() - at - 12) break;
    const std::string_view type = bytes.substr(at + 4, 4), data = bytes.substr(at + 8, length);
    at += 12 + length;
    if (type == "IHDR" && length == 13) {
      out.header = {BigEndian(data, 0), BigEndian(data, 4), static_cast<std::uint8_t>(data[8]),
                    static_cast<std::uint8_t>(data[9]), static_cast<std::uint8_t>(data[12])};
      sawHeader = data[10] == 0 && data[11] == 0 && HeaderValid(out.header);
    } else if (type == "PLTE") {
      out.palette = data;
    } else if (type == "tRNS") {
      out.transparency = data;
    } else if (type == "IDAT") {
      out.data += data;
    } else if (type == "IEND") {
      if (sawHeader && !out.data.empty()) return true;
      break;
    }
  }
  error = sawHeader ? "not a readable PNG picture: it ends early" : "not a readable PNG picture: its header is broken";
  return false;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes one row's filter in place against the row above (zeros at the top).
bool Unfilter(int filter, std::uint8_t* row, const std::uint8_t* above, std::size_t size, std::size_t step) {
  if (filter > 4) return false;
  for (std::size_t i = 0; i < size; ++i) {
    const int a = i >= step ? row[i - step] : 0, b = above[i], c = i >= step ? above[i - step] : 0;
    const int add = filter == 0 ? 0 : filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : Paeth(a, b, c);
    row[i] = static_cast<std::uint8_t>(row[i] + add);
  }
  return true;
}

// Sample number i of a row of samples of `depth` bits, as 16 bits.
unsigned Sample(const std::uint8_t* row, std::size_t i, unsigned depth) {
  if (depth == 16) return (row[2 * i] << 8) | row[2 * i + 1];
  if (depth == 8) return row[i];
  const std::size_t bit = i * depth;
  return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
}

class Painter {
 public:
  Painter(const Chunks& chunks, RgbPicture& picture) : c_(chunks), picture_(picture) {}

  void Pixel(const std::uint8_t* row, unsigned x, unsigned px, unsigned py) {
    const Header& h = c_.header;
    const unsigned n = h.Channels();
    std::array<unsigned, 4> s{};
    for (unsigned k = 0; k < n; ++k) s[k] = Sample(row, std::size_t{x} * n + k, h.depth);
    unsigned r = s[0], g = s[0], b = s[0], alpha = 255;
    if (h.colorType == 3) {
      const std::size_t at = std::size_t{s[0]} * 3;
      const auto entry = [&](std::size_t i) {
        return at + i < c_.palette.size() ? static_cast<std::uint8_t>(c_.palette[at + i]) : 0u;
      };
      r = entry(0), g = entry(1), b = entry(2);
      if (s[0] < c_.transparency.size()) alpha = static_cast<std::uint8_t>(c_.transparency[s[0]]);
    } else {
      if (KeyedOut(s)) alpha = 0;
      if (h.colorType == 2 || h.colorType == 6) g = s[1], b = s[2];
      if (h.colorType == 4 || h.colorType == 6) alpha = To8(s[n - 1]);
      r = To8(r), g = To8(g), b = To8(b);
    }
    std::uint8_t* out = &picture_.rgb[(std::size_t{py} * h.width + px) * 3];
    if (h.depth == 16) {  // linear light, as libpng takes 16-bit samples: over black, then to sRGB
      const double a = h.colorType >= 4 ? s[n - 1] / 65535.0 : alpha / 255.0;
      out[0] = Srgb(s[0] * a), out[1] = Srgb(s[n >= 3 ? 1 : 0] * a), out[2] = Srgb(s[n >= 3 ? 2 : 0] * a);
      return;
    }
    out[0] = Over(r, alpha), out[1] = Over(g, alpha), out[2] = Over(b, alpha);
  }

 private:
  unsigned To8(unsigned v) const {
    const unsigned depth = c_.header.depth;
    return depth == 16 ? (v * 255 + 32895) >> 16 : depth == 8 ? v : v * 255 / ((1u << depth) - 1);
  }
  bool KeyedOut(const std::array<unsigned, 4>& s) const {
    const std::string_view key = c_.transparency;
    const auto keyed = [&](std::size_t i) {
      return (static_cast<std::uint8_t>(key[2 * i]) << 8) | static_cast<std::uint8_t>(key[2 * i + 1]);
    };
    if (c_.header.colorType == 0 && key.size() >= 2) return s[0] == static_cast<unsigned>(keyed(0));
    if (c_.header.colorType == 2 && key.size() >= 6)
      return s[0] == static_cast<unsigned>(keyed(0)) && s[1] == static_cast<unsigned>(keyed(1)) &&
             s[2] == static_cast<unsigned>(keyed(2));
    return false;
  }
  static std::uint8_t Srgb(double v) {
    const double x = v / 65535.0;
    return static_cast<std::uint8_t>(
        std::lround(255 * (x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1 / 2.4) - 0.055)));
  }
  // Over black in linear light, as libpng composes.
  static std::uint8_t Over(unsigned v, unsigned alpha) {
    if (alpha == 255 || alpha == 0) return static_cast<std::uint8_t>(alpha ? v : 0);
    const double c = v / 255.0, linear = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    return Srgb(linear * alpha / 255.0 * 65535.0);
  }

  const Chunks& c_;
  RgbPicture& picture_;
};

// The passes of Adam7 as first x, first y, x step, y step; one pass without.
struct Pass {
  unsigned x0, y0, dx, dy;
};
constexpr std::array<Pass, 7> Adam7{
    {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}};

bool Paint(const Chunks& c, std::string& raw, RgbPicture& picture) {
  const Header& h = c.header;
  const std::size_t step = std::max(1u, h.PixelBits() / 8);
  std::size_t at = 0;
  const std::array<Pass, 1> whole{{{0, 0, 1, 1}}};
  Painter painter(c, picture);
  for (const Pass& pass : h.interlace ? std::span<const Pass>(Adam7) : std::span<const Pass>(whole)) {
    const unsigned w = h.width > pass.x0 ? (h.width - pass.x0 + pass.dx - 1) / pass.dx : 0;
    const unsigned rows = h.height > pass.y0 ? (h.height - pass.y0 + pass.dy - 1) / pass.dy : 0;
    if (w == 0 || rows == 0) continue;
    const std::size_t size = (std::size_t{w} * h.PixelBits() + 7) / 8;
    std::vector<std::uint8_t> above(size, 0);
    for (unsigned r = 0; r < rows; ++r, at += size + 1) {
      if (at + size + 1 > raw.size()) return false;
      auto* row = reinterpret_cast<std::uint8_t*>(raw.data() + at + 1);
      if (!Unfilter(static_cast<std::uint8_t>(raw[at]), row, above.data(), size, step)) return false;
      for (unsigned x = 0; x < w; ++x) painter.Pixel(row, x, pass.x0 + x * pass.dx, pass.y0 + r * pass.dy);
      above.assign(row, row + size);
    }
  }
  return true;
}

}  // namespace

std::optional<RgbPicture> ReadPng(std::string_view bytes, const Inflate& inflate, std::string& error) {
  Chunks chunks;
  if (!bytes.starts_with("\x89PNG\r\n\x1a\n") || !ReadChunks(bytes, chunks, error)) {
    if (error.empty()) error = "not a readable PNG picture: no PNG signature";
    return std::nullopt;
  }
  const Header& h = chunks.header;
  if (h.width > MaxSide || h.height > MaxSide) {
    error = "the picture is " + std::to_string(h.width) + " x " + std::to_string(h.height) + ", too large to read";
    return std::nullopt;
  }
  std::optional<std::string> raw = inflate(chunks.data);
  RgbPicture picture{h.width, h.height, std::vector<std::uint8_t>(std::size_t{h.width} * h.height * 3)};
  if (!raw || !Paint(chunks, *raw, picture)) {
    error = raw ? "not a readable PNG picture: its rows are broken"
                : "not a readable PNG picture: its data do not inflate";
    return std::nullopt;
  }
  return picture;
}

}  // namespace zar
