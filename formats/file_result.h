#pragma once

#include <optional>
#include <string>
#include <utility>

namespace zar {

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
