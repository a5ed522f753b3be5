// An installation of the build tree into a fresh prefix, as `make install`
// makes it, holds what a desktop and a shell need to find the programs.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using zar::test::TempFolder;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Installation, HoldsTheProgramsExamplesDocsManPageAndMenuEntry) {
  const TempFolder temp;
  const fs::path prefix = temp.File("prefix"), log = temp.File("log");
  const auto installed = [&](const std::string& path) { return TempFolder::Read(prefix / path); };
  const std::string install = std::string("\"" ZAR_CMAKE_COMMAND "\" --install \"" ZAR_BUILD_DIR "\" --prefix \"") +
                              prefix.string() + "\" >\"" + log.string() + "\" 2>&1";
  ASSERT_EQ(std::system(install.c_str()), 0) << TempFolder::Read(log);

  const std::string help_command = "\"" + (prefix / "bin/zar").string() + "\" --help >\"" + log.string() + "\"";
  ASSERT_EQ(std::system(help_command.c_str()), 0);
  EXPECT_EQ(fs::exists(prefix / "bin/zar-workbench"), ZAR_WITH_DESKTOP);
  for (const auto& entry : fs::directory_iterator(ZAR_EXAMPLES_DIR)) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(installed("share/zar/examples/" + name), TempFolder::Read(entry.path())) << name;
  }
  EXPECT_TRUE(installed("share/zar/docs/language.md").starts_with("# "));
  EXPECT_TRUE(installed("share/zar/docs/tutorial.md").starts_with("# "));

  EXPECT_TRUE(Contains(installed("share/man/man1/zar.1"), "zar asm"));

  if (!ZAR_WITH_DESKTOP) return;
  const std::string entry = installed("share/applications/zar-workbench.desktop");
  for (const char* line : {"[Desktop Entry]\n", "\nExec=zar-workbench\n", "\nIcon=zar-workbench\n", "\nComment="}) {
    EXPECT_TRUE(Contains(entry, line)) << line;
  }
  const std::string icon = installed("share/icons/hicolor/scalable/apps/zar-workbench.svg");
  EXPECT_TRUE(icon.starts_with("<svg") && Contains(icon, "</svg>"));
}

}  // namespace
