// The compiled engine's own plot and colour set against the interpreter
// stepping every step: memory, screen, the rows' marks and versions, steps
// and the history's sums.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "session/session.h"
#include "tests/support/engine_images.h"

namespace zar {

void ExpectSameSessions(const Session& a, const Session& b, const std::string& what);

namespace {

// Cells 20.. hold 1, 255, a plot (0 - 253), 7, a colour set, a clear, a read, 1.
const test::Cells Constants = {{20, 1}, {21, 255}, {22, 253}, {23, 7}, {24, 254}, {25, 255}, {26, 252}, {27, 1}};

// 0: plot; 3: SUB 248,20,30 (and 6: SUB 63,63,30); 30: SUB 60,20,36 jumps once cell 60 is down to 1,
// else 33: SUB 61,21,0 goes back; 36: SUB 4,4,0, compiled by then, zeros the B of the compiled step at 3.
const test::Cells ZeroingCode = {{0, 253}, {1, 22}, {2, 3},   {3, 248}, {4, 20},  {5, 30},  {6, 63},
                                 {7, 63},  {8, 30}, {30, 60}, {31, 20}, {32, 36}, {33, 61}, {34, 21},
                                 {35, 0},  {36, 4}, {37, 4},  {38, 0},  {60, 200}};

struct Case {
  const char* name;
  std::vector<std::array<int, 2>> code;  // SUB a,b from address 0 on, the last one back to loop
  int loop = 0;
  bool history = false, record = false;
  test::Cells more = {};  // written last
};

void Prepare(Session& s, const Case& c, Engine engine) {
  test::Cells cells = Constants;
  const int last = 3 * static_cast<int>(c.code.size()) - 3;
  for (int at = 0; at <= last; at += 3) {
    const auto [a, b] = c.code[static_cast<std::size_t>(at / 3)];
    cells.insert(cells.end(), {{at, a}, {at + 1, b}, {at + 2, at == last ? c.loop : at + 3}});
  }
  cells.insert(cells.end(), c.more.begin(), c.more.end());
  s.SetEngine(engine);
  s.SetCompilesEagerly(true);
  s.SetSkipsCycles(engine == Engine::Compiled);
  s.ReplaceMachine(test::ImageOf(cells));
  s.SetRecordsHistory(c.history);
  if (c.record) s.StartRecord();
  s.Run({300'000, false, false});
}

TEST(CompiledScreen, PlotsAndColourSetsAsTheInterpreter) {
  const Case cases[] = {
      {"rows never touched, x and y through 0 and 255", {{250, 23}, {248, 20}, {249, 21}, {253, 22}}},
      {"rows waiting for a clear's colour", {{253, 24}, {253, 25}, {250, 23}, {248, 20}, {249, 21}, {253, 22}}, 6},
      {"clears alone, served by a call", {{253, 25}, {253, 25}}},
      {"a clear before each plot, history", {{253, 24}, {253, 25}, {250, 23}, {249, 21}, {253, 22}}, 0, true},
      {"a read after each plot, history", {{248, 20}, {249, 21}, {253, 22}, {250, 23}, {253, 26}}, 0, true},
      {"each command in turn, record", {{248, 20}, {249, 21}, {250, 23}, {22, 27}, {253, 22}}, 0, false, true},
      {"history and record", {{250, 23}, {248, 20}, {249, 21}, {253, 22}}, 0, true, true},
      // The code takes cells 0 to 23: cell 0 holds 253.
      {"eight plots in one block, history", std::vector<std::array<int, 2>>(8, {253, 0}), 0, true},
      {"a compiled step on A = B zeros a cell of code", {}, 0, false, false, ZeroingCode},
  };
  for (const Case& c : cases) {
    OfflineNetworkPort port;
    Session compiled(port), interpreted(port);
    Prepare(compiled, c, Engine::Compiled);
    Prepare(interpreted, c, Engine::Interpreter);
    ExpectSameSessions(compiled, interpreted, c.name);
    EXPECT_GT(compiled.CompiledSteps(), 200'000u) << c.name;
    for (int y = 0; y < ScreenSize; ++y) {
      const ScreenBuffer &a = compiled.Screen().Buffer, &b = interpreted.Screen().Buffer;
      ASSERT_EQ(std::pair(a.RowVersion(y), a.RowWritten(y)), std::pair(b.RowVersion(y), b.RowWritten(y)))
          << c.name << ", row " << y;
    }
  }
}

}  // namespace
}  // namespace zar
