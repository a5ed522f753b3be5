#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "formats/file_result.h"
#include "machine/machine.h"

namespace zar::cli {

// Says on stderr what went wrong with a file; true when nothing did.
bool ReportFile(const FileResult& result);

// The commands' files wait on a FIFO as shell tools do, and say so once on
// stderr when that has taken more than a second.

// While it lives, says once on stderr that the command waits on the FIFO
// that the name leads to, after a second of waiting.
class PipeNotice {
 public:
  explicit PipeNotice(const std::string& name);

#ifdef __cpp_lib_jthread
 private:
  std::jthread timer_;  // stopped and joined on leaving
#endif
};

// Reads a command's source file and reports a failure; true when it was read.
bool ReadSource(const std::string& name, std::string& bytes);

// Reads a command's program file, as LoadProgramFile does, and reports a
// failure; true when it was read.
bool ReadProgram(const std::string& name, MemoryCells& memory, std::size_t& cellLines);

// Writes a command's output file, "-" meaning standard output, and reports
// a failure; true when the bytes were written.
bool WriteOutput(const std::string& name, std::string_view bytes);

// Refuses (on stderr) every output that is the given file itself, by any
// name or link; true when there is none. What names the file in the
// message: "source file".
bool OutputsSpare(const std::string& file, const std::string& what, const std::vector<std::string>& outputs);

}  // namespace zar::cli
