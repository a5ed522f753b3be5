#include "exercise/exercise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string_view>

#include "exercise/json_text.h"
#include "formats/screen_picture.h"
#include "formats/text_file.h"
#include "machine/cp1252.h"

namespace zar {

namespace {

using Json = nlohmann::json;

// Where the files an exercise names are found, and whether they are read.
struct Sources {
  const std::filesystem::path& folder;
  ExerciseFiles files;
};

// The largest exercise file, and screen picture, read.
constexpr std::size_t MaxExerciseBytes = 4 * 1024 * 1024;

// Whether every character of the UTF-8 text is one of code page 1252, which
// is all the console can print and the network device send.
bool FitsCodePage(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t ch = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (int k = 1; k < length && i + k < text.size(); ++k) ch = (ch << 6) | (text[i + k] & 0x3F);
    if (!UnicodeToCp1252(ch)) return false;
    i += static_cast<std::size_t>(length);
  }
  return true;
}

std::optional<ColorValue> ParseColor(const std::string& text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  unsigned value = 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10);
  }
  return RGB(static_cast<int>(value >> 16), static_cast<int>((value >> 8) & 255), static_cast<int>(value & 255));
}

// Text the console or the network can carry: code page 1252 only.
std::optional<std::string> MachineText(FieldReader& reader, const Json& object, const std::string& pointer,
                                       const char* key) {
  auto text = reader.Text(object, pointer, key, false);
  if (text && !FitsCodePage(*text)) {
    reader.Fail(JsonPointer(pointer, key), "holds a character that code page 1252 does not have");
    return std::nullopt;
  }
  return text;
}

// {"N": VALUE, ...} with cells and values 0..255.
void ReadCells(FieldReader& reader, const Json& object, const std::string& pointer, std::map<int, Byte>& cells) {
  const Json* value = reader.Member(object, pointer, "cells", false, &Json::is_object, "an object of cells");
  if (!value) return;
  const std::string at = JsonPointer(pointer, "cells");
  for (const auto& [key, cell] : value->items()) {
    int address = -1;
    if (key.empty() || key.size() > 3 || !std::all_of(key.begin(), key.end(), ::isdigit) ||
        (address = std::stoi(key)) > 255) {
      reader.Fail(JsonPointer(at, key), "a cell address is 0 to 255");
      return;
    }
    if (!cell.is_number_unsigned() || cell.get<std::uint64_t>() > 255) {
      reader.Fail(JsonPointer(at, key), "a cell value is 0 to 255");
      return;
    }
    cells[address] = static_cast<Byte>(cell.get<std::uint64_t>());
  }
}

void ReadPixels(FieldReader& reader, const Json& pixels, const std::string& at, ExerciseCase& c) {
  for (std::size_t i = 0; i < pixels.size() && !reader.Failed(); ++i) {
    const Json& pixel = pixels[i];
    const std::string p = at + "/" + std::to_string(i);
    if (!pixel.is_object()) {
      reader.Fail(p, "expected {\"x\": X, \"y\": Y, \"color\": \"#rrggbb\"}");
      return;
    }
    if (!reader.OnlyKnown(pixel, p, {"x", "y", "color"})) return;
    const auto x = reader.Number(pixel, p, "x", true, ScreenSize - 1, "0 to 255");
    const auto y = reader.Number(pixel, p, "y", true, ScreenSize - 1, "0 to 255");
    const auto color = reader.Text(pixel, p, "color", true);
    if (reader.Failed()) return;
    const auto value = ParseColor(*color);
    if (!value) {
      reader.Fail(p + "/color", "expected a colour \"#rrggbb\"");
      return;
    }
    c.pixels.push_back({static_cast<int>(*x), static_cast<int>(*y), *value});
  }
}

void ReadScreen(FieldReader& reader, const std::string& name, const std::string& at, const Sources& from,
                ExerciseCase& c) {
  c.screenName = name;
  if (from.files == ExerciseFiles::Named) return;
  std::string bytes, why;
  if (const FileResult read = ReadWholeFile(from.folder / name, MaxExerciseBytes, bytes, WaitForPipes::No);
      read.Failed()) {
    reader.Fail(at, "cannot read the picture: " + read.Why());
  } else if (!ReadScreenPicture(bytes, c.screen, why)) {
    reader.Fail(at, "\"" + name + "\": " + why);
  }
}

