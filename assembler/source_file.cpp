#include "assembler/source_file.h"

namespace zar {

FileError LoadSourceFile(const std::filesystem::path& path, std::string& bytes) {
  return ReadWholeFile(path, MaxSourceBytes, bytes);
}

FileError SaveSourceFile(const std::filesystem::path& path, const std::string& bytes) {
  return WriteFileAtomically(path, bytes);
}

}  // namespace zar
