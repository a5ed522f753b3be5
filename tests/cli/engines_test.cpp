// zar run with the interpreter and with the compiled engine: the same
// console, steps, IP and final memory on the examples, with inputs, limits
// and the debugger's stops that end runs at chosen steps.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/zar_tool.h"

namespace zar::test {
namespace {

TEST(ZarRunEngines, EndTheExamplesAlikeAndSkipRepeatsAsEveryStepRuns) {
  // The example, and the options of its run.
  // clang-format off
  const std::string cases[] = {"hello", "digits", "countdown --steps 77", "square --steps 3000000",
      "bounce --steps 1000003", "history_waves --steps 2000001", "screen", "add --key 51 --steps 5000",
      "keyboard_echo --keys HELLO --key-gap 5000 --steps 40000", "echo_server --steps 100000", "bounce --break 174",
      "bounce --steps 100000 --back 7", "countdown --watch 255"};
  // clang-format on
  const ZarTool zar;
  for (const std::string& c : cases) {
    const std::string example = c.substr(0, c.find(' ')), options = c.substr(example.size());
    const std::string run = "run '" ZAR_EXAMPLES_DIR "/" + example + ".OIA'" + options;
    const Outcome interp = zar.Run(run + " --engine interp --dump interp.oisc");
    const Outcome jit = zar.Run(run + " --engine jit --dump jit.oisc");
    EXPECT_EQ(std::tuple(interp.exit, interp.out, interp.err), std::tuple(0, jit.out, jit.err)) << example << options;
    EXPECT_EQ(zar.Read("interp.oisc"), zar.Read("jit.oisc")) << example << options;
    EXPECT_NE(interp.err.find("steps: "), std::string::npos) << example << options;
  }
  // --stats says what ran in the session, not what was asked for.
  const std::tuple<std::string, std::string> ran[] = {
      {"--engine interp", "interp\ncompiled steps: 0"},
      {"--engine jit", "jit\ncompiled steps: "},
      {"--engine jit --break 174", "interp\ncompiled steps: 0"},
      {"--engine jit --steps 1000 --trace t.txt", "interp\ncompiled steps: 0"}};
  for (const auto& [options, engine] : ran) {
    const Outcome stats = zar.Run("run '" ZAR_EXAMPLES_DIR "/bounce.OIA' --steps 100000 --stats " + options);
    EXPECT_NE(stats.err.find("\nengine: " + engine), std::string::npos) << options << stats.err;
  }
  // Loops whose state repeats, in the slices of a plain run and of --seconds, with input to come and with the
  // device cells in use, end as when every step runs (--no-skip); a long one is counted at once.
  zar.Write("key.txt", "3000001 key 75\n");
  const std::string keys = "run '" ZAR_EXAMPLES_DIR "/keyboard_echo.OIA' ";
  const std::string loops[] = {keys + "--steps 5000003", keys + "--steps 5000003 --seconds 100",
                               keys + "--steps 4000000 --input key.txt",
                               keys + "--steps 4000000 --input key.txt --seconds 100 --engine interp",
                               "run '" ZAR_EXAMPLES_DIR "/echo_server.OIA' --steps 3000000"};
  for (const std::string& run : loops) {
    const Outcome skipping = zar.Run(run + " --dump skip.oisc");
    const Outcome stepping = zar.Run(run + " --dump step.oisc --no-skip");
    EXPECT_EQ(std::tuple(skipping.exit, skipping.out, skipping.err), std::tuple(0, stepping.out, stepping.err)) << run;
    EXPECT_EQ(zar.Read("skip.oisc"), zar.Read("step.oisc")) << run;
  }
  EXPECT_EQ(zar.Run(keys + "--steps 1000000000003 --seconds 1000 --input key.txt").err,
            "steps: 1000000000003\nip: 0\n");
}

}  // namespace
}  // namespace zar::test
