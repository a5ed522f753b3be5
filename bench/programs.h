#pragma once

// The programs the engines are timed on, as memory images.
#include <string>
#include <vector>

#include "machine/machine.h"

namespace zar::bench {

// A 4-byte counter in cells 208..211 (low byte first) that counts down to
// zero and starts again: its state never repeats within 10^9 steps.
Machine DownCounter();
// Copies a 24-cell array (160..183 to 184..207) by rewriting its copying
// instructions' operands, again and again, counting the copies down in a
// 4-byte counter and changing the array's first cell each time.
Machine SelfModifyingCopy();
// Connects to a peer and sends back every byte that arrives, the first
// byte of each chunk, as the echo server does for its client.
Machine EchoClient();
// An example source of examples/, assembled.
Machine Example(const std::string& name);
// count random images of a seed, the command and console cells 0.
std::vector<Machine> RandomImages(int count, unsigned seed);

}  // namespace zar::bench
