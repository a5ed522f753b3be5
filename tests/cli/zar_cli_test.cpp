#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exit = -1;
  std::string out;
  std::string err;
};

class ZarCliTest : public testing::Test {
 protected:
  fs::path File(const std::string& name) const { return temp.File(name); }
  fs::path Write(const std::string& name, const std::string& bytes) const { return temp.Write(name, bytes); }
  static std::string Read(const fs::path& path) { return zar::test::TempFolder::Read(path); }

  Outcome Zar(const std::string& arguments) const {
    const std::string command = std::string(ZAR_EXECUTABLE) + " " + arguments + " >" + File("stdout").string() +
                                " 2>" + File("stderr").string() + " </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(File("stdout")), Read(File("stderr"))};
  }

  std::string Q(const fs::path& path) const { return "'" + path.string() + "'"; }

  zar::test::TempFolder temp;
  const fs::path& folder = temp.Path();
};

constexpr const char* WorkedExample = "MOV,k,191\r\nSUB,255,k,?\r\n:halt\r\nGTO,halt\r\nSET,k";

TEST_F(ZarCliTest, WorkedExampleAssemblesAndPrintsA) {
  const fs::path source = Write("a.OIA", WorkedExample);
  const Outcome assembled = Zar("asm " + Q(source) + " -o " + Q(File("a.oisc")) + " --listing " +
                                Q(File("a.lst")) + " --table " + Q(File("a.tab")));
  EXPECT_EQ(assembled.exit, 0) << assembled.err;
  EXPECT_EQ(assembled.err, "");
  const std::string image = Read(File("a.oisc"));
  EXPECT_EQ(image.substr(0, 41), "9\r\n10\r\n3\r\n255\r\n9\r\n6\r\n255\r\n255\r\n6\r\n0\r\n65\r\n");
  EXPECT_EQ(image.size(), 41u + 245 * 3);
  EXPECT_EQ(Read(File("a.lst")).substr(0, 15), "0\t:9\n1\t:10\n2\t:3");
  EXPECT_EQ(Read(File("a.tab")).substr(0, 49), "CMD\tARG 1\tARG 2\tARG 3\tLABEL\tPOS\rMOV\tk\t191\t\t\t0\rSUB");

  const Outcome ran = Zar("run " + Q(File("a.oisc")));
  EXPECT_EQ(ran.exit, 0);
  EXPECT_EQ(ran.out, "A");
  EXPECT_EQ(ran.err, "steps: 3\nip: 6\n");
}

TEST_F(ZarCliTest, AssemblyMessagesGoToStderrInOrderAndNoImageIsWritten) {
  const fs::path source = Write("bad.OIA", "SET\nGTO,nowhere\n");
  const Outcome outcome = Zar("asm " + Q(source) + " -o " + Q(File("bad.oisc")) + " --listing " + Q(File("l")));
  EXPECT_EQ(outcome.exit, 1);
  EXPECT_EQ(outcome.err,
            "Input Processing failed at: SET\n"
            "Input Processing failed at: \n"
            "Compile Failed at command: 1 = GTO,nowhere,,\n");
  EXPECT_FALSE(fs::exists(File("bad.oisc")));
  EXPECT_EQ(Read(File("l")), "");
}

TEST_F(ZarCliTest, UsageAndFileErrorsExitWith2AndSayWhy) {
  EXPECT_EQ(Zar("").exit, 2);
  EXPECT_EQ(Zar("frobnicate").exit, 2);
  EXPECT_EQ(Zar("asm").exit, 2);
  const Outcome missing = Zar("asm " + Q(File("none.OIA")));
  EXPECT_EQ(missing.exit, 2);
  EXPECT_NE(missing.err.find("none.OIA"), std::string::npos);
  EXPECT_NE(missing.err.find("No such file"), std::string::npos);
  const fs::path image = Write("x.oisc", "0\n");
  EXPECT_EQ(Zar("run " + Q(image) + " --key 256").exit, 2);
  EXPECT_EQ(Zar("run " + Q(image) + " --steps ten").exit, 2);
  EXPECT_EQ(Zar("run " + Q(image) + " --bogus").exit, 2);
  EXPECT_EQ(Zar("run " + Q(folder)).exit, 2);
}

