#include "machine/text_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "machine/program_file.h"
#include "support/temp_folder.h"

namespace zar {
namespace {

namespace fs = std::filesystem;

TEST(FirstLines, StopsAtTheLimitsItIsGiven) {
  EXPECT_EQ(FirstLines("a\nb\r\nc\r", {10, 10, 100}), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(FirstLines("a\nb\nc\n", {2, 10, 100}), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(FirstLines("abcdef\nx", {10, 3, 100}), (std::vector<std::string>{"", "x"}));
  EXPECT_EQ(FirstLines("ab\ncd\nef", {10, 10, 5}), (std::vector<std::string>{"ab", "cd"}));
  EXPECT_EQ(FirstLines("", {10, 10, 100}), (std::vector<std::string>{}));
  EXPECT_EQ(FirstLines("\n", {10, 10, 100}), (std::vector<std::string>{""}));
}

TEST(ReadFirstLines, AnEndlessFileCostsNoMoreThanItsByteLimit) {
  MemoryCells memory;
  memory.fill(3);
  ASSERT_FALSE(LoadProgramFile("/dev/zero", memory));  // no line end, ever
  EXPECT_EQ(memory[0], 3);
}

TEST(ReadWholeFile, RefusesFilesBeyondItsLimit) {
  test::TempFolder temp;
  std::string bytes = "kept";
  const FileError big = ReadWholeFile(temp.Write("big", std::string(2000, 'x')), 1000, bytes);
  ASSERT_TRUE(big);
  EXPECT_NE(big->find("larger than 1000 bytes"), std::string::npos);
  EXPECT_TRUE(bytes.empty());
  const FileError endless = ReadWholeFile("/dev/zero", 1000, bytes);
  ASSERT_TRUE(endless);
}

TEST(WriteFileAtomically, AFullDiskLeavesTheOldFileAndNoTemporary) {
  test::TempFolder temp;
  const fs::path path = temp.Write("image.oisc", "old contents");
  // A file-size limit makes every write beyond it fail as on a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 100;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const FileError error = WriteFileAtomically(path, std::string(1000, '7'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);

  ASSERT_TRUE(error);
  EXPECT_NE(error->find("image.oisc"), std::string::npos);
  EXPECT_NE(error->find("too large"), std::string::npos) << *error;
  EXPECT_EQ(test::TempFolder::Read(path), "old contents");
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 1);
}

TEST(WriteFileAtomically, AFolderThatTakesNoFilesIsReported) {
  const FileError error = WriteFileAtomically("/proc/zar-image.oisc", "0\r\n");
  ASSERT_TRUE(error);
  EXPECT_NE(error->find("/proc/zar-image.oisc"), std::string::npos);
}

TEST(WriteFileAtomically, KeepsThePermissionsOfTheFileItReplaces) {
  test::TempFolder temp;
  const fs::path path = temp.Write("shared.oisc", "x");
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_FALSE(WriteFileAtomically(path, "y"));
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(test::TempFolder::Read(path), "y");
}

}  // namespace
}  // namespace zar
