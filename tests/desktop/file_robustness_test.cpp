// Files that are huge, binary, folders, gone, or cannot be written: every
// case ends with a message that names the file, and nothing is lost.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAction>

#include <csignal>

#include "assembler/child_windows.h"
#include "fake_dialogs.h"
#include "frontpanel/main_window.h"
#include "platform/text_area.h"
#include "support/temp_folder.h"

namespace zar {
namespace {

namespace fs = std::filesystem;

class FileRobustnessTest : public testing::Test {
 protected:
  void Choose(const fs::path& path, const char* action, QObject& owner) {
    dialogs.answers = {QString::fromStdString(path.string())};
    owner.findChild<QAction*>(action)->trigger();
  }
  QString LastMessage() const { return dialogs.messages.value(dialogs.messages.size() - 1); }
  TextArea& Source() { return workbench.SourceWindow().Text(); }
  QString SourceCaption() { return workbench.SourceWindow().windowTitle(); }

  test::TempFolder temp;
  DesktopState state;
  test::FakeDialogs dialogs;
  MainWindow window{state, dialogs};
  WorkbenchWindow& workbench = window.ShowWorkbench();
};

TEST_F(FileRobustnessTest, AHugeProgramFileIsReadOnlyAsFarAsItsLinesGo) {
  const fs::path path = temp.Write("huge.oisc", "7\n8\n");
  fs::resize_file(path, 100LL << 20);  // the rest is one endless line of zero bytes
  state.machine.Memory.fill(1);
  Choose(path, "menld", window);
  EXPECT_EQ(state.machine.Memory[0], 7);
  EXPECT_EQ(state.machine.Memory[1], 8);
  EXPECT_EQ(state.machine.Memory[2], 1);
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(FileRobustnessTest, ProgramFilesThatCannotBeReadOrWrittenAreReported) {
  state.machine.Memory.fill(5);
  Choose(temp.Path(), "menld", window);
  EXPECT_TRUE(LastMessage().contains(QString::fromStdString(temp.Path().string())));
  Choose(temp.File("gone.oisc"), "menld", window);
  EXPECT_TRUE(LastMessage().contains("gone.oisc"));
  EXPECT_EQ(state.machine.Memory[9], 5);

  Choose("/proc/zar-image.oisc", "mensav", window);
  EXPECT_TRUE(LastMessage().contains("/proc/zar-image.oisc"));
  EXPECT_EQ(dialogs.messages.size(), 3);
}

TEST_F(FileRobustnessTest, HugeOrBinarySourcesAreRefusedAndTheEditorKeepsItsText) {
  Source().SetWholeText("NUL");
  const fs::path huge = temp.Write("huge.OIA", "NUL\n");
  fs::resize_file(huge, 100LL << 20);
  Choose(huge, "mload", workbench);
  EXPECT_TRUE(LastMessage().contains("huge.OIA"));
  EXPECT_TRUE(LastMessage().contains("larger than"));

  Choose(temp.Write("binary.OIA", std::string("NUL\n\x00\x01\x02", 7)), "mload", workbench);
  EXPECT_TRUE(LastMessage().contains("not a text file"));
  Choose(temp.Path(), "mload", workbench);
  Choose(temp.File("gone.OIA"), "mload", workbench);
  EXPECT_EQ(dialogs.messages.size(), 4);
  EXPECT_EQ(Source().WholeText(), "NUL");
  EXPECT_EQ(SourceCaption(), "SourceCode");
}

TEST_F(FileRobustnessTest, AFailedSourceSaveKeepsTheOldFileAndTheCaption) {
  const fs::path path = temp.Write("keep.OIA", "old");
  Source().SetWholeText(QString(5000, 'x'));
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 1000;  // a disk that fills up after 1,000 bytes
  ::setrlimit(RLIMIT_FSIZE, &small);
  Choose(path, "msave", workbench);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_DFL);

  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_TRUE(LastMessage().contains("keep.OIA"));
  EXPECT_EQ(test::TempFolder::Read(path), "old");
  EXPECT_EQ(SourceCaption(), "SourceCode");
  Choose("/proc/zar.OIA", "msave", workbench);
  EXPECT_TRUE(LastMessage().contains("/proc/zar.OIA"));
  EXPECT_EQ(SourceCaption(), "SourceCode");
}

}  // namespace
}  // namespace zar
