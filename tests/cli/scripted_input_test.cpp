#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/zar_tool.h"

namespace {

using zar::test::Outcome;

// Waits at a fixed point (254 - 0 jumps to itself) for a key, prints it and
// clears it.
constexpr const char* WaitForKeys =
    ":w\nSUB,254,zero,w\nSUB,n,n,?\nSUB,n,254,?\nSUB,255,n,?\nSUB,254,254,w\nSET,zero\nSET,n";

// Golden runs of zar run with scripted input; sources are assembled first.
TEST(ScriptedRun, GoldenRuns) {
  zar::test::ZarTool zar;
  zar.Write("w.OIA", WaitForKeys);
  zar.Write("in.txt", "# a script\n5 text \"x y\"\n3000 cell 254 50  # '2'\n");
  zar.Write("peer.txt", "50 connect\n100 connect\n200 net \"hello\"\n300 net 66 67\n400 close\n500 net 1\n");
  zar.Write("bad.txt", "1 key 65\n2 bogus\n");
  zar.Write("bad.OIA", "GTO,nowhere");
  const std::string echo = ZAR_EXAMPLES_DIR "/echo_server.OIA";
  const struct {
    std::string words;
    int exit;
    std::string out, err;
  } cases[] = {
      // Keys at 0 and 1000; the fixed points between wait and count.
      {"run w.OIA --keys ab", 0, "AB", "steps: 1006\nip: 0\n"},
      {"run w.OIA --keys 'a\\nb' --key-gap 10", 0, "A\rB", "steps: 26\nip: 0\n"},
      {"run w.OIA --keys Q --input in.txt", 0, "QX Y2", "steps: 3006\nip: 0\n"},
      {"run w.OIA --keys ab --steps 1000", 0, "A", "steps: 6\nip: 0\n"},  // b would come as the run ends
      {"run " + echo + " --input peer.txt --net-out - --steps 1000", 0, "hB", "steps: 1000\nip: 33\n"},
      {"run w.OIA --keys 'a!'", 2, "", "zar: --keys: '!' is no key that can be typed: use key CODE in an input file\n"},
      {"run w.OIA --input bad.txt", 2, "", "zar: bad.txt: line 2: unknown input 'bogus'"},
      {"run w.OIA --key-gap 0 --keys a", 2, "", "zar: --key-gap takes a whole number of steps above 0, not '0'\n"},
      {"run w.OIA --keys a --back 3", 2, "", "zar: --back cannot undo scripted input or the network\n"},
      {"run bad.OIA", 1, "", "Compile Failed at command: 0 = GTO,nowhere,,\n"},
  };
  for (const auto& c : cases) {
    const Outcome ran = zar.Run(c.words);
    EXPECT_EQ(ran.exit, c.exit) << c.words << ": " << ran.err;
    EXPECT_EQ(ran.out, c.out) << c.words;
    EXPECT_EQ(ran.err.substr(0, c.err.size()), c.err) << c.words;
  }
  // "-" reads the image, here a source, from standard input.
  const Outcome piped = zar.Shell("$ZAR run - --keys z <w.OIA");
  EXPECT_EQ(std::tuple(piped.exit, piped.out + piped.err), std::tuple(0, "Zsteps: 6\nip: 0\n"));
}

}  // namespace
