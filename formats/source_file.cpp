#include "formats/source_file.h"

#include <algorithm>

namespace zar {

namespace {

bool IsText(const std::string& bytes) {
  return std::none_of(bytes.begin(), bytes.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 32 && b != '\t' && b != '\n' && b != '\f' && b != '\r';
  });
}

}  // namespace

FileResult LoadSourceFile(const std::filesystem::path& path, std::string& bytes) {
  if (FileResult read = ReadWholeFile(path, MaxSourceBytes, bytes); read.Failed()) return read;
  if (!IsText(bytes)) {
    bytes.clear();
    return FileResult::Failure("Cannot read file \"" + path.string() + "\": it is not a text file");
  }
  return FileResult::Done();
}

FileResult SaveSourceFile(const std::filesystem::path& path, const std::string& bytes) {
  return WriteFileAtomically(path, bytes);
}

}  // namespace zar
