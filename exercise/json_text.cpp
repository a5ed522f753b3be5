#include "exercise/json_text.h"

#include <algorithm>

namespace zar {

namespace {

using Json = nlohmann::json;

// The parser's own document builder, which keeps the first error with its
// place instead of throwing it.
class DocumentBuilder : public nlohmann::detail::json_sax_dom_parser<Json> {
 public:
  explicit DocumentBuilder(Json& json) : json_sax_dom_parser(json, false) {}

  // A syntax error is placed where the parser stood; a value it would not
  // take (a number beyond the range of a double) where that value begins.
  bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& e) {
    const bool syntax = e.id / 100 == 1;
    position_ = syntax || position < token.size() ? position : position - token.size() + 1;
    what_ = e.what();
    return false;
  }

  std::size_t Position() const { return position_; }
  const std::string& What() const { return what_; }

 private:
  std::size_t position_ = 0;
  std::string what_;
};

// "LINE:COLUMN" of a byte offset, both counted from 1.
std::string Position(const std::string& text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n');
  const std::size_t start = offset == 0 ? std::string::npos : text.rfind('\n', offset - 1);
  const std::size_t column = start == std::string::npos ? offset + 1 : offset - start;
  return std::to_string(line) + ":" + std::to_string(column);
}

// The reason in the parser's message, without its number and place.
std::string Reason(const std::string& what) {
  if (const std::size_t syntax = what.find("syntax error"); syntax != std::string::npos) return what.substr(syntax);
  const std::size_t bracket = what.find("] ");
  return bracket == std::string::npos ? what : what.substr(bracket + 2);
}

}  // namespace

std::optional<Json> ParseJson(const std::string& text, std::string& error) {
  Json json;
  DocumentBuilder builder(json);
  bool parsed = false;
  try {
    parsed = Json::sax_parse(text, &builder);
  } catch (const Json::exception& e) {
    error = "1:1: " + Reason(e.what());
    return std::nullopt;
  }
  if (parsed) return json;
  error = Position(text, builder.Position() == 0 ? 0 : builder.Position() - 1) + ": " + Reason(builder.What());
  return std::nullopt;
}

std::string JsonPointer(const std::string& pointer, std::string_view key) {
  std::string at = pointer + "/";
  for (const char c : key) at += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
  return at;
}

}  // namespace zar
