#include "web/core/editor_core.h"

#include "assembler/scanner.h"
#include "assembler/source_tokens.h"
#include "formats/source_file.h"
#include "machine/cp1252.h"

namespace zar::web {

std::vector<std::uint16_t> EditorUnitsOfSource(std::string_view bytes) {
  const std::string lines = SourceLines(bytes);
  std::vector<std::uint16_t> units;
  units.reserve(lines.size());
  for (const char c : lines) units.push_back(static_cast<std::uint16_t>(Cp1252ToUnicode(static_cast<Byte>(c))));
  return units;
}

bool EndsLinesWithFeedsAlone(std::string_view bytes) {
  return bytes.find('\n') != std::string_view::npos && bytes.find("\r\n") == std::string_view::npos;
}

std::string SourceOfEditorUnits(const std::vector<std::uint16_t>& units, bool lineFeedsAlone) {
  std::string bytes;
  bytes.reserve(units.size() + units.size() / 16);
  for (const std::uint16_t unit : units) {
    if (unit == '\n' && !lineFeedsAlone) bytes += '\r';
    bytes += static_cast<char>(UnicodeToCp1252(unit).value_or('?'));
  }
  return bytes;
}

std::vector<std::int32_t> SourceTokenSpans(std::string_view bytes) {
  std::vector<std::int32_t> spans;
  std::int32_t line = 0;
  for (const std::string_view text : SourceLineViews(bytes)) {
    for (const SourceToken& token : LineTokens(text)) {
      spans.insert(spans.end(), {line, token.start, token.length, static_cast<std::int32_t>(token.kind)});
    }
    ++line;
  }
  return spans;
}

}  // namespace zar::web
