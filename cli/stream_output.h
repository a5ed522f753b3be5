#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "machine/instruction.h"
#include "machine/machine.h"

namespace zar::cli {

// An output of zar run written as the run goes (the trace, the network's
// log) through a stream's buffer, so that its memory stays the same however
// long the run: straight into the file, or for "-" into a temporary file
// that is copied to standard output once the console is done. A file that
// exists is written over in place from the start of the run.
class StreamOutput {
 public:
  // What it holds, for messages: "trace".
  explicit StreamOutput(std::string what) : what_(std::move(what)) {}
  StreamOutput(const StreamOutput&) = delete;
  StreamOutput& operator=(const StreamOutput&) = delete;
  ~StreamOutput();

  // Opens the file, saying so after a second of waiting on a FIFO; says why
  // on stderr and returns false when it cannot.
  bool Open(const std::string& name);
  bool IsOpen() const { return file_ != nullptr; }

  void Write(std::string_view bytes);

  // False from the first byte that could not be written on.
  bool Good() const { return error_ == 0; }

  // Writes what is left, and for "-" copies the output to standard output;
  // says why on stderr and returns false when any byte did not arrive.
  bool Finish();

 private:
  bool Fail(int error);

  std::string what_;
  std::string name_;
  std::FILE* file_ = nullptr;
  bool spooled_ = false;  // a temporary file standing in for standard output
  int error_ = 0;
};

// The trace's line for the step just taken: step, IP, A, B, C, [A] and [B]
// before it, [A] after it and the next IP, separated by tabs.
void TraceLine(StreamOutput& trace, std::uint64_t step, const Decoded& before, const Machine& after);

}  // namespace zar::cli
