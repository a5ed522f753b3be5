#include "session/run_words.h"

namespace zar {

std::string StopWords(const RunStop& stop) {
  if (stop.reason == RunStop::Reason::Breakpoint) return " at breakpoint " + std::to_string(stop.address);
  if (stop.reason != RunStop::Reason::Watch) return {};
  return " at watch " + std::to_string(stop.address) + ": " + std::to_string(stop.before) + " -> " +
         std::to_string(stop.after);
}

std::string StoppedWords(const RunStop& stop) { return "stopped" + StopWords(stop); }

std::string SteppedBackWords(std::uint64_t steps, const RunStop& stop) {
  return "stepped back to step " + std::to_string(steps) + StopWords(stop);
}

std::string StateWords(const RunState& run, const std::string& stopped, long long intervalMs, Byte ip) {
  std::string state = stopped;
  if (run.mode == RunMode::Timer) state = "running at " + std::to_string(intervalMs) + " ms";
  if (run.mode == RunMode::FullSpeed) state = "running at full speed";
  if (run.waiting) state = "waiting at a fixed point (IP " + std::to_string(ip) + ")";
  if (run.waiting && run.loop != 0) {
    state = "waiting in a loop (IP " + std::to_string(ip) + ", every " + std::to_string(run.loop) + " steps)";
  }
  if (run.paused) state += ", paused while a dialog is open";
  return state;
}

}  // namespace zar
