// zar-bench-images DIR: writes the benchmarks' programs as program files
// (counter.oisc, copy.oisc, random-N.oisc) for the process benchmarks.
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
  const auto images = zar::bench::RandomImages(200, 11);
  for (std::size_t i = 0; i < images.size(); ++i) write("random-" + std::to_string(i) + ".oisc", images[i]);
  return 0;
}
