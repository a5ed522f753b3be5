#include "reference/session_check.h"

#include <algorithm>

namespace zar::reference {

NetResult LoggingPort::Connect(const std::string& host, int port) {
  calls.push_back("connect " + host + " " + std::to_string(port));
  return Answer();
}

NetResult LoggingPort::Listen(int port) {
  calls.push_back("listen " + std::to_string(port));
  return Answer();
}

NetResult LoggingPort::SendByte(Byte value) {
  calls.push_back("send " + std::to_string(value));
  return Answer();
}

PlainMachine PlainLike(const Session& session) {
  PlainMachine plain;
  plain.memory = session.State().Memory;
  plain.ip = session.State().IP;
  plain.steps = session.Steps();
  plain.history = session.RecordsHistory();
  for (int cell = 0; cell < 256; ++cell) {
    plain.breakpoints[cell] = session.IsBreakpoint(static_cast<Byte>(cell));
    plain.watches[cell] = session.IsWatched(static_cast<Byte>(cell));
  }
  return plain;
}

std::string Difference(const Session& session, const LoggingPort& port, const PlainMachine& plain) {
  const auto number = [](auto n) { return std::to_string(n); };
  if (session.Steps() != plain.steps) return "steps " + number(session.Steps()) + " vs " + number(plain.steps);
  if (session.State().IP != plain.ip) return "IP " + number(session.State().IP) + " vs " + number(plain.ip);
  const MemoryCells& memory = session.State().Memory;
  for (int cell = 0; cell < 256; ++cell) {
    if (memory[cell] != plain.memory[cell]) {
      return "cell " + number(cell) + ": " + number(memory[cell]) + " vs " + number(plain.memory[cell]);
    }
  }
  const std::string_view visible = session.Console().Visible();
  if (session.Printed() != plain.console.size() || !std::string_view(plain.console).ends_with(visible)) {
    return "console of " + number(session.Printed()) + " vs " + number(plain.console.size()) + " characters";
  }
  if (session.Screen().ScreenColor != plain.screenColor) return "the screen's colour";
  if (!std::equal(plain.pixels.begin(), plain.pixels.end(), session.Screen().Buffer.Rows())) return "pixels";
  if (port.calls != plain.networkCalls) return "network requests";
  if (session.RecordsHistory() != plain.history) return "history on or off";
  if (plain.history &&
      (session.History().Samples() != plain.Samples() || session.History().Position() != plain.position)) {
    return "history samples";
  }
  return "";
}

std::string Difference(const RunStop& stop, const PlainMachine::Stop& plain) {
  if (static_cast<int>(stop.reason) != static_cast<int>(plain.reason)) {
    return "stop reason " + std::to_string(static_cast<int>(stop.reason)) + " vs " +
           std::to_string(static_cast<int>(plain.reason));
  }
  if (stop.steps != plain.steps)
    return "stop after " + std::to_string(stop.steps) + " vs " + std::to_string(plain.steps);
  if (stop.address != plain.address || stop.before != plain.before || stop.after != plain.after) return "stop at";
  return "";
}

}  // namespace zar::reference
