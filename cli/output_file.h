#pragma once

#include <string>
#include <string_view>

#include "formats/file_result.h"

namespace zar::cli {

// Says on stderr what went wrong with a file; true when nothing did.
bool ReportFile(const FileResult& result);

// Writes a command's output file, "-" meaning standard output, and reports
// a failure; true when the bytes were written.
bool WriteOutput(const std::string& name, std::string_view bytes);

}  // namespace zar::cli
