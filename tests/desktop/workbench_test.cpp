#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QTcpSocket>
#include <QElapsedTimer>

#include <filesystem>
#include <fstream>

#include "assembler/child_windows.h"
#include "assembler/workbench_layout.h"
#include "assembler/workbench_window.h"
#include "fake_dialogs.h"
#include "support/temp_folder.h"
#include "frontpanel/main_window.h"
#include "platform/console_view.h"
#include "platform/text_area.h"

namespace zar {
namespace {

namespace fs = std::filesystem;

TEST(WorkbenchLayout, FollowsTheFrameArithmetic) {
  const WorkbenchLayout layout = LayOutWorkbench(10200, 8900);
  EXPECT_EQ(layout.source, (TwipRect{9, 0, 5000, 4000}));
  EXPECT_EQ(layout.table, (TwipRect{5000, 0, 5000, 4000}));
  EXPECT_EQ(layout.output, (TwipRect{0, 4000, 10000, 4000}));

  const WorkbenchLayout tiny = LayOutWorkbench(150, 800);  // sizes not positive: left as they are
  EXPECT_EQ(tiny.source, (TwipRect{9, 0, -1, -1}));
  EXPECT_EQ(tiny.output.top, -50);
  EXPECT_EQ(TextAreaInChild(5000, 4000), (TwipRect{0, 0, 4820, 3480}));
  EXPECT_EQ(TextAreaInChild(100, 4000), (TwipRect{0, 0, -1, 3480}));
}

constexpr const char* WorkedExample = "MOV,k,191\nSUB,255,k,?\n:halt\nGTO,halt\nSET,k";

class WorkbenchTest : public testing::Test {
 protected:
  void Trigger(const char* name) {
    auto* action = workbench->findChild<QAction*>(name);
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
  }
  TextArea& Source() { return workbench->SourceWindow().Text(); }
  QString Table() { return workbench->TableWindow().Text().WholeText(); }
  QString Listing() { return workbench->OutputWindow().Text().WholeText(); }
  QString Path(const std::string& name) const { return QString::fromStdString((folder / name).string()); }
  static std::string Read(const fs::path& path) { return test::TempFolder::Read(path); }

