#pragma once

#include "machine/machine.h"

namespace zar {

// Receives the characters that a program writes to the console cell, one
// code (1..255, code page 1252) at a time.
class ConsoleSink {
 public:
  virtual ~ConsoleSink() = default;
  virtual void ConsoleOut(Byte code) = 0;
};

}  // namespace zar
