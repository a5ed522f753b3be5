// The examples of examples/, assembled and run through the zar program: each
// assembles without a message and does what its comments promise.
#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "support/zar_tool.h"

namespace zar::test {
namespace {

std::filesystem::path Example(const std::string& name) {
  return std::filesystem::path(ZAR_EXAMPLES_DIR) / (name + ".OIA");
}

std::vector<std::string> ExampleNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(ZAR_EXAMPLES_DIR)) {
    if (entry.path().extension() == ".OIA") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// --- every example assembles without a message or warning and ends without
// a line break ---

class ExampleSource : public testing::TestWithParam<std::string> {};

TEST_P(ExampleSource, AssemblesSilently) {
  const ZarTool zar;
  const Outcome assembled = zar.Run("asm '" + Example(GetParam()).string() + "' --locations --strict");
  EXPECT_EQ(assembled.exit, 0);
  EXPECT_EQ(assembled.err, "");
  const std::string text = TempFolder::Read(Example(GetParam()));
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n') << "a final line break makes an empty last line";
}

INSTANTIATE_TEST_SUITE_P(docs, ExampleSource, testing::ValuesIn(ExampleNames()),
                         [](const auto& entry) { return entry.param; });

// --- console output ---

struct ConsoleCase {
  const char* test;
  const char* example;
  const char* options;  // for zar run
  const char* out;      // exactly what it prints
  bool halts;           // reaches a fixed point before 100,000 steps
};

const ConsoleCase ConsoleCases[] = {
    {"hello", "hello", "", "Hello, World!\n", true},
    {"keyboard_echo", "keyboard_echo", "--key 72 --steps 1000", "H", false},
    {"digits", "digits", "", "0123456789\n", true},
    {"countdown", "countdown", "", "9 8 7 6 5 4 3 2 1 0\n", true},
    {"square_prints_nothing", "square", "", "", true},
    // Letter keys are 65..90 with or without Shift; everything else is ignored.
    {"upper_A", "upper", "--key 65 --steps 1000", "A", false},
    {"upper_Z", "upper", "--key 90 --steps 1000", "Z", false},
    {"upper_no_key", "upper", "--steps 1000", "", false},
    {"upper_64", "upper", "--key 64 --steps 1000", "", false},
    {"upper_91", "upper", "--key 91 --steps 1000", "", false},
    {"upper_comma", "upper", "--key 188 --steps 1000", "", false},
    // One key per run: the first digit is echoed with a '+'.
    {"add_letter", "add", "--key 65 --steps 2000", "", false},
};

// Names the case in the test list.
void PrintTo(const ConsoleCase& c, std::ostream* os) { *os << c.test; }

class ExampleConsole : public testing::TestWithParam<ConsoleCase> {};

TEST_P(ExampleConsole, PrintsWhatItPromises) {
  const ConsoleCase& c = GetParam();
  const ZarTool zar;
  ASSERT_EQ(zar.Assemble(Example(c.example), "x").exit, 0);
  const std::string limit = c.halts ? " --steps 100000" : "";
  const Outcome ran = zar.Run("run x.oisc " + std::string(c.options) + limit);
  EXPECT_EQ(ran.exit, 0);
  EXPECT_EQ(ran.out, c.out);
  const long long steps = StepsRun(ran.err);
  if (c.halts) {
    EXPECT_LT(steps, 100000) << ran.err;
  } else {
    EXPECT_GT(steps, 0) << ran.err;
  }
}

INSTANTIATE_TEST_SUITE_P(docs, ExampleConsole, testing::ValuesIn(ConsoleCases),
                         [](const auto& entry) { return std::string(entry.param.test); });

// --- add: the second key in a second run of the first run's memory ---

struct AddCase {
  const char* test;
  std::vector<int> keys;  // one run each, every run continuing the memory of the one before
  std::vector<const char*> outs;
};

const AddCase AddCases[] = {
    {"three_and_five", {51, 53}, {"3+", "5=8\n"}},
    {"nine_and_one", {57, 49}, {"9+", "1=10\n"}},
    {"other_keys_between", {65, 52, 13, 52, 55}, {"", "4+", "", "4=8\n", "7+"}},
};

void PrintTo(const AddCase& c, std::ostream* os) { *os << c.test; }

class AddInRuns : public testing::TestWithParam<AddCase> {};

TEST_P(AddInRuns, PrintsTheSum) {
  const AddCase& c = GetParam();
  const ZarTool zar;
  ASSERT_EQ(zar.Assemble(Example("add"), "m0").exit, 0);
  for (std::size_t i = 0; i < c.keys.size(); ++i) {
    const std::string from = "m" + std::to_string(i) + ".oisc";
    const std::string to = "m" + std::to_string(i + 1) + ".oisc";
    const Outcome ran =
        zar.Run("run " + from + " --key " + std::to_string(c.keys[i]) + " --steps 2000 --dump " + to);
    EXPECT_EQ(ran.out, c.outs[i]) << "run " << i + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(docs, AddInRuns, testing::ValuesIn(AddCases),
                         [](const auto& entry) { return std::string(entry.param.test); });

// --- screen pictures ---

using Rgb = std::array<unsigned char, 3>;

// The screen of a run as a binary PPM: 256 x 256 pixels, row by row.
class Picture {
 public:
  explicit Picture(std::string ppm) : ppm_(std::move(ppm)) {}
  bool Valid() const { return ppm_.size() == Header.size() + 256 * 256 * 3 && ppm_.starts_with(Header); }
  Rgb At(int x, int y) const {
    const std::size_t at = Header.size() + static_cast<std::size_t>(y * 256 + x) * 3;
    return {static_cast<unsigned char>(ppm_[at]), static_cast<unsigned char>(ppm_[at + 1]),
            static_cast<unsigned char>(ppm_[at + 2])};
  }

 private:
  static constexpr std::string_view Header = "P6\n256 256\n255\n";
  std::string ppm_;
};

// A picture a run must leave on the screen: the colour of every pixel.
struct PictureCase {
  std::string test;
  std::string example;
  std::string options;
  std::function<Rgb(int x, int y)> expected;
};

// The ball of bounce moves one pixel a frame in x (64..191) and y (64..159)
// and turns at the walls; after 45 + 15 k steps it has made k moves.
int Bounced(int k, int lo, int hi) {
  const int span = hi - lo;
  const int p = k % (2 * span);
  return lo + (p <= span ? p : 2 * span - p);
}

PictureCase BounceAfter(int k) {
  const int bx = Bounced(k, 64, 191), by = Bounced(k, 64, 159);
  return {"bounce_" + std::to_string(k) + "_moves", "bounce", "--steps " + std::to_string(45 + 15 * k),
          [bx, by](int x, int y) {
            const bool wall = ((x == 63 || x == 192) && y >= 63 && y <= 160) ||
                              ((y == 63 || y == 160) && x >= 63 && x <= 192);
            if (x == bx && y == by) return Rgb{255, 0, 0};
            return wall ? Rgb{128, 128, 128} : Rgb{0, 0, 0};
          }};
}

std::vector<PictureCase> PictureCases() {
  std::vector<PictureCase> cases = {
      {"square", "square", "",
       [](int x, int y) {
         const bool inside = x >= 96 && x <= 159 && y >= 96 && y <= 159;
         return inside ? Rgb{255, 128, 0} : Rgb{0, 0, 64};
       }},
  };
  // The first moves, both walls of y and of x, and long after.
  for (const int k : {1, 95, 96, 127, 128, 1000}) cases.push_back(BounceAfter(k));
  return cases;
}

void PrintTo(const PictureCase& c, std::ostream* os) { *os << c.test; }

class ExamplePicture : public testing::TestWithParam<PictureCase> {};

TEST_P(ExamplePicture, LeavesItsPictureOnTheScreen) {
  const PictureCase& c = GetParam();
  const ZarTool zar;
  ASSERT_EQ(zar.Assemble(Example(c.example), "x").exit, 0);
  ASSERT_EQ(zar.Run("run x.oisc " + c.options + " --screen x.ppm").exit, 0);
  const Picture picture(zar.Read("x.ppm"));
  ASSERT_TRUE(picture.Valid());
  int wrong = 0;
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      if (picture.At(x, y) == c.expected(x, y)) continue;
      if (++wrong <= 3) ADD_FAILURE() << "pixel " << x << "," << y;
    }
  }
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(docs, ExamplePicture, testing::ValuesIn(PictureCases()),
                         [](const auto& entry) { return entry.param.test; });

}  // namespace
}  // namespace zar::test
