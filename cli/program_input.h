#pragma once

#include <string>

#include "machine/machine.h"

namespace zar::cli {

// Puts the program a command runs into memory: a program file, standard
// input for "-", or an assembler source (an .OIA name, or a text with no cell
// value in its lines), which is assembled first with its messages on stderr
// as zar asm prints them. ExitOk, ExitFailed when generation failed, or
// ExitUsage for a file that could not be read (said on stderr).
int LoadImage(const std::string& name, MemoryCells& memory);

}  // namespace zar::cli
