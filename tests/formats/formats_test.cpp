#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "formats/program_file.h"
#include "formats/screen_image.h"
#include "formats/screen_picture.h"
#include "formats/source_file.h"
#include "support/temp_folder.h"

namespace zar {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

MemoryCells Filled(Byte value) {
  MemoryCells cells;
  cells.fill(value);
  return cells;
}

TEST(ProgramFile, IsSavedInTheExactFormKeepingPermissions) {
  MemoryCells memory{255, 7};
  EXPECT_EQ(ProgramFileText(memory).substr(0, 14), "255\r\n7\r\n0\r\n0\r\n");
  EXPECT_EQ(ProgramFileText(memory).size(), 5 + 3 + 254 * 3u);
  TempFolder temp;
  const fs::path path = temp.File("image.oisc");
  for (int i = 0; i < 256; ++i) memory[i] = static_cast<Byte>(i * 7);
  ASSERT_FALSE(SaveProgramFile(path, memory).Failed());
  EXPECT_EQ(TempFolder::Read(path), ProgramFileText(memory));
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(static_cast<mode_t>(fs::status(path).permissions()), 0666 & ~mask);  // a new file as the umask says
  // A save that replaces a file keeps its permissions.
  const auto shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(path, shared);
  ASSERT_FALSE(SaveProgramFile(path, MemoryCells{}).Failed());
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, shared);
}

// Bad lines are passed over, and a cell keeps its value when its line does
// not convert; the text gives what the file gives.
TEST(ProgramFile, ReadsRoundedDecimalsPassesOverBadLinesAndNeverShiftsTheCells) {
  // A line reads as a rounded decimal within a cell, or (nothing) does not convert.
  const std::pair<const char*, std::optional<int>> lines[] = {
      {"0", 0},     {"255", 255},   {"  17  ", 17}, {"+3", 3},     {"007", 7},    {"000000000000000000042", 42},
      {"12.5", 12}, {"13.5", 14},   {"12.51", 13},  {".5", 0},     {"7.", 7},     {"-0.4", 0},
      {"-0.5", 0},  {"254.5", 254}, {"255.5", {}},  {"256", {}},   {"-1", {}},    {"-0.6", {}},
      {"", {}},     {"   ", {}},    {"abc", {}},    {"12abc", {}}, {"\t5", {}},   {"&HFF", {}},
      {"1e2", {}},  {".", {}},      {"-", {}},      {"1 2", {}},   {"1.2.3", {}}, {"99999999999999999999999", {}}};
  for (const auto& [line, value] : lines) EXPECT_EQ(ParseProgramLine(line), value) << "'" << line << "'";
  const auto pad = [](std::size_t spaces) { return std::string(spaces, ' ') + "25"; };
  std::string lines300;
  for (int i = 0; i < 300; ++i) lines300 += std::to_string(i % 200) + "\r\n";
  // The text, and {cell, value} after; all were 99.
  const std::pair<std::string, std::vector<std::pair<int, int>>> cases[] = {
      {"1\n2\r\n3\n4\n300\n6\nabc\n\n9\n10",
       {{0, 1}, {1, 2}, {4, 99}, {5, 6}, {6, 99}, {7, 99}, {8, 9}, {9, 10}, {10, 99}, {255, 99}}},
      {lines300, {{199, 199}, {200, 0}, {255, 55}}},
      // Lines of up to 4096 characters before CR LF or LF are read; an overlong one, across reading chunks
      // too, leaves its cell alone.
      {pad(4093) + "1\r\n" + pad(4093) + "2\n" + pad(4094) + "3\r\n" + pad(4094) + "4\n",
       {{0, 251}, {1, 252}, {2, 99}, {3, 99}, {4, 99}}},
      {"8\r\n" + std::string(100000, '1') + "\n12\r", {{0, 8}, {1, 99}, {2, 12}, {3, 99}}}};
  TempFolder temp;
  for (const auto& [text, cells] : cases) {
    MemoryCells fromFile = Filled(99), fromText = Filled(99);
    ASSERT_FALSE(LoadProgramFile(temp.Write("f.oisc", text), fromFile).Failed());
    ReadProgramText(text, fromText);
    for (const auto& [cell, value] : cells) EXPECT_EQ(fromFile[cell], value) << text.substr(0, 9) << " cell " << cell;
    EXPECT_EQ(fromText, fromFile) << text.substr(0, 9);
  }
  MemoryCells memory = Filled(3);
  ASSERT_FALSE(LoadProgramFile("/dev/zero", memory).Failed());  // an endless line costs its byte limit only
  EXPECT_EQ(memory, Filled(3));
  // Cell lines make a program file, unless the name says source.
  EXPECT_EQ(std::tuple(LooksLikeSource("p.oisc", 1), LooksLikeSource("p.oisc", 0), LooksLikeSource("p.oIa", 9)),
            std::tuple(false, true, true));
}

