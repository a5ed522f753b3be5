#include "devices/network_device.h"

#include <exception>

namespace zar {

std::string RemoteHostText(const MemoryCells& m) {
  std::string text;
  for (int cell = NetDeviceFirst; cell < NetDeviceFirst + 4; ++cell) {
    if (!text.empty()) text += '.';
    text += std::to_string(m[cell]);
  }
  return text;
}

int NetPort(const MemoryCells& m) { return 256 * m[NetPortHighCell] + m[NetPortLowCell]; }

namespace {

// Runs one socket operation; a failing one is skipped without a word.
template <typename Operation>
void Attempt(Operation&& operation) {
  try {
    operation();
  } catch (...) {
  }
}

}  // namespace

namespace detail {

void ExecuteNetCommand(MemoryCells& m, NetworkPort& port, Byte command) {
  switch (command) {
    case NetConnect: {
      const std::string host = RemoteHostText(m);
      const int remotePort = NetPort(m);
      Attempt([&] { port.Close(); });
      Attempt([&] { port.Connect(host, remotePort); });
      break;
    }
    case NetSend: {
      const Byte value = m[NetDataCell];
      Attempt([&] { port.SendByte(value); });
      m[NetDataCell] = 0;
      break;
    }
    case NetListen: {
      const int localPort = NetPort(m);
      Attempt([&] { port.Close(); });
      Attempt([&] { port.Listen(localPort); });
      break;
    }
    default:
      break;  // commands 4..255 do nothing but are still cleared
  }
}

}  // namespace detail

}  // namespace zar
