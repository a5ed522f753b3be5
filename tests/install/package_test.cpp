// `make package`: the Debian package cpack makes of this build tree, read
// with dpkg-deb. It holds the programs, the menu entry, the icon, the man
// pages, the examples (and exercises) and metainfo that appstreamcli takes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using zar::test::TempFolder;

TEST(Package, HoldsWhatAnInstallationNeedsWithItsDependencies) {
  const TempFolder temp;
  const std::string folder = temp.File("out").string(), log = temp.File("log").string();
  const auto run = [&](const std::string& command) { return std::system((command + " >" + log + " 2>&1").c_str()); };
  ASSERT_EQ(run("cd \"" ZAR_BUILD_DIR "\" && \"" ZAR_CPACK_COMMAND "\" -G DEB -B \"" + folder + "\""), 0)
      << TempFolder::Read(log);
  const std::string deb = folder + "/zar_" ZAR_VERSION "_*.deb";
  ASSERT_EQ(run("dpkg-deb -I " + deb), 0) << TempFolder::Read(log);
  const std::string info = TempFolder::Read(log);
  for (const char* field : {"Package: zar\n", "qt6-qpa-plugins", "libqt6svg6", "libqt6widgets6", "libc6"}) {
    EXPECT_NE(info.find(field), std::string::npos) << field;
  }
  ASSERT_EQ(run("dpkg-deb -x " + deb + " " + folder + "/root"), 0);
  const fs::path usr = folder + "/root/usr";
  // The programs and the workbench's man page; where the other files go, the installation's test checks.
  for (const char* path : {"bin/zar", "bin/zar-workbench", "share/man/man1/zar-workbench.1"}) {
    EXPECT_TRUE(fs::is_regular_file(usr / path)) << path;
  }
  EXPECT_EQ(fs::is_directory(usr / "share/zar/exercises"), fs::is_directory(ZAR_SOURCE_DIR "/exercises"));
  EXPECT_EQ(run("appstreamcli validate --no-net " + (usr / "share/metainfo/*.metainfo.xml").string()), 0)
      << TempFolder::Read(log);
}

}  // namespace
