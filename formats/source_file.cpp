#include "formats/source_file.h"

#include <algorithm>

namespace zar {

namespace {

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsText(const std::string& bytes) {
  return std::none_of(bytes.begin(), bytes.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 32 && b != '\t' && b != '\n' && b != '\f' && b != '\r';
  });
}

}  // namespace

FileResult LoadSourceFile(const std::filesystem::path& path, std::string& bytes, WaitForPipes wait) {
  if (FileResult read = ReadWholeFile(path, MaxSourceBytes, bytes, wait); read.Failed()) return read;
  if (!IsText(bytes)) {
    bytes.clear();
    return FileResult::Failure("Cannot read file \"" + path.string() + "\": it is not a text file");
  }
  if (bytes.starts_with(Utf8ByteOrderMark)) bytes.erase(0, Utf8ByteOrderMark.size());
  return FileResult::Done();
}

std::string SourceLines(std::string_view bytes) {
  std::string lines;
  lines.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') {
      lines += bytes[i];
      continue;
    }
    lines += '\n';
    if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
  }
  return lines;
}

FileResult SaveSourceFile(const std::filesystem::path& path, const std::string& bytes, WaitForPipes wait) {
  return WriteWholeFile(path, bytes, wait);
}

}  // namespace zar
