#include "web/core/page_assembler.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>

#include "assembler/scanner.h"
#include "machine/cp1252.h"
#include "web/core/page_core.h"

namespace zar::web {

namespace {

nlohmann::json MessagesJson(const std::vector<StageMessage>& messages) {
  nlohmann::json list = nlohmann::json::array();
  for (const StageMessage& m : messages) {
    list.push_back({{"text", Cp1252ToUtf8(m.text)}, {"line", m.line}, {"reason", Cp1252ToUtf8(m.reason)}});
  }
  return list;
}

std::string ReportJson(const std::vector<StageMessage>& messages, const std::vector<StageMessage>& warnings,
                       const std::optional<std::string>& table, const std::string& listing, bool generated) {
  const nlohmann::json report = {
      {"generated", generated},
      {"table", table ? nlohmann::json(Cp1252ToUtf8(*table)) : nlohmann::json()},
      {"listing", Cp1252ToUtf8(listing)},
      {"messages", MessagesJson(messages)},
      {"warnings", MessagesJson(warnings)},
  };
  return report.dump();
}

}  // namespace

std::string PageAssembler::Generate(std::string_view source, GenerateOptions options, bool sourceInListing,
                                    PageCore& page) {
  const std::vector<std::string_view> lines = SourceLineViews(source);
  if (sourceInListing) options.source = lines;
  const Assembly assembly = Assemble(source, state_, options);
  placed_ = true;
  // The breakpoints are in place before a copy that starts the machine.
  PlaceLineBreakpoints(page.TheSession());
  if (CopiesIntoMemory(options.mode)) {
    std::optional<MemoryCells> code;
    if (assembly.generated) {
      code.emplace();
      std::copy_n(state_.Image.begin(), code->size(), code->begin());
    }
    page.CopyIntoMemory(code);
  }
  const std::optional<std::string> table = assembly.table.empty() ? std::nullopt
                                                                  : std::optional<std::string>(assembly.table);
  return ReportJson(assembly.messages, assembly.warnings, table, assembly.listing, assembly.generated);
}

std::string PageAssembler::Scan(std::string_view source, PageCore& page) {
  placed_ = false;
  page.TheSession().ClearBreakpointsAndWatches();
  ForgetLines();
  const StageReport report = ScanSource(source, state_.Table);
  return ReportJson(report.messages, report.warnings, report.shown, {}, false);
}

void PageAssembler::SetLineBreakpoints(std::vector<int> lines, Session& session) {
  lines_ = std::move(lines);
  PlaceLineBreakpoints(session);
}

void PageAssembler::ForgetLines() {
  lines_.clear();
  placedAt_.clear();
}

void PageAssembler::PlaceLineBreakpoints(Session& session) {
  if (!placed_) return;
  std::vector<Byte> at;
  for (const int line : lines_) {
    if (const auto address = InstructionAtLine(state_.Table, line)) at.push_back(static_cast<Byte>(*address));
  }
  for (const Byte address : placedAt_) session.SetBreakpoint(address, false);
  for (const Byte address : at) session.SetBreakpoint(address, true);
  placedAt_ = std::move(at);
}

}  // namespace zar::web
