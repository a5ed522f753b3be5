// The random images and the programs written into that the engines' tests
// share with zar-engine-check (the page's compiled engine under node).
#pragma once

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "session/session.h"

namespace zar::test {

// An image: self-modifying as most are, a quarter of its cells pointing at
// the devices, a breakpoint or a watch now and then, a network that takes
// requests on or refuses them, and the seed of its runs' lengths.
struct RandomImage {
  Machine machine;
  bool history = false;
  int breakpoint = -1, watch = -1;
  bool answers = false;
  std::uint32_t seedOfRuns = 0;
};

inline RandomImage DrawImage(std::mt19937& random) {
  RandomImage image;
  for (Byte& cell : image.machine.Memory) {
    cell = static_cast<Byte>(random() % 4 == 0 ? 238 + random() % 18 : random());
  }
  image.machine.IP = static_cast<Byte>(random() % (MaxIP + 1));
  image.history = random() % 4 == 0;
  image.breakpoint = random() % 3 == 0 ? static_cast<int>(random() % 253) : -1;
  image.watch = random() % 5 == 0 ? static_cast<int>(random() % 256) : -1;
  image.answers = random() % 2 == 0;
  image.seedOfRuns = static_cast<std::uint32_t>(random());
  return image;
}

inline void PrepareImage(Session& s, const RandomImage& image, Engine engine) {
  s.SetEngine(engine);
  s.ReplaceMachine(image.machine);
  s.SetRecordsHistory(image.history);
  if (image.breakpoint >= 0) s.SetBreakpoint(static_cast<Byte>(image.breakpoint), true);
  if (image.watch >= 0) s.SetWatch(static_cast<Byte>(image.watch), true);
}

// The next run of an image: up to 20,000 steps with the debugger, stopping at
// a fixed point or not.
inline RunPolicy NextPolicy(std::mt19937& runs) { return {1 + runs() % 20'000, true, runs() % 2 == 0}; }

using Cells = std::vector<std::pair<int, int>>;

// A program and a cell written to between its rounds of 20,000 steps, by an
// input: at the first and last cell of a block of eight (0..23), in blocks
// that start a few cells before the cell, at 252..255 (the instruction at 252
// has its C in the key cell), and a B cell the program moves in every round.
struct WrittenTo {
  const Cells& program;
  int cell, value;
};

inline const std::vector<WrittenTo>& CodeWrittenTo() {
  // 3k: SUB 200+k,199,3k+3 for k < 14 counts cells 200..213 down; 42: SUB 214,214,252;
  // 252: SUB 215,0,[254] goes back to 0 either way while the key cell holds 0.
  static const Cells block = [] {
    Cells cells = {{42, 214}, {43, 214}, {44, 252}, {199, 1}, {252, 215}};
    for (int k = 0; k < 14; ++k)
      cells.insert(cells.end(), {{3 * k, 200 + k}, {3 * k + 1, 199}, {3 * k + 2, 3 * k + 3}});
    return cells;
  }();
  // 0: SUB 10,21,3 moves the B of the block at 9 down a cell in every round; 3: SUB 23,23,9;
  // 9: SUB 24,[10],12 reads cells 40, 39, ... in turn; 12: SUB 23,23,0.
  static const Cells writer = {{0, 10},  {1, 21},  {2, 3},   {3, 23},  {4, 23}, {5, 9}, {9, 24},
                               {10, 40}, {11, 12}, {12, 23}, {13, 23}, {21, 1}, {40, 1}};
  static const std::vector<WrittenTo> cases = {{block, 0, 216}, {block, 4, 216}, {block, 23, 27},  {block, 252, 216},
                                               {block, 253, 3}, {block, 254, 3}, {block, 255, 65}, {writer, 20, 0}};
  return cases;
}

inline Machine ImageOf(const Cells& cells) {
  Machine m;
  for (const auto& [cell, value] : cells) m.Memory[cell] = static_cast<Byte>(value);
  return m;
}

}  // namespace zar::test
