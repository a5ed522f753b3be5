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

std::vector<Block> FencedBlocks(const std::string& document) {
  std::vector<Block> blocks;
  std::string previous;  // the line before the current one
  bool inside = false;
  int number = 0;
  std::size_t start = 0;
  while (start < document.size()) {
    std::size_t end = document.find('\n', start);
    if (end == std::string::npos) end = document.size();
    const std::string line = document.substr(start, end - start);
    start = end + 1;
    ++number;
    if (inside && line == "```") {
      inside = false;
    } else if (inside) {
      blocks.back().text += line + "\n";
    } else if (line.starts_with("```")) {
      inside = true;
      Block block{line.substr(3), "", "", number};
      const std::string open = "<!-- run:", close = "-->";
      if (previous.starts_with(open) && previous.ends_with(close)) {
        block.options = previous.substr(open.size(), previous.size() - open.size() - close.size());
      }
      blocks.push_back(block);
    }
    previous = line;
  }
  return blocks;
}

std::string Document(const std::string& name) { return TempFolder::Read(std::string(ZAR_DOCS_DIR) + "/" + name); }

// The program as a source file: its lines without a final line break.
std::string SourceOf(const Block& program) { return program.text.substr(0, program.text.size() - 1); }

class DocumentBlocks : public testing::TestWithParam<std::string> {
 protected:
  std::vector<Block> Blocks() const { return FencedBlocks(Document(GetParam())); }
};

TEST_P(DocumentBlocks, ProgramsAssembleAsShown) {
  const ZarTool zar;
  int programs = 0;
  const Block* program = nullptr;  // the last one
  for (const Block& block : Blocks()) {
    SCOPED_TRACE(GetParam() + ":" + std::to_string(block.line));
    if (block.info == "oia" || block.info == "oia-fails") {
      program = &block;
      ++programs;
      zar.Write("p.OIA", SourceOf(block));
      const Outcome assembled = zar.Run("asm p.OIA");
      if (block.info == "oia") {
        EXPECT_EQ(assembled.exit, 0);
        EXPECT_EQ(assembled.err, "");
      } else {
        EXPECT_NE(assembled.err, "") << "no message";
      }
    } else if (block.info == "listing") {
      ASSERT_NE(program, nullptr) << "a listing of no program";
      zar.Write("p.OIA", SourceOf(*program));
      EXPECT_EQ(zar.Run("asm p.OIA --listing -").out, block.text);
    }
  }
  EXPECT_GT(programs, 0);
}

TEST_P(DocumentBlocks, ProgramsPrintWhatTheyPromise) {
  const ZarTool zar;
  const Block* program = nullptr;
  Outcome ran;
  for (const Block& block : Blocks()) {
    SCOPED_TRACE(GetParam() + ":" + std::to_string(block.line));
    if (block.info == "oia") program = &block;
    if (block.info == "output") {
      ASSERT_NE(program, nullptr) << "an output of no program";
      zar.Write("p.OIA", SourceOf(*program));
      ASSERT_EQ(zar.Run("asm p.OIA -o p.oisc").exit, 0);
      ran = zar.Run("run p.oisc" + program->options);
      EXPECT_EQ(ran.exit, 0);
      EXPECT_EQ(ran.out, block.text) << "zar run p.oisc" << program->options;
    } else if (block.info == "stderr") {
      EXPECT_EQ(ran.err, block.text) << "zar run p.oisc" << program->options;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(docs, DocumentBlocks, testing::Values("language.md", "tutorial.md"),
                         [](const auto& entry) { return entry.param.substr(0, entry.param.find('.')); });

// The tutorial's steps each show what their program prints.
class TutorialSteps : public testing::TestWithParam<std::string> {};

TEST_P(TutorialSteps, EveryProgramPromisesItsOutput) {
  const std::vector<Block> blocks = FencedBlocks(Document(GetParam()));
  int programs = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].info != "oia") continue;
    ++programs;
    const bool followed = i + 1 < blocks.size() && blocks[i + 1].info == "output";
    EXPECT_TRUE(followed) << GetParam() << ":" << blocks[i].line;
  }
  EXPECT_GE(programs, 8);
}

INSTANTIATE_TEST_SUITE_P(docs, TutorialSteps, testing::Values("tutorial.md"),
                         [](const auto&) { return std::string("tutorial"); });

}  // namespace
}  // namespace zar::test
