#include "formats/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

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

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading, or explains why not.
FileResult OpenForReading(const std::filesystem::path& path, FileHandle& file) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return ReadError(path, "it is a folder");
  file.reset(std::fopen(path.c_str(), "rb"));
  if (!file) return ReadError(path, std::strerror(errno));
  return FileResult::Done();
}

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
    if (tooLong_) current_.clear();
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

FileResult ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes, std::string& bytes) {
  FileHandle file;
  if (FileResult opened = OpenForReading(path, file); opened.Failed()) return opened;
  bytes.clear();
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);  // none for a pipe or a device
  if (!ec && size > maxBytes) return TooLarge(path, maxBytes);
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    if (bytes.size() + got > maxBytes) {
      bytes.clear();
      return TooLarge(path, maxBytes);
    }
    bytes.append(buffer, got);
  }
  if (std::ferror(file.get())) return ReadError(path, std::strerror(errno));
  return FileResult::Done();
}

std::vector<std::string> FirstLines(std::string_view text, const LineLimits& limits) {
  std::vector<std::string> lines;
  LineSplitter splitter(limits, lines);
  splitter.Feed(text);
  splitter.Finish();
  return lines;
}

FileResult ReadFirstLines(const std::filesystem::path& path, const LineLimits& limits,
                          std::vector<std::string>& lines) {
  FileHandle file;
  if (FileResult opened = OpenForReading(path, file); opened.Failed()) return opened;
  lines.clear();
  LineSplitter splitter(limits, lines);
  char buffer[65536];
  std::size_t got = 0;
  while (!splitter.Full() && (got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    splitter.Feed(std::string_view(buffer, got));
  }
  if (std::ferror(file.get())) return ReadError(path, std::strerror(errno));
  splitter.Finish();
  return FileResult::Done();
}

}  // namespace zar