void ReadExpect(FieldReader& reader, const Json& expect, const std::string& at, const Sources& from, ExerciseCase& c) {
  if (!reader.OnlyKnown(expect, at, {"console", "consolePrefix", "cells", "pixels", "screen", "sent", "fixedPoint"})) {
    return;
  }
  c.console = MachineText(reader, expect, at, "console");
  c.consolePrefix = MachineText(reader, expect, at, "consolePrefix");
  c.sent = MachineText(reader, expect, at, "sent");
  ReadCells(reader, expect, at, c.expectCells);
  if (const Json* fixed = reader.Member(expect, at, "fixedPoint", false, &Json::is_boolean, "true or false")) {
    c.fixedPoint = fixed->get<bool>();
  }
  if (const Json* pixels = reader.Member(expect, at, "pixels", false, &Json::is_array, "an array of pixels")) {
    ReadPixels(reader, *pixels, at + "/pixels", c);
  }
  if (const auto screen = reader.Text(expect, at, "screen", false); screen && !reader.Failed()) {
    ReadScreen(reader, *screen, at + "/screen", from, c);
  }
  if (reader.Failed()) return;
  if (c.console && c.consolePrefix && !c.console->starts_with(*c.consolePrefix)) {
    reader.Fail(at + "/consolePrefix", "the console expected does not begin with it");
  } else if (!c.console && !c.consolePrefix && !c.sent && c.expectCells.empty() && c.pixels.empty() &&
             c.screenName.empty() && !c.fixedPoint) {
    reader.Fail(at, "expects nothing: give console, consolePrefix, cells, pixels, screen, sent or fixedPoint");
  }
}

void ReadInputs(FieldReader& reader, const Json& inputs, const std::string& at, ExerciseCase& c) {
  std::string script;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    if (!inputs[i].is_string()) {
      reader.Fail(at + "/" + std::to_string(i), "expected an input line such as \"100 key 65\"");
      return;
    }
    c.inputLines.push_back(inputs[i].get<std::string>());
    script += c.inputLines.back() + "\n";
  }
  std::string error;
  if (!ParseInputScript(script, DefaultKeyGap, c.inputs, error)) {
    // "line N: why" names the Nth input.
    const std::size_t colon = error.find(':');
    const int line = std::atoi(error.c_str() + 5);
    reader.Fail(at + "/" + std::to_string(line - 1), error.substr(colon + 2));
  }
}

void ReadCase(FieldReader& reader, const Json& json, const std::string& at, const Sources& from, ExerciseCase& c) {
  if (!json.is_object()) {
    reader.Fail(at, "expected a case object");
    return;
  }
  if (!reader.OnlyKnown(json, at, {"name", "steps", "points", "cells", "inputs", "expect"})) return;
  if (const auto name = reader.Text(json, at, "name", true)) c.name = *name;
  if (const auto steps = reader.Number(json, at, "steps", true, UINT64_MAX, "a number of steps")) c.steps = *steps;
  if (const Json* points = reader.Member(json, at, "points", false, &Json::is_number, "a number of points")) {
    c.points = points->get<double>();
    if (!(c.points > 0) || !std::isfinite(c.points)) reader.Fail(at + "/points", "expected a number above 0");
  }
  ReadCells(reader, json, at, c.cells);
  if (const Json* inputs = reader.Member(json, at, "inputs", false, &Json::is_array, "an array of input lines")) {
    ReadInputs(reader, *inputs, at + "/inputs", c);
  }
  if (const Json* expect = reader.Member(json, at, "expect", true, &Json::is_object, "an object")) {
    if (!reader.Failed()) ReadExpect(reader, *expect, at + "/expect", from, c);
  }
}

