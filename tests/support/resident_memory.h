#pragma once

#include <unistd.h>

#include <cstdio>

namespace zar::test {

// Resident memory of this process in bytes.
inline long long ResidentBytes() {
  long long pages = 0;
  long long resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%lld %lld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace zar::test
