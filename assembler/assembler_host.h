#pragma once

#include <string_view>

namespace zar {

// What the assembler stages report to a front end: the messages a person
// must see (one message box each on the desktop), the texts of the Internal
// Table and output windows, and the run control of the machine.
class AssemblerHost {
 public:
  virtual ~AssemblerHost() = default;
  virtual void Message(std::string_view text) = 0;
  virtual void ShowTableText(std::string_view text) = 0;
  virtual void ShowListingText(std::string_view text) = 0;

  // Used when generated code goes into the machine: stop the run timer
  // before memory is cleared, redraw once the program is in memory with IP 0,
  // and start the run timer for a generate-and-start.
  virtual void StopMachine() {}
  virtual void MachineLoaded() {}
  virtual void StartMachine() {}
};

}  // namespace zar
