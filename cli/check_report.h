#pragma once

#include <string>
#include <vector>

#include "cli/check_submission.h"
#include "exercise/exercise.h"

namespace zar::cli {

// The forms in which zar check reports its submissions.

// Lines for people: 'case N "NAME": PASS' or 'FAIL: ' and the first
// difference, headed by "PATH: K of N cases passed, X of P points" when the
// call checks more than one submission. What kept a submission from being
// run goes to the stream for errors: the assembler's messages, as zar asm
// prints them, or why it could not be read.
std::string TextReport(const Exercise& exercise, const Submission& submission, bool many, std::string& errors);

// A grade sheet, one row per submission (RFC 4180):
// path,assembled,cases_passed,cases,points,points_possible
std::string CsvHeader();
std::string CsvRow(const Exercise& exercise, const Submission& submission);

// One JSON document for the whole call (its layout is in the README).
std::string JsonReport(const Exercise& exercise, const std::vector<Submission>& submissions);

// JUnit XML: a testsuite per submission, a testcase per case, with a failure
// (the first difference) or, for a submission that did not run, an error.
std::string JunitReport(const Exercise& exercise, const std::vector<Submission>& submissions);

}  // namespace zar::cli
