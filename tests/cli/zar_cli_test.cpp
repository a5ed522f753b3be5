#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "support/malformed_sources.h"
#include "support/zar_tool.h"

namespace {

using zar::test::Outcome;

class ZarCli : public testing::Test {
 protected:
  // Runs zar with the words; {} in them stands for the test's folder.
  Outcome Zar(const std::string& words) const { return zar_.Run(words); }
  std::string Read(const std::string& name) const { return zar_.Read(name); }

  zar::test::ZarTool zar_;
  const zar::test::TempFolder& temp = zar_.folder;
};

// A program through every output of zar asm, and run.
TEST_F(ZarCli, AssemblesIntoEveryOutputAndRuns) {
  temp.Write("a.OIA", "MOV,k,191\r\nSUB,255,k,?\r\n:halt\r\nGTO,halt\r\nSET,k");  // prints 'A'
  EXPECT_EQ(Zar("asm {}/a.OIA -o {}/a.oisc --listing {}/a.lst --table {}/a.tab").exit, 0);
  EXPECT_EQ(Read("a.oisc").substr(0, 44), "9\r\n10\r\n3\r\n255\r\n9\r\n6\r\n255\r\n255\r\n6\r\n0\r\n65\r\n0\r\n");
  EXPECT_TRUE(Read("a.lst").starts_with("0\t:9\n1\t:10\n2\t:3\n"));
  EXPECT_TRUE(Read("a.tab").starts_with("CMD\tARG 1\tARG 2\tARG 3\tLABEL\tPOS\rMOV\tk\t191\t\t\t0\rSUB"));
  const Outcome ran = Zar("run {}/a.oisc");
  EXPECT_EQ(std::tuple(ran.exit, ran.out + ran.err), std::tuple(0, "Asteps: 3\nip: 6\n"));
  // A source where the program file belongs is assembled first.
  EXPECT_EQ(Zar("run {}/a.OIA").err, "steps: 3\nip: 6\n");
  EXPECT_EQ(Zar("run {}/a.oisc").err.find("warning"), std::string::npos);
  EXPECT_EQ(Zar("asm {}/a.OIA -o -").out, Read("a.oisc"));  // "-": standard output
}

// Assembly messages go to stderr in order (exit 1), usage and file errors say why (exit 2); the file
// errors' own texts are tested in formats.
TEST_F(ZarCli, ExitStatusAndWhatItSays) {
  temp.Write("x.oisc", "0\n");
  temp.Write("bad.OIA", "SET\nGTO,nowhere\n");
  // clang-format off
  const std::tuple<const char*, int, std::string> cases[] = {
      {"asm {}/bad.OIA -o {}/bad.oisc --listing {}/l", 1,
       "Input Processing failed at: SET\nInput Processing failed at: \nCompile Failed at command: 1 = GTO,nowhere,,\n"},
      {"--help", 0, "zar asm SOURCE"}, {"", 2, "Usage: zar COMMAND"}, {"asm", 2, "missing file name"},
      {"frobnicate", 2, "unknown command 'frobnicate'"}, {"asm {}/x.oisc {}/x.oisc", 2, "too many file names"},
      {"asm {}/none.OIA", 2, "none.OIA\": No such file"}, {"asm {}/x.oisc -o", 2, "option -o needs a value"},
      {"run {}/x.oisc --bogus", 2, "unknown option --bogus"},
      {"run {}/x.oisc --key 256", 2, "--key takes a key code from 0 to 255, not '256'"},
      {"run {}/x.oisc --steps ten", 2, "--steps takes a whole number of steps, not 'ten'"},
      {"run {}/x.oisc --back 1000001", 2, "--back takes at most 1000000 steps, what the record always holds"},
      {"run {}/x.oisc --back 1000000", 0, ""},
      {"run {}/x.oisc --seconds 0", 2, "--seconds takes a number of seconds above 0, not '0'"}};
  // clang-format on
  for (const auto& [words, exit, says] : cases) {
    const Outcome outcome = Zar(words);
    EXPECT_EQ(outcome.exit, exit) << words;
    const std::string& said = exit == 0 ? outcome.out : outcome.err;
    EXPECT_NE(said.find(says), std::string::npos) << words << ": " << said;
  }
  // No image from a failed assembly, but its listing.
  EXPECT_TRUE(!std::filesystem::exists(temp.File("bad.oisc")) && std::filesystem::exists(temp.File("l")));
}

// With --locations every message names its line and is followed by its
// reason; the warnings come last. --strict fails on any of them.
TEST_F(ZarCli, LocationsReasonsWarningsAndStrict) {
  for (const zar::test::Malformed& c : zar::test::MalformedSources) {
    temp.Write("m.OIA", c.source);
    const std::string file = temp.File("m.OIA").string();
    std::string expected;
    for (const zar::test::Said& said : c.said) {
      expected += file + ":" + std::to_string(said.line) + ": " + (said.kind.empty() ? "" : said.kind + ": ") +
                  said.text + "\n";
    }
    const Outcome strict = Zar("asm {}/m.OIA --locations --strict");
    EXPECT_EQ(strict.err, expected) << c.source.substr(0, 40);
    EXPECT_EQ(strict.exit, c.said.empty() ? 0 : 1) << c.source.substr(0, 40);
    const bool messages = std::any_of(c.said.begin(), c.said.end(), [](const auto& s) { return s.kind.empty(); });
    EXPECT_EQ(Zar("asm {}/m.OIA").exit, messages ? 1 : 0);  // warnings alone fail only a strict run
  }
}

TEST_F(ZarCli, KeyDumpScreenAndStepLimit) {
  // 0: cell 20 := 0 - key; 3: console := 0 - cell 20; 6: plot (0 - 253 = 3); 9: loop on itself.
  std::string image;
  for (const int c : {20, 254, 3, 255, 20, 6, 253, 21, 9, 255, 255, 9}) image += std::to_string(c) + "\n";
  // Empty lines leave their cells zero; cell 21 holds 253, cells 248..252 X 7, Y 9 and the colour (255, 128, 0).
  temp.Write("k.oisc", image + std::string(9, '\n') + "253\n" + std::string(226, '\n') + "7\n9\n255\n128\n0\n");
  const Outcome ran = Zar("run {}/k.oisc --key 72 --dump {}/d.oisc --screen {}/s.ppm");
  EXPECT_EQ(ran.out, "H") << ran.err;
  EXPECT_TRUE(Read("d.oisc").starts_with("20\r\n254\r\n3\r\n"));
  const std::string ppm = Read("s.ppm");
  ASSERT_EQ(ppm.size(), 15 + 256 * 256 * 3u);
  EXPECT_EQ(ppm.substr(0, 15), "P6\n256 256\n255\n");
  EXPECT_EQ(ppm.substr(15 + (9 * 256 + 7) * 3, 3), std::string("\xff\x80\x00", 3));
  EXPECT_EQ(Zar("run {}/k.oisc --screen {}/s.png").exit, 0);
  EXPECT_EQ(Read("s.png").substr(0, 8), "\x89PNG\r\n\x1a\n");

  temp.Write("loop.oisc", "255\n3\n0\n28\n");  // prints byte 228, a-umlaut, forever
  const Outcome limited = Zar("run {}/loop.oisc --steps 5");
  EXPECT_EQ(limited.out + limited.err, "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4steps: 5\nip: 0\n");
}

// A run that ended at a fixed point goes back from its last step: of four
// steps that print at the second and halt at the fourth, ten steps long.
TEST_F(ZarCli, BackFromAFixedPoint) {
  temp.Write("h.oisc", "20\n21\n3\n255\n20\n6\n22\n21\n9\n23\n23\n9\n" + std::string(8, '\n') + "190\n1\n");
  const std::tuple<const char*, std::string> cases[] = {
      {"6", "Csteps: 4\nip: 9\n"},
      {"8", "Csteps: 2\nip: 6\n"},
      {"9", "steps: 1\nip: 3\n"},
      {"10", "steps: 0\nip: 0\n"},
      {"11", "zar: --back 11 goes back beyond the start of the run: it shows step 0\nsteps: 0\nip: 0\n"}};
  for (const auto& [back, said] : cases) {
    const Outcome ran = Zar(std::string("run {}/h.oisc --steps 10 --back ") + back);
    EXPECT_EQ(ran.out + ran.err, said) << back;
  }
}

}  // namespace
