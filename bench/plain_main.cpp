// zar-plain IMAGE STEPS: runs a program file with the plain loop and prints
// what it printed; the yardstick of the process benchmarks.
#include <cstdio>
#include <fstream>
#include <string>

#include "plain_loop.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zar-plain IMAGE STEPS\n");
    return 2;
  }
  std::array<std::uint8_t, 256> memory{};
  std::ifstream in(argv[1]);
  std::string line;
  for (std::size_t cell = 0; cell < memory.size() && std::getline(in, line); ++cell) {
    memory[cell] = static_cast<std::uint8_t>(std::atoi(line.c_str()));
  }
  const plain::Outcome out = plain::Run(memory, std::stoull(argv[2]));
  std::fwrite(out.printed.data(), 1, out.printed.size(), stdout);
  std::uint32_t check = 0;
  for (const std::uint32_t pixel : out.screen) check = check * 31 + pixel;
  std::fprintf(stderr, "screen: %08x\n", check);
  return 0;
}
