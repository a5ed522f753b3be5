#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "support/zar_tool.h"

namespace {

using zar::test::Outcome;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
constexpr bool Sanitized = __has_feature(address_sanitizer);
#else
constexpr bool Sanitized = false;
#endif

// The largest peak resident memory in KiB of the processes this one ran
// (ctest runs each test in a process of its own).
long PeakOfChildren() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_maxrss;
}

// Long runs write the trace, the network's log and the console as they go,
// in memory that does not grow with the run. A console that cannot be
// written (a full device, a pipe nobody reads) ends the run with exit 2 and
// one line.
TEST(Streams, LongRunsKeepMemorySmallAndAnUnwritableConsoleIsAnError) {
  const zar::test::ZarTool zar;
  zar.Write("p.oisc", "255\n3\n0\n255\n");  // prints a character in every step, for ever
  // Listens on a port the system picks, over and over: two lines of the network's log every two steps.
  zar.Write("l.oisc", "245\n10\n3\n11\n11\n0\n\n\n\n\n253\n");
  for (const char* line : {"$ZAR run p.oisc >/dev/full", "{ $ZAR run p.oisc; echo $? >s; } | true; exit $(cat s)"}) {
    const Outcome run = zar.Shell(line);
    EXPECT_EQ(std::tuple(run.exit, run.err), std::tuple(2, "zar: cannot write to standard output\n")) << line;
  }
  if (Sanitized) GTEST_SKIP() << "AddressSanitizer's own memory hides the program's";
  for (const char* words : {"run p.oisc --steps 20000000 --trace /dev/null", "run p.oisc --steps 100000000 --back 1",
                            "run l.oisc --steps 300000 --net --net-log log.txt"}) {
    EXPECT_EQ(zar.Run(std::string(words) + " >/dev/null").exit, 0) << words;
    EXPECT_LT(PeakOfChildren(), 14 * 1024) << words;
  }
  const std::string lines = zar.Read("log.txt");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 299'999);
}

}  // namespace
