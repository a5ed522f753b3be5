#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zar {

// One message of a stage, with the source line it came from (counted from
// 1; 0 when it belongs to no line) and, in a sentence, why.
struct StageMessage {
  std::string text;
  int line = 0;
  std::string reason;

  bool operator==(const StageMessage&) const = default;
};

// What one assembler stage has to say: its messages in the order they arose
// (one message box each on the desktop), its warnings (what it passed over
// without a message: never a box), and the text it leaves in its window (the
// internal table, or the listing), none when it ended before showing it.
struct StageReport {
  std::vector<StageMessage> messages;
  std::vector<StageMessage> warnings;
  std::optional<std::string> shown;
};

}  // namespace zar
