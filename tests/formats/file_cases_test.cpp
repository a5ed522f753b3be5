#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "formats/program_file.h"
#include "support/temp_folder.h"

namespace zar {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// Runs the operation in a child process, as the user nobody and under a
// file-size limit when asked: true when, within 5 seconds, its failure ended
// with why, or it was done and why is "". The child tells otherwise on stderr.
bool InChild(const std::function<FileResult()>& operation, const std::string& why, bool asNobody, rlim_t sizeLimit) {
  if (const pid_t child = ::fork(); child != 0) {
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  ::alarm(5);  // a blocked operation ends by the signal
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{sizeLimit, sizeLimit};
  const passwd* nobody = ::getpwnam("nobody");
  if ((sizeLimit != RLIM_INFINITY && ::setrlimit(RLIMIT_FSIZE, &limit) != 0) ||
      (asNobody && (!nobody || ::setgroups(0, nullptr) | ::setgid(nobody->pw_gid) | ::setuid(nobody->pw_uid)))) {
    ::_exit(2);
  }
  const FileResult result = operation();
  const std::string said = result.Failed() ? result.Why() : "";
  if (why.empty() ? said.empty() : said.ends_with(why)) ::_exit(0);
  std::fprintf(stderr, "said: %s\n", said.c_str());
  ::_exit(1);
}

TEST(FileCases, NothingBlocksWaitsOrIsReplacedThatMayNotBe) {
  TempFolder temp;
  fs::permissions(temp.Path(), fs::perms::all);  // a folder where anybody could replace a file
  const bool root = ::geteuid() == 0;            // then the cases of an ordinary user run as nobody
  for (const char* fifo : {"none", "open", "ended", "read"}) ASSERT_EQ(::mkfifo(temp.File(fifo).c_str(), 0666), 0);
  auto openEnd = [&](const char* fifo, int flags) { return ::open(temp.File(fifo).c_str(), flags | O_NONBLOCK); };
  const int ends[] = {openEnd("open", O_RDONLY), openEnd("open", O_WRONLY), openEnd("ended", O_RDONLY),
                      openEnd("ended", O_WRONLY), openEnd("read", O_RDONLY)};
  ASSERT_EQ(::write(ends[1], "1\r\n2\r\n", 6), 6);  // and the writer stays: no end yet
  ASSERT_EQ(::write(ends[3], "7\r\n", 3), 3);
  ::close(ends[3]);
  const fs::path theirs = temp.Write("theirs", "old"), readOnly = temp.Write("read-only", "old");
  ASSERT_EQ(::chmod(theirs.c_str(), 0666) | ::chmod(readOnly.c_str(), root ? 0644 : 0444), 0);  // root: for nobody
  const fs::path linked = temp.Write("linked", "old"), own = temp.Write("own", "old"), big = temp.Write("big", "old");
  fs::create_hard_link(linked, temp.File("alias"));
  fs::create_hard_link(big, temp.File("big-alias"));
  const std::string bytes(200, 'b');
  auto load = [&](const char* fifo, Byte cell0) {
    return [&temp, fifo, cell0] {
      MemoryCells memory{};
      const FileResult read = LoadProgramFile(temp.File(fifo), memory, WaitForPipes::No);
      return memory[0] == cell0 ? read : FileResult::Failure("loaded " + std::to_string(memory[0]));
    };
  };
  auto save = [&](const fs::path& path) { return [&, path] { return WriteWholeFile(path, bytes, WaitForPipes::No); }; };
  const struct {
    const char* name;
    std::function<FileResult()> operation;
    std::string why;  // what the failure ends with; "" when the operation succeeds
    bool asNobody = false;
    rlim_t sizeLimit = RLIM_INFINITY;
    fs::path after = {};  // a file that then holds the bytes written, or else "old"
  } cases[] = {{"no writer", load("none", 0), "none\": nothing to read from this pipe"},
               {"writer not ended", load("open", 0), "open\": nothing to read from this pipe"},
               {"ended", load("ended", 7), ""},
               {"no reader", save(temp.File("none")), "none\": no program is reading this pipe"},
               {"reader", save(temp.File("read")), ""},
               {"read-only", save(readOnly), "read-only\": it is read-only", root, RLIM_INFINITY, readOnly},
               {"another user's", save(theirs), "", root, RLIM_INFINITY, theirs},  // else one's own
               {"hard link", save(linked), "", false, RLIM_INFINITY, temp.File("alias")},
               {"size limit", save(own), "own\": the file would exceed the file-size limit", false, 100, own},
               {"size limit in place", save(big), "big\": the file would exceed the file-size limit", false, 100, big}};
  for (const auto& c : cases) {
    EXPECT_TRUE(InChild(c.operation, c.why, c.asNobody, c.sizeLimit)) << c.name;
    if (!c.after.empty()) {
      EXPECT_EQ(TempFolder::Read(c.after), c.why.empty() ? bytes : "old") << c.name;
    }
  }
  std::string piped(2 * bytes.size(), '\0');
  EXPECT_EQ(::read(ends[4], piped.data(), piped.size()), bytes.size());
  struct stat info {};
  ASSERT_EQ(::stat(theirs.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, ::geteuid());  // written in place: still the file of its owner
  EXPECT_EQ(fs::hard_link_count(linked), 2u);
  // Killed while writing (by the size limit's signal) over a file or a new one.
  for (const char* name : {"own", "new"}) {
    if (const pid_t child = ::fork(); child == 0) {
      const rlimit size{100, 100}, core{0, 0};
      ::setrlimit(RLIMIT_CORE, &core);
      std::signal(SIGXFSZ, SIG_DFL);
      ::_exit(::setrlimit(RLIMIT_FSIZE, &size) == 0 && WriteWholeFile(temp.File(name), bytes).Failed() ? 0 : 1);
    } else {
      int status = 0;
      EXPECT_TRUE(::waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
    }
  }
  EXPECT_EQ(TempFolder::Read(own), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 11);  // no temporary left
  for (const int fd : {ends[0], ends[1], ends[2], ends[4]}) ::close(fd);
}

}  // namespace
}  // namespace zar
