#include "frontpanel/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>

#include <filesystem>
#include <fstream>
#include <functional>

#include "devices/history_window.h"
#include "devices/screen_window.h"
#include "fake_dialogs.h"
#include "support/temp_folder.h"
#include "frontpanel/input_fields.h"
#include "frontpanel/memory_view.h"
#include "machine/memory_text.h"
#include "machine/program_file.h"
#include "platform/console_view.h"
#include "platform/text_area.h"

namespace zar {
namespace {

namespace fs = std::filesystem;

bool WaitFor(const std::function<bool()>& condition, int ms = 3000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return condition();
}

class MainWindowTest : public testing::Test {
 protected:
  template <typename T>
  T* Child(const char* name) {
    T* child = window.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  void Trigger(const char* action) { Child<QAction>(action)->trigger(); }
  void Click(const char* button) { Child<QPushButton>(button)->click(); }
  MemoryCells& Memory() { return state.machine.Memory; }
  QString MemoryTextShown() { return Child<TextArea>("rtb1")->WholeText(); }
  static QString Expected(const Machine& m) { return QString::fromLatin1(MemoryText(m)).replace('\r', '\n'); }

  // Puts the instruction A, B, C at cell 0 and restarts there.
  void Program(std::initializer_list<int> cells) {
    Memory().fill(0);
    int i = 0;
    for (const int v : cells) Memory()[i++] = static_cast<Byte>(v);
    state.machine.IP = 0;
  }

  void SendKey(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               const QString& text = {}) {
    QKeyEvent event(type, key, modifiers, text);
    QApplication::sendEvent(target, &event);
  }

  QString Path(const std::string& name) const { return QString::fromStdString((folder / name).string()); }

  test::TempFolder temp;
  const fs::path& folder = temp.Path();
  DesktopState state;
  test::FakeDialogs dialogs;
  MainWindow window{state, dialogs};
};

TEST_F(MainWindowTest, StartsStoppedWithRandomMemoryDrawn) {
  EXPECT_EQ(window.objectName(), "Form1");
  EXPECT_TRUE(window.windowTitle().startsWith("OISC ZAR by "));
  EXPECT_EQ(window.centralWidget()->size(), QSize(970, 439));
  EXPECT_EQ(state.machine.IP, 0);
  EXPECT_FALSE(window.Timer().Enabled());
  EXPECT_EQ(window.Timer().Interval(), 50);
  EXPECT_EQ(Child<QLineEdit>("Text1")->text(), "50");
  EXPECT_EQ(Child<ConsoleView>("cbox")->Text(), "");
  EXPECT_EQ(MemoryTextShown(), Expected(state.machine));
  EXPECT_TRUE(window.LoadedProgramPath().isEmpty());
  for (const char* name : {"p1", "keyb", "Command1", "Command2", "Command3", "Command4", "Label1", "Label2"}) {
    EXPECT_NE(window.findChild<QWidget*>(name), nullptr) << name;
  }
  for (const char* name : {"menld", "mensav", "resip", "fillNULL", "fillup", "filldown", "fillrnd", "mzarass", "msop",
                           "mhist", "minf"}) {
    EXPECT_NE(window.findChild<QAction*>(name), nullptr) << name;
  }
  EXPECT_EQ(window.findChild<HistoryWindow*>(), nullptr);  // no other window yet
}

TEST_F(MainWindowTest, StepRunsOneInstructionAndRedrawsOnce) {
  Program({10, 11, 6});
  Memory()[10] = 5;
  Memory()[11] = 7;
  const int draws = window.View().Draws();
  Click("Command3");
  EXPECT_EQ(Memory()[10], 254);
  EXPECT_EQ(state.machine.IP, 6);
  EXPECT_EQ(window.View().Draws(), draws + 1);
  EXPECT_EQ(MemoryTextShown(), Expected(state.machine));
  // The history's window exists from the first step on, hidden.
  ASSERT_NE(window.findChild<HistoryWindow*>("Form5"), nullptr);
  EXPECT_FALSE(window.findChild<HistoryWindow*>("Form5")->isVisible());
}

TEST_F(MainWindowTest, StartAndStopSwitchTheTimerAndTicksStep) {
  Program({20, 21, 0});  // cell 20 counts up forever
  Memory()[21] = 255;
  window.Timer().SetInterval(1);
  Click("Command1");
  EXPECT_TRUE(WaitFor([&] { return Memory()[20] > 5; }));
  Click("Command2");
  EXPECT_FALSE(window.Timer().Enabled());
  const Byte stopped = Memory()[20];
  WaitFor([] { return false; }, 30);
  EXPECT_EQ(Memory()[20], stopped);
  EXPECT_EQ(MemoryTextShown(), Expected(state.machine));
}

TEST_F(MainWindowTest, SpeedFieldReadsItsTextBeforeEachKey) {
  auto* field = Child<SpeedField>("Text1");
  std::vector<int> intervals;
  auto press = [&](int key, const QString& text) {
    SendKey(field, QEvent::KeyPress, key, Qt::NoModifier, text);
    intervals.push_back(window.Timer().Interval());
  };
  field->setCursorPosition(2);
  press(Qt::Key_Backspace, "\b");
  press(Qt::Key_Backspace, "\b");
  press(Qt::Key_2, "2");
  press(Qt::Key_0, "0");
  press(Qt::Key_0, "0");
  press(Qt::Key_Return, "\r");
  EXPECT_EQ(intervals, (std::vector<int>{50, 5, 5, 2, 20, 200}));
  field->setText(" 12.5 ");
  press(Qt::Key_Return, "\r");
  EXPECT_EQ(window.Timer().Interval(), 12);
  field->setText("7a");
  press(Qt::Key_Return, "\r");
  field->setText("70000");
  press(Qt::Key_Return, "\r");
  EXPECT_EQ(window.Timer().Interval(), 12);
}

TEST_F(MainWindowTest, ZeroIntervalPausesARunningMachine) {
  window.Timer().SetInterval(1);
  Click("Command1");
  auto* field = Child<SpeedField>("Text1");
  field->setText("0");
  SendKey(field, QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_TRUE(window.Timer().Enabled());
  EXPECT_FALSE(window.Timer().Ticking());
}

TEST_F(MainWindowTest, KeyReleasesReachTheKeyCell) {
  auto* keys = Child<KeyField>("keyb");
  SendKey(keys, QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, "A");
  EXPECT_NE(Memory()[KeyCell], 65 + 256);  // a press stores nothing of its own
  SendKey(keys, QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, "A");
  EXPECT_EQ(Memory()[KeyCell], 65);
  SendKey(keys, QEvent::KeyRelease, Qt::Key_Return);
  EXPECT_EQ(Memory()[KeyCell], 13);
  EXPECT_EQ(MemoryTextShown(), Expected(state.machine));
}

TEST_F(MainWindowTest, FillsOverwriteEveryCellAndRestartAtZero) {
  state.machine.IP = 30;
  Trigger("fillup");
  EXPECT_EQ(Memory()[255], 255);
  EXPECT_EQ(state.machine.IP, 0);
  EXPECT_TRUE(MemoryTextShown().endsWith("IP:0 [A]:0 [B]:1 C:2"));
  Trigger("filldown");
  EXPECT_EQ(Memory()[0], 255);
  Trigger("fillNULL");
  EXPECT_EQ(Memory(), MemoryCells{});
  Trigger("fillrnd");
  EXPECT_NE(Memory(), MemoryCells{});
}

TEST_F(MainWindowTest, MemoryPictureShowsGreysWithTheInstructionMarked) {
  Trigger("fillup");  // IP 0, A 0, B 1, C 2
  const QImage picture = Child<MemoryPicture>("p1")->Picture();
  auto cellPixel = [&](int cell, int dx, int dy) {
    return picture.pixelColor(1 + cell % 16 * 10 + dx, 1 + cell / 16 * 10 + dy);
  };
  EXPECT_EQ(cellPixel(0, 0, 0), QColor(255, 0, 0));  // A's red drawn over IP's green
  EXPECT_EQ(cellPixel(1, 9, 9), QColor(0, 128, 255));
  EXPECT_EQ(cellPixel(2, 0, 5), QColor(255, 255, 0));
  EXPECT_EQ(cellPixel(0, 5, 5), QColor(0, 0, 0));  // inside the outline: the cell's grey
  EXPECT_EQ(cellPixel(37, 5, 5), QColor(37, 37, 37));
  EXPECT_EQ(cellPixel(255, 0, 0), QColor(255, 255, 255));

  state.machine.IP = 3;  // ascending memory: A = 3 over IP's cell, B = 4, C = 5
  window.View().Redraw(state.machine);
  EXPECT_EQ(Child<MemoryPicture>("p1")->Picture().pixelColor(1 + 30, 1), QColor(255, 0, 0));
}

TEST_F(MainWindowTest, ConsoleShowsOutputUntilCleared) {
  Program({255, 10, 3});
  Memory()[10] = 191;
  Click("Command3");
  auto* console = Child<ConsoleView>("cbox");
  EXPECT_EQ(console->Text(), "A");
  Click("Command4");
  EXPECT_EQ(console->Text(), "");
}

TEST_F(MainWindowTest, SaveThenLoadRoundTripsAndCancelChangesNothing) {
  Trigger("fillup");
  dialogs.answers = {Path("a.oisc")};
  Trigger("mensav");
  EXPECT_TRUE(dialogs.lastFilter.startsWith("OISC Programme(*.OISC)"));
  Trigger("fillNULL");
  state.machine.IP = 9;
  dialogs.answers = {Path("a.oisc")};
  Trigger("menld");
  EXPECT_EQ(Memory()[200], 200);
  EXPECT_EQ(state.machine.IP, 0);
  EXPECT_EQ(window.LoadedProgramPath(), Path("a.oisc"));
  EXPECT_EQ(dialogs.lastStartPath, Path("a.oisc"));

  Trigger("fillNULL");
  Trigger("menld");  // cancelled: nothing happens, although a path was chosen before
  Trigger("mensav");
  EXPECT_EQ(Memory(), MemoryCells{});
  EXPECT_EQ(window.LoadedProgramPath(), Path("a.oisc"));
  MemoryCells saved{};
  ASSERT_FALSE(LoadProgramFile(folder / "a.oisc", saved));
  EXPECT_EQ(saved[200], 200);
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(MainWindowTest, LoadIsTolerantAndResetReloadsAndStops) {
  std::ofstream(folder / "p.oisc") << "1\n2\nabc\n300\n5\n";
  Trigger("fillNULL");
  Memory()[2] = 77;
  Trigger("resip");  // before any load: nothing
  EXPECT_EQ(Memory()[2], 77);
  dialogs.answers = {Path("p.oisc")};
  Trigger("menld");
  EXPECT_EQ(Memory()[0], 1);
  EXPECT_EQ(Memory()[2], 77);
  EXPECT_EQ(Memory()[4], 5);

  std::ofstream(folder / "p.oisc") << "9\n";
  Click("Command1");
  Trigger("resip");
  EXPECT_EQ(Memory()[0], 9);
  EXPECT_FALSE(window.Timer().Enabled());
}

TEST_F(MainWindowTest, UnreadableAndUnwritableFilesAreReported) {
  Trigger("fillup");
  dialogs.answers = {Path("missing.oisc")};
  Trigger("menld");
  ASSERT_EQ(dialogs.messages.size(), 1);
  EXPECT_TRUE(dialogs.messages[0].contains("missing.oisc"));
  EXPECT_EQ(Memory()[100], 100);
  EXPECT_EQ(window.LoadedProgramPath(), Path("missing.oisc"));

  std::ofstream(folder / "keep.oisc") << "keep";
  fs::create_directories(folder / "dir.oisc");
  dialogs.answers = {Path("dir.oisc")};
  Trigger("mensav");
  ASSERT_EQ(dialogs.messages.size(), 2);
  EXPECT_TRUE(dialogs.messages[1].contains("dir.oisc"));
}

TEST_F(MainWindowTest, InfoShowsTheVersionBox) {
  Trigger("minf");
  ASSERT_EQ(dialogs.messages.size(), 1);
  const QStringList lines = dialogs.messages[0].split('\r');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], "Version : 1.0.25");
  EXPECT_TRUE(lines[1].startsWith("written by "));
  EXPECT_TRUE(lines[2].startsWith("visit: "));
}

TEST_F(MainWindowTest, ToolWindowsOpenOnceAndScreenCommandsReachThem) {
  window.show();
  Trigger("msop");
  Trigger("msop");
  EXPECT_EQ(window.findChildren<ScreenWindow*>().size(), 1);
  auto* screen = window.findChild<ScreenWindow*>("Form6");
  ASSERT_NE(screen, nullptr);
  EXPECT_TRUE(screen->isVisible());

  Program({253, 10, 3});  // cell 253 := 0 - 253 = 3: plot
  Memory()[10] = 253;
  Memory()[248] = 12;
  Memory()[249] = 34;
  Memory()[250] = 255;
  Click("Command3");
  EXPECT_EQ(Memory()[ScreenCommandCell], 0);
  EXPECT_EQ(screen->Picture().pixelColor(12, 34), QColor(255, 0, 0));

  Trigger("mhist");
  Trigger("mhist");
  EXPECT_EQ(window.findChildren<HistoryWindow*>().size(), 1);
  Click("Command3");
  const QString label = window.findChild<HistoryWindow*>("Form5")->LabelText();
  EXPECT_TRUE(label.startsWith("Current: " + QString::number(MemorySum(Memory())) + " MAX:")) << label.toStdString();

  bool closing = false;
  QObject::connect(&window, &MainWindow::Closing, [&] { closing = true; });
  window.close();
  EXPECT_TRUE(closing);
  EXPECT_FALSE(screen->isVisible());
}

// The network device against real peers on 127.0.0.1.
class MainWindowNetworkTest : public MainWindowTest {
 protected:
  void Command(int command, int port, int data = 0) {
    Program({245, 10, 3});  // cell 245 := 0 - cell 10 = the command
    Memory()[10] = static_cast<Byte>(256 - command);
    const int cells[] = {127, 0, 0, 1, port / 256, port % 256, data};
    for (int i = 0; i < 7; ++i) Memory()[238 + i] = static_cast<Byte>(cells[i]);
    Click("Command3");
  }
};

TEST_F(MainWindowNetworkTest, ConnectsSendsAndReceivesFirstBytes) {
  QTcpServer peer;
  ASSERT_TRUE(peer.listen(QHostAddress::LocalHost));
  Command(1, peer.serverPort());
  ASSERT_TRUE(WaitFor([&] { return peer.hasPendingConnections(); }));
  QTcpSocket* connection = peer.nextPendingConnection();
  EXPECT_NE(window.findChild<QObject*>("sock"), nullptr);
  Command(2, 0, 65);
  ASSERT_TRUE(WaitFor([&] { return connection->bytesAvailable() >= 1; }));
  EXPECT_EQ(connection->readAll(), QByteArray("A"));
  EXPECT_EQ(Memory()[NetDataCell], 0);

  connection->write("XYZ");
  EXPECT_TRUE(WaitFor([&] { return Memory()[NetDataCell] == 88; }));
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(MainWindowNetworkTest, ListensAndAcceptsOnePeer) {
  QTcpServer probe;  // a free port
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
  const quint16 port = probe.serverPort();
  probe.close();
  Command(3, port);
  QTcpSocket peer;
  peer.connectToHost(QHostAddress::LocalHost, port);
  ASSERT_TRUE(WaitFor([&] { return peer.state() == QAbstractSocket::ConnectedState; }));
  peer.write("Q");
  EXPECT_TRUE(WaitFor([&] { return Memory()[NetDataCell] == 'Q'; }));
}

TEST_F(MainWindowNetworkTest, ARefusedConnectionIsReportedWhileTheMachineRuns) {
  QTcpServer probe;
  ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
  const quint16 port = probe.serverPort();
  probe.close();
  Command(1, port);
  EXPECT_TRUE(WaitFor([&] { return !dialogs.messages.isEmpty(); }));
  EXPECT_FALSE(dialogs.messages.value(0).isEmpty());
  Click("Command3");  // the machine goes on: cells 3..5 jump back to 0
  EXPECT_EQ(state.machine.IP, 0);
}

}  // namespace
}  // namespace zar
