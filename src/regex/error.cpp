#include "regex/error.h"

#include <algorithm>
#include <vector>

namespace kelp::regex {

std::string error_reason(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::CaptureLimitExceeded:
      return "exceeded the maximum number of capturing groups (4294967295)";
    case ErrorKind::ClassEscapeInvalid:
      return "invalid escape sequence found in character class";
    case ErrorKind::ClassRangeInvalid:
      return "invalid character class range, the start must be <= the end";
    case ErrorKind::ClassRangeLiteral:
      return "invalid range boundary, must be a literal";
    case ErrorKind::ClassUnclosed:
      return "unclosed character class";
    case ErrorKind::DecimalEmpty:
      return "decimal literal empty";
    case ErrorKind::DecimalInvalid:
      return "decimal literal invalid";
    case ErrorKind::EscapeHexEmpty:
      return "hexadecimal literal empty";
    case ErrorKind::EscapeHexInvalid:
      return "hexadecimal literal is not a Unicode scalar value";
    case ErrorKind::EscapeHexInvalidDigit:
      return "invalid hexadecimal digit";
    case ErrorKind::EscapeUnexpectedEof:
      return "incomplete escape sequence, reached end of pattern prematurely";
    case ErrorKind::EscapeUnrecognized:
      return "unrecognized escape sequence";
    case ErrorKind::FlagDanglingNegation:
      return "dangling flag negation operator";
    case ErrorKind::FlagDuplicate:
      return "duplicate flag";
    case ErrorKind::FlagRepeatedNegation:
      return "flag negation operator repeated";
    case ErrorKind::FlagUnexpectedEof:
      return "expected flag but got end of regex";
    case ErrorKind::FlagUnrecognized:
      return "unrecognized flag";
    case ErrorKind::GroupNameDuplicate:
      return "duplicate capture group name";
    case ErrorKind::GroupNameEmpty:
      return "empty capture group name";
    case ErrorKind::GroupNameInvalid:
      return "invalid capture group character";
    case ErrorKind::GroupNameUnexpectedEof:
      return "unclosed capture group name";
    case ErrorKind::GroupUnclosed:
      return "unclosed group";
    case ErrorKind::GroupUnopened:
      return "unopened group";
    case ErrorKind::NestLimitExceeded:
      return "exceed the maximum number of nested parentheses/brackets (" +
             std::to_string(kNestLimit) + ")";
    case ErrorKind::RepetitionCountInvalid:
      return "invalid repetition count range, the start must be <= the end";
    case ErrorKind::RepetitionCountDecimalEmpty:
      return "repetition quantifier expects a valid decimal";
    case ErrorKind::RepetitionCountUnclosed:
      return "unclosed counted repetition";
    case ErrorKind::RepetitionMissing:
      return "repetition operator missing expression";
    case ErrorKind::SpecialWordBoundaryUnclosed:
      return "special word boundary assertion is either unclosed or contains "
             "an invalid character";
    case ErrorKind::SpecialWordBoundaryUnrecognized:
      return "unrecognized special word boundary assertion, valid choices are: "
             "start, end, start-half or end-half";
    case ErrorKind::SpecialWordOrRepetitionUnexpectedEof:
      return "found either the beginning of a special word boundary or a "
             "bounded repetition on a \\b with an opening brace, but no "
             "closing brace";
    case ErrorKind::UnicodeClassInvalid:
      return "invalid Unicode character class";
    case ErrorKind::UnsupportedBackreference:
      return "backreferences are not supported";
    case ErrorKind::UnsupportedLookAround:
      return "look-around, including look-ahead and look-behind, is not "
             "supported";
    case ErrorKind::UnicodeNotAllowed:
      return "Unicode not allowed here";
    case ErrorKind::InvalidUtf8:
      return "pattern can match invalid UTF-8";
    case ErrorKind::UnicodePropertyNotFound:
      return "Unicode property not found";
    case ErrorKind::UnicodePropertyValueNotFound:
      return "Unicode property value not found";
  }
  return "";
}

namespace {

// The lines of the pattern as the display prints them: split at line feeds,
// one carriage return dropped before each line feed, no empty line after a
// final line feed.
std::vector<std::string_view> display_lines(std::string_view pattern) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < pattern.size()) {
    std::size_t nl = pattern.find('\n', start);
    if (nl == std::string_view::npos) {
      lines.push_back(pattern.substr(start));
      break;
    }
    std::string_view line = pattern.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = nl + 1;
  }
  return lines;
}

}  // namespace

std::string format_error(std::string_view pattern, const SyntaxError& error) {
  const std::vector<std::string_view> lines = display_lines(pattern);
  std::size_t line_count = lines.size();
  if (!pattern.empty() && pattern.back() == '\n') ++line_count;
  const std::size_t number_width =
      line_count <= 1 ? 0 : std::to_string(line_count).size();

  // Spans on one line are drawn under it; spans over several lines are
  // listed by line and column after the pattern.
  std::vector<std::vector<Span>> by_line(line_count);
  std::vector<Span> multi_line;
  auto add = [&](const Span& span) {
    if (span.start.line == span.end.line) {
      std::size_t i = span.start.line - 1;
      if (i < by_line.size()) {
        by_line[i].push_back(span);
        std::sort(by_line[i].begin(), by_line[i].end());
      }
    } else {
      multi_line.push_back(span);
      std::sort(multi_line.begin(), multi_line.end());
    }
  };
  add(error.span);
  if (error.aux_span) add(*error.aux_span);

  const std::size_t padding = number_width == 0 ? 4 : 2 + number_width;
  std::string notated;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (number_width > 0) {
      std::string n = std::to_string(i + 1);
      notated.append(number_width - n.size(), ' ');
      notated += n;
      notated += ": ";
    } else {
      notated += "    ";
    }
    notated += lines[i];
    notated += '\n';
    if (i < by_line.size() && !by_line[i].empty()) {
      notated.append(padding, ' ');
      std::size_t col = 0;
      for (const Span& span : by_line[i]) {
        while (col + 1 < span.start.column) {
          notated += ' ';
          ++col;
        }
        std::size_t len = span.end.column > span.start.column
                              ? span.end.column - span.start.column
                              : 0;
        if (len == 0) len = 1;
        notated.append(len, '^');
        col += len;
      }
      notated += '\n';
    }
  }

  std::string out = "regex parse error:\n";
  if (pattern.find('\n') != std::string_view::npos) {
    const std::string divider(79, '~');
    out += divider;
    out += '\n';
    out += notated;
    out += divider;
    out += '\n';
    for (std::size_t i = 0; i < multi_line.size(); ++i) {
      const Span& s = multi_line[i];
      if (i > 0) out += '\n';
      out += "on line " + std::to_string(s.start.line) + " (column " +
             std::to_string(s.start.column) + ") through line " +
             std::to_string(s.end.line) + " (column " +
             std::to_string(s.end.column - 1) + ")";
    }
    if (!multi_line.empty()) out += '\n';
  } else {
    out += notated;
  }
  out += "error: ";
  out += error_reason(error.kind);
  return out;
}

}  // namespace kelp::regex
