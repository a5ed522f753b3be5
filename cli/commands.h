#pragma once

#include <string>
#include <vector>

namespace zar::cli {

// zar asm SOURCE [-o IMAGE] [--listing FILE] [--table FILE] [--debug]
int AsmCommand(const std::vector<std::string>& words);

// zar run IMAGE [--steps N] [--dump FILE] [--screen FILE] [--key CODE]
int RunCommand(const std::vector<std::string>& words);

// zar check EXERCISE PROGRAM... [--from FILE] [--json | --csv] [--junit FILE] [--timeout S];
// zar check --validate EXERCISE...
int CheckCommand(const std::vector<std::string>& words);

}  // namespace zar::cli
