#include "cli/run_options.h"

#include <algorithm>
#include <limits>

#include "cli/arguments.h"
#include "cli/output_file.h"
#include "formats/input_script.h"
#include "machine/decimal_text.h"

namespace zar::cli {

namespace {

constexpr std::uint64_t DefaultSteps = 1'000'000;

// --steps, --engine and --seconds.
bool ReadLimits(const Arguments& args, RunOptions& options, std::string& error) {
  options.maxSteps = options.net ? std::numeric_limits<std::uint64_t>::max() : DefaultSteps;
  if (const auto steps = args.Value("--steps"); steps && !ParseNumber(*steps, options.maxSteps)) {
    error = "--steps takes a whole number of steps, not '" + *steps + "'";
    return false;
  }
  if (const auto text = args.Value("--engine")) {
    if (*text != "interp" && *text != "jit") {
      error = "--engine takes interp or jit, not '" + *text + "'";
      return false;
    }
    options.engine = *text == "jit" ? Engine::Compiled : Engine::Interpreter;
  }
  if (const auto text = args.Value("--seconds")) {
    options.seconds = SecondsOf(*text);
    if (!options.seconds) {
      error = "--seconds takes a number of seconds above 0, not '" + *text + "'";
      return false;
    }
  }
  return true;
}

// The network's options fit one network: the real one or the scripted peer.
bool CheckNetwork(const RunOptions& options, std::string& error) {
  if (!options.net && (options.netRemote || options.netLog)) {
    error = std::string(options.netRemote ? "--net-remote" : "--net-log") + " needs --net";
  } else if (options.net && options.netOut) {
    error = "--net-out needs the scripted peer, not --net";
  }
  return error.empty();
}

// Every value of an option as a cell address; false on the first that is none.
bool ReadCells(const Arguments& args, const std::string& option, std::vector<Byte>& cells, std::string& error) {
  for (const std::string& text : args.All(option)) {
    unsigned cell = 0;
    if (!ParseNumber(text, cell) || cell > 255) {
      error = option + " takes a cell address from 0 to 255, not '" + text + "'";
      return false;
    }
    cells.push_back(static_cast<Byte>(cell));
  }
  return true;
}

// --key, --break, --watch and --back.
bool ReadDebugger(const Arguments& args, RunOptions& options, std::string& error) {
  if (const auto text = args.Value("--key")) {
    unsigned key = 0;
    if (!ParseNumber(*text, key) || key > 255) {
      error = "--key takes a key code from 0 to 255, not '" + *text + "'";
      return false;
    }
    options.key = static_cast<Byte>(key);
  }
  if (!ReadCells(args, "--break", options.breaks, error) || !ReadCells(args, "--watch", options.watches, error)) {
    return false;
  }
  if (const auto text = args.Value("--back")) {
    std::uint64_t back = 0;
    if (!ParseNumber(*text, back)) {
      error = "--back takes a whole number of steps, not '" + *text + "'";
    } else if (back > MostBack) {
      error = "--back takes at most " + std::to_string(MostBack) + " steps, what the record always holds, not '" +
              *text + "'";
    }
    options.back = back;
  }
  if (error.empty() && options.back && (options.net || options.peerScripted || args.Value("--keys"))) {
    error = "--back cannot undo scripted input or the network";
  }
  return error.empty();
}

// The timed inputs of --keys and --input, in the order of their steps.
bool ReadInputs(const Arguments& args, RunOptions& options, std::string& error) {
  std::uint64_t gap = DefaultKeyGap;
  if (const auto text = args.Value("--key-gap"); text && (!ParseNumber(*text, gap) || gap == 0)) {
    error = "--key-gap takes a whole number of steps above 0, not '" + *text + "'";
    return false;
  }
  if (const auto keys = args.Value("--keys"); keys && !KeysOf(*keys, 0, gap, options.inputs, error)) {
    error = "--keys: " + error;
    return false;
  }
  if (options.inputFile) {
    std::string script;
    if (!ReadSource(*options.inputFile, script)) return false;
    if (!ParseInputScript(script, gap, options.inputs, error)) {
      error = *options.inputFile + ": " + error;
      return false;
    }
  }
  const bool networkInputs = std::any_of(options.inputs.begin(), options.inputs.end(), [](const TimedInput& input) {
    return input.kind != TimedInput::Kind::Key && input.kind != TimedInput::Kind::Cell;
  });
  if (options.net && networkInputs) error = "with --net the peer is real: the input file takes no network inputs";
  return error.empty();
}

}  // namespace

int ReadRunOptions(const std::vector<std::string>& words, RunOptions& options) {
  const Arguments args = ParseArguments(
      words,
      {"--steps", "--dump", "--screen", "--key", "--break", "--watch", "--back", "--trace", "--keys", "--key-gap",
       "--input", "--net-out", "--net-log", "--seconds", "--engine"},
      {"--net", "--net-remote", "--stats", "--no-skip"}, 1);
  if (!args.error.empty()) return UsageError(args.error);
  options.image = args.positional[0];
  options.net = args.Has("--net");
  options.netRemote = args.Has("--net-remote");
  options.stats = args.Has("--stats");
  options.skip = !args.Has("--no-skip");
  options.inputFile = args.Value("--input");
  options.peerScripted = options.inputFile || args.Value("--net-out");
  options.trace = args.Value("--trace");
  options.netLog = args.Value("--net-log");
  options.netOut = args.Value("--net-out");
  options.dump = args.Value("--dump");
  options.screen = args.Value("--screen");
  std::string error;
  if (!ReadLimits(args, options, error) || !CheckNetwork(options, error) || !ReadDebugger(args, options, error) ||
      !ReadInputs(args, options, error)) {
    return error.empty() ? ExitUsage : UsageError(error);
  }
  return ExitOk;
}

}  // namespace zar::cli
