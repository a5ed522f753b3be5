#pragma once

#include <string>
#include <vector>

namespace zar::test {

// What the assembler says of one line: a message (kind ""), the reason
// that follows it ("note"), or a warning ("warning").
struct Said {
  int line;
  std::string kind;
  std::string text;
};

// Sources with faults, and everything the assembler says of them in the
// order `zar asm --locations` prints it. The workbench's Messages list
// shows the same, a note beside its message.
struct Malformed {
  std::string source;
  std::vector<Said> said;
};

inline std::string Many(const std::string& line, int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += line + '\n';
  return text;
}

// clang-format off
inline const std::vector<Malformed> MalformedSources = {
    {"SET\nGTO,nowhere\n",
     {{1, "", "Input Processing failed at: SET"}, {1, "note", "SET takes 1 operand; the line has 0"},
      {3, "", "Input Processing failed at: "},
      {3, "note", "empty line: a line break at the end of the file makes an empty last line"},
      {2, "", "Compile Failed at command: 1 = GTO,nowhere,,"}, {2, "note", "label 'nowhere' is not defined"}}},
    {"sub,a,b,?\nADD,a,b\n:loop GTO,loop\nSET,a,5\n NUL\nMOVE,a,1\nSUB, a,a,?\nSET,a",
     {{7, "", "Compile Failed at command: 2 = SUB, a,a,?"},
      {7, "note", "variable ' a' was never declared with SET (blanks around a comma belong to the name)"},
      {1, "warning", "not recognised: statements are written in capitals, SUB not 'sub'"},
      {2, "warning", "not recognised: 'ADD' is no statement (the statements are NUL, NXT, SET, POS, GTO, VAL, MOV, SUB)"},
      {3, "warning", "a label and a statement on one line: the label is named 'loop GTO' and the statement is lost; "
                     "put the statement on the next line"},
      {4, "warning", "SET takes 1 operand; ',5' after it is ignored"},
      {5, "warning", "not recognised: blanks before 'NUL'; a statement starts the line"},
      {6, "warning", "'MOVE' is no statement and gives no cells; did you mean MOV?"},
      {7, "warning", "blanks around a comma belong to the operand: ' a' is not 'a'"},
      {8, "warning", "variable 'a' is defined again; every use takes this last one"}}},
    {"MOV,a,-1\nSET,a",
     {{1, "", "Compile Failed at command: 2 = VAL,257,,"},
      {1, "note", "the MOV on line 1 takes a number from 0 to 256: its constant cell would hold 256 minus it, 257, "
                  "outside 0..255"}}},
    {"SET,x\nVAL,abc\nMOV,x,5",
     {{3, "", "Compile Failed at command: 2 = MOV,x,5,"},
      {3, "note", "the VAL on line 2 holds 'abc', not a number, and so MOV finds no constant cell"}}},
    {"MOV,251,200",
     {{1, "", "Compile Failed at command: 0 = MOV,251,200,"},
      {1, "note", "MOV needs a variable declared with SET as its first operand, not the cell number 251"}}},
    {"SET,a\nSUB,a,0x10,? # hex",
     {{2, "", "Compile Failed at command: 1 = SUB,a,0x10,? # hex"},
      {2, "note", "variable '0x10' was never declared with SET (numbers are decimal or &H hexadecimal, such as &H10)"}}},
    {Many("SUB,255,255,?", 79) + "SUB,255,255,done\nSET,v\n:done\nGTO,done",
     {{80, "warning", "the program reaches into the device cells: 238..241 network address, 242..243 network port; "
                      "whatever it writes there drives the devices"}}},
    {Many("SUB,255,255,?", 85) + "VAL,77\nVAL,88",
     {{80, "warning", "the program reaches into the device cells: 238..241 network address, 242..243 network port, "
                      "244 network data, 245 network command, 246..252 screen coordinates and colour, 253 screen "
                      "command, 254 key, 255 console; whatever it writes there drives the devices"},
      {87, "warning", "the program is longer than memory: its cell 256 never reaches the machine"}}},
    {"SET,x\nSUB,x,x,\nGTO,",
     {{2, "warning", "SUB has an empty jump target: it jumps to the last row without a label; write ? to go on"},
      {3, "warning", "GTO has an empty jump target: it jumps to the last row without a label; write ? to go on"}}},
    {"SET,k\n:top\nSET,k\n:top\nGTO,top\n:a\n:b\nNUL",
     {{7, "warning", "label 'b' follows label 'a' with no statement between: only the first one names the next "
                     "statement"},
      {3, "warning", "variable 'k' is defined again; every use takes this last one"},
      {5, "warning", "label 'top' is defined again; every use takes this last one"}}},
    {"# a sound program\nMOV,k,191\nSUB,255,k,?\n:halt\nGTO,halt\nSET,k", {}}};
// clang-format on

}  // namespace zar::test
