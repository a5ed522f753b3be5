#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_file.h"
#include "cli/screen_image.h"
#include "formats/program_file.h"
#include "machine/cp1252.h"
#include "session/session.h"

namespace zar::cli {

namespace {

constexpr std::uint64_t DefaultSteps = 1'000'000;

// Console characters go to stdout as UTF-8, in blocks.
class StdoutConsole final : public MachineEvents {
 public:
  ~StdoutConsole() override { Flush(); }

  void ConsoleOut(Byte code) override {
    AppendUtf8(pending_, Cp1252ToUnicode(code));
    if (pending_.size() >= 1 << 16) Flush();
  }

  void Flush() {
    std::fwrite(pending_.data(), 1, pending_.size(), stdout);
    std::fflush(stdout);
    pending_.clear();
  }

 private:
  std::string pending_;
};

template <typename Number>
bool ParseNumber(const std::string& text, Number& value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

int RunCommand(const std::vector<std::string>& words) {
  const Arguments args = ParseArguments(words, {"--steps", "--dump", "--screen", "--key"}, {}, 1);
  if (!args.error.empty()) return UsageError(args.error);

  std::uint64_t maxSteps = DefaultSteps;
  if (const auto steps = args.Value("--steps"); steps && !ParseNumber(*steps, maxSteps)) {
    return UsageError("--steps takes a whole number of steps, not '" + *steps + "'");
  }
  unsigned key = 0;
  const auto keyText = args.Value("--key");
  if (keyText && (!ParseNumber(*keyText, key) || key > 255)) {
    return UsageError("--key takes a key code from 0 to 255, not '" + *keyText + "'");
  }

  OfflineNetworkPort network;
  StdoutConsole console;
  Session session(network, console);
  Machine& machine = session.State();
  if (!ReportFile(LoadProgramFile(args.positional[0], machine.Memory))) return ExitUsage;
  if (keyText) machine.Memory[KeyCell] = static_cast<Byte>(key);

  const std::uint64_t steps = session.RunUntilFixedPoint(maxSteps);
  console.Flush();
  std::fprintf(stderr, "steps: %llu\nip: %d\n", static_cast<unsigned long long>(steps), machine.IP);

  bool written = true;
  if (const auto dump = args.Value("--dump")) written = WriteOutput(*dump, ProgramFileText(machine.Memory));
  if (const auto picture = args.Value("--screen")) {
    const ScreenBuffer& screen = session.Screen().Buffer;
    const std::string bytes = EndsWith(*picture, ".ppm") ? ScreenPpm(screen) : ScreenPng(screen);
    written = WriteOutput(*picture, bytes) && written;
  }
  return written ? ExitOk : ExitUsage;
}

}  // namespace zar::cli
