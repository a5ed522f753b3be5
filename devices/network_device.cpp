#include "devices/network_device.h"

#include "machine/stage.h"

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

namespace detail {

// A socket operation that fails is skipped without a word.
void ExecuteNetCommand(MemoryCells& m, NetworkPort& port, Byte command) {
  switch (command) {
    case NetConnect: {
      const std::string host = RemoteHostText(m);
      const int remotePort = NetPort(m);
      RunStage([&] { port.Close(); });
      RunStage([&] { port.Connect(host, remotePort); });
      break;
    }
    case NetSend: {
      const Byte value = m[NetDataCell];
      RunStage([&] { port.SendByte(value); });
      m[NetDataCell] = 0;
      break;
    }
    case NetListen: {
      const int localPort = NetPort(m);
      RunStage([&] { port.Close(); });
      RunStage([&] { port.Listen(localPort); });
      break;
    }
    default:
      break;  // commands 4..255 do nothing but are still cleared
  }
}

}  // namespace detail

}  // namespace zar
