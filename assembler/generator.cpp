#include "assembler/generator.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "assembler/number_text.h"
#include "assembler/statements.h"
#include "assembler/stage.h"

namespace zar {

namespace {

constexpr NumberValue Unresolved = -1;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Lookups over the whole table in which the last matching row wins, built
// once so that generation stays linear in the number of rows. A name given
// a second time is worth a warning.
class SymbolIndex {
 public:
  explicit SymbolIndex(const CmdTable& table) {
    for (int i = 0; i < table.CmdCount(); ++i) {
      const TableRow& row = table[i];
      Define(labels_, row.Label, row, "label");
      if (IsStatement(row.Cmd, Statement::SET)) Define(variables_, row.Arg1, row, "variable");
      if (IsStatement(row.Cmd, Statement::VAL)) IndexConstant(row, i);
    }
  }

  const std::vector<StageMessage>& Redefinitions() const { return redefinitions_; }

  NumberValue Variable(const std::string& name) const { return Find(variables_, name); }
  NumberValue Label(const std::string& name) const { return Find(labels_, name); }
  // The first VAL row whose operand is not a number, if any.
  const TableRow* BadConstant() const { return badConstantRow_; }

  // The cell of the VAL row holding 256 - v, or 0 when v is 0; any VAL row
  // whose operand is not a number leaves every constant unresolved.
  NumberValue Constant(NumberValue v) const {
    if (badConstant_) return Unresolved;
    const Candidate* best = FindConstant(256 - v);
    if (v == 0) {
      const Candidate* zero = FindConstant(0);
      if (zero != nullptr && (best == nullptr || zero->row > best->row)) best = zero;
    }
    return best == nullptr ? Unresolved : best->pos;
  }

 private:
  struct Candidate {
    int row;
    NumberValue pos;
  };

  // Rows without a label all define the empty one, and that is no news.
  void Define(std::unordered_map<std::string, NumberValue>& names, const std::string& name, const TableRow& row,
              const std::string& what) {
    const bool again = !names.insert_or_assign(name, row.Pos).second;
    if (!again || name.empty()) return;
    redefinitions_.push_back(
        {what + " " + Quoted(name) + " is defined again; every use takes this last one", row.Line, {}});
  }

  void IndexConstant(const TableRow& row, int i) {
    const auto w = ReadWholeNumber(row.Arg1);
    if (!w) {
      if (!badConstant_) badConstantRow_ = &row;
      badConstant_ = true;
      return;
    }
    constants_[*w] = {i, row.Pos};
  }

  const Candidate* FindConstant(NumberValue w) const {
    const auto it = constants_.find(w);
    return it == constants_.end() ? nullptr : &it->second;
  }

  static NumberValue Find(const std::unordered_map<std::string, NumberValue>& map, const std::string& name) {
    const auto it = map.find(name);
    return it == map.end() ? Unresolved : it->second;
  }

  std::unordered_map<std::string, NumberValue> labels_;
  std::unordered_map<std::string, NumberValue> variables_;
  std::unordered_map<NumberValue, Candidate> constants_;
  bool badConstant_ = false;
  const TableRow* badConstantRow_ = nullptr;
  std::vector<StageMessage> redefinitions_;
};

// One byte of a row with the text the listing shows for it, and why it has
// no value when it has none.
struct Emitted {
  NumberValue value = Unresolved;
  std::string listed;
  std::string why;
};

Emitted Number(NumberValue value, std::string why = {}) { return {value, std::to_string(value), std::move(why)}; }

// What a name that was looked up in vain most likely meant to be.
std::string Hint(const std::string& name) {
  if (name.find('#') != std::string::npos) return " (a '#' starts a comment only at the start of a line)";
  if (name.find_first_of(" \t") != std::string::npos) return " (blanks around a comma belong to the name)";
  if (name.size() == 3 && name.front() == '\'' && name.back() == '\'') {
    return " (a character is written as its code: " + name + " is " +
           std::to_string(static_cast<unsigned char>(name[1])) + ")";
  }
  if (!name.empty() && name.front() >= '0' && name.front() <= '9') {
    return " (numbers are decimal or &H hexadecimal, such as &H10)";
  }
  return {};
}

std::string Unknown(const std::string& what, const std::string& name, const std::string& missing) {
  return what + " " + Quoted(name) + " " + missing + Hint(name);
}

std::string UndeclaredVariable(const std::string& name) {
  return Unknown("variable", name, "was never declared with SET");
}

// MOV and POS name a variable, never a cell.
std::string VariableExpected(const TableRow& row) {
  if (ReadWholeNumber(row.Arg1)) {
    return row.Cmd + " needs a variable declared with SET as its first operand, not the cell number " + row.Arg1;
  }
  return UndeclaredVariable(row.Arg1);
}
std::string UndefinedLabel(const std::string& name) { return Unknown("label", name, "is not defined"); }

class RowEmitter {
 public:
  RowEmitter(const SymbolIndex& symbols, CodeImage& image, std::string& listing)
      : symbols_(symbols), image_(image), listing_(listing) {}

