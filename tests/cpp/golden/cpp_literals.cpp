#include "golden/cpp_literals.h"

namespace kelp::golden {

namespace {

// The index just past the literal whose opening `quote` is at `start`.
std::size_t literal_end(std::string_view text, std::size_t start, char quote) {
  std::size_t i = start + 1;
  while (i < text.size() && text[i] != quote && text[i] != '\n') i += text[i] == '\\' ? 2 : 1;
  return i < text.size() ? i + 1 : text.size();
}

}  // namespace

std::vector<std::string> string_literals(std::string_view source) {
  std::vector<std::string> literals;
  std::size_t i = 0;
  while (i < source.size()) {
    const std::string_view rest = source.substr(i);
    if (rest.starts_with("//")) {
      std::size_t end = source.find('\n', i);
      i = end == std::string_view::npos ? source.size() : end;
    } else if (rest.starts_with("/*")) {
      std::size_t end = source.find("*/", i + 2);
      i = end == std::string_view::npos ? source.size() : end + 2;
    } else if (source[i] == '\'') {
      i = literal_end(source, i, '\'');
    } else if (source[i] == '"') {
      std::size_t end = literal_end(source, i, '"');
      literals.emplace_back(source.substr(i + 1, end - i - 2));
      i = end;
    } else {
      ++i;
    }
  }
  return literals;
}

}  // namespace kelp::golden
