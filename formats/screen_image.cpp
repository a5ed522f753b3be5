#include "formats/screen_image.h"

#ifdef ZAR_WITH_ZLIB
#include <zlib.h>
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace zar {

namespace {

std::string RgbRows(const ScreenBuffer& buffer, bool filterBytes) {
  std::string rows;
  rows.reserve(ScreenSize * (ScreenSize * 3 + 1));
  for (int y = 0; y < ScreenSize; ++y) {
    if (filterBytes) rows += '\0';  // PNG filter type "none"
    for (int x = 0; x < ScreenSize; ++x) {
      const ColorValue c = buffer(x, y);
      rows += static_cast<char>(RedOf(c));
      rows += static_cast<char>(GreenOf(c));
      rows += static_cast<char>(BlueOf(c));
    }
  }
  return rows;
}

void AppendBigEndian(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

#ifdef ZAR_WITH_ZLIB
std::uint32_t Crc32(std::string_view bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string Deflate(const std::string& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK) {
    throw std::runtime_error("compression failed");
  }
  packed.resize(size);
  return packed;
}
#else
// Without zlib: the same checksums, and the rows in stored (uncompressed)
// deflate blocks, which every PNG reader takes.
std::uint32_t Crc32(std::string_view bytes) {
  static constexpr auto Table = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    return table;
  }();
  std::uint32_t c = 0xFFFFFFFFU;
  for (const char ch : bytes) c = Table[(c ^ static_cast<std::uint8_t>(ch)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFU;
}

std::string Deflate(const std::string& raw) {
  constexpr std::size_t Block = 65535;
  std::string packed = "\x78\x01";  // zlib header: deflate, 32 KiB window
  for (std::size_t at = 0; at < raw.size(); at += Block) {
    const auto length = static_cast<std::uint16_t>(std::min(Block, raw.size() - at));
    packed += static_cast<char>(at + length == raw.size() ? 1 : 0);  // the last block says so
    packed += static_cast<char>(length & 0xFF);
    packed += static_cast<char>(length >> 8);
    packed += static_cast<char>(~length & 0xFF);
    packed += static_cast<char>((~length >> 8) & 0xFF);
    packed.append(raw, at, length);
  }
  std::uint32_t a = 1, b = 0;  // Adler-32 of the raw bytes
  for (const char ch : raw) {
    a = (a + static_cast<std::uint8_t>(ch)) % 65521;
    b = (b + a) % 65521;
  }
  AppendBigEndian(packed, (b << 16) | a);
  return packed;
}
#endif

void AppendChunk(std::string& png, std::string_view type, std::string_view data) {
  AppendBigEndian(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeStart = png.size();
  png += type;
  png += data;
  AppendBigEndian(png, Crc32(std::string_view(png).substr(typeStart)));
}

}  // namespace

std::string ScreenPpm(const ScreenBuffer& buffer) { return "P6\n256 256\n255\n" + RgbRows(buffer, false); }

std::string ScreenPng(const ScreenBuffer& buffer) {
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  AppendBigEndian(header, ScreenSize);
  AppendBigEndian(header, ScreenSize);
  header += std::string_view("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", Deflate(RgbRows(buffer, true)));
  AppendChunk(png, "IEND", {});
  return png;
}

std::string ScreenPicture(const ScreenBuffer& buffer, std::string_view fileName) {
  return fileName.ends_with(".ppm") ? ScreenPpm(buffer) : ScreenPng(buffer);
}

}  // namespace zar
