#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "machine/machine.h"
#include "formats/text_file.h"
#include "formats/write_file.h"

namespace zar {

// A program file holds the 256 cells as decimal lines, each ended by CR LF.

// The cell value of one line, or nothing when the line does not convert:
// spaces around an optionally signed decimal number, possibly with a fraction,
// rounded half to even and then within 0..255.
std::optional<Byte> ParseProgramLine(std::string_view line);

// Exactly 256 lines "value\r\n".
std::string ProgramFileText(const MemoryCells& memory);

// Lines beyond this length never hold a cell value; they are not kept. Of a
// file no more than 256 such lines are read.
inline constexpr std::size_t MaxProgramLineLength = 4096;
inline constexpr LineLimits ProgramLineLimits = {256, MaxProgramLineLength, 256 * (MaxProgramLineLength + 2)};

// Reads the first 256 lines of a program file's text into cells 0..255 in
// order; a line that does not convert, or a line the text does not have,
// leaves its cell as it was. Returns how many of the lines held a cell value.
std::size_t ReadProgramText(std::string_view text, MemoryCells& memory);

// The same for a file. Reports a file that cannot be read at all, leaving
// memory untouched.
FileResult LoadProgramFile(const std::filesystem::path& path, MemoryCells& memory,
                           WaitForPipes wait = WaitForPipes::Yes);
// The same, telling how many of the lines held a cell value.
FileResult LoadProgramFile(const std::filesystem::path& path, MemoryCells& memory, std::size_t& cellLines,
                           WaitForPipes wait = WaitForPipes::Yes);

// Whether a file read as a program file looks like an assembler source
// instead: its name ends in .OIA (in any case), or none of its lines held a
// cell value.
bool LooksLikeSource(const std::filesystem::path& path, std::size_t cellLines);
// Whether the name ends in .OIA, in any case.
bool HasSourceName(const std::filesystem::path& path);

// Writes the memory in the exact program-file form, as WriteWholeFile writes.
FileResult SaveProgramFile(const std::filesystem::path& path, const MemoryCells& memory,
                           WaitForPipes wait = WaitForPipes::Yes);

}  // namespace zar
