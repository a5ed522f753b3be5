#pragma once

#include <random>

#include "machine/machine.h"

namespace zar {

enum class FillPattern { Null, Ascending, Descending, Random };

// The random cell value for r in [0, 1): r * 255 rounded, halves to even.
Byte RandomCellValue(float r);

// A uniform single-precision number in [0, 1).
float NextUnit(std::mt19937& generator);

// A generator seeded from the system clock.
std::mt19937 ClockSeededGenerator();

// Overwrites all 256 cells with the pattern and sets IP to 0. The generator is
// used by the random pattern only.
void FillMemory(Machine& machine, FillPattern pattern, std::mt19937& generator);

}  // namespace zar
