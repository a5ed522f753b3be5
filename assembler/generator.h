#pragma once

#include <array>

#include "assembler/assembler_host.h"
#include "assembler/cmd_table.h"
#include "machine/machine.h"

namespace zar {

// The generator's own image of memory; address 256 takes a program's
// 257th byte, which never reaches the machine.
using CodeImage = std::array<Byte, 257>;

struct GenerateFlags {
  bool debug = false;  // a "----Cmd----" header line before each row's bytes
  bool start = false;  // copy, then start the machine
  bool copy = false;   // clear memory, then copy the program in with IP 0
};

// Turns the placed table into bytes in the image and the listing (one line
// "address<TAB>:value" per byte, line feeds), shown when it completes. With
// copy or start the machine is stopped and memory and image are cleared
// first, and the program goes into memory once generation succeeded. A row
// that cannot be generated is reported as "Compile Failed at command: " with
// its index and fields, and ends the generation. Returns whether it succeeded.
bool GenerateCode(const CmdTable& table, CodeImage& image, Machine& machine, GenerateFlags flags,
                  AssemblerHost& host);

}  // namespace zar
