#include "devices/network_device.h"

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

namespace {
NetCommandResult Outcome(NetResult result) {
  return result == NetResult::Done ? NetCommandResult::Reached : NetCommandResult::Ignored;
}
}  // namespace

// A socket operation that fails is skipped without a word.
NetCommandResult ExecuteNetCommand(MemoryCells& m, NetworkPort& port, Byte command) {
  switch (command) {
    case NetConnect: {
      const std::string host = RemoteHostText(m);
      const int remotePort = NetPort(m);
      port.Close();
      return Outcome(port.Connect(host, remotePort));
    }
    case NetSend: {
      const NetResult sent = port.SendByte(m[NetDataCell]);
      m[NetDataCell] = 0;
      return Outcome(sent);
    }
    case NetListen: {
      const int localPort = NetPort(m);
      port.Close();
      return Outcome(port.Listen(localPort));
    }
    default:
      return NetCommandResult::Ignored;  // commands 4..255 do nothing but are still cleared
  }
}

}  // namespace detail

}  // namespace zar
