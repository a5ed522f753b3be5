#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace {

using zar::test::TempFolder;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
constexpr bool Sanitized = __has_feature(address_sanitizer);
#else
constexpr bool Sanitized = false;
#endif

// What zar did as a process: its exit status, its peak resident memory and
// what it said on stderr.
struct Process {
  int exit = -1;
  long peakKb = 0;
  std::string err;
};

// Runs zar with the words, standard output going to the descriptor out.
Process RunZar(const TempFolder& folder, std::vector<std::string> words, int out) {
  const std::string errors = folder.File("zar.err").string();
  const pid_t child = ::fork();
  if (child == 0) {
    const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0) ::_exit(127);
    std::vector<char*> argv{const_cast<char*>(ZAR_EXECUTABLE)};
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(ZAR_EXECUTABLE, argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss, TempFolder::Read(errors)};
}

// Prints a character in every step, for ever.
std::string Printer(const TempFolder& folder) { return folder.Write("p.oisc", "255\n3\n0\n255\n").string(); }

// Listens on a port the system picks, over and over: two lines of the
// network's log every two steps.
std::string Listener(const TempFolder& folder) {
  return folder.Write("l.oisc", "245\n10\n3\n11\n11\n0\n\n\n\n\n253\n").string();
}

// Long runs write the trace, the network's log and the console as they go,
// in memory that does not grow with the run. A console that cannot be
// written ends the run with exit 2 and one line.
TEST(Streams, LongRunsKeepMemorySmallAndAnUnwritableConsoleIsAnError) {
  const TempFolder folder;
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  ::close(pipe[0]);  // nobody reads
  for (const int out : {::open("/dev/full", O_WRONLY), pipe[1]}) {
    const Process run = RunZar(folder, {"run", Printer(folder)}, out);
    EXPECT_EQ(run.exit, 2);
    EXPECT_EQ(run.err, "zar: cannot write to standard output\n");
    ::close(out);
  }
  if (Sanitized) GTEST_SKIP() << "AddressSanitizer's own memory hides the program's";
  const std::string program = Printer(folder);
  const std::string log = folder.File("log.txt").string();
  const int null = ::open("/dev/null", O_WRONLY);
  const std::vector<std::vector<std::string>> runs = {
      {"run", program, "--steps", "20000000", "--trace", "/dev/null"},
      {"run", program, "--steps", "100000000", "--back", "1"},
      {"run", Listener(folder), "--steps", "300000", "--net", "--net-log", log}};
  for (const auto& words : runs) {
    const Process run = RunZar(folder, words, null);
    EXPECT_EQ(run.exit, 0) << words[4];
    EXPECT_LT(run.peakKb, 14 * 1024) << words[4];
  }
  const std::string lines = TempFolder::Read(log);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 299'999);
  ::close(null);
}

}  // namespace
