#pragma once

#include <cstdint>

#include "devices/network_device.h"
#include "devices/screen_device.h"
#include "machine/machine.h"
#include "machine/machine_host.h"

namespace zar {

// One whole step, always in this order: the instruction with the console
// drain, the memory view, the screen service, the network service, the
// history. A stage that fails is abandoned silently and the next one runs;
// nothing escapes to the caller.
//
// Returns false only when the step left memory and IP as they were, printed
// nothing and found no device command: from then on nothing can happen.
bool MachineStep(Machine& machine, ScreenDevice& screen, NetworkPort& network, MachineHost& host);

// Steps until maxSteps steps ran or a step changed nothing (that step counts).
// Returns the number of steps run.
std::uint64_t RunUntilFixedPoint(Machine& machine, ScreenDevice& screen, NetworkPort& network,
                                 MachineHost& host, std::uint64_t maxSteps);

}  // namespace zar
