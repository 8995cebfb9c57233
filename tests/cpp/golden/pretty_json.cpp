#include "golden/pretty_json.h"

namespace kelp::golden {

namespace {

void new_line(std::string& out, std::size_t depth) {
  out.push_back('\n');
  out.append(2 * depth, ' ');
}

// The index just past the string literal that opens at `start`.
std::size_t string_end(std::string_view text, std::size_t start) {
  std::size_t i = start + 1;
  while (i < text.size() && text[i] != '"') i += text[i] == '\\' ? 2 : 1;
  return i < text.size() ? i + 1 : text.size();
}

}  // namespace

std::string pretty_json(std::string_view compact) {
  std::string out;
  out.reserve(compact.size() * 2);
  std::size_t depth = 0;
  for (std::size_t i = 0; i < compact.size();) {
    const char c = compact[i];
    if (c == '"') {
      std::size_t end = string_end(compact, i);
      out.append(compact.substr(i, end - i));
      i = end;
      continue;
    }
    ++i;
    switch (c) {
      case '{':
      case '[':
        out.push_back(c);
        if (i < compact.size() && (compact[i] == '}' || compact[i] == ']')) {
          out.push_back(compact[i++]);
        } else {
          new_line(out, ++depth);
        }
        break;
      case '}':
      case ']':
        new_line(out, depth > 0 ? --depth : 0);
        out.push_back(c);
        break;
      case ',':
        out.push_back(',');
        new_line(out, depth);
        break;
      case ':':
        out += ": ";
        break;
      default:
        out.push_back(c);
        break;
    }
  }
  out.push_back('\n');
  return out;
}

}  // namespace kelp::golden
