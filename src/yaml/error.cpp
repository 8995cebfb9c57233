#include "yaml/error.h"

#include <algorithm>
#include <cstdio>

#include "unicode/text.h"
#include "yaml/position.h"

namespace kelp::yaml {

namespace {

constexpr std::size_t kMaxExcerptWidth = 140;
constexpr std::size_t kMaxFragmentChars = 128;

// Characters that would break the layout of a one-line excerpt or message:
// C0 and C1 controls, DEL, the Unicode line and paragraph separators, the
// bidirectional controls and the byte-order mark.
bool is_disruptive(char32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 ||
         cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
         (cp >= 0x2066 && cp <= 0x2069) || cp == 0xFEFF;
}

void append_excerpt_char(std::string& out, char32_t cp) {
  if (cp == '\t') {
    out.push_back(' ');
  } else if (is_disruptive(cp)) {
    out.push_back('?');
  } else {
    unicode::append_utf8(out, cp);
  }
}

// The source line `line` windowed around `column` and a caret under it.
std::string excerpt(std::string_view text, std::size_t line_number, std::size_t column,
                    std::size_t radius) {
  std::string_view line = line_text(text, line_number);
  // Counted the way the excerpt decodes them, so that a line holding
  // invalid bytes (each shown as one replacement character) lines up.
  std::size_t line_chars = 0;
  for (std::size_t pos = 0; pos < line.size(); ++line_chars) unicode::next_code_point(line, pos);
  std::string number = std::to_string(line_number);
  std::string gutter(1, ' ');
  gutter.append(number).append(" | ");
  std::string blank_gutter(number.size() + 2, ' ');
  blank_gutter.append("| ");

  // The window keeps `radius` characters either side of the column when the
  // width allows, and leaves room for the "..." cut marks.
  std::size_t caret = std::min(column - 1, line_chars);
  std::size_t room = kMaxExcerptWidth > gutter.size() + 6 ? kMaxExcerptWidth - gutter.size() - 6 : 1;
  std::size_t width = std::min(room, 2 * radius + 1);
  std::size_t begin = 0;
  std::size_t end = line_chars;
  if (line_chars > width) {
    begin = caret > width / 2 ? caret - width / 2 : 0;
    end = std::min(line_chars, begin + width);
    begin = end - std::min(end, width);
  }

  std::string out = gutter;
  std::size_t caret_column = caret - begin;
  if (begin > 0) {
    out += "...";
    caret_column += 3;
  }
  std::size_t pos = 0;
  for (std::size_t i = 0; i < end; ++i) {
    char32_t cp = unicode::next_code_point(line, pos);
    if (i >= begin) append_excerpt_char(out, cp);
  }
  if (end < line_chars) out += "...";
  out += '\n';
  out += blank_gutter;
  out.append(caret_column, ' ');
  out += '^';
  return out;
}

}  // namespace

YamlError error_at(ReadErrorKind kind, std::size_t offset, std::string message) {
  YamlError error;
  error.kind = kind;
  error.message = std::move(message);
  error.offset = offset;
  return error;
}

YamlError error_at(std::size_t offset, std::string message) {
  return error_at(ReadErrorKind::Content, offset, std::move(message));
}

ReadError locate_error(std::string_view text, const YamlError& error,
                       const YamlReadOptions& options) {
  ReadError out;
  out.kind = error.kind;
  out.message = error.message;
  if (error.line != 0) {
    out.line = error.line;
    out.column = std::max<std::size_t>(error.column, 1);
  } else {
    LineColumn at = line_column_at(text, error.offset);
    out.line = at.line;
    out.column = at.column;
  }
  if (options.error_excerpt) out.excerpt = excerpt(text, out.line, out.column, options.excerpt_radius);
  return out;
}

std::string message_fragment(std::string_view text) {
  std::string out;
  std::size_t pos = 0;
  std::size_t count = 0;
  while (pos < text.size()) {
    if (count == kMaxFragmentChars) {
      out += "...";
      break;
    }
    if (text.compare(pos, 4, "line") == 0) {
      out += "lin\\u{65}";
      pos += 4;
      count += 4;
      continue;
    }
    char32_t cp = unicode::next_code_point(text, pos);
    ++count;
    if (cp == '\n') {
      out += "\\n";
    } else if (cp == '\r') {
      out += "\\r";
    } else if (cp == '\t') {
      out += "\\t";
    } else if (is_disruptive(cp)) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "\\u{%x}", static_cast<unsigned>(cp));
      out += buf;
    } else {
      unicode::append_utf8(out, cp);
    }
  }
  return out;
}

}  // namespace kelp::yaml
