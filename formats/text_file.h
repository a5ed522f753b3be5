#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "formats/file_result.h"

namespace zar {

// Reads the whole file, refusing one larger than maxBytes. Without waiting, a
// FIFO must hold its whole content, ended, when it is read: one with no
// program writing it, or whose writer has not ended, is refused.
FileResult ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes, std::string& bytes,
                         WaitForPipes wait = WaitForPipes::Yes);

// Limits on reading the first lines of a text: at most maxLines lines; a line
// longer than maxLineLength comes back empty; nothing beyond maxBytes is read,
// so an endless or huge file costs no more than that.
struct LineLimits {
  std::size_t maxLines;
  std::size_t maxLineLength;
  std::size_t maxBytes;
};

// The first lines of a text, split at line feeds, with one carriage return
// dropped before each line feed or at the very end; text after the last line
// feed is a line only when it is not empty.
std::vector<std::string> FirstLines(std::string_view text, const LineLimits& limits);

// The same for a file; nothing after the last wanted line is read, but for a
// FIFO read without waiting, which must end as for ReadWholeFile, within
// limits.maxBytes. On failure no line comes back.
FileResult ReadFirstLines(const std::filesystem::path& path, const LineLimits& limits, std::vector<std::string>& lines,
                          WaitForPipes wait = WaitForPipes::Yes);

}  // namespace zar
