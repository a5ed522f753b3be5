#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "devices/screen_device.h"
#include "formats/file_result.h"
#include "machine/machine.h"
#include "formats/input_script.h"

namespace zar {

// A pixel a case expects on the screen.
struct ExpectedPixel {
  int x = 0;
  int y = 0;
  ColorValue color = 0;
};

// One case of an exercise: what the machine starts with besides the
// program, the timed inputs (a scripted peer on the network), the step
// budget, and what must hold once the run has ended.
struct ExerciseCase {
  std::string name;
  std::uint64_t steps = 0;
  double points = 1;          // what passing the case is worth, above 0
  std::map<int, Byte> cells;  // written over the program before the run
  std::vector<TimedInput> inputs;
  std::vector<std::string> inputLines;  // as written, for the desktop's machine
  std::optional<std::string> console;   // the whole console text (UTF-8)
  std::optional<std::string> consolePrefix;
  std::map<int, Byte> expectCells;
  std::vector<ExpectedPixel> pixels;
  std::vector<ColorValue> screen;   // the whole screen expected, row by row; empty when none is
  std::string screenName;           // the picture it came from
  std::optional<std::string> sent;  // every byte sent to the peer
  bool fixedPoint = false;          // the run must end at a fixed point
};

struct Exercise {
  std::string title;
  std::string task;  // Markdown
  std::vector<ExerciseCase> cases;
  std::filesystem::path starter;   // a source to begin with, beside the exercise; empty when there is none
  std::vector<std::string> hints;  // Markdown, in the order to show them
  bool givesPoints = false;        // some case names its points

  double PointsPossible() const;
};

// Whether reading an exercise reads the files it names (a starter, the
// pictures of expected screens) or only keeps their names, for a host
// without files (a page): a case's screen then stays empty under its
// screenName until SupplyScreen gives it, and the starter is not looked for.
enum class ExerciseFiles { Read, Named };

// Reads an exercise from its JSON text; files it names (screens, the
// starter) are looked for in the folder. Every key is checked: one the format
// does not know (but "$schema"), a wrong type, a case that expects nothing
// and an expectation no run can meet are refused. On failure error says
// where: "LINE:COLUMN: ..." for a syntax error or a number out of range, the
// JSON pointer of the field otherwise ("/cases/0/expect/consol: unknown
// key ...").
bool ReadExercise(const std::string& text, const std::filesystem::path& folder, Exercise& exercise, std::string& error,
                  ExerciseFiles files = ExerciseFiles::Read);
// The pictures the cases expect whose pixels are not there yet, each once.
std::vector<std::string> MissingScreens(const Exercise& exercise);
// Gives the pixels of the picture `name` (ScreenSize * ScreenSize, row y = 0
// first) to every case that expects it and has none. False, changing
// nothing, when no case waits for it or the count is not a screen's.
bool SupplyScreen(Exercise& exercise, const std::string& name, const std::vector<ColorValue>& pixels);
// The same for a file; the error then begins with its name. Without waiting
// a FIFO is read as far as it holds bytes, as File > Load reads one.
bool LoadExercise(const std::filesystem::path& path, Exercise& exercise, std::string& error,
                  WaitForPipes wait = WaitForPipes::Yes);

// How one case went: the first difference found, empty when it passed.
struct CaseResult {
  bool passed = false;
  std::string failure;
  std::uint64_t steps = 0;  // on the clock of the case's timed inputs
  bool outOfSteps = false;  // the run ended at its step budget, not at a fixed point
  bool timedOut = false;    // the run was cut off by the deadline
};

using Deadline = std::chrono::steady_clock::time_point;

// Runs the case on the image headless, with a scripted peer, on a machine of
// its own. With a deadline, a run still going then is cut off and fails.
CaseResult CheckCase(const ExerciseCase& c, const MemoryCells& image, std::optional<Deadline> deadline = std::nullopt);

// Every case of the exercise on one program, with what the passed cases are
// worth.
struct Grade {
  std::vector<CaseResult> cases;
  std::size_t passed = 0;  // cases passed
  double points = 0;       // their points

  bool AllPassed() const { return passed == cases.size(); }
};

// Runs every case in order; once the deadline has passed, the cases left
// fail as timed out without a step.
Grade GradeProgram(const Exercise& exercise, const MemoryCells& image, std::optional<Deadline> deadline = std::nullopt);

}  // namespace zar
