#include <gtest/gtest.h>

#include <filesystem>

#include "support/zar_tool.h"

namespace zar {
namespace {

using test::Outcome;
using test::ZarTool;

TEST(ZarFiles, NeverWritesOverItsSourceAndStopsAtLimitsWithAMessage) {
  ZarTool zar;
  std::string source = "VAL,1";
  for (int i = 0; i < 200; ++i) source += "\r\nVAL,1";  // a listing above 1 KiB
  zar.Write("c.OIA", source);
  std::filesystem::create_symlink("c.OIA", zar.folder.File("link.OIA"));
  std::filesystem::create_hard_link(zar.folder.File("c.OIA"), zar.folder.File("hard.OIA"));
  zar.Write("in.txt", "# no input\n");
  const std::string sourceFile = "\": it is the source file \"c.OIA\"\n";
  const std::string noStdout = "zar: cannot write to standard output\n";
  const struct {
    std::string line;
    int exit;
    std::string err;  // all of it
  } cases[] = {{"$ZAR asm c.OIA -o c.OIA", 2, "zar: Cannot write file \"c.OIA" + sourceFile},
               {"$ZAR asm c.OIA --listing link.OIA --table hard.OIA -o never.oisc", 2,
                "zar: Cannot write file \"link.OIA" + sourceFile + "zar: Cannot write file \"hard.OIA" + sourceFile},
               // Dumping the state over its own program is what the user asked for.
               {"$ZAR asm c.OIA -o c.oisc && $ZAR run c.oisc --steps 1 --dump c.oisc", 0, "steps: 1\nip: 1\n"},
               {"$ZAR run c.oisc --input in.txt --trace c.oisc --dump in.txt", 2,
                "zar: Cannot write file \"in.txt\": it is the input file \"in.txt\"\n"
                "zar: Cannot write file \"c.oisc\": it is the program file \"c.oisc\"\n"},
               {"$ZAR run c.OIA --screen link.OIA --dump hard.OIA", 2,
                "zar: Cannot write file \"link.OIA" + sourceFile + "zar: Cannot write file \"hard.OIA" + sourceFile},
               {"$ZAR run c.oisc --steps 1 --net-out . --dump /dev/null", 2,
                "steps: 1\nip: 1\nzar: Cannot write file \".\": it is a folder\n"},
               {"$ZAR --version >/dev/full || $ZAR --help >/dev/full", 2, noStdout + noStdout},
               {"ln -s loop loop && $ZAR asm c.OIA -o loop", 2,
                "zar: Cannot write file \"loop\": Too many levels of symbolic links\n"},
               // A FIFO is waited for with a word after a second.
               {"mkfifo f && { $ZAR run c.oisc --steps 1 --trace f & sleep 1.2; cat f >/dev/null; wait $!; }", 0,
                "zar: waiting for a program at the other end of the pipe f\nsteps: 1\nip: 1\n"},
               {"mkfifo g && { $ZAR check g c.oisc 2>&1 | head -n1 >&2 & sleep 1.2; echo x >g; wait; }", 0,
                "zar: waiting for a program at the other end of the pipe g\n"}};
  for (const auto& c : cases) {
    const Outcome outcome = zar.Shell(c.line);
    EXPECT_EQ(outcome.exit, c.exit) << c.line;
    EXPECT_EQ(outcome.err, c.err) << c.line;
  }
  EXPECT_EQ(zar.Read("c.OIA"), source);
  EXPECT_EQ(zar.Read("in.txt"), "# no input\n");
  EXPECT_TRUE(zar.Read("c.oisc").starts_with("1\r\n0\r\n1\r\n"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(zar.folder.Path()), {}), 10);  // no temporary left
}

}  // namespace
}  // namespace zar
