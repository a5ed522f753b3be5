// The examples of examples/, assembled and run through the zar program: each
// assembles without a message or warning, and does what its comments promise.
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "support/zar_tool.h"

namespace zar::test {
namespace {

std::string Example(const std::string& name) { return std::string(ZAR_EXAMPLES_DIR) + "/" + name + ".OIA"; }

TEST(Examples, AssembleWithoutAWordAndEndWithoutALineBreak) {
  const ZarTool zar;
  for (const auto& entry : std::filesystem::directory_iterator(ZAR_EXAMPLES_DIR)) {
    const std::string path = entry.path().string();
    const Outcome assembled = zar.Run("asm '" + path + "' --locations --strict");
    EXPECT_EQ(assembled.exit, 0) << path;
    EXPECT_EQ(assembled.err, "") << path;
    EXPECT_FALSE(TempFolder::Read(path).ends_with('\n')) << path << ": a final line break makes an empty last line";
  }
}

TEST(Examples, PrintWhatTheyPromise) {
  // Letter keys are 65..90 with or without Shift; every other code is passed over.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"hello", "", "Hello, World!\n"},        {"keyboard_echo", "--key 72 --steps 1000", "H"},
      {"digits", "", "0123456789\n"},          {"countdown", "", "9 8 7 6 5 4 3 2 1 0\n"},
      {"upper", "--key 65 --steps 1000", "A"}, {"upper", "--key 90 --steps 1000", "Z"},
      {"upper", "--key 64 --steps 1000", ""},  {"upper", "--key 91 --steps 1000", ""},
      {"upper", "--key 188 --steps 1000", ""},
  };
  const ZarTool zar;
  for (const auto& [example, options, out] : cases) {
    ASSERT_EQ(zar.Assemble(Example(example), "x").exit, 0);
    const Outcome ran = zar.Run("run x.oisc " + options);
    EXPECT_EQ(ran.out, out) << example << " " << options;
    EXPECT_TRUE(!options.empty() || StepsRun(ran.err) < 1'000'000) << example << " halts";
  }
}

// zar run takes one key: each run goes on from the memory the one before left.
TEST(Examples, AddTakesOneDigitKeyAfterTheOther) {
  const std::pair<int, std::string> keys[] = {{51, "3+"}, {65, ""}, {53, "5=8\n"}, {57, "9+"}, {49, "1=10\n"}};
  const ZarTool zar;
  ASSERT_EQ(zar.Assemble(Example("add"), "m0").exit, 0);
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    const Outcome ran = zar.Run("run m" + std::to_string(i) + ".oisc --key " + std::to_string(keys[i].first) +
                                " --steps 2000 --dump m" + std::to_string(i + 1) + ".oisc");
    EXPECT_EQ(ran.out, keys[i].second) << "key " << keys[i].first;
  }
}

// The pixel (x, y) of a binary PPM of the screen, as "R,G,B".
std::string Pixel(const std::string& ppm, int x, int y) {
  const std::size_t at = 15 + static_cast<std::size_t>(y * 256 + x) * 3;
  return std::to_string(static_cast<unsigned char>(ppm[at])) + "," +
         std::to_string(static_cast<unsigned char>(ppm[at + 1])) + "," +
         std::to_string(static_cast<unsigned char>(ppm[at + 2]));
}

// square: an orange square over 96..159 on dark blue. bounce: after
// 45 + 15 k steps the red ball has made k moves from (64,64), turning at
// x 191 and y 159, inside a grey border.
TEST(Examples, DrawWhatTheyPromise) {
  using Pixels = std::vector<std::tuple<int, int, std::string>>;
  const std::tuple<std::string, std::string, Pixels> cases[] = {
      {"square", "", {{96, 96, "255,128,0"}, {159, 159, "255,128,0"}, {95, 96, "0,0,64"}, {160, 159, "0,0,64"}}},
      {"bounce", "--steps 60", {{65, 65, "255,0,0"}, {64, 64, "0,0,0"}, {63, 63, "128,128,128"}}},
      {"bounce", "--steps 1470", {{159, 159, "255,0,0"}, {160, 160, "128,128,128"}}},
      {"bounce", "--steps 1485", {{160, 158, "255,0,0"}, {159, 159, "0,0,0"}}},
      {"bounce", "--steps 1950", {{191, 127, "255,0,0"}}},
      {"bounce", "--steps 1965", {{190, 126, "255,0,0"}}},
  };
  const ZarTool zar;
  for (const auto& [example, options, pixels] : cases) {
    ASSERT_EQ(zar.Assemble(Example(example), "x").exit, 0);
    ASSERT_EQ(zar.Run("run x.oisc " + options + " --screen x.ppm").exit, 0);
    const std::string ppm = zar.Read("x.ppm");
    ASSERT_EQ(ppm.size(), 15 + 256 * 256 * 3u);
    for (const auto& [x, y, rgb] : pixels) EXPECT_EQ(Pixel(ppm, x, y), rgb) << example << " " << options;
  }
}

}  // namespace
}  // namespace zar::test
