#pragma once

#include <cmath>

namespace zar {

// Window geometry in twips: 1440 to the inch, 15 to a pixel at 96 dpi.
inline constexpr int TwipsPerPixel = 15;

constexpr int PixelsToTwips(int pixels) { return pixels * TwipsPerPixel; }
inline int TwipsToPixels(int twips) { return static_cast<int>(std::lround(twips / double{TwipsPerPixel})); }

}  // namespace zar
