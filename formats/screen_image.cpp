#include "formats/screen_image.h"

#include <zlib.h>

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

void AppendChunk(std::string& png, std::string_view type, std::string_view data) {
  AppendBigEndian(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeStart = png.size();
  png += type;
  png += data;
  const auto* checked = reinterpret_cast<const Bytef*>(png.data() + typeStart);
  AppendBigEndian(png, static_cast<std::uint32_t>(crc32(0, checked, static_cast<uInt>(png.size() - typeStart))));
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
