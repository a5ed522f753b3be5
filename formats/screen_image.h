#pragma once

#include <string>

#include "devices/screen_device.h"

namespace zar {

// The 256 x 256 screen, row y = 0 first, as a binary PPM file
// ("P6\n256 256\n255\n" and R, G, B per pixel).
std::string ScreenPpm(const ScreenBuffer& buffer);

// The same picture as an RGB PNG file.
std::string ScreenPng(const ScreenBuffer& buffer);

}  // namespace zar