  // Stores and lists the row's bytes at the running address; false when a
  // byte has no value or no place, with why in why.
  bool Emit(const TableRow& row, int& address, std::string& why) {
    const StatementInfo* statement = ExactStatement(row.Cmd);
    if (statement == nullptr) return true;
    Emitted bytes[3];
    Resolve(statement->kind, row, address, bytes);
    const int first = address;
    address += statement->cells;
    for (int k = 0; k < statement->cells; ++k) {
      why = Store(first + k, bytes[k]);
      if (!why.empty()) return false;
    }
    for (int k = 0; k < statement->cells; ++k) {
      listing_ += std::to_string(first + k) + "\t:" + bytes[k].listed + '\n';
    }
    return true;
  }

 private:
  // Fills the row's bytes in the order A, B, C.
  void Resolve(Statement kind, const TableRow& row, int a, Emitted* bytes) const {
    switch (kind) {
      case Statement::MOV:
        bytes[0] = Number(symbols_.Variable(row.Arg1), VariableExpected(row));
        bytes[1] = Number(symbols_.Constant(ReadLeadingNumber(row.Arg2)), MissingConstant(row));
        bytes[2] = Number(a + 3);
        break;
      case Statement::POS:
        bytes[0] = Number(symbols_.Variable(row.Arg1), VariableExpected(row));
        break;
      case Statement::SET:
      case Statement::NUL:
        bytes[0] = Number(0);
        break;
      case Statement::NXT:
        bytes[0] = Number(a + 1);
        break;
      case Statement::VAL:
        bytes[0] = {ReadLeadingNumber(row.Arg1), row.Arg1, {}};
        break;
      case Statement::GTO:
        bytes[0] = Number(255);
        bytes[1] = Number(255);
        bytes[2] = Number(symbols_.Label(row.Arg1), UndefinedLabel(row.Arg1));
        break;
      case Statement::SUB:
        bytes[0] = NumberOrVariable(row.Arg1);
        bytes[1] = NumberOrVariable(row.Arg2);
        bytes[2] = row.Arg3 == "?" ? Number(a + 3) : Number(symbols_.Label(row.Arg3), UndefinedLabel(row.Arg3));
        break;
    }
  }

  Emitted NumberOrVariable(const std::string& text) const {
    if (const auto n = ReadWholeNumber(text)) return Number(*n);
    return Number(symbols_.Variable(text), UndeclaredVariable(text));
  }

  // Why a MOV's constant cell cannot be found.
  std::string MissingConstant(const TableRow& row) const {
    if (!ReadWholeNumber(row.Arg2)) return "MOV needs a number as its second operand, not " + Quoted(row.Arg2);
    if (const TableRow* bad = symbols_.BadConstant()) {
      return "the VAL on line " + std::to_string(bad->Line) + " holds " + Quoted(bad->Arg1) +
             ", not a number, and so MOV finds no constant cell";
    }
    return "MOV finds no constant cell for " + row.Arg2;
  }

  // Empty when the byte went into the image, else why not.
  std::string Store(int address, const Emitted& byte) {
    if (address > 256) return "the program is longer than the 257 cells it may fill";
    if (byte.value == Unresolved && !byte.why.empty()) return byte.why;
    if (byte.value < 0 || byte.value > 255) return byte.listed + " is outside 0..255";
    image_[address] = static_cast<Byte>(byte.value);
    return {};
  }

