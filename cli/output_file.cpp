#include "cli/output_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <version>
#ifdef __cpp_lib_jthread
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>
#endif

#include "formats/program_file.h"
#include "formats/source_file.h"
#include "formats/write_file.h"

namespace zar::cli {

PipeNotice::PipeNotice(const std::string& name) {
#ifdef __cpp_lib_jthread
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0 || !S_ISFIFO(info.st_mode)) return;
  timer_ = std::jthread([name](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_for(lock, stop, std::chrono::seconds(1), [] { return false; });
    if (!stop.stop_requested()) {
      std::fprintf(stderr, "zar: waiting for a program at the other end of the pipe %s\n", name.c_str());
    }
  });
#else
  (void)name;  // without threads (WebAssembly) there is no notice
#endif
}

bool ReportFile(const FileResult& result) {
  if (result.Failed()) std::fprintf(stderr, "zar: %s\n", result.Why().c_str());
  return !result.Failed();
}

bool ReadSource(const std::string& name, std::string& bytes) {
  const PipeNotice notice(name);
  return ReportFile(LoadSourceFile(name, bytes, WaitForPipes::Yes));
}

bool ReadProgram(const std::string& name, MemoryCells& memory, std::size_t& cellLines) {
  const PipeNotice notice(name);
  return ReportFile(LoadProgramFile(name, memory, cellLines, WaitForPipes::Yes));
}

bool WriteOutput(const std::string& name, std::string_view bytes) {
  if (name != "-") {
    const PipeNotice notice(name);
    return ReportFile(WriteWholeFile(name, bytes, WaitForPipes::Yes));
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0) return true;
  std::fprintf(stderr, "zar: cannot write to standard output\n");
  return false;
}

bool OutputsSpare(const std::string& file, const std::string& what, const std::vector<std::string>& outputs) {
  struct stat in {};
  if (::stat(file.c_str(), &in) != 0 || !S_ISREG(in.st_mode)) return true;
  bool spared = true;
  for (const std::string& output : outputs) {
    struct stat out {};
    if (output == "-" || ::stat(output.c_str(), &out) != 0 || out.st_dev != in.st_dev || out.st_ino != in.st_ino) {
      continue;
    }
    std::fprintf(stderr, "zar: Cannot write file \"%s\": it is the %s \"%s\"\n", output.c_str(), what.c_str(),
                 file.c_str());
    spared = false;
  }
  return spared;
}

}  // namespace zar::cli
