#include <csignal>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "zar/version.h"

namespace {

constexpr const char* Usage =
    "Usage: zar COMMAND ...\n"
    "Assembles and runs programs for the ZAR one-instruction computer.\n"
    "\n"
    "Commands:\n"
    "  zar asm SOURCE [-o IMAGE] [--listing FILE] [--table FILE] [--debug]\n"
    "              [--locations] [--strict]\n"
    "      Assemble SOURCE (an .OIA file, code page 1252). Messages go to stderr.\n"
    "      -o IMAGE        write the program file (.oisc) when generation succeeds\n"
    "      --listing FILE  write the listing (address TAB :value per byte)\n"
    "      --table FILE    write the internal table after the position pass\n"
    "      --debug         put a ----CMD---- line before each row in the listing\n"
    "      --locations     begin each message with SOURCE:LINE: as compilers do,\n"
    "                      follow it with SOURCE:LINE: note: and its reason, and\n"
    "                      add SOURCE:LINE: warning: lines for what was passed over\n"
    "      --strict        exit 1 when there was any message or warning\n"
    "  zar run IMAGE [--steps N] [--dump FILE] [--screen FILE] [--key CODE]\n"
    "              [--break ADDR]... [--watch CELL]... [--back M] [--trace FILE]\n"
    "              [--keys TEXT] [--key-gap N] [--input FILE] [--net-out FILE]\n"
    "              [--net [--net-remote] [--net-log FILE]] [--seconds S]\n"
    "              [--engine interp|jit]\n"
    "      Run a program file from IP 0 on zeroed memory until N steps\n"
    "      (default 1000000) or until nothing can change any more. Console\n"
    "      output goes to stdout; 'steps: K' and 'ip: X' to stderr.\n"
    "      --dump FILE     write the final memory as a program file\n"
    "      --screen FILE   write the screen as PNG, or as PPM for a .ppm name\n"
    "      --key CODE      put CODE (0..255) into the key cell before running\n"
    "      --break ADDR    stop when a step ends with IP = ADDR; says 'break: ADDR'\n"
    "      --watch CELL    stop after a step that changed CELL; says\n"
    "                      'watch: CELL OLD -> NEW'\n"
    "      --back M        once the run has ended, undo its last M steps; the\n"
    "                      console, dump, screen, steps and ip show the state then\n"
    "      --trace FILE    one line per step: step, IP, A, B, C, [A] and [B]\n"
    "                      before the step, [A] after it, next IP (tab-separated)\n"
    "      --keys TEXT     type TEXT into the key cell, one key every --key-gap\n"
    "                      steps (default 1000) from step 0: letters (as capitals),\n"
    "                      digits, space, and \\n for Enter (13)\n"
    "      --input FILE    timed inputs, one a line: STEP key CODE, STEP text \"...\",\n"
    "                      STEP cell N VALUE, and for a scripted network peer\n"
    "                      STEP connect, STEP net BYTES (decimal bytes or \"text\";\n"
    "                      only the first byte reaches the cell), STEP close; # comments\n"
    "      --net-out FILE  write the bytes the program sent to the scripted peer\n"
    "      --net           give the program a real TCP socket, on 127.0.0.1 only\n"
    "                      unless --net-remote; a fixed point waits for the socket,\n"
    "                      and there is no step limit but --steps\n"
    "      --net-log FILE  write the network's log as the Network window shows it\n"
    "      --seconds S     end the run after S seconds; with --net or --seconds,\n"
    "                      SIGINT and SIGTERM end it cleanly as well\n"
    "      --engine E      jit (the default) compiles the code that runs often,\n"
    "                      interp interprets every step; both give the same run\n"
    "      While input is still to come, a fixed point waits for it, and the\n"
    "      steps it waits count. IMAGE - is standard input; an .OIA source (or a\n"
    "      file with no cell value in it) is assembled first, exit 1 if that fails.\n"
    "  zar check EXERCISE PROGRAM... [--from FILE] [--json | --csv] [--junit FILE]\n"
    "              [--timeout S]\n"
    "  zar check --validate FILE...\n"
    "      Run every case of the exercise (a JSON file) on each PROGRAM (a\n"
    "      program file or a source, assembled first), one line per case:\n"
    "      'case N \"NAME\": PASS' or 'FAIL: ' and the first difference.\n"
    "      Exit 0 when all pass, 1 when one fails, 3 when a PROGRAM does not\n"
    "      assemble or cannot be read, 2 for a bad exercise file.\n"
    "      --from FILE     check the programs named in FILE too, one a line\n"
    "      --json          one JSON document with every submission, for graders\n"
    "      --csv           a grade sheet, one row per submission\n"
    "      --junit FILE    write JUnit XML: a testsuite per submission\n"
    "      --timeout S     cut a submission off after S seconds\n"
    "      --validate      check exercise and course files, run nothing\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help\n"
    "  --version      show the version\n"
    "\n"
    "An output FILE or IMAGE of - means standard output.\n"
    "A FIFO is waited for as shell tools wait, until a program is at its other end.\n"
    "Exit status: 0 success, 1 assembly failed, 2 usage or file error\n"
    "(zar check: 1 a case failed, 3 a program that did not run).\n";

// The command the words name.
int Dispatch(const std::vector<std::string>& words) {
  if (words.empty()) {
    std::fputs(Usage, stderr);
    return zar::cli::ExitUsage;
  }
  const std::string& command = words[0];
  const std::vector<std::string> rest(words.begin() + 1, words.end());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(Usage, stdout);
    return zar::cli::ExitOk;
  }
  if (command == "--version") {
    std::printf("zar %s\n", zar::VersionText);
    return zar::cli::ExitOk;
  }
  if (command == "asm") return zar::cli::AsmCommand(rest);
  if (command == "run") return zar::cli::RunCommand(rest);
  if (command == "check") return zar::cli::CheckCommand(rest);
  return zar::cli::UsageError("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) {
  // A write beyond the file-size limit fails with EFBIG, which the command
  // reports, instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  // A closed pipe on standard output is a failed write like any other.
  std::signal(SIGPIPE, SIG_IGN);
  try {
    return Dispatch(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::bad_alloc&) {
    // A command that cannot get memory ends with a word rather than going on.
    std::fputs("zar: there is not enough memory to go on\n", stderr);
    return zar::cli::ExitUsage;
  }
}
