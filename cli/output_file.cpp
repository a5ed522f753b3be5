#include "cli/output_file.h"

#include <cstdio>

#include "formats/write_file.h"

namespace zar::cli {

bool ReportFile(const FileResult& result) {
  if (result.Failed()) std::fprintf(stderr, "zar: %s\n", result.Why().c_str());
  return !result.Failed();
}

bool WriteOutput(const std::string& name, std::string_view bytes) {
  if (name != "-") return ReportFile(WriteWholeFile(name, bytes));
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0) return true;
  std::fprintf(stderr, "zar: cannot write to standard output\n");
  return false;
}

}  // namespace zar::cli
