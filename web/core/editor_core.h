#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zar::web {

// The page's editor holds a source as UTF-16 code units, one a character,
// its lines ended by line feeds; the file keeps code page 1252 bytes. One
// unit becomes one byte, so a token's byte position is its position in the
// editor's text.

// A source's lines as the assembler reads them (SourceLines), one unit a byte.
std::vector<std::uint16_t> EditorUnitsOfSource(std::string_view bytes);
// True when the source ends its lines with a line feed alone: an edit keeps
// the line break the file had (a carriage return and line feed otherwise).
bool EndsLinesWithFeedsAlone(std::string_view bytes);
// The editor's text as the file's bytes: a unit code page 1252 has no byte
// for becomes '?', each line feed the line break asked for.
std::string SourceOfEditorUnits(const std::vector<std::uint16_t>& units, bool lineFeedsAlone);

// The assembler's tokens of every line of the source (LineTokens), four
// numbers each: the line (from 0), the start and length in the line, and
// the TokenKind.
std::vector<std::int32_t> SourceTokenSpans(std::string_view bytes);

}  // namespace zar::web
