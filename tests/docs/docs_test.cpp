// The programs in the documents of docs/ do what the text around them says.
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
// blocks (```sh and the like) are not checked. In the tutorial every
// program promises its output.
#include <sstream>
#include <string>
#include <vector>

#include "support/zar_tool.h"

namespace zar::test {
namespace {

struct Block {
  std::string info;     // the word after the opening ```
  std::string text;     // its lines, each ended by a line feed
  std::string options;  // of a <!-- run: ... --> line right before it
  int line = 0;         // of the opening ```, counted from 1
};

std::vector<Block> FencedBlocks(const std::string& name) {
  std::istringstream document(TempFolder::Read(std::string(ZAR_DOCS_DIR) + "/" + name));
  std::vector<Block> blocks;
  std::string line, previous;
  bool inside = false;
  for (int number = 1; std::getline(document, line); ++number, previous = line) {
    if (inside) {
      inside = line != "```";
      if (inside) blocks.back().text += line + "\n";
    } else if (line.starts_with("```")) {
      inside = true;
      const std::string open = "<!-- run:", close = "-->";
      const bool run = previous.starts_with(open) && previous.ends_with(close);
      blocks.push_back({line.substr(3), "",
                        run ? previous.substr(open.size(), previous.size() - open.size() - close.size()) : "", number});
    }
  }
  return blocks;
}

// Every program assembles as its block says, and every listing, output and
// stderr block is what zar prints for the program before it.
void CheckBlocks(const std::string& name) {
  const ZarTool zar;
  const Block* program = nullptr;
  Outcome ran;
  for (const Block& block : FencedBlocks(name)) {
    SCOPED_TRACE(name + ":" + std::to_string(block.line));
    if (block.info == "oia" || block.info == "oia-fails") {
      program = &block;
      zar.Write("p.OIA", block.text.substr(0, block.text.size() - 1));  // no line break after the last line
      const Outcome assembled = zar.Run("asm p.OIA -o p.oisc --listing p.lst");
      EXPECT_EQ(assembled.err.empty(), block.info == "oia") << assembled.err;
      continue;
    }
    if (block.info != "listing" && block.info != "output" && block.info != "stderr") continue;
    ASSERT_NE(program, nullptr) << block.info << " of no program";
    if (block.info == "listing") {
      EXPECT_EQ(zar.Read("p.lst"), block.text);
    } else if (block.info == "output") {
      ran = zar.Run("run p.oisc" + program->options);
      EXPECT_EQ(ran.out, block.text) << "zar run p.oisc" << program->options;
    } else {
      EXPECT_EQ(ran.err, block.text) << "zar run p.oisc" << program->options;
    }
  }
}

TEST(Docs, LanguageReferenceProgramsDoWhatTheTextSays) { CheckBlocks("language.md"); }

// In the tutorial, at least eight steps, every program promises its output.
TEST(Docs, TutorialProgramsPrintWhatTheyPromise) {
  CheckBlocks("tutorial.md");
  const std::vector<Block> blocks = FencedBlocks("tutorial.md");
  int programs = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].info != "oia") continue;
    ++programs;
    EXPECT_TRUE(i + 1 < blocks.size() && blocks[i + 1].info == "output") << "tutorial.md:" << blocks[i].line;
  }
  EXPECT_GE(programs, 8);
}

}  // namespace
}  // namespace zar::test