TEST_F(ZarCliTest, HelpAndVersion) {
  const Outcome help = Zar("--help");
  EXPECT_EQ(help.exit, 0);
  EXPECT_NE(help.out.find("zar asm SOURCE"), std::string::npos);
  EXPECT_EQ(Zar("--version").out, "zar 1.0.25\n");
}

TEST_F(ZarCliTest, KeyDumpAndScreenFiles) {
  // Copy the key cell into the console: 255 := 0 - (0 - key) via cell 20.
  //   0: SUB 20,254,?   cell 20 = -key
  //   3: SUB 255,20,?   cell 255 = key
  //   6: SUB 253,21,9   screen command 3 (plot) = 0 - 253
  //   9: GTO-like self loop
  std::string image;
  const int cells[] = {20, 254, 3, 255, 20, 6, 253, 21, 9, 255, 255, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 253};
  for (const int c : cells) image += std::to_string(c) + "\n";
  for (int i = 22; i < 248; ++i) image += "0\n";
  image += "7\n9\n255\n128\n0\n";  // X=7 Y=9 R=255 G=128 B=0
  const Outcome ran = Zar("run " + Q(Write("k.oisc", image)) + " --key 72 --dump " + Q(File("d.oisc")) +
                          " --screen " + Q(File("s.ppm")));
  EXPECT_EQ(ran.exit, 0) << ran.err;
  EXPECT_EQ(ran.out, "H");
  const std::string dump = Read(File("d.oisc"));
  EXPECT_EQ(dump.substr(0, 3), "20\r");
  const std::string ppm = Read(File("s.ppm"));
  const std::string header = "P6\n256 256\n255\n";
  ASSERT_EQ(ppm.size(), header.size() + 256 * 256 * 3);
  EXPECT_EQ(ppm.substr(0, header.size()), header);
  const std::size_t pixel = header.size() + (9 * 256 + 7) * 3;
  EXPECT_EQ(ppm.substr(pixel, 3), std::string("\xff\x80\x00", 3));

  EXPECT_EQ(Zar("run " + Q(File("k.oisc")) + " --screen " + Q(File("s.png"))).exit, 0);
  EXPECT_EQ(Read(File("s.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
}

TEST_F(ZarCliTest, StepLimitAndConsoleCodePage) {
  // Prints byte 0xE4 (a with diaeresis) forever: 255 := 0 - 28 = 228.
  std::string image = "255\n3\n0\n28\n";
  const Outcome ran = Zar("run " + Q(Write("loop.oisc", image)) + " --steps 5");
  EXPECT_EQ(ran.err, "steps: 5\nip: 0\n");
  EXPECT_EQ(ran.out, "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4");
}

TEST_F(ZarCliTest, BundledExamplesAssembleWithoutAMessageAndPrintWhatTheyPromise) {
  int assembled = 0;
  for (const auto& entry : fs::directory_iterator(ZAR_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".OIA") continue;
    const Outcome outcome = Zar("asm " + Q(entry.path()) + " -o " + Q(File("e.oisc")));
    EXPECT_EQ(outcome.exit, 0) << entry.path();
    EXPECT_EQ(outcome.err, "") << entry.path();
    ++assembled;
  }
  EXPECT_GE(assembled, 5);
  const fs::path examples = ZAR_EXAMPLES_DIR;
  EXPECT_EQ(Zar("asm " + Q(examples / "hello.OIA") + " -o " + Q(File("h.oisc"))).exit, 0);
  EXPECT_EQ(Zar("run " + Q(File("h.oisc"))).out, "Hello, World!\n");
  EXPECT_EQ(Zar("asm " + Q(examples / "keyboard_echo.OIA") + " -o " + Q(File("k.oisc"))).exit, 0);
  EXPECT_EQ(Zar("run " + Q(File("k.oisc")) + " --key 72 --steps 1000").out, "H");
}

}  // namespace
