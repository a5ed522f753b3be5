#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_file.h"
#include "cli/program_input.h"
#include "exercise/exercise.h"

namespace zar::cli {

int CheckCommand(const std::vector<std::string>& words) {
  const Arguments args = ParseArguments(words, {}, {"--json"}, 2);
  if (!args.error.empty()) return UsageError(args.error);
  Exercise exercise;
  std::string error;
  bool read = false;
  {
    const PipeNotice notice(args.positional[0]);
    read = LoadExercise(args.positional[0], exercise, error);
  }
  if (!read) {
    std::fprintf(stderr, "zar: %s\n", error.c_str());
    return ExitUsage;
  }
  MemoryCells image{};
  if (const int loaded = LoadImage(args.positional[1], image); loaded != ExitOk) return loaded;

  bool passed = true;
  nlohmann::json report = {{"exercise", exercise.title}, {"cases", nlohmann::json::array()}};
  for (std::size_t i = 0; i < exercise.cases.size(); ++i) {
    const ExerciseCase& c = exercise.cases[i];
    const CaseResult result = CheckCase(c, image);
    passed = passed && result.passed;
    report["cases"].push_back({{"case", i + 1},
                               {"name", c.name},
                               {"passed", result.passed},
                               {"failure", result.failure},
                               {"steps", result.steps}});
    if (!args.Has("--json")) {
      std::printf("case %zu %s: %s\n", i + 1, nlohmann::json(c.name).dump().c_str(),
                  result.passed ? "PASS" : ("FAIL: " + result.failure).c_str());
    }
  }
  report["passed"] = passed;
  if (args.Has("--json")) std::printf("%s\n", report.dump(2).c_str());
  if (std::fflush(stdout) != 0) {
    std::fputs("zar: cannot write to standard output\n", stderr);
    return ExitUsage;
  }
  return passed ? ExitOk : ExitFailed;
}

}  // namespace zar::cli
