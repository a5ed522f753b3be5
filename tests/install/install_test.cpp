// An installation of the build tree into a fresh prefix, as `make install`
// makes it, holds what a desktop and a shell need to find the programs.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using zar::test::TempFolder;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Installation : public testing::Test {
 protected:
  void SetUp() override {
    const std::string command = std::string("\"" ZAR_CMAKE_COMMAND "\" --install \"" ZAR_BUILD_DIR "\" --prefix \"") +
                                Prefix().string() + "\" >\"" + temp.File("install.log").string() + "\" 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << TempFolder::Read(temp.File("install.log"));
  }
  fs::path Prefix() const { return temp.File("prefix"); }
  std::string Installed(const std::string& path) const { return TempFolder::Read(Prefix() / path); }

  // Runs an installed program with the words; its exit status and what it printed.
  std::pair<int, std::string> Run(const std::string& program, const std::string& words) const {
    const fs::path out = temp.File("out");
    const std::string command =
        "\"" + (Prefix() / program).string() + "\" " + words + " >\"" + out.string() + "\" 2>&1 </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, TempFolder::Read(out)};
  }

  TempFolder temp;
};

TEST_F(Installation, HoldsTheProgramsAndEveryExample) {
  const auto [exit, help] = Run("bin/zar", "--help");
  EXPECT_EQ(exit, 0);
  EXPECT_TRUE(Contains(help, "zar asm SOURCE")) << help;
  EXPECT_EQ(fs::exists(Prefix() / "bin/zar-workbench"), ZAR_WITH_DESKTOP);
  int examples = 0;
  for (const auto& entry : fs::directory_iterator(ZAR_EXAMPLES_DIR)) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(Installed("share/zar/examples/" + name), TempFolder::Read(entry.path())) << name;
    ++examples;
  }
  EXPECT_GE(examples, 5);
}

// Every option `zar --help` names has its entry in the man page.
TEST_F(Installation, ManPageDescribesEveryOptionOfTheHelp) {
  const std::string page = Installed("share/man/man1/zar.1");
  ASSERT_TRUE(page.starts_with(".TH ZAR 1"));
  const std::string help = Run("bin/zar", "--help").second;
  const std::regex option("(^|[\\s\\[|])(--?[a-z]+)");
  std::set<std::string> options;
  for (auto it = std::sregex_iterator(help.begin(), help.end(), option); it != std::sregex_iterator(); ++it) {
    options.insert((*it)[2]);
  }
  EXPECT_GE(options.size(), 14u);
  for (const std::string& name : options) {
    EXPECT_TRUE(Contains(page, std::regex_replace(name, std::regex("-"), "\\-"))) << name << " is not in the man page";
  }
}

TEST_F(Installation, DesktopEntryStartsTheProgramWithItsIcon) {
  if (!ZAR_WITH_DESKTOP) GTEST_SKIP() << "built without the desktop program";
  const std::string entry = Installed("share/applications/zar-workbench.desktop");
  EXPECT_TRUE(entry.starts_with("[Desktop Entry]\n"));
  for (const char* line : {"\nType=Application\n", "\nName=ZAR Workbench\n", "\nExec=zar-workbench\n",
                           "\nIcon=zar-workbench\n", "\nTerminal=false\n", "\nComment="}) {
    EXPECT_TRUE(Contains(entry, line)) << line;
  }
  const std::string icon = Installed("share/icons/hicolor/scalable/apps/zar-workbench.svg");
  EXPECT_TRUE(icon.starts_with("<svg") || icon.starts_with("<?xml"));
  EXPECT_TRUE(Contains(icon, "</svg>"));
}

}  // namespace
