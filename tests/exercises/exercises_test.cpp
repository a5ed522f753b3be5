#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/zar_tool.h"

namespace {

using zar::test::Outcome;

// Every exercise with its reference solution passes; the next exercise's
// solution fails it.
TEST(Exercises, EverySolutionPassesAndAnotherFails) {
  std::vector<std::filesystem::path> exercises;
  for (const auto& entry : std::filesystem::directory_iterator(ZAR_EXERCISES_DIR)) {
    if (entry.path().extension() == ".json") exercises.push_back(entry.path());
  }
  std::sort(exercises.begin(), exercises.end());
  ASSERT_GE(exercises.size(), 12u);
  zar::test::ZarTool zar;
  for (std::size_t i = 0; i < exercises.size(); ++i) {
    const auto solution = [&](std::size_t k) {
      return " '" ZAR_SOLUTIONS_DIR "/" + exercises[k % exercises.size()].stem().string() + ".OIA'";
    };
    const std::string exercise = "check '" + exercises[i].string() + "'";
    const Outcome passed = zar.Run(exercise + solution(i));
    EXPECT_EQ(passed.exit, 0) << passed.out << passed.err;
    EXPECT_EQ(passed.out.find("FAIL"), std::string::npos) << passed.out;
    EXPECT_EQ(zar.Run(exercise + solution(i + 1)).exit, 1) << exercises[i];
  }
}

// zar check on passing, failing and broken exercises.
TEST(Exercises, CheckSaysWhatFailedAndWhere) {
  zar::test::ZarTool zar;
  zar.Write("keys.OIA", ":w\nSUB,254,zero,w\nSUB,n,n,?\nSUB,n,254,?\nSUB,255,n,?\nSUB,254,254,w\nSET,zero\nSET,n");
  const std::string head = R"({"title": "Keys", "task": "Echo keys.", "cases": [)";
  const std::string two = R"({"name": "two", "steps": 5000, "inputs": ["0 text \"ab\""], "expect": {"console": "AB"}})";
  const struct {
    std::string exercise;
    const char* words;
    int exit;
    std::string says;  // the start of stdout, or of stderr for exit 2
  } cases[] = {
      {head + two + "]}", "", 0, "case 1 \"two\": PASS\n"},
      {head + two + R"(, {"name": "three keys", "steps": 5000, "inputs": ["0 text \"abc\""],
        "expect": {"consolePrefix": "AB", "cells": {"254": 0}, "fixedPoint": true, "console": "abc"}}]})",
       "", 1, "case 1 \"two\": PASS\ncase 2 \"three keys\": FAIL: console \"ABC\" expected \"abc\"\n"},
      {head + R"({"name": "late", "steps": 1500, "inputs": ["0 key 65", "2000 key 66"],
        "expect": {"console": "AB"}}]})",
       "", 1, "case 1 \"late\": FAIL: console \"A\" expected \"AB\"\n"},
      {head + two + "]}", "--json", 0, "{\n  \"cases\": [\n    {\n      \"case\": 1,"},
      {head + two + ",\n  {]}", "", 2, "zar: {}/e.json:2:4: syntax error"},
      {head + R"({"name": "x", "expect": {}}]})", "", 2, "zar: {}/e.json:/cases/0/steps: missing, expected a number"},
      {head + R"({"name": "x", "steps": 9, "inputs": ["1 key 65", "2 nap"], "expect": {}}]})", "", 2,
       "zar: {}/e.json:/cases/0/inputs/1: unknown input 'nap'"},
      {head + R"({"name": "x", "steps": 9, "expect": {"cells": {"300": 1}}}]})", "", 2,
       "zar: {}/e.json:/cases/0/expect/cells/300: a cell address is 0 to 255"},
      {R"({"title": 5})", "", 2, "zar: {}/e.json:/title: expected a string"},
      // Numbers beyond a double, wherever they are; wholes beyond 32 bits.
      {"[1,\n 1e400]", "", 2, "zar: {}/e.json:2:2: number overflow parsing '1e400'\n"},
      {head + R"({"name": "x", "steps": 9, "unused": -1e309, "expect": {}}]})", "", 2, "zar: {}/e.json:1:87: number"},
      {head + R"({"name": "x", "steps": 9, "cells": {"7": 4294967296}, "expect": {}}]})", "", 2,
       "zar: {}/e.json:/cases/0/cells/7: a cell value is 0 to 255"},
      {head + R"({"name": "x", "steps": 9, "expect": {"pixels": [{"x": 256, "y": 0, "color": "#000000"}]}}]})", "", 2,
       "zar: {}/e.json:/cases/0/expect/pixels/0/x: expected 0 to 255"},
      {head + R"({"name": "x", "steps": 9, "expect": {"pixels": [{"x": 0, "y": 4294967296, "color": "#000000"}]}}]})",
       "", 2, "zar: {}/e.json:/cases/0/expect/pixels/0/y: expected 0 to 255"},
      // Idle at the wait from the start; still echoing after three steps.
      {head + R"({"name": "idle", "steps": 50, "expect": {"fixedPoint": true}},
        {"name": "busy", "steps": 3, "inputs": ["0 key 65"], "expect": {"fixedPoint": true}}]})",
       "", 1, "case 1 \"idle\": PASS\ncase 2 \"busy\": FAIL: no fixed point within 3 steps\n"},
  };
  for (const auto& c : cases) {
    zar.Write("e.json", c.exercise);
    const Outcome outcome = zar.Run("check {}/e.json {}/keys.OIA " + std::string(c.words));
    EXPECT_EQ(outcome.exit, c.exit) << c.exercise << outcome.err;
    std::string says = c.says;
    if (const auto at = says.find("{}"); at != std::string::npos) says.replace(at, 2, zar.folder.Path().string());
    const std::string& said = c.exit == 2 ? outcome.err : outcome.out;
    EXPECT_EQ(said.substr(0, says.size()), says) << c.exercise;
  }
}

}  // namespace
