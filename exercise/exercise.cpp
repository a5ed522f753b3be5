#include "exercise/exercise.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "formats/input_script.h"
#include "formats/screen_image.h"
#include "formats/text_file.h"
#include "machine/cp1252.h"
#include "session/scripted_input.h"
#include "session/session.h"

namespace zar {

namespace {

using Json = nlohmann::json;

// The largest exercise file, and screen picture, read.
constexpr std::size_t MaxExerciseBytes = 4 * 1024 * 1024;

// Reads the fields of the JSON document; the first problem is kept with the
// pointer of the field it concerns.
class FieldReader {
 public:
  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }

  bool Fail(const std::string& pointer, const std::string& why) {
    if (error_.empty()) error_ = (pointer.empty() ? "/" : pointer) + ": " + why;
    return false;
  }

  // A member that must be there, of the type the test checks.
  const Json* Member(const Json& object, const std::string& pointer, const char* key, bool required,
                     bool (Json::*is)() const noexcept, const char* what) {
    const auto it = object.find(key);
    const std::string at = pointer + "/" + key;
    if (it == object.end()) {
      if (required) Fail(at, std::string("missing, expected ") + what);
      return nullptr;
    }
    if (!((*it).*is)()) {
      Fail(at, std::string("expected ") + what);
      return nullptr;
    }
    return &*it;
  }

  std::optional<std::string> Text(const Json& object, const std::string& pointer, const char* key, bool required) {
    const Json* value = Member(object, pointer, key, required, &Json::is_string, "a string");
    if (!value) return std::nullopt;
    return value->get<std::string>();
  }

  // {"N": VALUE, ...} with cells and values 0..255.
  void Cells(const Json& object, const std::string& pointer, std::map<int, Byte>& cells) {
    const Json* value = Member(object, pointer, "cells", false, &Json::is_object, "an object of cells");
    if (!value) return;
    for (const auto& [key, cell] : value->items()) {
      const std::string at = pointer + "/cells/" + key;
      int address = -1;
      if (key.empty() || key.size() > 3 || !std::all_of(key.begin(), key.end(), ::isdigit) ||
          (address = std::stoi(key)) > 255) {
        Fail(at, "a cell address is 0 to 255");
        return;
      }
      if (!cell.is_number_unsigned() || cell.get<unsigned>() > 255) {
        Fail(at, "a cell value is 0 to 255");
        return;
      }
      cells[address] = static_cast<Byte>(cell.get<unsigned>());
    }
  }

 private:
  std::string error_;
};

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

std::string ColorText(ColorValue c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", RedOf(c), (c >> 8) & 255, (c >> 16) & 255);
  return text;
}

void ReadExpect(FieldReader& reader, const Json& expect, const std::string& at, const std::filesystem::path& folder,
                ExerciseCase& c) {
  c.console = reader.Text(expect, at, "console", false);
  c.consolePrefix = reader.Text(expect, at, "consolePrefix", false);
  c.sent = reader.Text(expect, at, "sent", false);
  reader.Cells(expect, at, c.expectCells);
  if (const Json* fixed = reader.Member(expect, at, "fixedPoint", false, &Json::is_boolean, "true or false")) {
    c.fixedPoint = fixed->get<bool>();
  }
  if (const Json* pixels = reader.Member(expect, at, "pixels", false, &Json::is_array, "an array of pixels")) {
    for (std::size_t i = 0; i < pixels->size(); ++i) {
      const Json& pixel = (*pixels)[i];
      const std::string p = at + "/pixels/" + std::to_string(i);
      if (!pixel.is_object()) {
        reader.Fail(p, "expected {\"x\": X, \"y\": Y, \"color\": \"#rrggbb\"}");
        return;
      }
      ExpectedPixel expected;
      for (const char* axis : {"x", "y"}) {
        const Json* v = reader.Member(pixel, p, axis, true, &Json::is_number_unsigned, "0 to 255");
        if (v && v->get<unsigned>() > 255) reader.Fail(p + "/" + axis, "expected 0 to 255");
        if (v) (axis[0] == 'x' ? expected.x : expected.y) = static_cast<int>(v->get<unsigned>());
      }
      const auto color = reader.Text(pixel, p, "color", true);
      if (reader.Failed()) return;
      const auto value = ParseColor(*color);
      if (!value) {
        reader.Fail(p + "/color", "expected a colour \"#rrggbb\"");
        return;
      }
      expected.color = *value;
      c.pixels.push_back(expected);
    }
  }
  if (const auto screen = reader.Text(expect, at, "screen", false)) {
    std::string bytes;
    if (ReadWholeFile(folder / *screen, MaxExerciseBytes, bytes, WaitForPipes::No).Failed()) {
      reader.Fail(at + "/screen", "cannot read the picture \"" + *screen + "\"");
      return;
    }
    c.screen = bytes;
    c.screenName = *screen;
  }
}

void ReadCase(FieldReader& reader, const Json& json, const std::string& at, const std::filesystem::path& folder,
              ExerciseCase& c) {
  if (!json.is_object()) {
    reader.Fail(at, "expected a case object");
    return;
  }
  if (const auto name = reader.Text(json, at, "name", true)) c.name = *name;
  if (const Json* steps = reader.Member(json, at, "steps", true, &Json::is_number_unsigned, "a number of steps")) {
    c.steps = steps->get<std::uint64_t>();
  }
  reader.Cells(json, at, c.cells);
  if (const Json* inputs = reader.Member(json, at, "inputs", false, &Json::is_array, "an array of input lines")) {
    std::string script;
    for (std::size_t i = 0; i < inputs->size(); ++i) {
      if (!(*inputs)[i].is_string()) {
        reader.Fail(at + "/inputs/" + std::to_string(i), "expected an input line such as \"100 key 65\"");
        return;
      }
      c.inputLines.push_back((*inputs)[i].get<std::string>());
      script += c.inputLines.back() + "\n";
    }
    std::string error;
    if (!ParseInputScript(script, DefaultKeyGap, c.inputs, error)) {
      // "line N: why" names the Nth input.
      const std::size_t colon = error.find(':');
      const int line = std::atoi(error.c_str() + 5);
      reader.Fail(at + "/inputs/" + std::to_string(line - 1), error.substr(colon + 2));
      return;
    }
  }
  if (const Json* expect = reader.Member(json, at, "expect", true, &Json::is_object, "an object")) {
    ReadExpect(reader, *expect, at + "/expect", folder, c);
  }
}

// "LINE:COLUMN" of a byte offset, both counted from 1.
std::string Position(const std::string& text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n');
  const std::size_t start = offset == 0 ? std::string::npos : text.rfind('\n', offset - 1);
  const std::size_t column = start == std::string::npos ? offset + 1 : offset - start;
  return std::to_string(line) + ":" + std::to_string(column);
}

// The text in double quotes, with what does not print escaped.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += std::string("\\") + c;
    } else if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\r') {
      quoted += "\\r";
    } else if (b < 32 || b == 127) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", b);
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

}  // namespace