  test::TempFolder temp;
  const fs::path& folder = temp.Path();
  DesktopState state;
  test::FakeDialogs dialogs;
  MainWindow window{state, dialogs};
  WorkbenchWindow* workbench = &window.ShowWorkbench();
};

TEST_F(WorkbenchTest, OpensWithItsWindowsAndMenus) {
  EXPECT_EQ(workbench->objectName(), "MDIForm1");
  EXPECT_EQ(workbench->windowTitle(), "ZAR Assembler");
  EXPECT_EQ(workbench->centralWidget()->size(), QSize(925, 546));
  EXPECT_EQ(workbench->SourceWindow().objectName(), "Form2");
  EXPECT_EQ(workbench->SourceWindow().windowTitle(), "SourceCode");
  EXPECT_EQ(workbench->TableWindow().windowTitle(), "Internal Table");
  EXPECT_EQ(workbench->OutputWindow().windowTitle(), "Ausgabe");
  EXPECT_FALSE(Source().isReadOnly());
  EXPECT_TRUE(workbench->TableWindow().Text().isReadOnly());
  EXPECT_TRUE(workbench->OutputWindow().Text().isReadOnly());
  QStringList entries;
  for (QAction* menu : workbench->menuBar()->actions()) {
    entries << menu->text();
    for (QAction* item : menu->menu()->actions()) entries << (item->isSeparator() ? "-" : item->text());
  }
  EXPECT_EQ(entries, (QStringList{"File", "Load", "Save as", "-", "Close", "Assembler", "Generate",
                                  "Generate and Copy", "Generate and Start", "Debug Modus"}));
  EXPECT_TRUE(workbench->findChild<QAction*>("mdbg")->isChecked());
  EXPECT_EQ(&window.ShowWorkbench(), workbench);  // a second choice brings the same window
  workbench->SourceWindow().close();               // the child windows stay with the workbench
  EXPECT_FALSE(workbench->SourceWindow().isHidden());
}

TEST_F(WorkbenchTest, GenerateListsWithoutTouchingTheMachine) {
  state.machine.Memory.fill(7);
  state.machine.IP = 30;
  Source().SetWholeText(WorkedExample);
  Trigger("mcreateonly");
  EXPECT_TRUE(Listing().startsWith("----MOV----\n0\t:9\n1\t:10\n2\t:3\n----SUB----"));
  EXPECT_TRUE(Table().contains("VAL\t65\t\t\t\t10"));
  EXPECT_EQ(state.machine.Memory[0], 7);
  EXPECT_EQ(state.machine.IP, 30);
  EXPECT_TRUE(dialogs.messages.isEmpty());

  Trigger("mdbg");
  Trigger("mcreateonly");
  EXPECT_TRUE(Listing().startsWith("0\t:9\n1\t:10\n"));
  EXPECT_FALSE(Listing().contains("----"));
}

TEST_F(WorkbenchTest, CopyStopsAndLoadsAndStartRunsTheProgram) {
  window.Timer().SetEnabled(true);
  state.machine.IP = 30;
  Source().SetWholeText(WorkedExample);
  Trigger("mcreatecopy");
  EXPECT_FALSE(window.Timer().Enabled());
  EXPECT_EQ(state.machine.IP, 0);
  const Byte expected[] = {9, 10, 3, 255, 9, 6, 255, 255, 6, 0, 65, 0};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(state.machine.Memory[i], expected[i]) << i;
  EXPECT_EQ(state.machine.Memory[255], 0);

  Trigger("mrun");
  EXPECT_TRUE(window.Timer().Enabled());
  window.Timer().SetEnabled(false);
  for (int i = 0; i < 3; ++i) window.RunStep();
  EXPECT_EQ(window.findChild<ConsoleView*>("cbox")->Text(), "A");
}

TEST_F(WorkbenchTest, EachStageReportsInOrderAndTheNextStillRuns) {
  state.machine.Memory.fill(9);
  window.Timer().SetEnabled(true);
  Source().SetWholeText("SET\n\nGTO,nowhere");
  Trigger("mcreatecopy");
  EXPECT_EQ(dialogs.messages, (QStringList{"Input Processing failed at: SET", "Input Processing failed at: ",
                                           "Compile Failed at command: 1 = GTO,nowhere,,"}));
  EXPECT_EQ(Listing(), "");
  EXPECT_EQ(state.machine.Memory, MemoryCells{});
  EXPECT_FALSE(window.Timer().Enabled());
}

TEST_F(WorkbenchTest, CloseDiscardsAndReopeningStartsAfresh) {
  Source().SetWholeText(WorkedExample);
  Trigger("mdbg");
  Trigger("mrun");
  Trigger("mclose");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window.findChild<WorkbenchWindow*>(), nullptr);
  EXPECT_TRUE(window.Timer().Enabled());  // the machine keeps running

