#include "assembler/generator.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "assembler/number_text.h"

namespace zar {

namespace {

constexpr NumberValue Unresolved = -1;

struct GenerateFailure {};

// Lookups over the whole table in which the last matching row wins, built
// once so that generation stays linear in the number of rows.
class SymbolIndex {
 public:
  explicit SymbolIndex(const CmdTable& table) {
    for (int i = 0; i < table.CmdCount(); ++i) {
      const TableRow& row = table[i];
      labels_[row.Label] = row.Pos;
      if (row.Cmd == "SET") variables_[row.Arg1] = row.Pos;
      if (row.Cmd == "VAL") IndexConstant(row, i);
    }
  }

  NumberValue Variable(const std::string& name) const { return Find(variables_, name); }
  NumberValue Label(const std::string& name) const { return Find(labels_, name); }

  // The cell of the VAL row holding 256 - v, or 0 when v is 0; any VAL row
  // whose operand is not a number makes the lookup fail.
  NumberValue Constant(NumberValue v) const {
    if (badConstant_) throw GenerateFailure{};
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

  void IndexConstant(const TableRow& row, int i) {
    const auto w = ReadWholeNumber(row.Arg1);
    if (!w) {
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
};

// One byte of a row with the text the listing shows for it.
struct Emitted {
  NumberValue value = Unresolved;
  std::string listed;
};

Emitted Number(NumberValue value) { return {value, std::to_string(value)}; }

class RowEmitter {
 public:
  RowEmitter(const SymbolIndex& symbols, CodeImage& image, std::string& listing)
      : symbols_(symbols), image_(image), listing_(listing) {}

  void Emit(const TableRow& row, int& address) {
    Emitted bytes[3];
    const int size = Resolve(row, address, bytes);
    const int first = address;
    address += size;
    for (int k = 0; k < size; ++k) Store(first + k, bytes[k].value);
    for (int k = 0; k < size; ++k) {
      listing_ += std::to_string(first + k) + "\t:" + bytes[k].listed + '\n';
    }
  }

 private:
  // Fills the row's bytes in the order A, B, C and returns how many it has.
  int Resolve(const TableRow& row, int a, Emitted* bytes) const {
    const std::string& cmd = row.Cmd;
    if (cmd == "MOV") {
      bytes[0] = Number(symbols_.Variable(row.Arg1));
      bytes[1] = Number(symbols_.Constant(ReadLeadingNumber(row.Arg2)));
      bytes[2] = Number(a + 3);
      return 3;
    }
    if (cmd == "POS") bytes[0] = Number(symbols_.Variable(row.Arg1));
    if (cmd == "SET" || cmd == "NUL") bytes[0] = Number(0);
    if (cmd == "NXT") bytes[0] = Number(a + 1);
    if (cmd == "VAL") bytes[0] = {ReadLeadingNumber(row.Arg1), row.Arg1};
    if (cmd == "GTO") {
      bytes[0] = Number(255);
      bytes[1] = Number(255);
      bytes[2] = Number(symbols_.Label(row.Arg1));
    }
    if (cmd == "SUB") {
      bytes[0] = Number(NumberOrVariable(row.Arg1));
      bytes[1] = Number(NumberOrVariable(row.Arg2));
      bytes[2] = Number(row.Arg3 == "?" ? a + 3 : symbols_.Label(row.Arg3));
    }
    return RowSize(cmd);
  }

  NumberValue NumberOrVariable(const std::string& text) const {
    if (const auto n = ReadWholeNumber(text)) return *n;
    return symbols_.Variable(text);
  }

  void Store(int address, NumberValue value) {
    if (address > 256 || value < 0 || value > 255) throw GenerateFailure{};
    image_[address] = static_cast<Byte>(value);
  }

  const SymbolIndex& symbols_;
  CodeImage& image_;
  std::string& listing_;
};

std::string FailureText(int i, const TableRow& row) {
  return "Compile Failed at command: " + std::to_string(i) + " = " + row.Cmd + "," + row.Arg1 + "," + row.Arg2 +
         "," + row.Arg3;
}

}  // namespace

bool GenerateCode(const CmdTable& table, CodeImage& image, Machine& machine, GenerateFlags flags,
                  AssemblerHost& host) {
  const bool copy = flags.copy || flags.start;
  host.ShowListingText({});
  if (copy) {
    host.StopMachine();
    machine.Memory.fill(0);
    std::fill(image.begin(), image.begin() + 256, Byte{0});
  }
  std::string listing;
  const SymbolIndex symbols(table);
  RowEmitter emitter(symbols, image, listing);
  int address = 0;
  for (int i = 0; i < table.CmdCount(); ++i) {
    try {
      if (flags.debug) listing += "----" + table[i].Cmd + "----\n";
      emitter.Emit(table[i], address);
    } catch (...) {
      host.Message(FailureText(i, table[i]));
      return false;
    }
  }
  if (copy) {
    std::copy(image.begin(), image.begin() + 256, machine.Memory.begin());
    machine.IP = 0;
    host.MachineLoaded();
    if (flags.start) host.StartMachine();
  }
  host.ShowListingText(listing);
  return true;
}

}  // namespace zar
