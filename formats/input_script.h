#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "machine/machine.h"

namespace zar {

// Inputs that come at given steps, as a person at the keyboard or a peer on
// the network would give them. An input at step S is written once S steps
// have run, before the next one.
struct TimedInput {
  enum class Kind { Key, Cell, Connect, Net, Close };
  std::uint64_t step = 0;
  Kind kind = Kind::Key;
  int cell = KeyCell;  // Key and Cell: the cell written
  Byte value = 0;      // and its value
  std::string bytes;   // Net: the arriving chunk
  int line = 0;        // where the input was written, for messages
};

inline constexpr std::uint64_t DefaultKeyGap = 1'000;

// The code the desktop's key field gives the character, Shift ignored:
// letters of either case give the upper-case code, digits their own, space
// 32 and a line feed 13. Nothing for any other character.
std::optional<Byte> KeyCodeOf(char c);

// Keys typed from the step on, one every gap steps. In the text "\n" stands
// for a line feed as well. Error says which character cannot be typed.
bool KeysOf(std::string_view text, std::uint64_t step, std::uint64_t gap, std::vector<TimedInput>& inputs,
            std::string& error);

// Reads the lines of an input script:
//   STEP key CODE           STEP text "..."       STEP cell N VALUE
//   STEP connect            STEP net BYTES        STEP close
// where BYTES are decimal bytes or one "text"; '#' starts a comment. The
// inputs come back in the order of their steps. Error names the first line
// that is none of these ("line 3: ...").
bool ParseInputScript(std::string_view script, std::uint64_t keyGap, std::vector<TimedInput>& inputs,
                      std::string& error);

}  // namespace zar
