#include "formats/write_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace zar {

namespace {

namespace fs = std::filesystem;

FileResult WriteError(const fs::path& path, const std::string& reason) {
  return FileResult::Failure("Cannot write file \"" + path.string() + "\": " + reason);
}

FileResult ErrnoError(const fs::path& path, int error) { return WriteError(path, std::strerror(error)); }

// The file a chain of symbolic links ends at (which need not exist yet).
fs::path FollowLinks(fs::path path) {
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(path, ec)); ++hops) {
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path;
}

// Writes every byte to the descriptor; the error number, or 0.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// A FIFO or a device takes the bytes as they come.
FileResult WriteInPlace(const fs::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return ErrnoError(path, errno);
  const int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0) return ErrnoError(path, errno);
  return error == 0 ? FileResult::Done() : ErrnoError(path, error);
}

// A temporary file beside the target, renamed over it once it holds every
// byte; the temporary goes again on any failure.
FileResult ReplaceAtomically(const fs::path& shown, const fs::path& target, const struct stat* existing,
                             std::string_view bytes) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return ErrnoError(shown, errno);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  int error = WriteAll(fd, bytes);
  // The owner first: changing it may clear the set-id bits of the mode. Only
  // a privileged user can give a file away; for anybody else it stays theirs.
  if (error == 0 && existing != nullptr && ::fchown(fd, existing->st_uid, existing->st_gid) != 0 && errno != EPERM) {
    error = errno;
  }
  const mode_t mode = existing != nullptr ? (existing->st_mode & 07777) : (0666 & ~mask);
  if (error == 0 && (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error == 0) return FileResult::Done();
  ::unlink(temp.c_str());
  return ErrnoError(shown, error);
}

}  // namespace

FileResult WriteWholeFile(const fs::path& path, std::string_view bytes) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) != 0) return ReplaceAtomically(path, FollowLinks(path), nullptr, bytes);
  if (S_ISDIR(existing.st_mode)) return WriteError(path, "it is a folder");
  // Opened by its own name: /dev/stdout leads through links that no path spells.
  if (!S_ISREG(existing.st_mode)) return WriteInPlace(path, bytes);
  return ReplaceAtomically(path, FollowLinks(path), &existing, bytes);
}

}  // namespace zar
