#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "devices/screen_device.h"

namespace zar {

// Reads a picture of the screen: a PNG file (any colour type, bit depth or
// interlace, turned into 8-bit RGB; alpha over black) or a binary PPM
// ("P6", maxval 255), 256 x 256 either way. The pixels come back row y = 0
// first, ScreenSize * ScreenSize of them as the screen device's colours. On
// failure error says why ("not a PNG or PPM picture", "the picture is 10 x 10,
// the screen 256 x 256", ...).
bool ReadScreenPicture(std::string_view bytes, std::vector<ColorValue>& pixels, std::string& error);

}  // namespace zar
