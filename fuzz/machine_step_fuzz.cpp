// Arbitrary memory images, run for many steps: after every step IP is at most
// 252, the console, screen and network command cells have been served and
// hold 0.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "session/session.h"

namespace {

constexpr int Steps = 2000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 257) return 0;
  zar::OfflineNetworkPort network;
  zar::Session session(network);
  session.SetRecordsHistory(data[256] & 1);
  zar::Machine start;
  std::copy(data, data + 256, start.Memory.begin());
  start.IP = static_cast<zar::Byte>(data[256] % (zar::MaxIP + 1));
  session.ReplaceMachine(start);
  const zar::Machine& machine = session.State();
  for (int step = 0; step < Steps; ++step) {
    session.Step();
    if (machine.IP > zar::MaxIP) std::abort();
    if (machine.Memory[zar::ConsoleCell] != 0) std::abort();
    if (machine.Memory[zar::ScreenCommandCell] != 0) std::abort();
    if (machine.Memory[zar::NetCommandCell] != 0) std::abort();
  }
  return 0;
}
