#pragma once

#include <string>
#include <string_view>

#include "devices/screen_device.h"

namespace zar {

// The 256 x 256 screen, row y = 0 first, as a binary PPM file
// ("P6\n256 256\n255\n" and R, G, B per pixel).
std::string ScreenPpm(const ScreenBuffer& buffer);

// The same picture as an RGB PNG file.
std::string ScreenPng(const ScreenBuffer& buffer);

// The picture for a file of the name: PPM for a name ending in ".ppm", PNG
// for any other.
std::string ScreenPicture(const ScreenBuffer& buffer, std::string_view fileName);

}  // namespace zar
