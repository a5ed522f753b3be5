#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "assembler/assemble.h"
#include "machine/machine.h"

namespace zar {
class Session;
}

namespace zar::web {

class PageCore;

// The page's assembler beside its machine, as the desktop's workbench has
// it: the table and the code image that outlive the editor, and the
// breakpoints set on source lines. What a command says comes back as one
// JSON text: {"generated", "table" (null when no stage showed it),
// "listing", "messages" and "warnings" ([{"text", "line", "reason"}])}, its
// texts in UTF-8.
class PageAssembler {
 public:
  // Scans, places and generates. A copying mode stops nothing itself (the
  // worker does) and puts the code, or zeros after a failure, into the
  // machine with IP 0. The line breakpoints then follow their lines.
  std::string Generate(std::string_view source, GenerateOptions options, bool sourceInListing, PageCore& page);
  // The scan alone, as opening a source runs it: another program, whose
  // machine breakpoints and watches go.
  std::string Scan(std::string_view source, PageCore& page);
  // Breakpoints on source lines (from 1): each one a machine breakpoint at
  // the instruction its line starts in the last Generate's table; before the
  // first Generate they wait. They replace the ones the lines set before.
  void SetLineBreakpoints(std::vector<int> lines, Session& session);
  // The machine's breakpoints were cleared, and with them the lines'.
  void ForgetLines();

 private:
  void PlaceLineBreakpoints(Session& session);

  AssemblerState state_;
  bool placed_ = false;
  std::vector<int> lines_;
  std::vector<Byte> placedAt_;
};

}  // namespace zar::web
