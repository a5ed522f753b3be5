// The programs in the documents of docs/ do what the text around them says,
// and the examples of examples/ what their comments promise.
//
// The test reads each document's fenced code blocks (a line "```INFO" opens
// one, a line "```" closes it) and checks them by their INFO word:
//
//   ```oia        a program: `zar asm` assembles it without a message.
//   ```oia-fails  a program shown for its mistake: `zar asm` reports one.
//   ```listing    after a program: exactly what `zar asm --listing -` prints
//                 for it.
//   ```output     after a program: exactly what `zar run` prints on stdout
//                 for it. The run takes the options of a comment
//                 <!-- run: OPTIONS --> on the line right before the program's
//                 ```oia line (for example <!-- run: --key 72 --steps 1000 -->);
//                 without one it is a plain `zar run`.
//   ```stderr     after an output block: exactly what that run printed on
//                 stderr (the `steps:` and `ip:` lines, `break:`, `watch:`).
//
// A block's text is its lines, each ended by a line feed; a program is
// assembled from its lines without a line break after the last one. Other
// blocks (```sh and the like) are not checked.
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/zar_tool.h"

namespace zar::test {
namespace {

// Reads the document's fenced blocks in turn: every program assembles as its
// block says, and every listing, output and stderr block is what zar prints
// for the program before it.
void CheckBlocks(const std::string& name) {
  std::istringstream document(TempFolder::Read(std::string(ZAR_DOCS_DIR) + "/" + name));
  const ZarTool zar;
  std::string line, previous, info, text, run;  // run: the options of the program's <!-- run: ... --> line
  bool inside = false, program = false;
  Outcome ran;
  for (int number = 1; std::getline(document, line); ++number, previous = line) {
    if (!inside && line.starts_with("```")) {
      inside = true, info = line.substr(3), text.clear();
      const std::string open = "<!-- run:", close = "-->";
      const bool options = previous.starts_with(open) && previous.ends_with(close);
      if (info == "oia" || info == "oia-fails") {
        run = options ? previous.substr(open.size(), previous.size() - open.size() - close.size()) : "";
      }
      continue;
    }
    if (!inside || line != "```") {
      if (inside) text += line + "\n";
      continue;
    }
    inside = false;
    SCOPED_TRACE(name + ":" + std::to_string(number));
    if (info == "oia" || info == "oia-fails") {
      program = true;
      zar.Write("p.OIA", text.substr(0, text.size() - 1));  // no line break after the last line
      const Outcome assembled = zar.Run("asm p.OIA -o p.oisc --listing p.lst");
      EXPECT_EQ(assembled.err.empty(), info == "oia") << assembled.err;
    } else if (info == "listing" || info == "output" || info == "stderr") {
      ASSERT_TRUE(program) << info << " of no program";
      if (info == "output") ran = zar.Run("run p.oisc" + run);
      EXPECT_EQ(info == "listing" ? zar.Read("p.lst") : info == "output" ? ran.out : ran.err, text) << run;
    }
  }
}

TEST(Docs, LanguageReferenceProgramsDoWhatTheTextSays) { CheckBlocks("language.md"); }
TEST(Docs, TutorialProgramsPrintWhatTheyPromise) { CheckBlocks("tutorial.md"); }

// The examples of examples/, assembled and run through the zar program: each
// assembles without a message or warning, and does what its comments promise.
// zar asm of the example NAME into IMAGE.oisc.
std::string AssembleExample(const std::string& name, const std::string& image) {
  return "asm '" ZAR_EXAMPLES_DIR "/" + name + ".OIA' -o " + image + ".oisc";
}

TEST(Examples, AssembleWithoutAWordPrintWhatTheyPromiseAndAddTakesOneDigitKeyAfterTheOther) {
  const ZarTool zar;
  for (const auto& entry : std::filesystem::directory_iterator(ZAR_EXAMPLES_DIR)) {
    const std::string path = entry.path().string();
    const Outcome assembled = zar.Run("asm '" + path + "' --locations --strict");
    EXPECT_EQ(std::tuple(assembled.exit, assembled.err), std::tuple(0, "")) << path;
    EXPECT_FALSE(TempFolder::Read(path).ends_with('\n')) << path << ": a final line break makes an empty last line";
  }
  // Letter keys are 65..90 with or without Shift; every other code is passed over.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"hello", "", "Hello, World!\n"},        {"keyboard_echo", "--key 72 --steps 1000", "H"},
      {"digits", "", "0123456789\n"},          {"countdown", "", "9 8 7 6 5 4 3 2 1 0\n"},
      {"upper", "--key 65 --steps 1000", "A"}, {"upper", "--key 90 --steps 1000", "Z"},
      {"upper", "--key 64 --steps 1000", ""},  {"upper", "--key 91 --steps 1000", ""},
      {"upper", "--key 188 --steps 1000", ""}, {"reverse", "--keys 'stressed\\n'", "DESSERTS\n"},
  };
  for (const auto& [example, options, out] : cases) {
    ASSERT_EQ(zar.Run(AssembleExample(example, "x")).exit, 0);
    const Outcome ran = zar.Run("run x.oisc " + options);
    EXPECT_EQ(ran.out, out) << example << " " << options;
    EXPECT_TRUE(!options.empty() || StepsRun(ran.err) < 1'000'000) << example << " halts";
  }
  // add takes one key a run: each run goes on from the memory the one before left.
  const std::pair<int, std::string> keys[] = {{51, "3+"}, {65, ""}, {53, "5=8\n"}, {57, "9+"}, {49, "1=10\n"}};
  ASSERT_EQ(zar.Run(AssembleExample("add", "m0")).exit, 0);
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    const Outcome ran = zar.Run("run m" + std::to_string(i) + ".oisc --key " + std::to_string(keys[i].first) +
                                " --steps 2000 --dump m" + std::to_string(i + 1) + ".oisc");
    EXPECT_EQ(ran.out, keys[i].second) << "key " << keys[i].first;
  }
}

// The pixel (x, y) of a binary PPM of the screen, as "R,G,B".
std::string Pixel(const std::string& ppm, int x, int y) {
  const auto* rgb = reinterpret_cast<const unsigned char*>(ppm.data()) + 15 + (y * 256 + x) * 3;
  return std::to_string(rgb[0]) + "," + std::to_string(rgb[1]) + "," + std::to_string(rgb[2]);
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
    ASSERT_EQ(zar.Run(AssembleExample(example, "x")).exit, 0);
    ASSERT_EQ(zar.Run("run x.oisc " + options + " --screen x.ppm").exit, 0);
    const std::string ppm = zar.Read("x.ppm");
    ASSERT_EQ(ppm.size(), 15 + 256 * 256 * 3u);
    for (const auto& [x, y, rgb] : pixels) EXPECT_EQ(Pixel(ppm, x, y), rgb) << example << " " << options;
  }
}

}  // namespace
}  // namespace zar::test
