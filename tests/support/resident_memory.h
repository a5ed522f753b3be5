#pragma once

#include <unistd.h>

#include <fstream>

namespace zar::test {

// Resident memory of this process in bytes.
inline long long ResidentBytes() {
  long long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace zar::test
