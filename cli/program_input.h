#pragma once

#include <string>

#include "machine/machine.h"

namespace zar::cli {

// Puts the program a command runs into memory: a program file, standard
// input for "-", or an assembler source (an .OIA name, or a text with no cell
// value in its lines), which is assembled first with its messages on stderr
// as zar asm prints them. Standard input, a FIFO or a device is read once,
// as a source is read, and then taken as one or the other. ExitOk,
// ExitFailed when generation failed, or ExitUsage for a file that could not
// be read (said on stderr). Assembled says whether the file was a source.
int LoadImage(const std::string& name, MemoryCells& memory, bool* assembled = nullptr);

}  // namespace zar::cli
