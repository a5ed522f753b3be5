#include "formats/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zar {

namespace {

std::string Quoted(const std::filesystem::path& path) {
  std::string text(1, '"');
  text += path.string();
  text += '"';
  return text;
}

FileResult ReadError(const std::filesystem::path& path, const std::string& reason) {
  return FileResult::Failure("Cannot read file " + Quoted(path) + ": " + reason);
}

FileResult TooLarge(const std::filesystem::path& path, std::size_t maxBytes) {
  return ReadError(path, "it is larger than " + std::to_string(maxBytes) + " bytes");
}

// A file opened for reading, closed again on leaving.
class FileReader {
 public:
  FileReader() = default;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  ~FileReader() {
    if (fd_ >= 0) ::close(fd_);
  }

  // Opens a file that is no folder, or explains why not. Without waiting the
  // open never blocks, and a FIFO is read as far as it holds bytes.
  FileResult Open(const std::filesystem::path& path, WaitForPipes wait) {
    path_ = path;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return ReadError(path, "it is a folder");
    const int flags = O_RDONLY | O_NOCTTY | O_CLOEXEC | (wait == WaitForPipes::No ? O_NONBLOCK : 0);
    fd_ = ::open(path.c_str(), flags);
    if (fd_ < 0) return ReadError(path, std::strerror(errno));
    struct stat info {};
    pipeNow_ = wait == WaitForPipes::No && ::fstat(fd_, &info) == 0 && S_ISFIFO(info.st_mode);
    return FileResult::Done();
  }

  // Reads the next bytes into the buffer: how many in got, 0 at the end.
  FileResult Read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, size);
      if (n >= 0) {
        got = static_cast<std::size_t>(n);
        total_ += got;
        return FileResult::Done();
      }
      if (errno == EINTR) continue;
      if (errno == EAGAIN && pipeNow_) return NothingToRead();  // a writer that has not ended
      return ReadError(path_, std::strerror(errno));
    }
  }

  // A FIFO read without waiting must end within maxBytes, having held
  // something: otherwise it has no writer, or one that has not ended.
  FileResult Ended(std::size_t maxBytes) {
    if (!pipeNow_) return FileResult::Done();
    char buffer[65536];
    std::size_t got = 0;
    do {
      if (FileResult read = Read(buffer, sizeof buffer, got); read.Failed()) return read;
    } while (got > 0 && total_ <= maxBytes);
    return got > 0 || total_ == 0 ? NothingToRead() : FileResult::Done();
  }

 private:
  FileResult NothingToRead() const { return ReadError(path_, "nothing to read from this pipe"); }

  std::filesystem::path path_;
  int fd_ = -1;
  bool pipeNow_ = false;  // a FIFO read without waiting
  std::size_t total_ = 0;
};

// Collects lines from chunks of bytes.
class LineSplitter {
 public:
  LineSplitter(const LineLimits& limits, std::vector<std::string>& lines) : limits_(limits), lines_(lines) {}

  // Whether more bytes could still make a difference.
  bool Full() const { return HasAllLines() || fed_ >= limits_.maxBytes; }

  void Feed(std::string_view chunk) {
    chunk = chunk.substr(0, limits_.maxBytes - fed_);
    fed_ += chunk.size();
    while (!chunk.empty() && !HasAllLines()) {
      const std::size_t end = chunk.find('\n');
      Append(chunk.substr(0, end));
      if (end == std::string_view::npos) return;
      EndLine();
      chunk.remove_prefix(end + 1);
    }
  }

  void Finish() {
    if (!HasAllLines() && (tooLong_ || !current_.empty())) EndLine();
  }

 private:
  bool HasAllLines() const { return lines_.size() >= limits_.maxLines; }

  void Append(std::string_view part) {
    if (current_.size() + part.size() > limits_.maxLineLength + 1) {
      tooLong_ = true;
      current_.clear();
    }
    if (!tooLong_) current_ += part;
  }

  void EndLine() {
    if (!current_.empty() && current_.back() == '\r') current_.pop_back();
    // Room for one carriage return more was left while the line grew.
    if (tooLong_ || current_.size() > limits_.maxLineLength) current_.clear();
    lines_.push_back(std::move(current_));
    current_.clear();
    tooLong_ = false;
  }

  LineLimits limits_;
  std::vector<std::string>& lines_;
  std::size_t fed_ = 0;
  std::string current_;
  bool tooLong_ = false;
};

}  // namespace

FileResult ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes, std::string& bytes,
                         WaitForPipes wait) {
  bytes.clear();
  FileReader file;
  if (FileResult opened = file.Open(path, wait); opened.Failed()) return opened;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);  // none for a pipe or a device
  if (!ec && size > maxBytes) return TooLarge(path, maxBytes);
  char buffer[65536];
  std::size_t got = 0;
  do {
    if (FileResult read = file.Read(buffer, sizeof buffer, got); read.Failed()) {
      bytes.clear();
      return read;
    }
    if (bytes.size() + got > maxBytes) {
      bytes.clear();
      return TooLarge(path, maxBytes);
    }
    bytes.append(buffer, got);
  } while (got > 0);
  if (FileResult ended = file.Ended(maxBytes); ended.Failed()) {
    bytes.clear();
    return ended;
  }
  return FileResult::Done();
}

std::vector<std::string> FirstLines(std::string_view text, const LineLimits& limits) {
  std::vector<std::string> lines;
  LineSplitter splitter(limits, lines);
  splitter.Feed(text);
  splitter.Finish();
  return lines;
}

FileResult ReadFirstLines(const std::filesystem::path& path, const LineLimits& limits, std::vector<std::string>& lines,
                          WaitForPipes wait) {
  lines.clear();
  FileReader file;
  if (FileResult opened = file.Open(path, wait); opened.Failed()) return opened;
  LineSplitter splitter(limits, lines);
  char buffer[65536];
  std::size_t got = 1;
  while (got > 0 && !splitter.Full()) {
    if (FileResult read = file.Read(buffer, sizeof buffer, got); read.Failed()) {
      lines.clear();
      return read;
    }
    splitter.Feed(std::string_view(buffer, got));
  }
  if (FileResult ended = file.Ended(limits.maxBytes); ended.Failed()) {
    lines.clear();
    return ended;
  }
  splitter.Finish();
  return FileResult::Done();
}

}  // namespace zar
