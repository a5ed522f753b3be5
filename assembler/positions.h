#pragma once

#include "assembler/cmd_table.h"
#include "assembler/stage_report.h"

namespace zar {

// The position pass. Folds every label row into the row after it (of several
// label rows in a row the first name wins; a trailing one is lost), gives each
// row of an exact mnemonic its address, and appends a "VAL" row for every
// distinct MOV constant that no VAL row of the same text supplies. Shows the
// table when done. An overflow (more than MaxRows rows or an address above
// MaxPos) is reported as "Input Processing failed at: " and the address
// counter, and ends the pass.
StageReport AssignPositions(CmdTable& table);

}  // namespace zar
