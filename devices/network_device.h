#pragma once

#include <string>

#include "machine/machine.h"

namespace zar {

// Whether a socket operation was taken on: a byte handed over or queued for
// sending, a connection attempt started, a port bound. What the network does
// afterwards is the port's own business.
enum class NetResult { Done, Failed };

// The socket operations the network device asks for. The desktop implements
// them with a real TCP socket; when one fails, the device carries on with its
// next operation as if nothing happened.
class NetworkPort {
 public:
  virtual ~NetworkPort() = default;
  virtual void Close() = 0;
  virtual NetResult Connect(const std::string& host, int port) = 0;
  virtual NetResult Listen(int port) = 0;
  virtual NetResult SendByte(Byte value) = 0;
};

// A port with no network behind it: every request fails.
class OfflineNetworkPort final : public NetworkPort {
 public:
  void Close() override {}
  NetResult Connect(const std::string&, int) override { return NetResult::Failed; }
  NetResult Listen(int) override { return NetResult::Failed; }
  NetResult SendByte(Byte) override { return NetResult::Failed; }
};

enum NetCommand : Byte {
  NetConnect = 1,
  NetSend = 2,
  NetListen = 3,
};

// Whether a network command does something: 1 to 3. The others are cleared
// and do nothing else, so that a step that gives one is a plain step for
// the look for repeats.
constexpr bool NetServes(Byte command) { return command >= NetConnect && command <= NetListen; }

// Cells 238..241 as dotted decimal text, e.g. "127.0.0.1".
std::string RemoteHostText(const MemoryCells& memory);
// 256 * cell 242 + cell 243.
int NetPort(const MemoryCells& memory);

// What the command in the network command cell came to: there was none; it
// was unknown or each of its socket operations failed; or one of them was
// taken on by the port.
enum class NetCommandResult { None, Ignored, Reached };

namespace detail {
NetCommandResult ExecuteNetCommand(MemoryCells& memory, NetworkPort& port, Byte command);
}

// Executes the command in the network command cell through the port and
// clears the cell, whatever the port did.
inline NetCommandResult CheckNetwork(MemoryCells& memory, NetworkPort& port) {
  const Byte command = memory[NetCommandCell];
  if (command == 0) return NetCommandResult::None;
  const NetCommandResult result = detail::ExecuteNetCommand(memory, port, command);
  memory[NetCommandCell] = 0;
  return result;
}

}  // namespace zar
