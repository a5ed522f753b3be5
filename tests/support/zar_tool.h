#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/temp_folder.h"

namespace zar::test {

// What a run of zar did.
struct Outcome {
  int exit = -1;
  std::string out, err;
};

// The zar program (ZAR_EXECUTABLE) run in the test's fresh folder: relative
// file names in the words land there, and {} stands for its path.
class ZarTool {
 public:
  Outcome Run(std::string words) const {
    for (std::size_t at; (at = words.find("{}")) != std::string::npos;) words.replace(at, 2, folder.Path().string());
    return Shell("$ZAR " + words);
  }
  // A shell command line run in the folder; $ZAR is zar.
  Outcome Shell(const std::string& line) const {
    const std::string command = "cd '" + folder.Path().string() + "' && ZAR='" + ZAR_EXECUTABLE + "' && (" + line +
                                ") >zar.out 2>zar.err </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("zar.out"), Read("zar.err")};
  }

  std::string Read(const std::string& name) const { return TempFolder::Read(folder.File(name)); }
  void Write(const std::string& name, const std::string& bytes) const { folder.Write(name, bytes); }

  TempFolder folder;
};

// The K of the "steps: K" line that zar run writes on stderr.
inline long long StepsRun(const std::string& err) {
  const std::size_t at = err.find("steps: ");
  return at == std::string::npos ? -1 : std::stoll(err.substr(at + 7));
}

}  // namespace zar::test
