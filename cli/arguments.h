#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zar::cli {

// A command's arguments: positional ones in order, options with a value
// (every value of an option given more than once), and switches. Error is set
// when the words do not fit the command.
struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::vector<std::string>> values;
  std::set<std::string> switches;
  std::string error;

  // The option's last value.
  std::optional<std::string> Value(const std::string& option) const {
    const auto it = values.find(option);
    if (it == values.end()) return std::nullopt;
    return it->second.back();
  }
  std::vector<std::string> All(const std::string& option) const {
    const auto it = values.find(option);
    return it == values.end() ? std::vector<std::string>{} : it->second;
  }
  bool Has(const std::string& option) const { return switches.count(option) != 0; }
};

// A positionalCount that takes any number of positional arguments.
inline constexpr std::size_t AnyPositionalCount = SIZE_MAX;

Arguments ParseArguments(const std::vector<std::string>& words, const std::set<std::string>& valueOptions,
                         const std::set<std::string>& switchOptions, std::size_t positionalCount);

// A number of seconds above 0 (and at most 10^9), as --seconds and
// --timeout take it; nothing for any other text.
std::optional<double> SecondsOf(const std::string& text);

// Exit codes of every command.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

// Writes "zar: message" to stderr and returns ExitUsage.
int UsageError(const std::string& message);

}  // namespace zar::cli
