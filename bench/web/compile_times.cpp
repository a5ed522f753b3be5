// zar-compile-times FILE...: for each program, its hot blocks and the
// medians of five compiles of them, and of the blocks of every address, into
// one module each, in milliseconds (make bench-web runs it under node, the
// page's WebAssembly back end; natively the x86 one).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assembler/assemble.h"
#include "formats/source_file.h"
#include "machine/instruction.h"
#include "session/compiled_code.h"

namespace {

using namespace zar;

// The image of an assembler source; none, said on stderr, when it does not
// assemble (or cannot be read).
std::optional<MemoryCells> Assembled(const char* file) {
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  AssemblerState state;
  if (!Assemble(SourceLines(text), state, {GenerateMode::Copy, false}).generated) {
    std::fprintf(stderr, "zar-compile-times: %s does not assemble\n", file);
    return std::nullopt;
  }
  MemoryCells memory{};
  std::copy_n(state.Image.begin(), memory.size(), memory.begin());
  return memory;
}

// The blocks of a program that grow hot in its first million steps (the
// machine alone, without its devices), as the engine heats them.
std::vector<Byte> HotStarts(const MemoryCells& memory) {
  const std::unique_ptr<CompiledCode> code = CompiledCode::Create();
  Machine m;
  m.Memory = memory;
  for (int step = 0; step < 1'000'000; ++step) {
    code->Note(m.IP, m.Memory);
    Execute(m, Decode(m));
  }
  std::vector<Byte> starts;
  for (int ip = 0; ip <= MaxIP; ++ip) {
    if (code->Has(static_cast<Byte>(ip))) starts.push_back(static_cast<Byte>(ip));
  }
  return starts;
}

int CompileTimes(int count, char** files) {
  for (int i = 0; i < count; ++i) {
    const std::optional<MemoryCells> assembled = Assembled(files[i]);
    if (!assembled || !CompiledCode::Create()) return 1;
    const MemoryCells& memory = *assembled;
    const std::vector<Byte> hot = HotStarts(memory);
    std::vector<double> hotTimes, allTimes;
    for (int round = 0; round < 5; ++round) {
      for (const bool all : {false, true}) {
        const std::unique_ptr<CompiledCode> code = CompiledCode::Create();
        const auto began = std::chrono::steady_clock::now();
        if (all)
          code->CompileAll(memory);
        else
          code->CompileAt(hot, memory);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
        (all ? allTimes : hotTimes).push_back(ms);
      }
    }
    std::sort(hotTimes.begin(), hotTimes.end());
    std::sort(allTimes.begin(), allTimes.end());
    std::printf("%s %zu %.3f %.3f\n", files[i], hot.size(), hotTimes[2], allTimes[2]);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return CompileTimes(argc - 1, argv + 1); }
