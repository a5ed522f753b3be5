#pragma once

#include <string>
#include <vector>

#include "devices/network_device.h"
#include "reference/plain_machine.h"
#include "session/session.h"

namespace zar::reference {

// A network port that writes down what the network device asks of it, in the
// plain machine's words, and takes on every request or none.
class LoggingPort final : public NetworkPort {
 public:
  explicit LoggingPort(bool answers = false) : answers_(answers) {}
  void Close() override { calls.push_back("close"); }
  NetResult Connect(const std::string& host, int port) override;
  NetResult Listen(int port) override;
  NetResult SendByte(Byte value) override;

  std::vector<std::string> calls;

 private:
  NetResult Answer() const { return answers_ ? NetResult::Done : NetResult::Failed; }
  bool answers_;
};

// The plain machine set up as the session is: memory, IP, history on or
// off, breakpoints and watches.
PlainMachine PlainLike(const Session& session);

// The first difference between a session (with its port) and the plain
// machine, in words; empty when there is none.
std::string Difference(const Session& session, const LoggingPort& port, const PlainMachine& plain);
std::string Difference(const RunStop& stop, const PlainMachine::Stop& plain);

}  // namespace zar::reference