void ReadStarter(FieldReader& reader, const Json& json, const Sources& from, Exercise& exercise) {
  const auto starter = reader.Text(json, "", "starter", false);
  if (!starter) return;
  const std::filesystem::path name(*starter);
  std::error_code error;
  if (starter->empty() || name.is_absolute() || std::find(name.begin(), name.end(), "..") != name.end()) {
    reader.Fail("/starter", "expected the name of a source file beside the exercise");
  } else if (from.files == ExerciseFiles::Read && !std::filesystem::is_regular_file(from.folder / name, error)) {
    reader.Fail("/starter", "there is no file \"" + *starter + "\" beside the exercise");
  }
  exercise.starter = from.folder / name;
}

void ReadHints(FieldReader& reader, const Json& json, Exercise& exercise) {
  const Json* hints = reader.Member(json, "", "hints", false, &Json::is_array, "an array of Markdown strings");
  for (std::size_t i = 0; hints && i < hints->size(); ++i) {
    if (!(*hints)[i].is_string()) {
      reader.Fail("/hints/" + std::to_string(i), "expected a string (Markdown)");
      return;
    }
    exercise.hints.push_back((*hints)[i].get<std::string>());
  }
}

void ReadTop(FieldReader& reader, const Json& json, const Sources& from, Exercise& exercise) {
  if (!json.is_object()) {
    reader.Fail("", "expected an exercise object");
    return;
  }
  if (!reader.OnlyKnown(json, "", {"$schema", "title", "task", "cases", "starter", "hints"})) return;
  if (const auto title = reader.Text(json, "", "title", true)) exercise.title = *title;
  if (const auto task = reader.Text(json, "", "task", true)) exercise.task = *task;
  ReadStarter(reader, json, from, exercise);
  ReadHints(reader, json, exercise);
  const Json* cases = reader.Member(json, "", "cases", true, &Json::is_array, "an array of cases");
  if (cases && cases->empty()) reader.Fail("/cases", "an exercise has at least one case");
  for (std::size_t i = 0; cases && i < cases->size() && !reader.Failed(); ++i) {
    exercise.cases.emplace_back();
    ReadCase(reader, (*cases)[i], "/cases/" + std::to_string(i), from, exercise.cases.back());
    exercise.givesPoints = exercise.givesPoints || (*cases)[i].contains("points");
  }
}

}  // namespace

double Exercise::PointsPossible() const {
  double total = 0;
  for (const ExerciseCase& c : cases) total += c.points;
  return total;
}

bool ReadExercise(const std::string& text, const std::filesystem::path& folder, Exercise& exercise, std::string& error,
                  ExerciseFiles files) {
  exercise = {};
  const std::optional<nlohmann::json> json = ParseJson(text, error);
  if (!json) return false;
  FieldReader reader;
  try {
    ReadTop(reader, *json, {folder, files}, exercise);
  } catch (const nlohmann::json::exception& e) {
    reader.Fail("", e.what());
  }
  error = reader.Error();
  return !reader.Failed();
}

std::vector<std::string> MissingScreens(const Exercise& exercise) {
  std::vector<std::string> names;
  for (const ExerciseCase& c : exercise.cases) {
    if (c.screen.empty() && !c.screenName.empty() &&
        std::find(names.begin(), names.end(), c.screenName) == names.end()) {
      names.push_back(c.screenName);
    }
  }
  return names;
}

bool SupplyScreen(Exercise& exercise, const std::string& name, const std::vector<ColorValue>& pixels) {
  if (pixels.size() != static_cast<std::size_t>(ScreenSize) * ScreenSize) return false;
  bool wanted = false;
  for (ExerciseCase& c : exercise.cases) {
    if (!c.screen.empty() || c.screenName != name) continue;
    c.screen = pixels;
    wanted = true;
  }
  return wanted;
}

bool LoadExercise(const std::filesystem::path& path, Exercise& exercise, std::string& error, WaitForPipes wait) {
  std::string text;
  if (const FileResult read = ReadWholeFile(path, MaxExerciseBytes, text, wait); read.Failed()) {
    error = read.Why();
    return false;
  }
  if (ReadExercise(text, path.parent_path(), exercise, error)) return true;
  error = path.string() + ":" + error;
  return false;
}

}  // namespace zar
