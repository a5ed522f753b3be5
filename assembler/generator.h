#pragma once

#include <array>
#include <span>
#include <string_view>

#include "assembler/cmd_table.h"
#include "assembler/stage_report.h"
#include "machine/machine.h"

namespace zar {

// The generator's own image of memory; address 256 takes a program's
// 257th byte, which never reaches the machine.
using CodeImage = std::array<Byte, 257>;

// The three generate commands: list only, or also copy the code into memory,
// or copy it and start the machine.
enum class GenerateMode { ListingOnly, Copy, CopyAndStart };

constexpr bool CopiesIntoMemory(GenerateMode mode) { return mode != GenerateMode::ListingOnly; }

struct GenerateOptions {
  GenerateMode mode = GenerateMode::ListingOnly;
  bool debug = false;  // a "----Cmd----" header line before each row's bytes
  // When given, the source's lines: each row's bytes follow a line
  // "; N: TEXT" with its source line. The caller keeps them alive.
  std::span<const std::string_view> source{};
};

// Turns the placed table into bytes in the image and the listing (one line
// "address<TAB>:value" per byte, line feeds), shown when generation
// completes. A mode that copies clears image cells 0..255 first. A row that
// cannot be generated is reported as "Compile Failed at command: " with its
// index and fields, and ends the generation without a listing. The machine is
// not touched: copying is the caller's part.
StageReport GenerateCode(const CmdTable& table, CodeImage& image, GenerateOptions options);

// Whether the generation that gave this report succeeded.
inline bool Generated(const StageReport& report) { return report.shown.has_value(); }

}  // namespace zar
