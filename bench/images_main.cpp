// zar-bench-images DIR: writes the benchmarks' programs as program files
// (counter.oisc, copy.oisc, echo.oisc, random-N.oisc) and the echo client's
// peer (echo-peer.txt) for the process benchmarks.
#include <cstdio>
#include <fstream>
#include <string>

#include "formats/program_file.h"
#include "programs.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zar-bench-images DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const auto write = [&](const std::string& name, const zar::Machine& m) {
    std::ofstream(dir + "/" + name, std::ios::binary) << zar::ProgramFileText(m.Memory);
  };
  write("counter.oisc", zar::bench::DownCounter());
  write("copy.oisc", zar::bench::SelfModifyingCopy());
  write("echo.oisc", zar::bench::EchoClient());
  // The peer of the echo client: it takes the connection, then sends a byte
  // every 2,000 steps (a script of less than a megabyte).
  std::ofstream peer(dir + "/echo-peer.txt");
  peer << "10 connect\n";
  for (int i = 1; i <= 50'000; ++i) peer << i * 2000 << " net " << 1 + i % 255 << "\n";
  const auto images = zar::bench::RandomImages(200, 11);
  for (std::size_t i = 0; i < images.size(); ++i) write("random-" + std::to_string(i) + ".oisc", images[i]);
  return 0;
}
