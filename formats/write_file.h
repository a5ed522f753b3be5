#pragma once

#include <filesystem>
#include <string_view>

#include "formats/file_result.h"

namespace zar {

// Writes the bytes where the path points, losing nothing on failure:
// - a regular file (or a new one) is replaced all at once: the bytes go to a
//   temporary file beside it that is renamed over it, keeping its
//   permissions and owner, so a failed write leaves the old file as it was;
// - a symbolic link is written through: the file it points to is replaced,
//   and the link stays a link;
// - anything else that exists (a FIFO, a device such as /dev/stdout) is
//   written directly, never replaced;
// - a folder is refused.
FileResult WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace zar
