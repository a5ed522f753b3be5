#include <gtest/gtest.h>

#include "formats/input_script.h"

namespace {

using zar::TimedInput;

// Every line form, read or refused with its line number.
TEST(InputScript, ReadsEveryFormAndNamesTheBadLine) {
  const struct {
    const char* script;
    std::string result;  // "step kind value|bytes ..." or the error
  } cases[] = {
      {"# typed\n10 key 65\n\n5 text \"a1 \\n\"  # keys\r\n7 cell 200 9\n", "5K65 7C9 10K65 105K49 205K32 305K13"},
      {"1 connect\n2 net 65 66\n3 net \"x\\\"y\"\n4 close", "1c 2n2 3n3 4x"},
      {"1 key 65\nx key 3", "line 2: 'x' is no step number"},
      {"1 key 256", "line 1: a key code is a number from 0 to 255, not '256'"},
      {"1 text abc", "line 1: the text goes in double quotes"},
      {"\n1 text \"a!\"", "line 2: '!' is no key that can be typed: use key CODE in an input file"},
      {"1 text \"ab", "line 1: the text has no closing quote"},
      {"1 text \"\\t\"", "line 1: unknown escape \\t (use \\\", \\\\ or \\n)"},
      {"1 cell 5", "line 1: expected STEP cell N VALUE"},
      {"1 net", "line 1: a chunk holds at least one byte"},
      {"1 net 1 \"a\"", "line 1: a chunk is decimal bytes from 0 to 255 or one \"text\", not 'a'"},
      {"1 close now", "line 1: expected STEP close"},
      {"1 push 3", "line 1: unknown input 'push' (key, text, cell, connect, net or close)"},
      {"7", "line 1: a step needs an input: key, text, cell, connect, net or close"},
  };
  for (const auto& c : cases) {
    std::vector<TimedInput> inputs;
    std::string error;
    std::string result;
    if (zar::ParseInputScript(c.script, 100, inputs, error)) {
      for (const TimedInput& input : inputs) {
        result += (result.empty() ? "" : " ") + std::to_string(input.step) + "KCcnx"[static_cast<int>(input.kind)];
        if (input.kind == TimedInput::Kind::Net) result += std::to_string(input.bytes.size());
        if (input.kind <= TimedInput::Kind::Cell) result += std::to_string(input.value);
      }
    } else {
      result = error;
    }
    EXPECT_EQ(result, c.result) << c.script;
  }
}

}  // namespace
