#include <gtest/gtest.h>

#include <filesystem>

#include "support/zar_tool.h"

namespace zar {
namespace {

using test::Outcome;
using test::ZarTool;

// A shell command line run in the tool's folder; $ZAR is zar.
Outcome Shell(const ZarTool& zar, const std::string& line) {
  const std::string command = "cd '" + zar.folder.Path().string() + "' && ZAR='" + ZAR_EXECUTABLE + "' && (" + line +
                              ") >zar.out 2>zar.err </dev/null";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, zar.Read("zar.out"), zar.Read("zar.err")};
}

TEST(ZarFiles, NeverWritesOverItsSourceAndStopsAtLimitsWithAMessage) {
  ZarTool zar;
  std::string source = "VAL,1";
  for (int i = 0; i < 200; ++i) source += "\r\nVAL,1";  // a listing above 1 KiB
  zar.Write("c.OIA", source);
  std::filesystem::create_symlink("c.OIA", zar.folder.File("link.OIA"));
  std::filesystem::create_hard_link(zar.folder.File("c.OIA"), zar.folder.File("hard.OIA"));
  const std::string sourceFile = "\": it is the source file \"c.OIA\"\n";
  const struct {
    std::string line;
    int exit;
    std::string err;  // all of it
  } cases[] = {{"$ZAR asm c.OIA -o c.OIA", 2, "zar: Cannot write file \"c.OIA" + sourceFile},
               {"$ZAR asm c.OIA --listing link.OIA --table hard.OIA -o never.oisc", 2,
                "zar: Cannot write file \"link.OIA" + sourceFile + "zar: Cannot write file \"hard.OIA" + sourceFile},
               {"ulimit -f 1 && $ZAR asm c.OIA --listing c.lst", 2,
                "zar: Cannot write file \"c.lst\": the file would exceed the file-size limit\n"},
               // Dumping the state over its own program is what the user asked for.
               {"$ZAR asm c.OIA -o c.oisc && $ZAR run c.oisc --steps 1 --dump c.oisc", 0, "steps: 1\nip: 1\n"}};
  for (const auto& c : cases) {
    const Outcome outcome = Shell(zar, c.line);
    EXPECT_EQ(outcome.exit, c.exit) << c.line;
    EXPECT_EQ(outcome.err, c.err) << c.line;
  }
  EXPECT_EQ(zar.Read("c.OIA"), source);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(zar.folder.Path()), {}), 6);  // no temporary left
}

}  // namespace
}  // namespace zar
