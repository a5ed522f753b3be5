#pragma once

#include <string_view>

#include "assembler/assembler_host.h"
#include "assembler/cmd_table.h"

namespace zar {

// Turns one source line (without its line break) into at most one table row.
// A label line (":name") gives a "LAB" row; a line whose first field starts
// with one of the eight mnemonics gives a row with the whole first field as
// its Cmd and the operands the mnemonic takes; anything else gives nothing.
// An empty line, missing operands or a full table are reported as
// "Input Processing failed at: " and the line.
void ParseLine(std::string_view line, CmdTable& table, AssemblerHost& host);

// Empties the table and parses the text line by line, cutting at every line
// feed and dropping one carriage return directly before it. The rest after
// the last line feed is always a line, even when empty. Ends by showing the
// table.
void ScanSource(std::string_view text, CmdTable& table, AssemblerHost& host);

}  // namespace zar
