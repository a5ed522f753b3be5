#include "cli/check_submission.h"

#include <algorithm>
#include <filesystem>

#include "assembler/assemble.h"
#include "formats/program_file.h"
#include "formats/source_file.h"

namespace zar::cli {

namespace {

void AssembleSubmission(const std::string& source, Submission& submission, MemoryCells& image) {
  AssemblerState state;
  const Assembly assembly = Assemble(SourceLines(source), state, {GenerateMode::Copy, false});
  if (assembly.generated) {
    std::copy_n(state.Image.begin(), image.size(), image.begin());
    return;
  }
  submission.outcome = Submission::Outcome::NotAssembled;
  submission.messages = assembly.messages;
}

bool Unreadable(const FileResult& read, Submission& submission) {
  if (!read.Failed()) return false;
  submission.outcome = Submission::Outcome::Unreadable;
  submission.error = read.Why();
  return true;
}

}  // namespace

void LoadSubmission(Submission& submission, MemoryCells& image) {
  image = {};
  const std::string& name = submission.path;
  std::string source;
  if (name == "-") {
    if (Unreadable(LoadSourceFile("/dev/stdin", source), submission)) return;
    // Text without a cell value changes no cell: it is a source.
    if (ReadProgramText(source, image) > 0) return;
    return AssembleSubmission(source, submission, image);
  }
  if (!HasSourceName(name)) {
    std::size_t cellLines = 0;
    if (Unreadable(LoadProgramFile(name, image, cellLines), submission)) return;
    std::error_code error;
    // A pipe cannot be read again as a source.
    if (cellLines > 0 || !std::filesystem::is_regular_file(name, error)) return;
  }
  if (Unreadable(LoadSourceFile(name, source), submission)) return;
  AssembleSubmission(source, submission, image);
}

}  // namespace zar::cli
