#pragma once

namespace zar {

// How the console shows what the program prints, in the desktop and the page
// alike.

// The picture a character is shown as: the control characters (below 32 but
// the tab, and 127) as their pictures from U+2400, every other as itself.
constexpr char32_t ConsolePicture(char32_t c) {
  constexpr char32_t FirstPicture = 0x2400;  // the picture of code 0; code 127 has 0x2421
  if (c < 32 && c != '\t') return FirstPicture + c;
  return c == 127 ? FirstPicture + 0x21 : c;
}

// What a character does to the lines: a carriage return or a line feed ends
// a line, but a line feed right after a carriage return is the second half
// of one line break.
enum class ConsoleBreak { None, EndsLine, EndsPair };
constexpr ConsoleBreak ConsoleBreakOf(char32_t c, bool afterCarriageReturn) {
  if (c == '\r' || (c == '\n' && !afterCarriageReturn)) return ConsoleBreak::EndsLine;
  return c == '\n' ? ConsoleBreak::EndsPair : ConsoleBreak::None;
}

}  // namespace zar
