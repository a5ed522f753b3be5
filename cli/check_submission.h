#pragma once

#include <string>
#include <vector>

#include "assembler/stage_report.h"
#include "exercise/exercise.h"
#include "machine/machine.h"

namespace zar::cli {

// One program handed in for an exercise, and how it went.
struct Submission {
  enum class Outcome { Graded, NotAssembled, Unreadable };

  std::string path;
  Outcome outcome = Outcome::Graded;
  std::vector<StageMessage> messages;  // the assembler's, when it did not assemble
  std::string error;                   // why it could not be read
  Grade grade;                         // when graded
  double seconds = 0;                  // the time its cases took
};

// Reads the program a submission names as zar run reads it: a program file,
// standard input for "-", or an assembler source (an .OIA name, or a text
// with no cell value in its lines), assembled on a fresh assembler. Fills in
// outcome, messages and error; image holds the program when it is Graded.
void LoadSubmission(Submission& submission, MemoryCells& image);

}  // namespace zar::cli
