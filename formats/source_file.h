#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "formats/text_file.h"
#include "formats/write_file.h"

namespace zar {

// Source files are plain text in code page 1252. Larger ones than this are
// refused: a full table of 32,767 rows fits, and the editor stays quick.
inline constexpr std::size_t MaxSourceBytes = 1024 * 1024;

// Reads a source file. Refuses one above MaxSourceBytes, and one with control
// characters other than tab, line feed, form feed and carriage return, which
// is no text. A UTF-8 byte-order mark at its start is dropped.
FileResult LoadSourceFile(const std::filesystem::path& path, std::string& bytes, WaitForPipes wait = WaitForPipes::Yes);

// A source's lines as the workbench shows them and the zar tool assembles
// them: a carriage return alone, a line feed alone and the pair each end one
// line, written as a line feed.
std::string SourceLines(std::string_view bytes);

// Writes the bytes as WriteWholeFile writes: a failed save leaves any
// existing file alone.
FileResult SaveSourceFile(const std::filesystem::path& path, const std::string& bytes,
                          WaitForPipes wait = WaitForPipes::Yes);

}  // namespace zar