  workbench = &window.ShowWorkbench();
  EXPECT_EQ(Source().WholeText(), "");
  EXPECT_EQ(Table(), "");
  EXPECT_EQ(Listing(), "");
  EXPECT_EQ(state.assembler.Table.CmdCount(), 0);
  EXPECT_TRUE(workbench->findChild<QAction*>("mdbg")->isChecked());
}

TEST_F(WorkbenchTest, LoadScansAndSaveWritesTheSameText) {
  const std::string text = "# caf\xe9\r\nNUL\r\n:x\r\nGTO,x";
  std::ofstream(folder / "a.OIA", std::ios::binary) << text;
  workbench->OutputWindow().Text().SetWholeText("old listing");
  dialogs.answers = {Path("a.OIA")};
  Trigger("mload");
  EXPECT_TRUE(dialogs.lastFilter.startsWith("OISC-Assembler(*.OIA)"));
  EXPECT_EQ(Source().WholeText(), QString::fromUtf8("# caf\u00e9\nNUL\n:x\nGTO,x"));
  EXPECT_EQ(workbench->SourceWindow().windowTitle(), "Quelltext : a.OIA");
  EXPECT_EQ(Listing(), "");
  EXPECT_TRUE(Table().contains("LAB\t\t\t\tx\t0"));

  dialogs.answers = {Path("b.OIA")};
  Trigger("msave");
  EXPECT_EQ(dialogs.lastStartPath, Path("a.OIA"));
  EXPECT_EQ(Read(folder / "b.OIA"), text);
  EXPECT_EQ(workbench->SourceWindow().windowTitle(), "Quelltext : b.OIA");

  std::ofstream(folder / "lf.OIA", std::ios::binary) << "NUL\nNXT\n";
  dialogs.answers = {Path("lf.OIA"), Path("lf2.OIA")};
  Trigger("mload");
  EXPECT_EQ(dialogs.messages, (QStringList{"Input Processing failed at: "}));  // the final line break
  Trigger("msave");
  EXPECT_EQ(Read(folder / "lf2.OIA"), "NUL\nNXT\n");
}

TEST_F(WorkbenchTest, FailedLoadsAndSavesAreReportedAndChangeNothing) {
  Source().SetWholeText("NUL");
  Trigger("mload");  // cancelled
  dialogs.answers = {Path("missing.OIA")};
  Trigger("mload");
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_TRUE(dialogs.messages[0].contains("missing.OIA"));
  EXPECT_EQ(Source().WholeText(), "NUL");
  EXPECT_EQ(workbench->SourceWindow().windowTitle(), "SourceCode");

  fs::create_directories(folder / "dir.OIA");
  dialogs.answers = {Path("dir.OIA")};
  Trigger("msave");
  ASSERT_EQ(dialogs.messages.size(), 2);
  EXPECT_TRUE(dialogs.messages[1].contains("dir.OIA"));
  EXPECT_EQ(workbench->SourceWindow().windowTitle(), "SourceCode");
}

TEST_F(WorkbenchTest, ChildWindowsFollowTheWorkbenchSize) {
  workbench->show();
  QCoreApplication::processEvents();
  // An outer size of 10,200 x 9,000 twips, frame included: halves of
  // 5,000 x 4,050 twips.
  const QSize frame = workbench->frameGeometry().size() - workbench->size();
  workbench->resize(QSize(680, 600) - frame);
  QCoreApplication::processEvents();
  ASSERT_EQ(workbench->frameGeometry().size(), QSize(680, 600));
  EXPECT_EQ(workbench->SourceWindow().geometry(), QRect(1, 0, 333, 270));
  EXPECT_EQ(workbench->TableWindow().geometry(), QRect(333, 0, 333, 270));
  EXPECT_EQ(workbench->OutputWindow().geometry(), QRect(0, 270, 667, 270));
  EXPECT_EQ(workbench->SourceWindow().Text().size(), QSize(321, 235));  // 4,820 x 3,530 twips
}

TEST_F(WorkbenchTest, EchoServerExampleAnswersAPeer) {
  dialogs.answers = {QString(ZAR_EXAMPLES_DIR) + "/echo_server.OIA"};
  Trigger("mload");
  window.Timer().SetInterval(1);
  Trigger("mrun");
  ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
  QTcpSocket peer;
  QElapsedTimer clock;
  clock.start();
  // The program listens within its first few steps.
  while (peer.state() != QAbstractSocket::ConnectedState && clock.elapsed() < 5000) {
    if (peer.state() == QAbstractSocket::UnconnectedState) peer.connectToHost("127.0.0.1", 2323);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  ASSERT_EQ(peer.state(), QAbstractSocket::ConnectedState);
  peer.write("z");
  while (peer.bytesAvailable() == 0 && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_EQ(peer.readAll(), QByteArray("z"));
}

}  // namespace
}  // namespace zar
