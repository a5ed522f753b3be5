#pragma once

// The yardstick of the engines' speed: this machine interpreted step by step
// as plainly as it can be, in the manner of a first emulator: read A, B and
// C at IP; subtract; store; jump or go on; drain a character from cell 255
// into a buffer written at the end; serve a screen command by writing the
// pixel (a clear, a colour, a line too), clear a network command.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace plain {

struct Outcome {
  std::string printed;
  std::vector<std::uint32_t> screen = std::vector<std::uint32_t>(256 * 256, 0);
};

inline void Serve(std::array<std::uint8_t, 256>& m, Outcome& out, std::uint32_t& colour) {
  const std::uint32_t cells = m[250] | m[251] << 8 | m[252] << 16;
  switch (m[253]) {
    case 1:
      for (std::uint32_t& pixel : out.screen) pixel = colour;
      break;
    case 2:
      colour = cells;
      break;
    case 3:
      out.screen[m[249] * 256 + m[248]] = cells;
      break;
    case 5: {
      const int x0 = m[248], y0 = m[249], x1 = m[246], y1 = m[247];
      const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
      for (int i = 0; i <= n; ++i) {
        const int x = n == 0 ? x0 : x0 + (x1 - x0) * i / n, y = n == 0 ? y0 : y0 + (y1 - y0) * i / n;
        out.screen[y * 256 + x] = cells;
      }
      break;
    }
    default:
      break;
  }
  m[253] = 0;
}

inline Outcome Run(std::array<std::uint8_t, 256> m, std::uint64_t steps) {
  Outcome out;
  std::uint32_t colour = 0;
  unsigned ip = 0;
  for (std::uint64_t i = 0; i < steps; ++i) {
    const std::uint8_t a = m[ip], b = m[ip + 1], c = m[ip + 2];
    const std::uint8_t x = m[a], y = m[b];
    m[a] = static_cast<std::uint8_t>(x - y);
    ip = x <= y ? c : ip + 3;
    if (ip > 252) ip = 0;
    if (m[255] != 0) {
      out.printed.push_back(static_cast<char>(m[255]));
      m[255] = 0;
    }
    if (m[253] != 0) Serve(m, out, colour);
    m[245] = 0;
  }
  return out;
}

}  // namespace plain
