#include "machine/instruction.h"

namespace zar {

std::string DescribeInstruction(const Decoded& d) {
  const std::string x = std::to_string(d.x);
  const std::string y = std::to_string(d.y);
  std::string text = "IP " + std::to_string(d.ip) + ": [" + std::to_string(d.a) + "] " + x + " - [" +
                     std::to_string(d.b) + "] " + y + " = " + std::to_string(d.result) + "; ";
  text += d.jumps ? x + " <= " + y + ", so jump to " : x + " > " + y + ", so go on to ";
  text += std::to_string(d.next);
  if (d.jumps && WrapIP(d.c) != d.c) text += " (C " + std::to_string(d.c) + " is beyond 252)";
  if (!d.jumps && WrapIP(d.ip + 3) != d.ip + 3) text += " (past 252)";
  return text;
}

}  // namespace zar
