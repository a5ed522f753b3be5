#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "devices/screen_device.h"
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
  std::map<int, Byte> cells;  // written over the program before the run
  std::vector<TimedInput> inputs;
  std::vector<std::string> inputLines;  // as written, for the desktop's machine
  std::optional<std::string> console;   // the whole console text (UTF-8)
  std::optional<std::string> consolePrefix;
  std::map<int, Byte> expectCells;
  std::vector<ExpectedPixel> pixels;
  std::optional<std::string> screen;  // the picture zar run --screen would write, byte for byte
  std::string screenName;             // the file it came from
  std::optional<std::string> sent;    // every byte sent to the peer
  bool fixedPoint = false;            // the run must end at a fixed point
};

struct Exercise {
  std::string title;
  std::string task;  // Markdown
  std::vector<ExerciseCase> cases;
};

// Reads an exercise from its JSON text; files it names (screens) are read
// from the folder. On failure error says where: "LINE:COLUMN: ..." for a
// syntax error, the JSON pointer of a missing or wrong field otherwise.
bool ReadExercise(const std::string& text, const std::filesystem::path& folder, Exercise& exercise, std::string& error);
// The same for a file; the error then begins with its name.
bool LoadExercise(const std::filesystem::path& path, Exercise& exercise, std::string& error);

// How one case went: the first difference found, empty when it passed.
struct CaseResult {
  bool passed = false;
  std::string failure;
  std::uint64_t steps = 0;
};

// Runs the case on the image headless, with a scripted peer.
CaseResult CheckCase(const ExerciseCase& c, const MemoryCells& image);

}  // namespace zar
