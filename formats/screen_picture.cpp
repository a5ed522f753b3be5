#include "formats/screen_picture.h"

#include <png.h>

#include <cctype>
#include <cstdint>

namespace zar {

namespace {

bool SizeFits(unsigned width, unsigned height, std::string& error) {
  if (width == ScreenSize && height == ScreenSize) return true;
  error = "the picture is " + std::to_string(width) + " x " + std::to_string(height) + ", the screen 256 x 256";
  return false;
}

void FromRgb(const std::uint8_t* rgb, std::vector<ColorValue>& pixels) {
  pixels.resize(ScreenSize * ScreenSize);
  for (ColorValue& pixel : pixels) {
    pixel = RGB(rgb[0], rgb[1], rgb[2]);
    rgb += 3;
  }
}

bool ReadPng(std::string_view bytes, std::vector<ColorValue>& pixels, std::string& error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
    error = std::string("not a readable PNG picture: ") + image.message;
    return false;
  }
  if (!SizeFits(image.width, image.height, error)) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
    error = std::string("not a readable PNG picture: ") + image.message;
    png_image_free(&image);
    return false;
  }
  FromRgb(rgb.data(), pixels);
  return true;
}

// The next number of a PPM header, after white space and # comments.
bool HeaderNumber(std::string_view bytes, std::size_t& at, unsigned& value) {
  while (at < bytes.size() && (std::isspace(static_cast<unsigned char>(bytes[at])) || bytes[at] == '#')) {
    if (bytes[at] == '#') {
      while (at < bytes.size() && bytes[at] != '\n') ++at;
    } else {
      ++at;
    }
  }
  const std::size_t start = at;
  value = 0;
  while (at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at])) && at - start < 6) {
    value = value * 10 + static_cast<unsigned>(bytes[at++] - '0');
  }
  return at > start;
}

bool ReadPpm(std::string_view bytes, std::vector<ColorValue>& pixels, std::string& error) {
  std::size_t at = 2;
  unsigned width = 0, height = 0, maxval = 0;
  if (!HeaderNumber(bytes, at, width) || !HeaderNumber(bytes, at, height) || !HeaderNumber(bytes, at, maxval) ||
      at >= bytes.size() || !std::isspace(static_cast<unsigned char>(bytes[at]))) {
    error = "not a readable PPM picture: its header is broken";
    return false;
  }
  if (!SizeFits(width, height, error)) return false;
  if (maxval != 255) {
    error = "a PPM picture needs the maxval 255, not " + std::to_string(maxval);
    return false;
  }
  const std::string_view rgb = bytes.substr(at + 1);
  if (rgb.size() != 3u * ScreenSize * ScreenSize) {
    error = "a PPM picture of 256 x 256 holds 196608 bytes of pixels, not " + std::to_string(rgb.size());
    return false;
  }
  FromRgb(reinterpret_cast<const std::uint8_t*>(rgb.data()), pixels);
  return true;
}

}  // namespace

bool ReadScreenPicture(std::string_view bytes, std::vector<ColorValue>& pixels, std::string& error) {
  if (bytes.starts_with("\x89PNG")) return ReadPng(bytes, pixels, error);
  if (bytes.starts_with("P6")) return ReadPpm(bytes, pixels, error);
  error = "not a PNG or PPM picture";
  return false;
}

}  // namespace zar
