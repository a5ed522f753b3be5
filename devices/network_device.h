#pragma once

#include <string>

#include "machine/machine.h"

namespace zar {

// The socket operations the network device asks for. The desktop implements
// them with a real TCP socket; any of them may throw, and the device then
// carries on with its next operation as if nothing happened.
class NetworkPort {
 public:
  virtual ~NetworkPort() = default;
  virtual void Close() = 0;
  virtual void Connect(const std::string& host, int port) = 0;
  virtual void Listen(int port) = 0;
  virtual void SendByte(Byte value) = 0;
};

// A port with no network behind it: every request is dropped, as when each
// socket operation fails.
class OfflineNetworkPort final : public NetworkPort {
 public:
  void Close() override {}
  void Connect(const std::string&, int) override {}
  void Listen(int) override {}
  void SendByte(Byte) override {}
};

enum NetCommand : Byte {
  NetConnect = 1,
  NetSend = 2,
  NetListen = 3,
};

// Cells 238..241 as dotted decimal text, e.g. "127.0.0.1".
std::string RemoteHostText(const MemoryCells& memory);
// 256 * cell 242 + cell 243.
int NetPort(const MemoryCells& memory);

namespace detail {
void ExecuteNetCommand(MemoryCells& memory, NetworkPort& port, Byte command);
}

// Executes the command in the network command cell through the port and
// clears the cell, whatever the port did. Returns whether a command ran.
inline bool CheckNetwork(MemoryCells& memory, NetworkPort& port) {
  const Byte command = memory[NetCommandCell];
  if (command == 0) return false;
  detail::ExecuteNetCommand(memory, port, command);
  memory[NetCommandCell] = 0;
  return true;
}

}  // namespace zar
