#include "cli/check_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "exercise/grade_json.h"

namespace zar::cli {

namespace {

// Members in the order written, path first.
using Json = nlohmann::ordered_json;
using Outcome = Submission::Outcome;

// The shortest text that reads back as the number: "3", "2.5".
std::string PointsText(double points) {
  char text[32];
#ifdef __cpp_lib_to_chars
  const auto end = std::to_chars(text, text + sizeof text, points).ptr;
  return std::string(text, end);
#else  // libc++ of emscripten: the fewest digits that read back
  for (int digits = 1;; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, points);
    if (digits == 17 || std::strtod(text, nullptr) == points) return text;
  }
#endif
}

// A string as JSON writes it, bytes that are no UTF-8 replaced.
std::string Quote(const std::string& text) { return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string XmlText(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\n':
        escaped += "&#10;";
        break;
      case '\t':
        escaped += "&#9;";
        break;
      case '\r':
        escaped += "&#13;";
        break;
      default:
        escaped += static_cast<unsigned char>(c) < 32 ? '?' : c;  // XML holds no other controls
    }
  }
  return escaped;
}

// Why the submission's cases did not run, in a sentence.
std::string NotRun(const Submission& submission) {
  if (submission.outcome == Outcome::Unreadable) return submission.error;
  return "the program does not assemble";
}

Json SubmissionJson(const Exercise& exercise, const Submission& submission) {
  Json json = {{"path", submission.path}};
  json.update(SubmissionGradeJson(exercise, submission.grade, submission.outcome == Outcome::Graded));
  if (submission.outcome == Outcome::Unreadable) json["error"] = submission.error;
  if (submission.outcome == Outcome::NotAssembled) {
    json["messages"] = Json::array();
    for (const StageMessage& m : submission.messages) json["messages"].push_back({{"line", m.line}, {"text", m.text}});
  }
  return json;
}

std::string JunitSuite(const Exercise& exercise, const Submission& submission) {
  const bool ran = submission.outcome == Outcome::Graded;
  const std::size_t cases = exercise.cases.size();
  const std::size_t failures = ran ? cases - submission.grade.passed : 0;
  char time[32];
  std::snprintf(time, sizeof time, "%.6f", submission.seconds);
  const std::string path = XmlText(submission.path);
  std::string xml = "  <testsuite name=\"" + path + "\" tests=\"" + std::to_string(cases) + "\" failures=\"" +
                    std::to_string(failures) + "\" errors=\"" + std::to_string(ran ? 0 : cases) + "\" time=\"" + time +
                    "\">\n";
  std::string details;
  for (const StageMessage& m : submission.messages) details += m.text + "\n";
  for (std::size_t i = 0; i < cases; ++i) {
    xml += "    <testcase classname=\"" + path + "\" name=\"" + XmlText(exercise.cases[i].name) + "\"";
    if (!ran) {
      xml += ">\n      <error message=\"" + XmlText(NotRun(submission)) + "\">" + XmlText(details) +
             "</error>\n    </testcase>\n";
    } else if (const CaseResult& result = submission.grade.cases[i]; !result.passed) {
      xml += ">\n      <failure message=\"" + XmlText(result.failure) + "\">" + XmlText(result.failure) +
             "</failure>\n    </testcase>\n";
    } else {
      xml += "/>\n";
    }
  }
  return xml + "  </testsuite>\n";
}

}  // namespace

std::string TextReport(const Exercise& exercise, const Submission& submission, bool many, std::string& errors) {
  const std::string& path = submission.path;
  const std::string prefix = many ? path + ": " : "";
  for (const StageMessage& m : submission.messages) errors += prefix + m.text + "\n";
  if (submission.outcome == Outcome::Unreadable) errors += "zar: " + submission.error + "\n";
  if (submission.outcome != Outcome::Graded) {
    return path + (submission.outcome == Outcome::Unreadable ? ": cannot be read\n" : ": does not assemble\n");
  }
  std::string text;
  const Grade& grade = submission.grade;
  if (many) {
    text = path + ": " + std::to_string(grade.passed) + " of " + std::to_string(grade.cases.size()) +
           " cases passed, " + PointsText(grade.points) + " of " + PointsText(exercise.PointsPossible()) + " points\n";
  }
  for (std::size_t i = 0; i < grade.cases.size(); ++i) {
    const CaseResult& result = grade.cases[i];
    text += "case " + std::to_string(i + 1) + " " + Quote(exercise.cases[i].name) + ": " +
            (result.passed ? "PASS" : "FAIL: " + result.failure) + "\n";
  }
  return text;
}

std::string CsvHeader() { return "path,assembled,cases_passed,cases,points,points_possible\r\n"; }

std::string CsvRow(const Exercise& exercise, const Submission& submission) {
  return CsvField(submission.path) + "," + (submission.outcome == Outcome::Graded ? "true" : "false") + "," +
         std::to_string(submission.grade.passed) + "," + std::to_string(exercise.cases.size()) + "," +
         PointsText(submission.grade.points) + "," + PointsText(exercise.PointsPossible()) + "\r\n";
}

std::string JsonReport(const Exercise& exercise, const std::vector<Submission>& submissions) {
  Json report = {{"exercise", exercise.title},
                 {"cases", exercise.cases.size()},
                 {"pointsPossible", PointsJson(exercise.PointsPossible())},
                 {"submissions", Json::array()}};
  bool passed = true;
  for (const Submission& submission : submissions) {
    report["submissions"].push_back(SubmissionJson(exercise, submission));
    passed = passed && report["submissions"].back()["passed"].get<bool>();
  }
  report["passed"] = passed;
  return report.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string JunitReport(const Exercise& exercise, const std::vector<Submission>& submissions) {
  std::size_t tests = 0, failures = 0, errors = 0;
  std::string suites;
  for (const Submission& submission : submissions) {
    tests += exercise.cases.size();
    const bool ran = submission.outcome == Outcome::Graded;
    failures += ran ? exercise.cases.size() - submission.grade.passed : 0;
    errors += ran ? 0 : exercise.cases.size();
    suites += JunitSuite(exercise, submission);
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"" + XmlText(exercise.title) + "\" tests=\"" +
         std::to_string(tests) + "\" failures=\"" + std::to_string(failures) + "\" errors=\"" + std::to_string(errors) +
         "\">\n" + suites + "</testsuites>\n";
}

}  // namespace zar::cli
