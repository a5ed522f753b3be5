#pragma once

#include <QObject>

#include <string_view>

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
  void ClearTable() { state_.Table.Clear(); }
  // The scan alone, as loading a source runs it.
  StageReport Scan(std::string_view source);
  // Scans, places and generates. With a copying mode the machine stops and
  // memory is cleared; a successful generation then goes into memory with
  // IP 0, and CopyAndStart starts the machine.
  Assembly Assemble(std::string_view source, GenerateOptions options);

 private:
  MachineController& machine_;
  AssemblerState state_;
};

}  // namespace zar
