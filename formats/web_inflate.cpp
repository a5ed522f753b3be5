// The JavaScript host's inflate for png_reader.cpp under emscripten: node's
// zlib where there is one. A page's worker has no synchronous inflate, and
// decodes an expected picture with the browser before a check instead.
#include <emscripten/emscripten.h>

#include <cstdlib>

#include "formats/png_reader.h"

// Inflates size bytes at data into a buffer of malloc's (its size at *outSize);
// 0 when the host has no zlib or the data do not inflate. (JavaScript: not
// for clang-format.)
// clang-format off
EM_JS(char*, zar_host_inflate, (const char* data, int size, int* outSize), {
  let zlib;
  try {
    zlib = (typeof process === 'object' && process.versions && process.versions.node) ? require('zlib') : null;
  } catch (e) {
    zlib = null;
  }
  if (!zlib) return 0;
  let out;
  try {
    out = zlib.inflateSync(HEAPU8.subarray(data, data + size));
  } catch (e) {
    return 0;
  }
  const at = _malloc(Math.max(1, out.length));
  HEAPU8.set(out, at);
  HEAP32[outSize >> 2] = out.length;
  return at;
});
// clang-format on

namespace zar {

std::optional<std::string> HostInflate(std::string_view packed) {
  int size = 0;
  char* out = zar_host_inflate(packed.data(), static_cast<int>(packed.size()), &size);
  if (out == nullptr) return std::nullopt;
  std::string bytes(out, static_cast<std::size_t>(size));
  std::free(out);
  return bytes;
}

}  // namespace zar
