#pragma once

#include <QObject>

#include <string_view>
#include <vector>

#include "assembler/assemble.h"
#include "assembler/stage_report.h"

namespace zar {

class MachineController;

// The desktop's one owner of the assembler's table and code image, which
// outlive the workbench. A generate command that copies hands the code to the
// machine controller.
class AssemblerController : public QObject {
  Q_OBJECT

 public:
  explicit AssemblerController(MachineController& machine, QObject* parent = nullptr);

  MachineController& Machine() { return machine_; }
  const CmdTable& Table() const { return state_.Table; }
  const CodeImage& Image() const { return state_.Image; }

  // A fresh workbench starts with an empty table.
  void ClearTable();
  // The scan alone, as loading a source runs it. A loaded source is another
  // program: the machine's breakpoints and watches go.
  StageReport Scan(std::string_view source);
  // Scans, places and generates. With a copying mode the machine stops and
  // memory is cleared; a successful generation then goes into memory with
  // IP 0, and CopyAndStart starts the machine. The line breakpoints then
  // follow their lines to where the new table put them.
  Assembly Assemble(std::string_view source, GenerateOptions options);

  // Breakpoints on source lines (from 1). Each one is a machine breakpoint
  // at the instruction its line starts (InstructionAtLine) in the table of
  // the last Assemble; before the first they wait for it. Setting the lines
  // replaces the machine breakpoints the lines set before; the others stay.
  void SetLineBreakpoints(std::vector<int> lines);

 signals:
  // The machine's breakpoints were all cleared, and the lines with them.
  void LineBreakpointsCleared();

 private:
  void PlaceLineBreakpoints();

  MachineController& machine_;
  AssemblerState state_;
  bool placed_ = false;         // the table is the last Assemble's
  std::vector<int> lines_;      // the lines with breakpoints
  std::vector<Byte> placedAt_;  // the machine breakpoints they set
};

}  // namespace zar
