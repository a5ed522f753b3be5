#include <algorithm>
#include <cstdio>

#include "exercise/exercise.h"
#include "machine/cp1252.h"
#include "session/scripted_input.h"
#include "session/session.h"

namespace zar {

namespace {

// Between two looks at the clock a run takes at most these steps: a few
// milliseconds at the interpreter's speed.
constexpr std::uint64_t StepsBetweenDeadlines = 1 << 20;

std::string ColorText(ColorValue c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", RedOf(c), GreenOf(c), BlueOf(c));
  return text;
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

std::string PixelText(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

// How the screen differs from the picture expected, empty when it does not.
std::string ScreenDifference(const ExerciseCase& c, const ScreenBuffer& screen) {
  std::size_t differ = 0;
  int firstX = 0, firstY = 0;
  for (int y = 0; y < ScreenSize; ++y) {
    const ColorValue* row = screen.Row(y);
    const ColorValue* expected = c.screen.data() + y * ScreenSize;
    if (std::equal(row, row + ScreenSize, expected)) continue;
    for (int x = 0; x < ScreenSize; ++x) {
      if (row[x] == expected[x]) continue;
      if (differ++ == 0) firstX = x, firstY = y;
    }
  }
  if (differ == 0) return {};
  return "screen differs from " + c.screenName + " in " + std::to_string(differ) + " pixel" + (differ == 1 ? "" : "s") +
         ", first " + PixelText(firstX, firstY) + ": " + ColorText(screen(firstX, firstY)) + " expected " +
         ColorText(c.screen[firstY * ScreenSize + firstX]);
}

// The first expectation the ended run does not meet, empty when it meets all.
std::string Difference(const ExerciseCase& c, const Session& session, const ScriptedPeer& peer) {
  // An exercise read with its files named only gets its pictures afterwards.
  if (c.screen.empty() && !c.screenName.empty()) return "the picture " + c.screenName + " expected was not given";
  const std::string console = Cp1252ToUtf8(session.Console().Visible());
  const MemoryCells& memory = session.State().Memory;
  const ScreenBuffer& screen = session.Screen().Buffer;
  if (c.console && console != *c.console) return "console " + Quoted(console) + " expected " + Quoted(*c.console);
  if (c.consolePrefix && !console.starts_with(*c.consolePrefix)) {
    return "console " + Quoted(console) + " does not begin with " + Quoted(*c.consolePrefix);
  }
  for (const auto& [cell, value] : c.expectCells) {
    if (memory[cell] != value) {
      return "cell " + std::to_string(cell) + " is " + std::to_string(memory[cell]) + ", expected " +
             std::to_string(value);
    }
  }
  for (const ExpectedPixel& pixel : c.pixels) {
    const ColorValue color = screen(pixel.x, pixel.y);
    if (color != pixel.color) {
      return "pixel " + PixelText(pixel.x, pixel.y) + " is " + ColorText(color) + ", expected " +
             ColorText(pixel.color);
    }
  }
  if (!c.screen.empty()) {
    if (std::string differs = ScreenDifference(c, screen); !differs.empty()) return differs;
  }
  if (c.sent && Cp1252ToUtf8(peer.Received()) != *c.sent) {
    return "sent " + Quoted(Cp1252ToUtf8(peer.Received())) + " expected " + Quoted(*c.sent);
  }
  return {};
}

}  // namespace

CaseResult CheckCase(const ExerciseCase& c, const MemoryCells& image, std::optional<Deadline> deadline) {
  ScriptedPeer peer;
  Session session(peer);
  Machine start;
  start.Memory = image;
  session.ReplaceMachine(start);
  for (const auto& [cell, value] : c.cells) session.WriteCell(cell, value);
  InputDriver driver(session, c.inputs, &peer);
  CaseResult result;
  bool fixedPoint = false;
  while (driver.Clock() < c.steps) {
    if (deadline && std::chrono::steady_clock::now() >= *deadline) {
      result.timedOut = true;
      break;
    }
    const std::uint64_t left = c.steps - driver.Clock();
    const std::uint64_t slice = deadline ? std::min(left, StepsBetweenDeadlines) : left;
    const RunStop stop = driver.Drive({slice, false, true}, c.steps);
    if (stop.reason != RunStop::Reason::FixedPoint) continue;
    fixedPoint = true;
    break;
  }
  result.steps = driver.Clock();
  result.outOfSteps = !fixedPoint && !result.timedOut;
  if (result.timedOut) {
    result.failure = "timed out at step " + std::to_string(result.steps);
    return result;
  }
  result.failure = Difference(c, session, peer);
  if (result.failure.empty() && c.fixedPoint && !fixedPoint) {
    result.failure = "no fixed point within " + std::to_string(c.steps) + " steps";
  }
  result.passed = result.failure.empty();
  return result;
}

Grade GradeProgram(const Exercise& exercise, const MemoryCells& image, std::optional<Deadline> deadline) {
  Grade grade;
  for (const ExerciseCase& c : exercise.cases) {
    grade.cases.push_back(CheckCase(c, image, deadline));
    if (!grade.cases.back().passed) continue;
    ++grade.passed;
    grade.points += c.points;
  }
  return grade;
}

}  // namespace zar
