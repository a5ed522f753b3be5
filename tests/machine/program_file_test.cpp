#include "machine/program_file.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace zar {
namespace {

namespace fs = std::filesystem;

struct LineCase {
  const char* line;
  int value;  // -1: the line does not convert
};

class ProgramLineCases : public testing::TestWithParam<LineCase> {};

TEST_P(ProgramLineCases, ConvertsOrLeavesTheCell) {
  const auto value = ParseProgramLine(GetParam().line);
  if (GetParam().value < 0) {
    EXPECT_FALSE(value.has_value()) << "'" << GetParam().line << "' gave " << int(value.value_or(0));
  } else {
    ASSERT_TRUE(value.has_value()) << "'" << GetParam().line << "'";
    EXPECT_EQ(*value, GetParam().value) << "'" << GetParam().line << "'";
  }
}

INSTANTIATE_TEST_SUITE_P(
    TolerantReader, ProgramLineCases,
    testing::Values(LineCase{"0", 0}, LineCase{"255", 255}, LineCase{"  17  ", 17}, LineCase{"+3", 3},
                    LineCase{"007", 7}, LineCase{"12.5", 12}, LineCase{"13.5", 14}, LineCase{"12.51", 13},
                    LineCase{".5", 0}, LineCase{"7.", 7}, LineCase{"-0.4", 0}, LineCase{"-0.5", 0},
                    LineCase{"254.5", 254}, LineCase{"000000000000000000042", 42}, LineCase{"255.5", -1},
                    LineCase{"256", -1}, LineCase{"300", -1}, LineCase{"-1", -1}, LineCase{"-0.6", -1},
                    LineCase{"", -1}, LineCase{"   ", -1}, LineCase{"abc", -1}, LineCase{"12abc", -1},
                    LineCase{"\t5", -1}, LineCase{"&HFF", -1}, LineCase{"1e2", -1}, LineCase{".", -1},
                    LineCase{"-", -1}, LineCase{"1 2", -1}, LineCase{"1.2.3", -1},
                    LineCase{"99999999999999999999999", -1}));

class ProgramFileTest : public testing::Test {
 protected:
  fs::path Write(const std::string& name, const std::string& bytes) { return temp.Write(name, bytes); }
  static std::string Read(const fs::path& path) { return test::TempFolder::Read(path); }

  static MemoryCells Filled(Byte value) {
    MemoryCells cells;
    cells.fill(value);
    return cells;
  }

  test::TempFolder temp;
  const fs::path& folder = temp.Path();
};

TEST_F(ProgramFileTest, SaveWritesExactlyTheFormAndLoadReadsItBack) {
  MemoryCells memory{};
  for (int i = 0; i < 256; ++i) memory[i] = static_cast<Byte>(i * 7);
  const fs::path path = folder / "image.oisc";
  ASSERT_FALSE(SaveProgramFile(path, memory));
  MemoryCells loaded = Filled(1);
  ASSERT_FALSE(LoadProgramFile(path, loaded));
  EXPECT_EQ(loaded, memory);

  ASSERT_FALSE(SaveProgramFile(path, MemoryCells{}));
  const std::string zeros = Read(path);
  EXPECT_EQ(zeros.size(), 768u);
  EXPECT_EQ(zeros.substr(0, 6), "0\r\n0\r\n");
  EXPECT_EQ(ProgramFileText(Filled(255)).substr(0, 5), "255\r\n");
}

TEST_F(ProgramFileTest, BadLinesKeepTheirCellAndNeverShiftTheRest) {
  MemoryCells memory = Filled(99);
  ASSERT_FALSE(LoadProgramFile(Write("f.oisc", "1\n2\r\n3\n4\n300\n6\nabc\n\n9\n10"), memory));
  EXPECT_EQ(memory[0], 1);
  EXPECT_EQ(memory[1], 2);
  EXPECT_EQ(memory[4], 99);  // '300'
  EXPECT_EQ(memory[5], 6);
  EXPECT_EQ(memory[6], 99);  // 'abc'
  EXPECT_EQ(memory[7], 99);  // empty
  EXPECT_EQ(memory[8], 9);
  EXPECT_EQ(memory[9], 10);  // last line without a line feed
  EXPECT_EQ(memory[10], 99);
  EXPECT_EQ(memory[255], 99);
}

TEST_F(ProgramFileTest, OnlyTheFirst256LinesAreRead) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += std::to_string(i % 200) + "\r\n";
  MemoryCells memory{};
  ASSERT_FALSE(LoadProgramFile(Write("long.oisc", text), memory));
  EXPECT_EQ(memory[199], 199);
  EXPECT_EQ(memory[200], 0);
  EXPECT_EQ(memory[255], 55);
}

TEST_F(ProgramFileTest, AFinalCarriageReturnAndOverlongLinesAreHandled) {
  MemoryCells memory = Filled(5);
  ASSERT_FALSE(LoadProgramFile(Write("cr.oisc", "8\r\n" + std::string(100000, '1') + "\n12\r"), memory));
  EXPECT_EQ(memory[0], 8);
  EXPECT_EQ(memory[1], 5);
  EXPECT_EQ(memory[2], 12);
}

TEST_F(ProgramFileTest, UnreadableFilesAreReportedAndChangeNothing) {
  MemoryCells memory = Filled(42);
  const FileError missing = LoadProgramFile(folder / "missing.oisc", memory);
  ASSERT_TRUE(missing);
  EXPECT_NE(missing->find("missing.oisc"), std::string::npos);
  EXPECT_NE(missing->find("No such file"), std::string::npos);
  const FileError directory = LoadProgramFile(folder, memory);
  ASSERT_TRUE(directory);
  EXPECT_NE(directory->find("folder"), std::string::npos);
  EXPECT_EQ(memory, Filled(42));
}

TEST_F(ProgramFileTest, AFailedSaveLeavesTheExistingFileAlone) {
  const fs::path path = Write("keep.oisc", "original");
  if (::geteuid() != 0) {  // root writes into read-only folders
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const FileError denied = SaveProgramFile(path, MemoryCells{});
    ASSERT_TRUE(denied);
    EXPECT_NE(denied->find("keep.oisc"), std::string::npos);
    fs::permissions(folder, fs::perms::owner_all);
  }
  const FileError intoFolder = SaveProgramFile(folder, MemoryCells{});
  ASSERT_TRUE(intoFolder);
  EXPECT_NE(intoFolder->find("folder"), std::string::npos);
  const FileError noFolder = SaveProgramFile(folder / "absent" / "x.oisc", MemoryCells{});
  ASSERT_TRUE(noFolder);
  EXPECT_EQ(Read(path), "original");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);  // no temporary left
}

}  // namespace
}  // namespace zar
