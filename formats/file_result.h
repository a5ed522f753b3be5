#pragma once

#include <optional>
#include <string>
#include <utility>

namespace zar {

// What reading or writing does with a FIFO whose other end is not open, or
// that has not ended: wait for it as shell tools do, or give up at once, so
// that a window never freezes on a file. Other files behave alike either way.
enum class WaitForPipes { No, Yes };

// The outcome of a file operation: done, or failed with a sentence that names
// the file and the reason.
class [[nodiscard]] FileResult {
 public:
  static FileResult Done() { return FileResult(); }
  static FileResult Failure(std::string why) { return FileResult(std::move(why)); }

  bool Failed() const { return why_.has_value(); }
  const std::string& Why() const { return *why_; }

 private:
  FileResult() = default;
  explicit FileResult(std::string why) : why_(std::move(why)) {}

  std::optional<std::string> why_;
};

}  // namespace zar
