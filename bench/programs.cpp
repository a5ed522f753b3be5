#include "programs.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "assembler/assemble.h"
#include "formats/source_file.h"

namespace zar::bench {

namespace {

// Instructions written one after the other from address 0.
struct Writer {
  Machine m;
  int at = 0;
  // SUB a,b,c (c = -1: the next instruction); its address.
  int Sub(int a, int b, int c = -1) {
    const int here = at;
    m.Memory[at] = static_cast<Byte>(a);
    m.Memory[at + 1] = static_cast<Byte>(b);
    m.Memory[at + 2] = static_cast<Byte>(c < 0 ? at + 3 : c);
    at += 3;
    return here;
  }
  void Set(int cell, int value) { m.Memory[cell] = static_cast<Byte>(value); }
};

constexpr int Counter = 208, One = 212, Two = 213, Scratch = 214, Zero = 215, MinusOne = 216;

// Counts the 4-byte counter down once and goes on at `done`: a byte
// that was 0 before (255 after) borrows from the next one.
void CountDown(Writer& w, int done) {
  for (int i = 0; i < 4; ++i) {
    const int cell = Counter + i;
    const int low = w.at + 6;
    w.Sub(cell, One, low);  // jumps when the byte was 0 or 1
    w.Sub(Zero, Zero, done);
    w.Sub(Scratch, Scratch);
    w.Sub(Scratch, Two);                            // 254
    w.Sub(Scratch, cell, i < 3 ? w.at + 6 : done);  // jumps when the byte is 255: a borrow
    w.Sub(Zero, Zero, done);
  }
}

void Constants(Writer& w) {
  w.Set(One, 1);
  w.Set(Two, 2);
  w.Set(MinusOne, 255);
  w.Set(Counter + 0, 0x78);
  w.Set(Counter + 1, 0x56);
  w.Set(Counter + 2, 0x34);
  w.Set(Counter + 3, 0x12);
}

}  // namespace

Machine DownCounter() {
  Writer w;
  Constants(w);
  CountDown(w, 0);
  return w.m;
}

Machine SelfModifyingCopy() {
  constexpr int Src = 160, Dst = 184, T = 217, N = 218, Minus24 = 219, TwentyFour = 220;
  Writer w;
  Constants(w);
  w.Set(N, 24);
  w.Set(Minus24, 232);
  w.Set(TwentyFour, 24);
  for (int i = 0; i < 24; ++i) w.Set(Src + i, 3 * i + 1);
  const int first = w.Sub(Dst, Dst);  // dst[i] = 0
  w.Sub(T, T);
  const int third = w.Sub(T, Src);                                                       // t = -src[i]
  const int fourth = w.Sub(Dst, T);                                                      // dst[i] = src[i]
  for (const int field : {first, first + 1, third + 1, fourth}) w.Sub(field, MinusOne);  // on to i + 1
  const int count = w.Sub(N, One);
  w.Sub(Zero, Zero, first);
  w.m.Memory[count + 2] = static_cast<Byte>(w.at);  // 24 copied
  for (const int field : {first, first + 1, third + 1, fourth}) w.Sub(field, TwentyFour);
  w.Sub(N, N);
  w.Sub(N, Minus24);
  w.Sub(Src, MinusOne);
  CountDown(w, first);
  return w.m;
}

Machine EchoClient() {
  constexpr int D = 217, E = 218, Connect = 219, Send = 220;
  Writer w;
  Constants(w);
  w.Set(Connect, 255);  // 0 - 255 = 1
  w.Set(Send, 254);     // 2
  w.Sub(NetCommandCell, Connect);
  const int wait = w.Sub(D, D);
  w.Sub(D, NetDataCell);  // d = 0 - byte
  w.Sub(E, E);
  w.Sub(E, D);  // e = byte
  w.Sub(E, Zero, wait);
  w.Sub(NetCommandCell, Send, wait);  // the device clears the data cell
  return w.m;
}

Machine Example(const std::string& name) {
  std::ifstream in(std::string(ZAR_EXAMPLES_DIR) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  AssemblerState state;
  const Assembly assembly = Assemble(SourceLines(text.str()), state, {GenerateMode::Copy, false});
  if (!assembly.generated) throw std::runtime_error(name + " does not assemble");
  Machine m;
  std::copy_n(state.Image.begin(), m.Memory.size(), m.Memory.begin());
  return m;
}

std::vector<Machine> RandomImages(int count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Machine> images(static_cast<std::size_t>(count));
  for (Machine& m : images) {
    for (Byte& cell : m.Memory) cell = static_cast<Byte>(random());
    m.Memory[ScreenCommandCell] = m.Memory[NetCommandCell] = m.Memory[ConsoleCell] = 0;
  }
  return images;
}

}  // namespace zar::bench
