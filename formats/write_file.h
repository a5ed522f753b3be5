#pragma once

#include <filesystem>
#include <string_view>

#include "formats/file_result.h"

namespace zar {

// Writes the bytes where the path points, losing nothing on failure:
// - a file the user may not write (as access() judges) is refused;
// - a regular file of the user's own with one name (or a new file) is
//   replaced all at once: the bytes go to a temporary file beside it that is
//   renamed over it, keeping its permissions and owner, so a failed write
//   leaves the old file as it was;
// - a regular file of another user, or one with several hard links, is
//   written in place, keeping its owner and its links: the space is reserved
//   before the old bytes are touched, so a full disk or a size limit leaves
//   it as it was;
// - a symbolic link is written through: the file it points to is written,
//   and the link stays a link; a loop of links is refused;
// - anything else that exists (a FIFO, a device such as /dev/stdout) is
//   written directly, never replaced; without waiting, a FIFO that no program
//   reads is refused;
// - a folder is refused.
FileResult WriteWholeFile(const std::filesystem::path& path, std::string_view bytes,
                          WaitForPipes wait = WaitForPipes::Yes);

// For a file written bit by bit rather than by WriteWholeFile: whether it
// may be written there (a folder and a file the user may not write are
// refused), and a failed write worded as WriteWholeFile words it.
FileResult CheckWritable(const std::filesystem::path& path);
FileResult WriteFailure(const std::filesystem::path& path, int error);

}  // namespace zar
