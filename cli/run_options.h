#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "machine/machine.h"
#include "formats/input_script.h"
#include "session/session.h"

namespace zar::cli {

// What zar run is asked to do, read from its words.
struct RunOptions {
  std::string image;
  std::uint64_t maxSteps = 0;
  Engine engine = Engine::Compiled;
  std::optional<double> seconds;
  std::optional<Byte> key;
  std::vector<Byte> breaks;
  std::vector<Byte> watches;
  std::optional<std::uint64_t> back;
  std::vector<TimedInput> inputs;
  std::optional<std::string> inputFile;
  bool net = false;           // a real socket
  bool netRemote = false;     // that takes peers from other computers
  bool peerScripted = false;  // the scripted peer of --input and --net-out
  bool stats = false;
  bool skip = true;  // repeats of the state are counted instead of stepped
  // The outputs, "-" for standard output.
  std::optional<std::string> trace, netLog, netOut, dump, screen;
};

// The most steps --back takes: what the step-back record always holds.
inline constexpr std::uint64_t MostBack = StepRecord::MaxDepth;

// Reads the words of zar run and the input file they name. ExitOk, or
// ExitUsage once said on stderr what does not fit.
int ReadRunOptions(const std::vector<std::string>& words, RunOptions& options);

}  // namespace zar::cli
