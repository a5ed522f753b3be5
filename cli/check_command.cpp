#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/check_report.h"
#include "cli/check_submission.h"
#include "cli/commands.h"
#include "cli/output_file.h"
#include "exercise/course.h"
#include "exercise/exercise.h"
#include "formats/text_file.h"

namespace zar::cli {

namespace {

// A submission that did not assemble or could not be read.
constexpr int ExitNotRun = 3;

// The longest list of submissions --from reads.
constexpr std::size_t MaxListBytes = 256 * 1024 * 1024;

using Clock = std::chrono::steady_clock;

struct CheckOptions {
  bool json = false;
  bool csv = false;
  std::optional<std::string> junit;
  std::optional<std::chrono::duration<double>> timeout;
};

bool Print(const std::string& text) { return std::fwrite(text.data(), 1, text.size(), stdout) == text.size(); }

// The paths after the exercise, then those of the --from files, one a line.
bool SubmissionPaths(const Arguments& args, std::vector<std::string>& paths) {
  paths.assign(args.positional.begin() + 1, args.positional.end());
  for (const std::string& list : args.All("--from")) {
    std::string text;
    if (!ReportFile(ReadWholeFile(list == "-" ? "/dev/stdin" : list, MaxListBytes, text))) return false;
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = std::min(text.find('\n', start), text.size());
      const std::size_t next = end + 1;
      if (end > start && text[end - 1] == '\r') --end;
      if (end > start) paths.push_back(text.substr(start, end - start));
      start = next;
    }
  }
  return true;
}

// --validate: each file an exercise, or a course whose exercises are read too.
int Validate(const std::vector<std::string>& files) {
  int exit = ExitOk;
  for (const std::string& file : files) {
    std::vector<std::filesystem::path> exercises{file};
    Course course;
    std::string error;
    if (file.ends_with("course.json")) {
      if (!LoadCourse(file, course, error)) {
        std::fprintf(stderr, "zar: %s\n", error.c_str());
        exit = ExitUsage;
        continue;
      }
      std::printf("%s: course of %zu exercises\n", file.c_str(), course.entries.size());
      exercises.clear();
      for (const CourseEntry& entry : course.entries) exercises.push_back(entry.file);
    }
    for (const std::filesystem::path& path : exercises) {
      Exercise exercise;
      if (!LoadExercise(path, exercise, error)) {
        std::fprintf(stderr, "zar: %s\n", error.c_str());
        exit = ExitUsage;
        continue;
      }
      const std::size_t cases = exercise.cases.size();
      std::printf("%s: %zu case%s, %g points\n", path.c_str(), cases, cases == 1 ? "" : "s", exercise.PointsPossible());
    }
  }
  return exit;
}

bool ReadOptions(const Arguments& args, CheckOptions& options) {
  options.json = args.Has("--json");
  options.csv = args.Has("--csv");
  options.junit = args.Value("--junit");
  if (options.json && options.csv) {
    UsageError("--json and --csv cannot be given together");
    return false;
  }
  if (const auto timeout = args.Value("--timeout")) {
    const std::optional<double> seconds = SecondsOf(*timeout);
    if (!seconds) {
      UsageError("--timeout needs a number of seconds above 0, not '" + *timeout + "'");
      return false;
    }
    options.timeout = std::chrono::duration<double>(*seconds);
  }
  return true;
}

void Grade(const Exercise& exercise, const CheckOptions& options, Submission& submission) {
  MemoryCells image{};
  LoadSubmission(submission, image);
  if (submission.outcome != Submission::Outcome::Graded) return;
  const Clock::time_point start = Clock::now();
  std::optional<Deadline> deadline;
  if (options.timeout) deadline = start + std::chrono::duration_cast<Clock::duration>(*options.timeout);
  submission.grade = GradeProgram(exercise, image, deadline);
  submission.seconds = std::chrono::duration<double>(Clock::now() - start).count();
}

// Checks every submission, reporting as it goes in the text and CSV forms.
int CheckAll(const Exercise& exercise, const std::vector<std::string>& paths, const CheckOptions& options) {
  std::vector<Submission> submissions;
  submissions.reserve(paths.size());
  bool printed = !options.csv || Print(CsvHeader());
  int exit = ExitOk;
  for (const std::string& path : paths) {
    Submission& submission = submissions.emplace_back();
    submission.path = path;
    Grade(exercise, options, submission);
    if (submission.outcome != Submission::Outcome::Graded) {
      exit = ExitNotRun;
    } else if (!submission.grade.AllPassed() && exit == ExitOk) {
      exit = ExitFailed;
    }
    if (options.csv) printed = printed && Print(CsvRow(exercise, submission));
    if (options.json || options.csv) continue;
    std::string errors;
    printed = printed && Print(TextReport(exercise, submission, paths.size() > 1, errors));
    std::fflush(stdout);
    std::fputs(errors.c_str(), stderr);
  }
  if (options.json) printed = printed && Print(JsonReport(exercise, submissions));
  if (options.junit && !WriteOutput(*options.junit, JunitReport(exercise, submissions))) return ExitUsage;
  if (!printed || std::fflush(stdout) != 0) {
    std::fputs("zar: cannot write to standard output\n", stderr);
    return ExitUsage;
  }
  return exit;
}

}  // namespace

int CheckCommand(const std::vector<std::string>& words) {
  const Arguments args = ParseArguments(words, {"--from", "--junit", "--timeout"}, {"--json", "--csv", "--validate"},
                                        AnyPositionalCount);
  if (!args.error.empty()) return UsageError(args.error);
  if (args.positional.empty()) return UsageError("missing file name");
  if (args.Has("--validate")) return Validate(args.positional);
  CheckOptions options;
  if (!ReadOptions(args, options)) return ExitUsage;
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
  std::vector<std::string> paths;
  if (!SubmissionPaths(args, paths)) return ExitUsage;
  if (paths.empty()) return UsageError("missing file name: give a PROGRAM or --from FILE");
  return CheckAll(exercise, paths, options);
}

}  // namespace zar::cli
