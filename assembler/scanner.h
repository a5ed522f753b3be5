#pragma once

#include <string_view>
#include <vector>

#include "assembler/cmd_table.h"
#include "assembler/stage_report.h"

namespace zar {

// The line's fields between commas; none for an empty line.
std::vector<std::string_view> SplitFields(std::string_view line);

// Turns one source line (without its line break) into at most one table row.
// A label line (":name") gives a LabelCmd row; a line whose first field starts
// with one of the eight mnemonics gives a row with the whole first field as
// its Cmd and the operands the mnemonic takes; anything else gives nothing.
// Returns false for an empty line, missing operands or a full table, which
// the scan reports as "Input Processing failed at: " and the line.
bool ParseLine(std::string_view line, CmdTable& table);

// Cuts the text into lines at every line feed, dropping one carriage return
// directly before it. The rest after the last line feed is always a line,
// even when empty.
std::vector<std::string_view> SourceLineViews(std::string_view text);

// Empties the table and parses the text line by line (as SourceLineViews
// cuts it), each row remembering its line. Ends by showing the table.
StageReport ScanSource(std::string_view text, CmdTable& table);

}  // namespace zar
