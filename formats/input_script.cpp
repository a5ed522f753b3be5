#include "formats/input_script.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "machine/decimal_text.h"

namespace zar {

namespace {

bool ParseByte(std::string_view text, Byte& value) {
  unsigned number = 0;
  if (!ParseNumber(text, number) || number > 255) return false;
  value = static_cast<Byte>(number);
  return true;
}

// One word of a script line, or a quoted text with its escapes read.
struct Word {
  std::string text;
  bool quoted = false;
};

// Splits a line into words; a '#' outside quotes ends it.
bool SplitLine(std::string_view line, std::vector<Word>& words, std::string& error) {
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '#') break;
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    Word word;
    if (c != '"') {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])) && line[i] != '#') {
        word.text += line[i++];
      }
      words.push_back(std::move(word));
      continue;
    }
    word.quoted = true;
    for (++i;; ++i) {
      if (i >= line.size()) {
        error = "the text has no closing quote";
        return false;
      }
      if (line[i] == '"') break;
      if (line[i] != '\\') {
        word.text += line[i];
        continue;
      }
      if (++i >= line.size()) continue;  // reported as an open quote
      const char escaped = line[i];
      if (escaped != '"' && escaped != '\\' && escaped != 'n') {
        error = std::string("unknown escape \\") + escaped + " (use \\\", \\\\ or \\n)";
        return false;
      }
      word.text += escaped == 'n' ? '\n' : escaped;
    }
    ++i;
    words.push_back(std::move(word));
  }
  return true;
}

bool ParseLine(const std::vector<Word>& words, std::uint64_t keyGap, int line, std::vector<TimedInput>& inputs,
               std::string& error) {
  TimedInput input;
  input.line = line;
  if (words[0].quoted || !ParseNumber(words[0].text, input.step)) {
    error = "'" + words[0].text + "' is no step number";
    return false;
  }
  if (words.size() < 2 || words[1].quoted) {
    error = "a step needs an input: key, text, cell, connect, net or close";
    return false;
  }
  const std::string& kind = words[1].text;
  const std::size_t values = words.size() - 2;
  auto want = [&](std::size_t count, const char* form) {
    if (values == count) return true;
    error = std::string("expected ") + form;
    return false;
  };
  if (kind == "key") {
    if (!want(1, "STEP key CODE")) return false;
    if (words[2].quoted || !ParseByte(words[2].text, input.value)) {
      error = "a key code is a number from 0 to 255, not '" + words[2].text + "'";
      return false;
    }
  } else if (kind == "text") {
    if (!want(1, "STEP text \"...\"")) return false;
    if (!words[2].quoted) {
      error = "the text goes in double quotes";
      return false;
    }
    return KeysOf(words[2].text, input.step, keyGap, inputs, error);
  } else if (kind == "cell") {
    if (!want(2, "STEP cell N VALUE")) return false;
    Byte cell = 0;
    if (words[2].quoted || words[3].quoted || !ParseByte(words[2].text, cell) ||
        !ParseByte(words[3].text, input.value)) {
      error = "a cell and its value are numbers from 0 to 255";
      return false;
    }
    input.kind = TimedInput::Kind::Cell;
    input.cell = cell;
  } else if (kind == "connect" || kind == "close") {
    if (!want(0, kind == "connect" ? "STEP connect" : "STEP close")) return false;
    input.kind = kind == "connect" ? TimedInput::Kind::Connect : TimedInput::Kind::Close;
  } else if (kind == "net") {
    input.kind = TimedInput::Kind::Net;
    if (values == 1 && words[2].quoted) {
      input.bytes = words[2].text;
    } else {
      for (std::size_t i = 2; i < words.size(); ++i) {
        Byte value = 0;
        if (words[i].quoted || !ParseByte(words[i].text, value)) {
          error = "a chunk is decimal bytes from 0 to 255 or one \"text\", not '" + words[i].text + "'";
          return false;
        }
        input.bytes += static_cast<char>(value);
      }
    }
    if (input.bytes.empty()) {
      error = "a chunk holds at least one byte";
      return false;
    }
  } else {
    error = "unknown input '" + kind + "' (key, text, cell, connect, net or close)";
    return false;
  }
  inputs.push_back(std::move(input));
  return true;
}

}  // namespace

std::optional<Byte> KeyCodeOf(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<Byte>(c - 'a' + 'A');
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') return static_cast<Byte>(c);
  if (c == '\n') return Byte{13};
  return std::nullopt;
}

bool KeysOf(std::string_view text, std::uint64_t step, std::uint64_t gap, std::vector<TimedInput>& inputs,
            std::string& error) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      c = '\n';
      ++i;
    }
    const std::optional<Byte> code = KeyCodeOf(c);
    if (!code) {
      const bool printable = static_cast<unsigned char>(c) > 32 && static_cast<unsigned char>(c) < 127;
      error = (printable ? "'" + std::string(1, c) + "'" : "byte " + std::to_string(static_cast<unsigned char>(c))) +
              " is no key that can be typed: use key CODE in an input file";
      return false;
    }
    TimedInput input;
    input.step = step;
    input.value = *code;
    inputs.push_back(input);
    step += gap;
  }
  return true;
}

bool ParseInputScript(std::string_view script, std::uint64_t keyGap, std::vector<TimedInput>& inputs,
                      std::string& error) {
  int number = 0;
  while (!script.empty()) {
    const std::size_t end = std::min(script.find('\n'), script.size());
    std::string_view line = script.substr(0, end);
    script.remove_prefix(std::min(end + 1, script.size()));
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<Word> words;
    std::string why;
    if (!SplitLine(line, words, why) || (!words.empty() && !ParseLine(words, keyGap, number, inputs, why))) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
  }
  std::stable_sort(inputs.begin(), inputs.end(),
                   [](const TimedInput& a, const TimedInput& b) { return a.step < b.step; });
  return true;
}

}  // namespace zar
