#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/zar_tool.h"

namespace {

using zar::test::Outcome;
using Json = nlohmann::json;

// The shipped exercises with their reference solutions: in one call each
// exercise passes its own solution and fails the next one's, and the call's
// report of each submission is the report of a call for it alone. Every
// exercise is in the course, which --validate accepts.
TEST(Exercises, SolutionsPassAndABatchEqualsOneCallEach) {
  std::vector<std::filesystem::path> exercises;
  for (const auto& entry : std::filesystem::directory_iterator(ZAR_EXERCISES_DIR)) {
    const std::string name = entry.path().filename().string();
    if (std::isdigit(static_cast<unsigned char>(name[0])) && name.ends_with(".json")) exercises.push_back(entry.path());
  }
  std::sort(exercises.begin(), exercises.end());
  ASSERT_GE(exercises.size(), 12u);
  zar::test::ZarTool zar;
  const Outcome course = zar.Run("check --validate '" ZAR_EXERCISES_DIR "/course.json'");
  EXPECT_EQ(course.exit, 0) << course.err;
  EXPECT_EQ(std::count(course.out.begin(), course.out.end(), '\n'), exercises.size() + 1) << course.out;
  for (std::size_t i = 0; i < exercises.size(); ++i) {
    const auto solution = [&](std::size_t k) {
      return " '" ZAR_SOLUTIONS_DIR "/" + exercises[k % exercises.size()].stem().string() + ".OIA'";
    };
    const std::string check = "check --json '" + exercises[i].string() + "'";
    const Outcome batch = zar.Run(check + solution(i) + solution(i + 1));
    EXPECT_EQ(batch.exit, 1) << exercises[i] << batch.err;
    const Json report = Json::parse(batch.out);
    ASSERT_EQ(report["submissions"].size(), 2u);
    EXPECT_TRUE(report["submissions"][0]["passed"].get<bool>()) << report.dump(2);
    EXPECT_FALSE(report["submissions"][1]["passed"].get<bool>()) << exercises[i];
    for (std::size_t k = 0; k < 2; ++k) {
      const Outcome alone = zar.Run(check + solution(i + k));
      EXPECT_EQ(alone.exit, static_cast<int>(k));
      EXPECT_EQ(Json::parse(alone.out)["submissions"][0], report["submissions"][k]) << exercises[i];
    }
  }
}

// Text without spaces and line ends, so that rows need not spell out the
// JSON's indentation.
std::string Squeezed(std::string text) {
  std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\r'; });
  return text;
}

// zar check on passing, failing and broken exercises and submissions, in each
// form of report.
TEST(Exercises, CheckSaysWhatFailedAndWhere) {
  zar::test::ZarTool zar;
  zar.Write("keys.OIA", ":w\nSUB,254,zero,w\nSUB,n,n,?\nSUB,n,254,?\nSUB,255,n,?\nSUB,254,254,w\nSET,zero\nSET,n");
  zar.Write("spin.OIA", "MOV,s,191\n:l\nSUB,255,s,?\nGTO,l\nSET,s");  // prints A for ever
  zar.Write("bad.OIA", "SUB,a,b\nFOO,1");
  zar.Write("list.txt", "keys.OIA\n\nkeys.OIA\r\n");
  zar.Write("q\"x.OIA", "SUB,a,b");
  zar.Write("black.ppm", "P6\n256 256\n255\n" + std::string(3 * 256 * 256, '\0'));
  zar.Write("small.ppm", "P6 2 2 255\n" + std::string(12, '\0'));
  zar.Write("course.json", R"({"title": "C", "exercises": [{"file": "e.json", "title": "E"},
    {"file": "nope.json", "title": "N"}]})");
  const std::string head = R"({"title": "Keys", "task": "Echo keys.", "cases": [)";
  const std::string two = R"({"name": "two", "steps": 5000, "inputs": ["0 text \"ab\""], "expect": {"console": "AB"}})";
  const std::string three = R"({"name": "three keys", "steps": 5000, "inputs": ["0 text \"abc\""],
        "expect": {"consolePrefix": "a", "cells": {"254": 0, "255": 0}, "fixedPoint": true, "console": "abc"}})";
  const std::string onlyA = R"({"name": "A", "steps": 500, "expect": {"consolePrefix": "A", "fixedPoint": true}}]})";
  const auto withCase = [&](const std::string& fields) { return head + R"({"name": "x", )" + fields + "}]}"; };
  const auto expect = [&](const std::string& json) { return withCase(R"("steps": 9, "expect": )" + json); };
  struct Check {
    std::string exercise;
    const char* words;
    int exit;
    std::string says;  // in stdout, or in stderr for exit 2, spaces and line ends aside
  };
  std::vector<Check> cases = {
      {head + two + "," + three + "]}", "e.json keys.OIA", 1,
       "case 1 \"two\": PASS\ncase 2 \"three keys\": FAIL: console \"ABC\" expected \"abc\"\n"},
      {head + R"({"name": "late", "steps": 1500, "inputs": ["0 key 65", "2000 key 66"],
        "expect": {"console": "AB"}}]})",
       "e.json keys.OIA", 1, "case 1 \"late\": FAIL: console \"A\" expected \"AB\"\n"},
      {head + two + "]}", "--from list.txt e.json", 0, "keys.OIA: 1 of 1 cases passed, 1 of 1 points\ncase 1"},
      {head + two + "]}", "--json e.json keys.OIA", 0,
       R"("path": "keys.OIA", "assembled": true, "passed": true, "casesPassed": 1, "points": 1,
        "pointsPossible": 1, "cases": [{"case": 1, "name": "two", "passed": true, "failure": "",
        "steps": 1006, "outOfSteps": false, "timedOut": false}]}], "passed": true})"},
      {head + two + "]}", "--json e.json bad.OIA", 3,
       R"("assembled": false, "passed": false, "casesPassed": 0, "points": 0, "pointsPossible": 1,
        "cases": [], "messages": [{"line": 1, "text": "Input Processing failed at: SUB,a,b"})"},
      {head + two + "]}", "--json e.json nope.OIA", 3, R"("cases": [], "error": "Cannot read file \"nope.OIA\")"},
      {head + two + "," + three + "]}", "e.json bad.OIA keys.OIA", 3, "bad.OIA: does not assemble"},
      {head + onlyA, "--json e.json spin.OIA", 1,
       R"("failure": "no fixed point within 500 steps", "steps": 500, "outOfSteps": true, "timedOut": false)"},
      {head + R"({"name": "A", "steps": 1000000000000000, "expect": {"consolePrefix": "A"}}]})",
       "--json --timeout 0.2 e.json spin.OIA", 1, R"("outOfSteps": false, "timedOut": true)"},
      {head + R"({"name": "two", "points": 2.5, "steps": 5000, "inputs": ["0 text \"ab\""],
        "expect": {"console": "AB"}},)" +
           three + "]}",
       "--csv e.json keys.OIA bad.OIA", 3,
       "path,assembled,cases_passed,cases,points,points_possible\r\nkeys.OIA,true,1,2,2.5,3.5\r\n"
       "bad.OIA,false,0,2,0,3.5\r\n"},
      {head + two + "]}", "--csv e.json 'q\"x.OIA'", 3, "\"q\"\"x.OIA\",false,0,1,0,1\r\n"},
      {head + R"({"name": "<2>", "points": 0.5, "steps": 9, "expect": {"fixedPoint": true}}]})",
       "--json e.json keys.OIA", 0, R"("points": 0.5, "pointsPossible": 0.5, "cases")"},
      {head + R"({"name": "<2>", "steps": 9, "expect": {"fixedPoint": true}}]})", "--junit - e.json keys.OIA", 0,
       R"(<testcase classname="keys.OIA" name="&lt;2&gt;"/>)"},
      {head + two + "]}", "--junit - e.json bad.OIA", 3,
       R"(<testsuite name="bad.OIA" tests="1" failures="0" errors="1")"},
      {expect(R"({"console": "\u00e4x"})"), "e.json keys.OIA", 1, "FAIL: console \"\" expected \"\xC3\xA4x\""},
      {head + R"({"name": "del", "steps": 5000, "inputs": ["0 key 127"], "expect": {"console": "A"}}]})",
       "e.json keys.OIA", 1, R"(FAIL: console "\x7f" expected "A")"},
      {head + R"({"name": "two", "points": 2, "steps": 5000, "expect": {"console": "AB"}}]})", "--json e.json keys.OIA",
       1, R"("timedOut": false, "points": 0}]}], "passed": false})"},
      {head + two + "," + three + "]}", "--junit - e.json keys.OIA", 1,
       R"(<testcase classname="keys.OIA" name="three keys"><failure message="console &quot;ABC&quot; expected)"},
      {head + R"({"name": "s", "steps": 9, "expect": {"screen": "black.ppm"}}]})", "e.json keys.OIA", 0, "PASS"},
      {head + R"({"name": "s", "steps": 9, "expect": {"screen": ")" ZAR_EXERCISES_DIR "/11_square_outline.png\"}}]}",
       "e.json keys.OIA", 1,
       "screen differs from " ZAR_EXERCISES_DIR "/11_square_outline.png in 40 pixels, first 10,10: "},
      {head + two + "]}", "--validate {}/course.json", 2,
       "course.json:/exercises/1/file: there is no exercise \"nope.json\" beside the course"},
      {head + two + "]}", "--json --csv e.json keys.OIA", 2, "zar: --json and --csv cannot be given together"},
  };
  // Exercises zar check refuses, and what it says after "e.json:".
  const std::pair<std::string, std::string> refused[] = {
      {expect(R"({"screen": "small.ppm"})"),
       R"(/cases/0/expect/screen: "small.ppm": the picture is 2 x 2, the screen)"},
      {expect(R"({"consol": "AB"})"), "/cases/0/expect/consol: unknown key; known here: console,"},
      {R"({"$schema": "s.json", "title": "T", "task": "t", "hint": [], "cases": []})", "/hint: unknown key"},
      {expect("{}"), "/cases/0/expect: expects nothing"},
      {expect(R"({"pixels": [{"x": 256, "y": 0, "color": "#ffffff"}]})"), "/cases/0/expect/pixels/0/x: expected 0 to"},
      {expect(R"({"cells": {"10": 4294967296}})"), "/cases/0/expect/cells/10: a cell value is"},
      {expect(R"({"cells": {"10": 256}})"), "/cases/0/expect/cells/10: a cell value is"},
      {expect(R"({"cells": {"300": 1}})"), "/cases/0/expect/cells/300: a cell address is 0 to 255"},
      {expect(R"({"console": "\u2713"})"), "/cases/0/expect/console: holds a character"},
      {withCase(R"("points": 0, "steps": 9, "expect": {})"), "/cases/0/points: expected a number above 0"},
      {withCase(R"("expect": {})"), "/cases/0/steps: missing, expected a number"},
      {withCase(R"("steps": 9, "inputs": ["1 key 65", "2 nap"], "expect": {})"),
       "/cases/0/inputs/1: unknown input 'nap'"},
      {withCase(R"("steps": 9, "unused": -1e309, "expect": {})"), "1:87: number overflow parsing '-1e309'"},
      {head + "\n" + R"({"name": "x", "steps": 1e400, "expect": {}}]})", "2:24: number overflow parsing '1e400'"},
      {head + two + ",\n  {]}", "2:4: syntax error"},
      {R"({"title": 5})", "/title: expected a string"},
      {R"({"title": "T", "task": "t", "starter": "nope.OIA", "cases": []})",
       R"(/starter: there is no file "nope.OIA")"},
      {R"({"title": "T", "task": "t", "starter": "../keys.OIA", "cases": []})",
       "/starter: expected the name of a source"}};
  for (const auto& [exercise, says] : refused) cases.push_back({exercise, "e.json keys.OIA", 2, "e.json:" + says});
  for (const auto& c : cases) {
    zar.Write("e.json", c.exercise);
    const Outcome outcome = zar.Run("check " + std::string(c.words));
    EXPECT_EQ(outcome.exit, c.exit) << c.exercise << outcome.err;
    std::string says = c.says;
    if (const auto at = says.find("{}"); at != std::string::npos) says.replace(at, 2, zar.folder.Path().string());
    const std::string& said = c.exit == 2 ? outcome.err : outcome.out;
    EXPECT_NE(Squeezed(said).find(Squeezed(says)), std::string::npos) << c.words << "\n" << said;
  }
}

}  // namespace
