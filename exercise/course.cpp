#include "exercise/course.h"

#include "exercise/json_text.h"
#include "formats/text_file.h"

namespace zar {

namespace {

using Json = nlohmann::json;

constexpr std::size_t MaxCourseBytes = 1024 * 1024;

void ReadEntry(FieldReader& reader, const Json& json, const std::string& at, const std::filesystem::path& folder,
               Course& course) {
  if (!json.is_object()) {
    reader.Fail(at, "expected {\"file\": \"NAME.json\", \"title\": \"...\"}");
    return;
  }
  if (!reader.OnlyKnown(json, at, {"file", "title"})) return;
  const auto file = reader.Text(json, at, "file", true);
  const auto title = reader.Text(json, at, "title", true);
  if (reader.Failed()) return;
  std::error_code error;
  if (file->empty() || !std::filesystem::is_regular_file(folder / *file, error)) {
    reader.Fail(at + "/file", "there is no exercise \"" + *file + "\" beside the course");
    return;
  }
  course.entries.push_back({folder / *file, *title});
}

void ReadCourse(FieldReader& reader, const Json& json, const std::filesystem::path& folder, Course& course) {
  if (!json.is_object()) {
    reader.Fail("", "expected a course object");
    return;
  }
  if (!reader.OnlyKnown(json, "", {"$schema", "title", "exercises"})) return;
  if (const auto title = reader.Text(json, "", "title", true)) course.title = *title;
  const Json* entries = reader.Member(json, "", "exercises", true, &Json::is_array, "an array of exercises");
  if (entries && entries->empty()) reader.Fail("/exercises", "a course has at least one exercise");
  for (std::size_t i = 0; entries && i < entries->size() && !reader.Failed(); ++i) {
    ReadEntry(reader, (*entries)[i], "/exercises/" + std::to_string(i), folder, course);
  }
}

}  // namespace

bool LoadCourse(const std::filesystem::path& path, Course& course, std::string& error) {
  course = {};
  std::string text;
  if (const FileResult read = ReadWholeFile(path, MaxCourseBytes, text, WaitForPipes::Yes); read.Failed()) {
    error = read.Why();
    return false;
  }
  std::optional<Json> json = ParseJson(text, error);
  FieldReader reader;
  if (json) {
    try {
      ReadCourse(reader, *json, path.parent_path(), course);
    } catch (const Json::exception& e) {
      reader.Fail("", e.what());
    }
    error = reader.Error();
  }
  if (json && !reader.Failed()) return true;
  error = path.string() + ":" + error;
  return false;
}

}  // namespace zar
