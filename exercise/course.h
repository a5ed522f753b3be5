#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zar {

// A course: exercises in the order to take them, each with the title a menu
// shows. Read from a JSON file such as exercises/course.json:
//
//   {"title": "First steps",
//    "exercises": [{"file": "01_print_a_character.json", "title": "Print a character"}, ...]}
//
// (and "$schema", as in an exercise file).
struct CourseEntry {
  std::filesystem::path file;  // the exercise file: the course's folder joined with the name given
  std::string title;
};

struct Course {
  std::string title;
  std::vector<CourseEntry> entries;
};

// Reads a course file. Unknown keys, wrong types, an empty list and an
// exercise file that is not there are refused; error then begins with the
// course file's name and names the place ("LINE:COLUMN" or a JSON pointer),
// as LoadExercise does. The exercises themselves are not read.
bool LoadCourse(const std::filesystem::path& path, Course& course, std::string& error);

}  // namespace zar
