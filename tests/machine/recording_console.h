#pragma once

#include <string>

#include "machine/machine_host.h"

namespace zar::test {

// Keeps what the machine printed and counts the hooks of each step.
class RecordingHost : public MachineHost {
 public:
  void ConsoleOut(Byte code) override { console += static_cast<char>(code); }
  void DrawMemory() override { calls += 'M'; }
  void RefreshScreen() override { calls += 'S'; }
  void CalcDrawHistory() override { calls += 'H'; }

  std::string console;
  std::string calls;  // the hooks in the order they ran
};

// Memory that holds the given cells from address 0 on, zeros behind.
inline Machine MachineWith(std::initializer_list<int> cells) {
  Machine m;
  int i = 0;
  for (const int value : cells) m.Memory[i++] = static_cast<Byte>(value);
  return m;
}

}  // namespace zar::test
