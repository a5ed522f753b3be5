#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "assembler/cmd_table.h"

namespace zar {

// Why the scanner refused the line; last tells the line after the final
// line break.
std::string ScanFailureReason(std::string_view line, bool last);

// What a learner should know of a line the scanner took without a word: a
// line it skipped, fields it ignored, a statement field that gives no cells,
// blanks that became part of a name. Row is the row the line gave, if any.
// Nothing for a sound line, a comment ("#...") or a blank one.
std::optional<std::string> ScanWarning(std::string_view line, const TableRow* row);

}  // namespace zar
