#include "formats/write_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>

namespace zar {

namespace {

namespace fs = std::filesystem;

// How long a write without waiting gives a FIFO's reader to take more bytes.
constexpr int PipeStallMs = 500;

FileResult WriteError(const fs::path& path, const std::string& reason) {
  return FileResult::Failure("Cannot write file \"" + path.string() + "\": " + reason);
}

FileResult ErrnoError(const fs::path& path, int error, bool pipe = false) {
  if (error == EFBIG) return WriteError(path, "the file would exceed the file-size limit");
  if (pipe && (error == ENXIO || error == EPIPE || error == EAGAIN)) {
    return WriteError(path, "no program is reading this pipe");
  }
  return WriteError(path, std::strerror(error));
}

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

// Writes every byte to the descriptor; the error number, or 0. A descriptor
// that does not wait gets a short while whenever it takes nothing.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      pollfd ready{fd, POLLOUT, 0};
      if (::poll(&ready, 1, PipeStallMs) > 0) continue;
      return EAGAIN;
    }
    if (n < 0) return errno;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// A FIFO or a device takes the bytes as they come.
FileResult WriteToSpecialFile(const fs::path& path, bool fifo, std::string_view bytes, WaitForPipes wait) {
  const int flags = O_WRONLY | O_NOCTTY | O_CLOEXEC | (wait == WaitForPipes::No ? O_NONBLOCK : 0);
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) return ErrnoError(path, errno, fifo);
  const int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0) return ErrnoError(path, errno, fifo);
  return error == 0 ? FileResult::Done() : ErrnoError(path, error, fifo);
}

// Overwrites a regular file where it is, keeping its inode: its owner, mode
// and hard links. The whole new size is reserved first, so that a full disk
// or the size limit stops the write before it touches the old bytes.
FileResult OverwriteInPlace(const fs::path& path, std::string_view bytes) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && bytes.size() > limit.rlim_cur) {
    return ErrnoError(path, EFBIG);
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return ErrnoError(path, errno);
  const auto size = static_cast<off_t>(bytes.size());
  int error = size == 0 ? 0 : ::posix_fallocate(fd, 0, size);
  if (error == EOPNOTSUPP || error == EINVAL) error = 0;  // nothing to reserve with: write all the same
  if (error == 0) error = WriteAll(fd, bytes);
  if (error == 0 && (::ftruncate(fd, size) != 0 || ::fsync(fd) != 0)) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  return error == 0 ? FileResult::Done() : ErrnoError(path, error);
}

// A file for the new bytes in the target's folder: unnamed where the file
// system can (O_TMPFILE), so that a program killed while writing leaves
// nothing behind; else a named temporary file beside the target.
struct TemporaryFile {
  int fd = -1;
  std::string name;  // empty while unnamed
};

TemporaryFile OpenTemporary(const fs::path& folder, const fs::path& target) {
  TemporaryFile file;
  file.fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (file.fd >= 0) return file;
  file.name = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  file.fd = ::mkstemp(file.name.data());
  return file;
}

// Gives an unnamed file a name: the target's at once when there is no such
// file yet (then done is set), else a temporary one, just before the rename
// (nothing replaces a name with an unnamed file). The error number, or 0.
int GiveName(TemporaryFile& file, const fs::path& folder, const fs::path& target, bool& done) {
  const std::string self = "/proc/self/fd/" + std::to_string(file.fd);
  const auto link = [&](const std::string& name) {
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
  };
  int error = link(target.string());
  done = error == 0;
  std::random_device random;
  for (int tries = 0; error == EEXIST && tries < 100; ++tries) {
    const std::string name = (folder / ("." + target.filename().string() + "." + std::to_string(random()))).string();
    error = link(name);
    if (error == 0) file.name = name;
  }
  return error;
}

// The new bytes in a temporary file of the target's folder that then takes
// the target's place; the temporary goes again on any failure.
FileResult ReplaceAtomically(const fs::path& shown, const fs::path& target, const struct stat* existing,
                             std::string_view bytes) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : ".";
  TemporaryFile file = OpenTemporary(folder, target);
  if (file.fd < 0) return ErrnoError(shown, errno);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  int error = WriteAll(file.fd, bytes);
  // The owner first: changing it may clear the set-id bits of the mode. Only
  // a privileged user can give a file away; for anybody else it stays theirs.
  if (error == 0 && existing != nullptr && ::fchown(file.fd, existing->st_uid, existing->st_gid) != 0 &&
      errno != EPERM) {
    error = errno;
  }
  const mode_t mode = existing != nullptr ? (existing->st_mode & 07777) : (0666 & ~mask);
  if (error == 0 && (::fchmod(file.fd, mode) != 0 || ::fsync(file.fd) != 0)) error = errno;
  bool done = false;
  if (error == 0 && file.name.empty()) error = GiveName(file, folder, target, done);
  if (::close(file.fd) != 0 && error == 0) error = errno;
  if (error == 0 && !done && ::rename(file.name.c_str(), target.c_str()) != 0) error = errno;
  if (error == 0) return FileResult::Done();
  if (!file.name.empty()) ::unlink(file.name.c_str());
  return ErrnoError(shown, error);
}

}  // namespace

FileResult WriteFailure(const fs::path& path, int error) { return ErrnoError(path, error); }

FileResult CheckWritable(const fs::path& path) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) != 0) return FileResult::Done();
  if (S_ISDIR(existing.st_mode)) return WriteError(path, "it is a folder");
  if (S_ISREG(existing.st_mode) && ::access(path.c_str(), W_OK) != 0) {
    return errno == EACCES || errno == EROFS ? WriteError(path, "it is read-only") : ErrnoError(path, errno);
  }
  return FileResult::Done();
}

FileResult WriteWholeFile(const fs::path& path, std::string_view bytes, WaitForPipes wait) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) != 0) return ReplaceAtomically(path, FollowLinks(path), nullptr, bytes);
  if (FileResult writable = CheckWritable(path); writable.Failed()) return writable;
  // Opened by its own name: /dev/stdout leads through links that no path spells.
  if (!S_ISREG(existing.st_mode)) return WriteToSpecialFile(path, S_ISFIFO(existing.st_mode), bytes, wait);
  if (existing.st_uid != ::geteuid() || existing.st_nlink > 1) return OverwriteInPlace(path, bytes);
  return ReplaceAtomically(path, FollowLinks(path), &existing, bytes);
}

}  // namespace zar
