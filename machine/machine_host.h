#pragma once

#include "machine/console_sink.h"

namespace zar {

// What a front end supplies to the machine step: the console text and the
// pictures that follow the machine. The step calls these in its fixed order;
// any of them may throw, which abandons only that stage.
class MachineHost : public ConsoleSink {
 public:
  // After the instruction and the console drain: redraw the memory view.
  virtual void DrawMemory() {}
  // After a screen command ran: show the pixel store again.
  virtual void RefreshScreen() {}
  // Last in every step: record and plot the memory sum while it is shown.
  virtual void CalcDrawHistory() {}
};

}  // namespace zar
