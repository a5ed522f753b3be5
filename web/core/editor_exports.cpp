// The C interface of the page's second, small core: the editor's text and
// the file's bytes each way, and the assembler's token classes, called on
// the page's own thread so that typing never waits for a running machine.
// A handle keeps the last result; its size comes from zar_ed_size.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "web/core/editor_core.h"

namespace {

struct EditorCore {
  std::vector<std::uint16_t> units;
  std::string bytes;
  std::vector<std::int32_t> spans;
  int size = 0;
};

std::string_view View(const char* bytes, int size) { return {bytes, static_cast<std::size_t>(size)}; }

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE EditorCore* zar_ed_create() { return new EditorCore(); }
EMSCRIPTEN_KEEPALIVE int zar_ed_size(const EditorCore* core) { return core->size; }

EMSCRIPTEN_KEEPALIVE const std::uint16_t* zar_ed_decode(EditorCore* core, const char* bytes, int size) {
  core->units = zar::web::EditorUnitsOfSource(View(bytes, size));
  core->size = static_cast<int>(core->units.size());
  return core->units.data();
}
EMSCRIPTEN_KEEPALIVE int zar_ed_line_feeds_alone(const char* bytes, int size) {
  return zar::web::EndsLinesWithFeedsAlone(View(bytes, size)) ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE const char* zar_ed_encode(EditorCore* core, const std::uint16_t* units, int size,
                                               int lineFeedsAlone) {
  core->bytes = zar::web::SourceOfEditorUnits({units, units + size}, lineFeedsAlone != 0);
  core->size = static_cast<int>(core->bytes.size());
  return core->bytes.data();
}
EMSCRIPTEN_KEEPALIVE const std::int32_t* zar_ed_tokens(EditorCore* core, const char* bytes, int size) {
  core->spans = zar::web::SourceTokenSpans(View(bytes, size));
  core->size = static_cast<int>(core->spans.size());
  return core->spans.data();
}

}  // extern "C"
