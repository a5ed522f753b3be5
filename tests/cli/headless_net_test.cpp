#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/test_peer.h"
#include "support/zar_tool.h"

namespace {

using zar::test::TestPeer;

// Port cells as the examples set them: MOV stores 256 - byte, and 0 - that
// goes into the cell.
std::string PortLines(std::uint16_t port) {
  return "MOV,ph," + std::to_string(256 - port / 256) + "\nMOV,pl," + std::to_string(256 - port % 256) + "\n";
}

// Listens on the port and sends every byte back plus one; waits at a fixed
// point (244 - 0 jumps to itself) while nothing arrives.
std::string BytePlusOne(std::uint16_t port) {
  return PortLines(port) +
         "MOV,c2,254\nMOV,c3,253\nMOV,m1,255\nSUB,242,242,?\nSUB,242,ph,?\nSUB,243,243,?\nSUB,243,pl,?\nSUB,245,c3,?\n"
         ":wait\nSUB,244,zero,wait\nSUB,244,m1,?\nSUB,245,c2,?\nGTO,wait\nSET,m1\nSET,ph\nSET,pl\nSET,c2\n"
         "SET,c3\nSET,zero";
}

// A port of 127.0.0.1 free now, with neither byte zero.
std::uint16_t UsablePort() {
  for (;;) {
    const std::uint16_t port = zar::test::FreePort();
    if (port % 256 != 0 && port / 256 != 0) return port;
  }
}

// zar run with --net as a process of its own, in the tool's folder.
pid_t Start(const zar::test::ZarTool& zar, const std::string& words) {
  const std::string command = "cd '" + zar.folder.Path().string() + "' && exec " ZAR_EXECUTABLE " " + words +
                              " >zar.out 2>zar.err </dev/null";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    ::_exit(127);
  }
  return pid;
}

int Finish(pid_t pid, int signal) {
  if (signal != 0) ::kill(pid, signal);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A peer that connects once zar listens and gets back what it should.
std::string Exchange(std::uint16_t port, const std::string& bytes, std::size_t answer) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  TestPeer peer = TestPeer::ConnectTo(port);
  while (!peer.Connected() && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (peer.Error() != 0) peer = TestPeer::ConnectTo(port);  // not listening yet
  }
  // One byte at a time: the device keeps only the first byte of a chunk.
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    peer.Send(bytes.substr(i, 1));
    while (peer.Received().size() <= std::min(i, answer - 1) && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return peer.Received();
}

// The echo example and a byte+1 service serve a real peer headless, until a
// signal or the time ends the run cleanly.
TEST(HeadlessNet, ServesARealPeer) {
  zar::test::ZarTool zar;
  const std::uint16_t port = UsablePort();
  std::string echo = zar::test::TempFolder::Read(ZAR_EXAMPLES_DIR "/echo_server.OIA");
  echo.replace(echo.find("MOV,p9,247"), 10, "MOV,p9," + std::to_string(256 - port / 256));
  echo.replace(echo.find("MOV,p19,237"), 11, "MOV,p19," + std::to_string(256 - port % 256));
  zar.Write("echo.OIA", echo);
  zar.Write("plus.OIA", BytePlusOne(port));
  const struct {
    const char* words;
    std::string sent, answer;
    int signal;
  } cases[] = {
      {"run echo.OIA --net", "abc", "abc", SIGINT},
      {"run plus.OIA --net --net-log log.txt", "AyA", "BzB", SIGTERM},
      {"run plus.OIA --net --seconds 0.3 --net-log log.txt", "", "", 0},
  };
  for (const auto& c : cases) {
    const pid_t pid = Start(zar, c.words);
    EXPECT_EQ(c.sent.empty() ? "" : Exchange(port, c.sent, c.answer.size()), c.answer) << c.words;
    EXPECT_EQ(Finish(pid, c.signal), 0) << c.words;
    EXPECT_GT(zar::test::StepsRun(zar.Read("zar.err")), 0) << c.words;
    EXPECT_NE(zar.Read("zar.err").find("\nip: "), std::string::npos) << c.words;
  }
  EXPECT_NE(zar.Read("log.txt").find("listening on 127.0.0.1:" + std::to_string(port)), std::string::npos);
}

}  // namespace
