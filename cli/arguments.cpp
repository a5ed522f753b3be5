#include "cli/arguments.h"

#include <cstdio>

#include "machine/decimal_text.h"

namespace zar::cli {

Arguments ParseArguments(const std::vector<std::string>& words, const std::set<std::string>& valueOptions,
                         const std::set<std::string>& switchOptions, std::size_t positionalCount) {
  Arguments args;
  for (std::size_t i = 0; i < words.size() && args.error.empty(); ++i) {
    const std::string& word = words[i];
    if (valueOptions.count(word) != 0) {
      if (i + 1 >= words.size()) {
        args.error = "option " + word + " needs a value";
      } else {
        args.values[word].push_back(words[++i]);
      }
    } else if (switchOptions.count(word) != 0) {
      args.switches.insert(word);
    } else if (word.size() > 1 && word[0] == '-') {
      args.error = "unknown option " + word;
    } else {
      args.positional.push_back(word);
    }
  }
  if (args.error.empty() && positionalCount != AnyPositionalCount && args.positional.size() != positionalCount) {
    args.error = args.positional.size() < positionalCount ? "missing file name" : "too many file names";
  }
  return args;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "zar: %s\nTry 'zar --help' for more information.\n", message.c_str());
  return ExitUsage;
}

std::optional<double> SecondsOf(const std::string& text) {
  double seconds = 0;
  if (!ParseNumber(text, seconds) || !(seconds > 0) || seconds > 1e9) return std::nullopt;
  return seconds;
}

}  // namespace zar::cli