// Pictures of the screen: what the screen writes reads back, and only a
// whole 256 x 256 picture in 8-bit colour is read.
TEST(ScreenPicture, ReadsWhatTheScreenWritesAndOnlyAWholePicture) {
  ScreenBuffer screen;
  screen(1, 0) = RGB(1, 2, 3);
  const std::string pixels(3 * 256 * 256, '\0');
  const std::pair<std::string, std::string> cases[] = {
      {ScreenPpm(screen), ""},
      {ScreenPng(screen), ""},
      {"P6\n256 256\n254\n" + pixels, "a PPM picture needs the maxval 255, not 254"},
      {"P6\n256 256\n255\n" + pixels + "x", "a PPM picture of 256 x 256 holds 196608 bytes of pixels, not 196609"}};
  for (const auto& [bytes, error] : cases) {
    std::vector<ColorValue> read;
    std::string why;
    EXPECT_EQ(std::tuple(ReadScreenPicture(bytes, read, why), why), std::tuple(error.empty(), error));
    if (error.empty()) {
      EXPECT_TRUE(read.size() == 65536 && read[1] == RGB(1, 2, 3) && read[0] == screen(0, 0)) << bytes.substr(0, 2);
    }
  }
}

TEST(SourceFile, GivesTheSameLinesWhateverTheBreaksAndDropsAByteOrderMark) {
  const std::pair<std::string, std::string> cases[] = {
      {"NUL\rNXT\rVAL,5", "NUL\nNXT\nVAL,5"}, {"NUL\r\nNXT\n", "NUL\nNXT\n"},     {"A\r\r\nB\n\r", "A\n\nB\n\n"},
      {"\xEF\xBB\xBFNUL\r\n", "NUL\n"},       {"x\xEF\xBB\xBF", "x\xEF\xBB\xBF"}, {"\xA0 5", "\xA0 5"}};
  TempFolder temp;
  for (const auto& [bytes, lines] : cases) {
    std::string read;
    ASSERT_FALSE(LoadSourceFile(temp.Write("s.OIA", bytes), read).Failed());
    EXPECT_EQ(SourceLines(read), lines) << bytes;
  }
}

TEST(WriteWholeFile, WritesWhereThePathPointsAndReplacesOnlyRegularFiles) {
  TempFolder temp;
  const fs::path file = temp.Write("file", "old"), link = temp.File("link"), dangling = temp.File("dangling");
  fs::create_symlink("file", link);
  fs::create_symlink("new", dangling);
  fs::create_symlink("dangling", temp.File("link2"));
  fs::create_hard_link(temp.Write("hard", "longer than bytes"), temp.File("twin"));  // written in place, cut short
  const bool root = ::geteuid() == 0;
  ASSERT_TRUE(!root || ::chown(file.c_str(), 1234, 1234) == 0);
  // The path written, the file that must then hold the bytes, and what the path must still be.
  const std::tuple<fs::path, fs::path, fs::file_type> cases[] = {
      {link, file, fs::file_type::symlink},
      {temp.File("link2"), temp.File("new"), fs::file_type::symlink},  // by way of "dangling"
      {dangling, temp.File("new"), fs::file_type::symlink},
      {"/dev/null", {}, fs::file_type::character},
      {temp.File("twin"), temp.File("hard"), fs::file_type::regular}};
  for (const auto& [path, holder, stays] : cases) {
    ASSERT_FALSE(WriteWholeFile(path, "bytes").Failed()) << path;
    EXPECT_EQ(fs::symlink_status(path).type(), stays) << path;
    EXPECT_EQ(holder.empty() ? "bytes" : TempFolder::Read(holder), "bytes") << path;
  }
  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, root ? 1234u : ::geteuid());  // a replaced file keeps its owner
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 7);  // no temporary left
}

TEST(Files, FailuresNameTheFileAndTheReasonAndChangeNothing) {
  TempFolder temp;
  const fs::path big = temp.Write("big", std::string(2000, 'x'));
  const fs::path binary = temp.Write("binary.OIA", "NUL\r\n\x1f");  // the highest control character
  MemoryCells memory = Filled(42);
  std::string bytes = "kept";
  const std::pair<std::function<FileResult()>, std::string> cases[] = {
      {[&] { return LoadProgramFile(temp.File("none.oisc"), memory); }, "none.oisc\": No such file"},
      {[&] { return LoadProgramFile(temp.Path(), memory); }, "\": it is a folder"},
      {[&] { return ReadWholeFile(big, 1000, bytes); }, "big\": it is larger than 1000 bytes"},
      {[&] { return LoadSourceFile(binary, bytes); }, "Cannot read file \"" + binary.string() + "\": it is not a text"},
      {[&] { return LoadSourceFile("/dev/zero", bytes); }, "zero\": it is larger than 1048576 bytes"},
      {[&] { return SaveSourceFile(temp.Path(), "NUL"); }, "\": it is a folder"},
      {[&] { return SaveProgramFile(temp.File("none") / "x.oisc", memory); }, "x.oisc\": No such file"},
      {[&] { return SaveProgramFile("/proc/zar.oisc", memory); }, "Cannot write file \"/proc/zar.oisc\": "}};
  for (const auto& [operation, why] : cases) {
    const FileResult result = operation();
    EXPECT_TRUE(result.Failed() && result.Why().find(why) != std::string::npos) << why << ": " << result.Why();
  }
  EXPECT_EQ(memory, Filled(42));
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.Path()), fs::directory_iterator()), 2);  // no temporary left
}

}  // namespace
}  // namespace zar
