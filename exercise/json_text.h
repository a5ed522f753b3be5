#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace zar {

// Parses a JSON text. Every error of the parser, a number beyond the range
// of a double as well, comes back in error as "LINE:COLUMN: why".
std::optional<nlohmann::json> ParseJson(const std::string& text, std::string& error);

// The JSON pointer of the member key of the object at pointer ("~" and "/"
// escaped).
std::string JsonPointer(const std::string& pointer, std::string_view key);

// Reads the fields of a JSON document; the first problem is kept with the
// pointer of the field it concerns.
class FieldReader {
 public:
  using Json = nlohmann::json;

  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }

  bool Fail(const std::string& pointer, const std::string& why) {
    if (error_.empty()) error_ = (pointer.empty() ? "/" : pointer) + ": " + why;
    return false;
  }

  // Refuses the first key of the object that is not one of known.
  bool OnlyKnown(const Json& object, const std::string& pointer, std::initializer_list<std::string_view> known) {
    for (const auto& [key, value] : object.items()) {
      if (std::find(known.begin(), known.end(), key) != known.end()) continue;
      std::string list;
      for (const std::string_view k : known) list += (list.empty() ? "" : ", ") + std::string(k);
      return Fail(JsonPointer(pointer, key), "unknown key; known here: " + list);
    }
    return true;
  }

  // A member of the type the test checks; a missing one fails when required.
  const Json* Member(const Json& object, const std::string& pointer, const char* key, bool required,
                     bool (Json::*is)() const noexcept, const char* what) {
    const auto it = object.find(key);
    const std::string at = JsonPointer(pointer, key);
    if (it == object.end()) {
      if (required) Fail(at, std::string("missing, expected ") + what);
      return nullptr;
    }
    if (!((*it).*is)()) {
      Fail(at, std::string("expected ") + what);
      return nullptr;
    }
    return &*it;
  }

  std::optional<std::string> Text(const Json& object, const std::string& pointer, const char* key, bool required) {
    const Json* value = Member(object, pointer, key, required, &Json::is_string, "a string");
    if (!value) return std::nullopt;
    return value->get<std::string>();
  }

  // An unsigned integer up to max.
  std::optional<std::uint64_t> Number(const Json& object, const std::string& pointer, const char* key, bool required,
                                      std::uint64_t max, const char* what) {
    const Json* value = Member(object, pointer, key, required, &Json::is_number_unsigned, what);
    if (!value) return std::nullopt;
    if (value->get<std::uint64_t>() > max) {
      Fail(JsonPointer(pointer, key), std::string("expected ") + what);
      return std::nullopt;
    }
    return value->get<std::uint64_t>();
  }

 private:
  std::string error_;
};

}  // namespace zar
