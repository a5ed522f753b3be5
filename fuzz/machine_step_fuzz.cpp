// Arbitrary memory images, run for many steps: after every step IP is at most
// 252, and the console, screen and network command cells have been served and
// hold 0.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "machine/machine_step.h"

namespace {

class CountingHost final : public zar::MachineHost {
 public:
  void ConsoleOut(zar::Byte code) override {
    if (code == 0) std::abort();
  }
};

constexpr int Steps = 2000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 257) return 0;
  zar::Machine machine;
  std::copy(data, data + 256, machine.Memory.begin());
  machine.IP = static_cast<zar::Byte>(data[256] % (zar::MaxIP + 1));
  zar::ScreenDevice screen;
  zar::OfflineNetworkPort network;
  CountingHost host;
  for (int step = 0; step < Steps; ++step) {
    zar::MachineStep(machine, screen, network, host);
    if (machine.IP > zar::MaxIP) std::abort();
    if (machine.Memory[zar::ConsoleCell] != 0) std::abort();
    if (machine.Memory[zar::ScreenCommandCell] != 0) std::abort();
    if (machine.Memory[zar::NetCommandCell] != 0) std::abort();
  }
  return 0;
}