bool ReadExercise(const std::string& text, const std::filesystem::path& folder, Exercise& exercise,
                  std::string& error) {
  Json json;
  try {
    json = Json::parse(text);
  } catch (const Json::parse_error& e) {
    const std::string what = e.what();
    const std::size_t reason = what.find("syntax error");
    error = Position(text, e.byte == 0 ? 0 : e.byte - 1) + ": " +
            (reason == std::string::npos ? what : what.substr(reason));
    return false;
  }
  FieldReader reader;
  exercise = {};
  if (!json.is_object()) {
    reader.Fail("", "expected an exercise object");
  } else {
    if (const auto title = reader.Text(json, "", "title", true)) exercise.title = *title;
    if (const auto task = reader.Text(json, "", "task", true)) exercise.task = *task;
    const Json* cases = reader.Member(json, "", "cases", true, &Json::is_array, "an array of cases");
    if (cases && cases->empty()) reader.Fail("/cases", "an exercise has at least one case");
    for (std::size_t i = 0; cases && i < cases->size() && !reader.Failed(); ++i) {
      exercise.cases.emplace_back();
      ReadCase(reader, (*cases)[i], "/cases/" + std::to_string(i), folder, exercise.cases.back());
    }
  }
  error = reader.Error();
  return !reader.Failed();
}

bool LoadExercise(const std::filesystem::path& path, Exercise& exercise, std::string& error) {
  std::string text;
  if (const FileResult read = ReadWholeFile(path, MaxExerciseBytes, text, WaitForPipes::Yes); read.Failed()) {
    error = read.Why();
    return false;
  }
  if (ReadExercise(text, path.parent_path(), exercise, error)) return true;
  error = path.string() + ":" + error;
  return false;
}

CaseResult CheckCase(const ExerciseCase& c, const MemoryCells& image) {
  ScriptedPeer peer;
  Session session(peer);
  session.ReplaceMachine({image});
  for (const auto& [cell, value] : c.cells) session.WriteCell(cell, value);
  InputDriver driver(session, c.inputs, &peer);
  bool fixedPoint = false;
  while (driver.Clock() < c.steps) {
    const RunStop stop = driver.Drive({c.steps - driver.Clock(), false, true}, c.steps);
    if (stop.reason != RunStop::Reason::FixedPoint) continue;
    fixedPoint = true;
    break;
  }
  CaseResult result;
  result.steps = driver.Clock();
  const std::string console = Cp1252ToUtf8(session.Console().Visible());
  const MemoryCells& memory = session.State().Memory;
  const ScreenBuffer& screen = session.Screen().Buffer;
  auto fail = [&](const std::string& why) {
    result.failure = why;
    return result;
  };
  if (c.console && console != *c.console) return fail("console " + Quoted(console) + " expected " + Quoted(*c.console));
  if (c.consolePrefix && !console.starts_with(*c.consolePrefix)) {
    return fail("console " + Quoted(console) + " does not begin with " + Quoted(*c.consolePrefix));
  }
  for (const auto& [cell, value] : c.expectCells) {
    if (memory[cell] != value) {
      return fail("cell " + std::to_string(cell) + " is " + std::to_string(memory[cell]) + ", expected " +
                  std::to_string(value));
    }
  }
  for (const ExpectedPixel& pixel : c.pixels) {
    const ColorValue color = screen(pixel.x, pixel.y);
    if (color != pixel.color) {
      return fail("pixel " + std::to_string(pixel.x) + "," + std::to_string(pixel.y) + " is " + ColorText(color) +
                  ", expected " + ColorText(pixel.color));
    }
  }
  if (c.screen) {
    if (ScreenPicture(screen, c.screenName) != *c.screen) return fail("screen differs from " + c.screenName);
  }
  if (c.sent && Cp1252ToUtf8(peer.Received()) != *c.sent) {
    return fail("sent " + Quoted(Cp1252ToUtf8(peer.Received())) + " expected " + Quoted(*c.sent));
  }
  if (c.fixedPoint && !fixedPoint) return fail("no fixed point within " + std::to_string(c.steps) + " steps");
  result.passed = true;
  return result;
}

}  // namespace zar
