#include "cli/stream_output.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "cli/output_file.h"
#include "formats/write_file.h"

namespace zar::cli {

namespace {

// The stream's buffer: the trace reaches the file in blocks of this size.
constexpr std::size_t BlockBytes = 1 << 16;

}  // namespace

StreamOutput::~StreamOutput() {
  if (file_ != nullptr) std::fclose(file_);
}

bool StreamOutput::Open(const std::string& name) {
  name_ = name;
  spooled_ = name == "-";
  if (!spooled_ && !ReportFile(CheckWritable(name))) return false;
  {
    const PipeNotice notice(name);
    file_ = spooled_ ? std::tmpfile() : std::fopen(name.c_str(), "wb");
  }
  if (file_ == nullptr) {
    Fail(errno);
    return Finish();
  }
  std::setvbuf(file_, nullptr, _IOFBF, BlockBytes);
  return true;
}

void StreamOutput::Write(std::string_view bytes) {
  if (Good() && file_ != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail(errno);
}

void TraceLine(StreamOutput& trace, std::uint64_t step, const Decoded& before, const Machine& after) {
  std::array<char, 64> line;
  char* end = std::to_chars(line.data(), line.data() + line.size(), step).ptr;
  for (const int value : {int{before.ip}, int{before.a}, int{before.b}, int{before.c}, int{before.x}, int{before.y},
                          int{after.Memory[before.a]}, int{after.IP}}) {
    *end++ = '\t';
    end = std::to_chars(end, line.data() + line.size(), value).ptr;
  }
  *end++ = '\n';
  trace.Write(std::string_view(line.data(), static_cast<std::size_t>(end - line.data())));
}

bool StreamOutput::Fail(int error) {
  if (error_ == 0) error_ = error != 0 ? error : EIO;
  return false;
}

bool StreamOutput::Finish() {
  if (Good() && std::fflush(file_) != 0) Fail(errno);
  if (Good() && spooled_) {
    std::rewind(file_);
    std::array<char, BlockBytes> block;
    std::size_t size = 0;
    while ((size = std::fread(block.data(), 1, block.size(), file_)) > 0) {
      if (std::fwrite(block.data(), 1, size, stdout) != size) break;
    }
    if (std::ferror(file_) != 0) Fail(errno);
    if (Good() && (std::ferror(stdout) != 0 || std::fflush(stdout) != 0)) {
      std::fprintf(stderr, "zar: cannot write to standard output\n");
      return false;
    }
  }
  if (file_ != nullptr && std::fclose(file_) != 0) Fail(errno);
  file_ = nullptr;
  if (Good()) return true;
  if (!spooled_) return ReportFile(WriteFailure(name_, error_));
  return ReportFile(FileResult::Failure("Cannot write the " + what_ + "'s temporary file: " + std::strerror(error_)));
}

}  // namespace zar::cli
