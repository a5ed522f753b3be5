#include "reference/plain_machine.h"

#include <cmath>
#include <utility>

namespace zar::reference {

namespace {

// The cells of the devices.
constexpr int AddressCell = 238;  // 238..241, the remote host
constexpr int PortHigh = 242, PortLow = 243;
constexpr int DataCell = 244, NetCommand = 245;
constexpr int X1 = 246, Y1 = 247, X = 248, Y = 249, Red = 250, Green = 251, Blue = 252;
constexpr int ScreenCommand = 253;
constexpr int Console = 255;

struct StepDone {
  bool changed = false;
  Byte a = 0;       // the instruction's A cell
  Byte result = 0;  // what the instruction stored there
};

std::int32_t CellColour(const MemoryCells& m) { return m[Red] + 256 * m[Green] + 65536 * m[Blue]; }

void Set(PlainMachine& p, int x, int y, std::int32_t colour) {
  p.pixels[static_cast<std::size_t>(y * PlainMachine::ScreenSide + x)] = colour;
}

// From (x0, y0) to (x1, y1), both ends included: along the longer axis one
// pixel a column, the other coordinate moving on once the slope added up
// reaches a half.
void Line(PlainMachine& p, int x0, int y0, int x1, int y1, std::int32_t colour) {
  const bool steep = std::abs(y1 - y0) > std::abs(x1 - x0);
  if (steep) {
    std::swap(x0, y0);
    std::swap(x1, y1);
  }
  if (x0 > x1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  const double slope = x1 == x0 ? 0.0 : static_cast<double>(std::abs(y1 - y0)) / (x1 - x0);
  double error = 0.0;
  for (int x = x0, y = y0; x <= x1; ++x) {
    if (steep)
      Set(p, y, x, colour);
    else
      Set(p, x, y, colour);
    error += slope;
    if (error >= 0.5) {
      y += y1 > y0 ? 1 : -1;
      error -= 1.0;
    }
  }
}

void ServeScreen(PlainMachine& p) {
  MemoryCells& m = p.memory;
  switch (m[ScreenCommand]) {
    case 1:
      for (std::int32_t& pixel : p.pixels) pixel = p.screenColor;
      break;
    case 2:
      p.screenColor = CellColour(m);
      break;
    case 3:
      Set(p, m[X], m[Y], CellColour(m));
      break;
    case 4: {
      const std::int32_t colour = p.pixels[static_cast<std::size_t>(m[Y] * PlainMachine::ScreenSide + m[X])];
      m[Red] = static_cast<Byte>(colour & 0xFF);
      m[Green] = static_cast<Byte>(colour >> 8 & 0xFF);
      m[Blue] = static_cast<Byte>(colour >> 16 & 0xFF);
      break;
    }
    case 5:
      Line(p, m[X], m[Y], m[X1], m[Y1], CellColour(m));
      break;
    default:
      break;
  }
  m[ScreenCommand] = 0;
}

// Whether a request was taken on.
bool ServeNetwork(PlainMachine& p) {
  MemoryCells& m = p.memory;
  const int port = 256 * m[PortHigh] + m[PortLow];
  const Byte command = m[NetCommand];
  m[NetCommand] = 0;
  switch (command) {
    case 1: {
      std::string host;
      for (int cell = AddressCell; cell < AddressCell + 4; ++cell) {
        host += (host.empty() ? "" : ".") + std::to_string(m[cell]);
      }
      p.networkCalls.push_back("close");
      p.networkCalls.push_back("connect " + host + " " + std::to_string(port));
      return p.networkAnswers;
    }
    case 2:
      p.networkCalls.push_back("send " + std::to_string(m[DataCell]));
      m[DataCell] = 0;
      return p.networkAnswers;
    case 3:
      p.networkCalls.push_back("close");
      p.networkCalls.push_back("listen " + std::to_string(port));
      return p.networkAnswers;
    default:
      return false;
  }
}

// before: the memory as the step finds it.
StepDone StepWithFacts(PlainMachine& p, const MemoryCells& before) {
  const Byte ip = p.ip;
  const Byte a = p.memory[ip], b = p.memory[ip + 1], c = p.memory[ip + 2];
  const Byte result = static_cast<Byte>(p.memory[a] - p.memory[b]);
  const bool jumps = p.memory[a] <= p.memory[b];
  p.memory[a] = result;
  const int next = jumps ? c : ip + 3;
  p.ip = static_cast<Byte>(next > 252 ? 0 : next);

  const bool printed = p.memory[Console] != 0;
  if (printed) {
    p.console.push_back(static_cast<char>(p.memory[Console]));
    p.memory[Console] = 0;
  }
  if (p.memory[ScreenCommand] != 0) ServeScreen(p);
  const bool reached = p.memory[NetCommand] != 0 && ServeNetwork(p);
  if (p.history) {
    std::int32_t sum = 0;
    for (const Byte cell : p.memory) sum += cell;
    p.ring[p.position] = sum;
    p.position = (p.position + 1) % PlainMachine::HistorySize;
  }
  ++p.steps;
  return {printed || reached || p.ip != ip || p.memory != before, a, result};
}

}  // namespace

bool PlainMachine::Step() {
  const MemoryCells before = memory;
  return StepWithFacts(*this, before).changed;
}

PlainMachine::Stop PlainMachine::Run(std::uint64_t maxSteps, bool debugger, bool fixedPoint) {
  std::vector<int> watched;
  for (int cell = 0; cell < 256; ++cell) {
    if (watches[cell]) watched.push_back(cell);
  }
  Stop stop;
  while (stop.steps < maxSteps) {
    const MemoryCells before = memory;
    const StepDone done = StepWithFacts(*this, before);
    ++stop.steps;
    if (debugger) {
      for (const int cell : watched) {
        // The instruction's write counts even when a device put the old value back.
        const Byte after = memory[cell] != before[cell] || cell != done.a ? memory[cell] : done.result;
        if (after == before[cell]) continue;
        stop = {Stop::Reason::Watch, stop.steps, static_cast<Byte>(cell), before[cell], after};
        return stop;
      }
      if (breakpoints[ip]) {
        stop = {Stop::Reason::Breakpoint, stop.steps, ip};
        return stop;
      }
    }
    if (fixedPoint && !done.changed) {
      stop.reason = Stop::Reason::FixedPoint;
      return stop;
    }
  }
  return stop;
}

std::array<std::int32_t, PlainMachine::HistorySize> PlainMachine::Samples() const {
  std::array<std::int32_t, HistorySize> samples{};
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = ring[(position + i) % HistorySize];
  return samples;
}

}  // namespace zar::reference
