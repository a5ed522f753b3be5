#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "machine/instruction.h"
#include "machine/machine.h"

namespace zar::cli {

// The trace of zar run, written as the run goes through a stream's buffer,
// so that its memory stays the same however long the run: straight into
// the file, or for "-" into a temporary file that is copied to standard
// output once the console is done. A file that exists is written over in
// place from the start of the run.
class TraceOutput {
 public:
  TraceOutput() = default;
  TraceOutput(const TraceOutput&) = delete;
  TraceOutput& operator=(const TraceOutput&) = delete;
  ~TraceOutput();

  // Opens the file; says why on stderr and returns false when it cannot.
  bool Open(const std::string& name);

  // One line for the step just taken: step, IP, A, B, C, [A] and [B]
  // before it, [A] after it and the next IP, separated by tabs.
  void Line(std::uint64_t step, const Decoded& before, const Machine& after);

  // False from the first byte that could not be written on.
  bool Good() const { return error_ == 0; }

  // Writes what is left, and for "-" copies the trace to standard output;
  // says why on stderr and returns false when any byte did not arrive.
  bool Finish();

 private:
  bool Fail(int error);

  std::string name_;
  std::FILE* file_ = nullptr;
  bool spooled_ = false;  // a temporary file standing in for standard output
  int error_ = 0;
};

}  // namespace zar::cli
