#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zar {

// What one assembler stage has to say: its messages in the order they arose
// (one message box each on the desktop), and the text it leaves in its window
// (the internal table, or the listing), none when it ended before showing it.
struct StageReport {
  std::vector<std::string> messages;
  std::optional<std::string> shown;
};

}  // namespace zar
