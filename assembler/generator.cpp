#include "assembler/generator.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "assembler/number_text.h"
#include "assembler/statements.h"
#include "machine/stage.h"

namespace zar {

namespace {

constexpr NumberValue Unresolved = -1;

// Lookups over the whole table in which the last matching row wins, built
// once so that generation stays linear in the number of rows.
class SymbolIndex {
 public:
  explicit SymbolIndex(const CmdTable& table) {
    for (int i = 0; i < table.CmdCount(); ++i) {
      const TableRow& row = table[i];
      labels_[row.Label] = row.Pos;
      if (IsStatement(row.Cmd, Statement::SET)) variables_[row.Arg1] = row.Pos;
      if (IsStatement(row.Cmd, Statement::VAL)) IndexConstant(row, i);
    }
  }

  NumberValue Variable(const std::string& name) const { return Find(variables_, name); }
  NumberValue Label(const std::string& name) const { return Find(labels_, name); }

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

  // Stores and lists the row's bytes at the running address; false when a
  // byte has no value or no place.
  bool Emit(const TableRow& row, int& address) {
    const StatementInfo* statement = ExactStatement(row.Cmd);
    if (statement == nullptr) return true;
    Emitted bytes[3];
    Resolve(statement->kind, row, address, bytes);
    const int first = address;
    address += statement->cells;
    for (int k = 0; k < statement->cells; ++k) {
      if (!Store(first + k, bytes[k].value)) return false;
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
        bytes[0] = Number(symbols_.Variable(row.Arg1));
        bytes[1] = Number(symbols_.Constant(ReadLeadingNumber(row.Arg2)));
        bytes[2] = Number(a + 3);
        break;
      case Statement::POS:
        bytes[0] = Number(symbols_.Variable(row.Arg1));
        break;
      case Statement::SET:
      case Statement::NUL:
        bytes[0] = Number(0);
        break;
      case Statement::NXT:
        bytes[0] = Number(a + 1);
        break;
      case Statement::VAL:
        bytes[0] = {ReadLeadingNumber(row.Arg1), row.Arg1};
        break;
      case Statement::GTO:
        bytes[0] = Number(255);
        bytes[1] = Number(255);
        bytes[2] = Number(symbols_.Label(row.Arg1));
        break;
      case Statement::SUB:
        bytes[0] = Number(NumberOrVariable(row.Arg1));
        bytes[1] = Number(NumberOrVariable(row.Arg2));
        bytes[2] = Number(row.Arg3 == "?" ? a + 3 : symbols_.Label(row.Arg3));
        break;
    }
  }

  NumberValue NumberOrVariable(const std::string& text) const {
    if (const auto n = ReadWholeNumber(text)) return *n;
    return symbols_.Variable(text);
  }

  bool Store(int address, NumberValue value) {
    if (address > 256 || value < 0 || value > 255) return false;
    image_[address] = static_cast<Byte>(value);
    return true;
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

std::string FailureText(int i, const TableRow& row) {
  return "Compile Failed at command: " + std::to_string(i) + " = " + row.Cmd + "," + row.Arg1 + "," + row.Arg2 +
         "," + row.Arg3;
}

}  // namespace

StageReport GenerateCode(const CmdTable& table, CodeImage& image, GenerateOptions options) {
  StageReport report;
  if (CopiesIntoMemory(options.mode)) std::fill(image.begin(), image.begin() + 256, Byte{0});
  std::string listing;
  const SymbolIndex symbols(table);
  RowEmitter emitter(symbols, image, listing);
  int address = 0;
  for (int i = 0; i < table.CmdCount(); ++i) {
    bool emitted = false;
    if (!RunStage([&] {
          listing += SourceNote(table[i], options.source);
          if (options.debug) listing += "----" + table[i].Cmd + "----\n";
          emitted = emitter.Emit(table[i], address);
        }) ||
        !emitted) {
      report.messages.push_back({FailureText(i, table[i]), table[i].Line});
      return report;
    }
  }
  report.shown = std::move(listing);
  return report;
}

}  // namespace zar
