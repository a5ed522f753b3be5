// The page's C interface to the exercise library: an exercise read from its
// JSON text (the pictures it expects handed in as pixels, the page having no
// files), a program checked against its cases as zar check checks it, and a
// case's starting machine loaded into the page's machine. Texts come back in
// the PageCore's Text(), JSON where they describe something.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "assembler/assemble.h"
#include "exercise/exercise.h"
#include "exercise/grade_json.h"
#include "formats/program_file.h"
#include "formats/source_file.h"
#include "machine/cp1252.h"
#include "web/core/page_core.h"

using zar::web::PageCore;

namespace {

using Json = nlohmann::ordered_json;
using zar::PointsJson;

// A check in the worker holds the page's machine: a teacher's exercise with
// huge step budgets is cut off after this long, its cases failing as
// timed out, as zar check --timeout cuts them off.
constexpr std::chrono::seconds CheckTimeout{10};

// The exercise a page works on, and the program last checked against it
// (whose failed cases can be loaded into the machine).
struct PageExercise {
  zar::Exercise exercise;
  zar::MemoryCells image{};
  bool checked = false;
};

// The JSON text, with any byte that is not UTF-8 replaced.
std::string Dump(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

Json DescribeExercise(const zar::Exercise& exercise) {
  Json cases = Json::array();
  for (const zar::ExerciseCase& c : exercise.cases) {
    const bool screen = !c.pixels.empty() || !c.screenName.empty();
    cases.push_back({{"name", c.name}, {"points", PointsJson(c.points)}, {"steps", c.steps}, {"screen", screen}});
  }
  Json missing = Json::array();
  for (const std::string& name : zar::MissingScreens(exercise)) missing.push_back(name);
  return {{"title", exercise.title},
          {"task", exercise.task},
          {"hints", exercise.hints},
          {"starter", exercise.starter.generic_string()},
          {"givesPoints", exercise.givesPoints},
          {"pointsPossible", PointsJson(exercise.PointsPossible())},
          {"cases", cases},
          {"missingScreens", missing}};
}

// The program as zar check reads a submission: an assembler source by its
// name, or because none of its lines holds a cell value; a program file
// otherwise. The assembler's messages go into report when it does not
// assemble.
bool ProgramOf(std::string_view bytes, std::string_view name, zar::MemoryCells& image, Json& report) {
  image = {};
  if (!zar::LooksLikeSource(std::string(name), zar::ReadProgramText(bytes, image))) return true;
  zar::AssemblerState state;
  const zar::Assembly assembly = zar::Assemble(zar::SourceLines(bytes), state, {zar::GenerateMode::Copy, false});
  if (!assembly.generated) {
    report["messages"] = Json::array();
    for (const zar::StageMessage& m : assembly.messages) {
      report["messages"].push_back({{"line", m.line}, {"text", zar::Cp1252ToUtf8(m.text)}});
    }
    return false;
  }
  image = {};
  std::copy_n(state.Image.begin(), image.size(), image.begin());
  return true;
}

}  // namespace

extern "C" {

// Reads an exercise; Text() then holds its description as JSON, or why it is
// not a valid exercise. Null on failure.
EMSCRIPTEN_KEEPALIVE PageExercise* zar_exercise_read(PageCore* core, const char* text, int size) {
  auto exercise = std::make_unique<PageExercise>();
  std::string error;
  if (!zar::ReadExercise(std::string(text, static_cast<std::size_t>(size)), "", exercise->exercise, error,
                         zar::ExerciseFiles::Named)) {
    core->Text() = error;
    return nullptr;
  }
  core->Text() = Dump(DescribeExercise(exercise->exercise));
  return exercise.release();
}

EMSCRIPTEN_KEEPALIVE void zar_exercise_free(PageExercise* exercise) { delete exercise; }

// The picture `name` as 256 x 256 RGB bytes, row 0 first; 0 when no case
// waits for it or the size is wrong.
EMSCRIPTEN_KEEPALIVE int zar_exercise_screen(PageExercise* exercise, const char* name, const std::uint8_t* rgb,
                                             int size) {
  constexpr int Pixels = zar::ScreenSize * zar::ScreenSize;
  if (size != Pixels * 3) return 0;
  std::vector<zar::ColorValue> pixels(Pixels);
  for (int i = 0; i < Pixels; ++i) pixels[i] = zar::RGB(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  return zar::SupplyScreen(exercise->exercise, name, pixels) ? 1 : 0;
}

// Checks the program (a source or a program file, by its name and bytes)
// against every case; Text() holds the grade as JSON. 0 when a picture the
// cases expect is still missing (Text() names it).
EMSCRIPTEN_KEEPALIVE int zar_exercise_check(PageCore* core, PageExercise* exercise, const char* bytes, int size,
                                            const char* name) {
  if (const auto missing = zar::MissingScreens(exercise->exercise); !missing.empty()) {
    core->Text() = "the picture \"" + missing.front() + "\" the exercise expects could not be read";
    return 0;
  }
  Json report;
  exercise->checked = ProgramOf({bytes, static_cast<std::size_t>(size)}, name, exercise->image, report);
  zar::Grade grade;
  if (exercise->checked) {
    grade = zar::GradeProgram(exercise->exercise, exercise->image, std::chrono::steady_clock::now() + CheckTimeout);
  }
  Json json = zar::SubmissionGradeJson(exercise->exercise, grade, exercise->checked);
  if (report.contains("messages")) json["messages"] = report["messages"];
  core->Text() = Dump(json);
  return 1;
}

// The program last checked with the case's cells, stopped at IP 0 with the
// case's timed inputs to come, a clear console and a black screen: the
// machine the case started from. 0 when nothing was checked.
EMSCRIPTEN_KEEPALIVE int zar_exercise_load_case(PageCore* core, PageExercise* exercise, int index) {
  if (!exercise->checked || index < 0 || static_cast<std::size_t>(index) >= exercise->exercise.cases.size()) return 0;
  const zar::ExerciseCase& c = exercise->exercise.cases[static_cast<std::size_t>(index)];
  zar::MemoryCells image = exercise->image;
  for (const auto& [cell, value] : c.cells) image[cell] = value;
  zar::Session& session = core->TheSession();
  session.Console().Clear();
  session.Screen().Buffer.FillAll(0);
  session.Screen().ScreenColor = 0;
  core->Load(zar::ProgramFileText(image), "case.oisc");
  std::string script;
  for (const std::string& line : c.inputLines) script += line + "\n";
  return core->SetInputs(script, false) ? 1 : 0;
}

}  // extern "C"
