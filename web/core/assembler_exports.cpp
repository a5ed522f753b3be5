// The C interface of the page's assembler, called by the worker beside the
// machine's (exports.cpp). A handle is one PageAssembler; a command's JSON
// text comes back in the PageCore's Text() (zar_text, zar_text_size).
#include <emscripten/emscripten.h>

#include <vector>

#include "web/core/page_assembler.h"
#include "web/core/page_core.h"

using zar::web::PageAssembler;
using zar::web::PageCore;

extern "C" {

EMSCRIPTEN_KEEPALIVE PageAssembler* zar_asm_create() { return new PageAssembler(); }

// mode: 0 Generate, 1 Generate and Copy, 2 Generate and Start.
EMSCRIPTEN_KEEPALIVE const char* zar_asm_generate(PageAssembler* assembler, PageCore* core, const char* bytes, int size,
                                                  int mode, int debug, int sourceInListing) {
  const zar::GenerateOptions options{static_cast<zar::GenerateMode>(mode), debug != 0};
  core->Text() = assembler->Generate({bytes, static_cast<std::size_t>(size)}, options, sourceInListing != 0, *core);
  return core->Text().c_str();
}
EMSCRIPTEN_KEEPALIVE const char* zar_asm_scan(PageAssembler* assembler, PageCore* core, const char* bytes, int size) {
  core->Text() = assembler->Scan({bytes, static_cast<std::size_t>(size)}, *core);
  return core->Text().c_str();
}
EMSCRIPTEN_KEEPALIVE void zar_asm_set_lines(PageAssembler* assembler, PageCore* core, const int* lines, int count) {
  assembler->SetLineBreakpoints({lines, lines + count}, core->TheSession());
}
EMSCRIPTEN_KEEPALIVE void zar_asm_forget_lines(PageAssembler* assembler) { assembler->ForgetLines(); }

}  // extern "C"
