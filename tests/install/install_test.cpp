// An installation of the build tree into a fresh prefix, as `make install`
// makes it, holds what a desktop and a shell need to find the programs.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using zar::test::TempFolder;

TEST(Installation, HoldsTheProgramsExamplesDocsManPageAndMenuEntry) {
  const TempFolder temp;
  const fs::path prefix = temp.File("prefix"), log = temp.File("log");
  const std::string install = std::string("\"" ZAR_CMAKE_COMMAND "\" --install \"" ZAR_BUILD_DIR "\" --prefix \"") +
                              prefix.string() + "\" >\"" + log.string() + "\" 2>&1";
  ASSERT_EQ(std::system(install.c_str()), 0) << TempFolder::Read(log);
  const std::string help = "\"" + (prefix / "bin/zar").string() + "\" --help >\"" + log.string() + "\"";
  EXPECT_EQ(std::system(help.c_str()), 0);  // the installed program runs
  EXPECT_EQ(fs::exists(prefix / "bin/zar-workbench"), ZAR_WITH_DESKTOP);

  // Where each file of the source tree is installed, as it is.
  const fs::path source = fs::path(ZAR_EXAMPLES_DIR).parent_path();
  std::vector<std::pair<fs::path, fs::path>> files = {{"share/zar.1", "share/man/man1/zar.1"},
                                                      {"docs/language.md", "share/zar/docs/language.md"},
                                                      {"docs/tutorial.md", "share/zar/docs/tutorial.md"}};
  for (const auto& entry : fs::directory_iterator(ZAR_EXAMPLES_DIR)) {
    files.emplace_back(entry.path(), "share/zar/examples" / entry.path().filename());
  }
  if (ZAR_WITH_DESKTOP) {
    files.emplace_back("share/zar-workbench.desktop", "share/applications/zar-workbench.desktop");
    files.emplace_back("share/zar-workbench.svg", "share/icons/hicolor/scalable/apps/zar-workbench.svg");
  }
  for (const auto& [from, to] : files) EXPECT_EQ(TempFolder::Read(prefix / to), TempFolder::Read(source / from)) << to;
}

}  // namespace