  const SymbolIndex& symbols_;
  CodeImage& image_;
  std::string& listing_;
};

// "; 12: MOV,a,5" for a row from line 12; nothing for a row from no line.
std::string SourceNote(const TableRow& row, std::span<const std::string_view> source) {
  if (row.Line < 1 || static_cast<std::size_t>(row.Line) > source.size()) return {};
  return "; " + std::to_string(row.Line) + ": " + std::string(source[row.Line - 1]) + '\n';
}

// The devices whose cells first..last (within 238..256) cover.
std::string DevicesIn(int first, int last) {
  static constexpr struct {
    int first, last;
    std::string_view name;
  } Devices[] = {{NetDeviceFirst, NetPortHighCell - 1, "network address"},
                 {NetPortHighCell, NetPortLowCell, "network port"},
                 {NetDataCell, NetDataCell, "network data"},
                 {NetCommandCell, NetCommandCell, "network command"},
                 {ScreenDeviceFirst, ScreenCommandCell - 1, "screen coordinates and colour"},
                 {ScreenCommandCell, ScreenCommandCell, "screen command"},
                 {KeyCell, KeyCell, "key"},
                 {ConsoleCell, ConsoleCell, "console"}};
  std::string text;
  for (const auto& device : Devices) {
    if (device.last < first || device.first > last) continue;
    const std::string cells = device.first == device.last
                                  ? std::to_string(device.first)
                                  : std::to_string(device.first) + ".." + std::to_string(device.last);
    text += (text.empty() ? "" : ", ") + cells + " " + std::string(device.name);
  }
  return text;
}

// Where the program's cells went: the lines of the first rows that reached
// the device cells and the end of memory, for the warnings.
class PlaceWarnings {
 public:
  void Note(int end, int line) {
    if (end > NetDeviceFirst && deviceLine_ == 0) deviceLine_ = line;
    if (end > 256 && pastLine_ == 0) pastLine_ = line;
    end_ = end;
  }

  std::vector<StageMessage> Warnings() const {
    std::vector<StageMessage> warnings;
    if (deviceLine_ != 0) {
      warnings.push_back(
          {"the program reaches into the device cells: " + DevicesIn(NetDeviceFirst, std::min(end_ - 1, ConsoleCell)) +
               "; whatever it writes there drives the devices",
           deviceLine_,
           {}});
    }
    if (pastLine_ != 0) {
      warnings.push_back({"the program is longer than memory: its cell 256 never reaches the machine", pastLine_, {}});
    }
    return warnings;
  }

 private:
  int end_ = 0;
  int deviceLine_ = 0;
  int pastLine_ = 0;
};

std::vector<StageMessage> Concatenated(std::vector<StageMessage> first, const std::vector<StageMessage>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// A constant cell's failure is its MOV's: a number beyond 0..256, or no room.
std::string FailureReason(const TableRow& row, const std::string& why) {
  if (!row.Constant) return why;
  const std::string mov = "the MOV on line " + std::to_string(row.Line);
  if (!why.ends_with("outside 0..255")) return "the constant cell for " + mov + ": " + why;
  return mov + " takes a number from 0 to 256: its constant cell would hold 256 minus it, " + row.Arg1 +
         ", outside 0..255";
}

std::string FailureText(int i, const TableRow& row) {
  return "Compile Failed at command: " + std::to_string(i) + " = " + row.Cmd + "," + row.Arg1 + "," + row.Arg2 + "," +
         row.Arg3;
}

}  // namespace

StageReport GenerateCode(const CmdTable& table, CodeImage& image, GenerateOptions options) {
  StageReport report;
  if (CopiesIntoMemory(options.mode)) std::fill(image.begin(), image.begin() + 256, Byte{0});
  std::string listing;
  const SymbolIndex symbols(table);
  RowEmitter emitter(symbols, image, listing);
  int address = 0;
  PlaceWarnings place;
  for (int i = 0; i < table.CmdCount(); ++i) {
    bool emitted = false;
    std::string why = "the row could not be generated";
    if (!RunStage([&] {
          listing += SourceNote(table[i], options.source);
          if (options.debug) listing += "----" + table[i].Cmd + "----\n";
          emitted = emitter.Emit(table[i], address, why);
        }) ||
        !emitted) {
      report.messages.push_back({FailureText(i, table[i]), table[i].Line, FailureReason(table[i], why)});
      report.warnings = Concatenated(symbols.Redefinitions(), place.Warnings());
      return report;
    }
    place.Note(address, table[i].Line);
  }
  report.warnings = Concatenated(symbols.Redefinitions(), place.Warnings());
  report.shown = std::move(listing);
  return report;
}

}  // namespace zar
