#include "regex/error.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

#include "regex/size_model.h"

namespace kelp::regex {
namespace {

struct Reason {
  ErrorKind kind;
  const char* text;  // null for the texts that name a limit
};

// The reason texts, one per kind in the order of ErrorKind.
constexpr Reason kReasons[] = {
    {ErrorKind::CaptureLimitExceeded,
     "exceeded the maximum number of capturing groups (4294967295)"},
    {ErrorKind::ClassEscapeInvalid, "invalid escape sequence found in character class"},
    {ErrorKind::ClassRangeInvalid,
     "invalid character class range, the start must be <= the end"},
    {ErrorKind::ClassRangeLiteral, "invalid range boundary, must be a literal"},
    {ErrorKind::ClassUnclosed, "unclosed character class"},
    {ErrorKind::DecimalEmpty, "decimal literal empty"},
    {ErrorKind::DecimalInvalid, "decimal literal invalid"},
    {ErrorKind::EscapeHexEmpty, "hexadecimal literal empty"},
    {ErrorKind::EscapeHexInvalid, "hexadecimal literal is not a Unicode scalar value"},
    {ErrorKind::EscapeHexInvalidDigit, "invalid hexadecimal digit"},
    {ErrorKind::EscapeUnexpectedEof,
     "incomplete escape sequence, reached end of pattern prematurely"},
    {ErrorKind::EscapeUnrecognized, "unrecognized escape sequence"},
    {ErrorKind::FlagDanglingNegation, "dangling flag negation operator"},
    {ErrorKind::FlagDuplicate, "duplicate flag"},
    {ErrorKind::FlagRepeatedNegation, "flag negation operator repeated"},
    {ErrorKind::FlagUnexpectedEof, "expected flag but got end of regex"},
    {ErrorKind::FlagUnrecognized, "unrecognized flag"},
    {ErrorKind::GroupNameDuplicate, "duplicate capture group name"},
    {ErrorKind::GroupNameEmpty, "empty capture group name"},
    {ErrorKind::GroupNameInvalid, "invalid capture group character"},
    {ErrorKind::GroupNameUnexpectedEof, "unclosed capture group name"},
    {ErrorKind::GroupUnclosed, "unclosed group"},
    {ErrorKind::GroupUnopened, "unopened group"},
    {ErrorKind::NestLimitExceeded, nullptr},  // names kNestLimit
    {ErrorKind::RepetitionCountInvalid,
     "invalid repetition count range, the start must be <= the end"},
    {ErrorKind::RepetitionCountDecimalEmpty,
     "repetition quantifier expects a valid decimal"},
    {ErrorKind::RepetitionCountUnclosed, "unclosed counted repetition"},
    {ErrorKind::RepetitionMissing, "repetition operator missing expression"},
    {ErrorKind::SpecialWordBoundaryUnclosed,
     "special word boundary assertion is either unclosed or contains "
     "an invalid character"},
    {ErrorKind::SpecialWordBoundaryUnrecognized,
     "unrecognized special word boundary assertion, valid choices are: "
     "start, end, start-half or end-half"},
    {ErrorKind::SpecialWordOrRepetitionUnexpectedEof,
     "found either the beginning of a special word boundary or a "
     "bounded repetition on a \\b with an opening brace, but no "
     "closing brace"},
    {ErrorKind::UnicodeClassInvalid, "invalid Unicode character class"},
    {ErrorKind::UnsupportedBackreference, "backreferences are not supported"},
    {ErrorKind::UnsupportedLookAround,
     "look-around, including look-ahead and look-behind, is not "
     "supported"},
    {ErrorKind::UnicodeNotAllowed, "Unicode not allowed here"},
    {ErrorKind::InvalidUtf8, "pattern can match invalid UTF-8"},
    {ErrorKind::UnicodePropertyNotFound, "Unicode property not found"},
    {ErrorKind::UnicodePropertyValueNotFound, "Unicode property value not found"},
    {ErrorKind::SizeLimitExceeded, nullptr},  // names kSizeLimit
};

constexpr bool reasons_in_kind_order() {
  for (std::size_t i = 0; i < std::size(kReasons); ++i) {
    if (static_cast<std::size_t>(kReasons[i].kind) != i) return false;
  }
  return std::size(kReasons) == static_cast<std::size_t>(ErrorKind::SizeLimitExceeded) + 1;
}
static_assert(reasons_in_kind_order(), "one reason per error kind, in kind order");

}  // namespace

std::string error_reason(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::NestLimitExceeded:
      return "exceed the maximum number of nested parentheses/brackets (" +
             std::to_string(kNestLimit) + ")";
    case ErrorKind::SizeLimitExceeded:
      return "Compiled regex exceeds size limit of " + std::to_string(kSizeLimit) +
             " bytes.";
    default:
      return kReasons[static_cast<std::size_t>(kind)].text;
  }
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

// Where the carets go: spans on one line are drawn under it; spans over
// several lines are listed by line and column after the pattern.
struct Marks {
  std::vector<std::vector<Span>> by_line;
  std::vector<Span> multi_line;
};

Marks place_marks(const SyntaxError& error, std::size_t line_count) {
  Marks marks;
  marks.by_line.resize(line_count);
  auto add = [&](const Span& span) {
    if (span.start.line == span.end.line) {
      std::size_t i = span.start.line - 1;
      if (i < marks.by_line.size()) {
        marks.by_line[i].push_back(span);
        std::sort(marks.by_line[i].begin(), marks.by_line[i].end());
      }
    } else {
      marks.multi_line.push_back(span);
      std::sort(marks.multi_line.begin(), marks.multi_line.end());
    }
  };
  add(error.span);
  if (error.aux_span) add(*error.aux_span);
  return marks;
}

// One line of carets under the columns of `spans`, at least one caret each.
void append_carets(std::string& out, const std::vector<Span>& spans,
                   std::size_t padding) {
  out.append(padding, ' ');
  std::size_t col = 0;
  for (const Span& span : spans) {
    while (col + 1 < span.start.column) {
      out += ' ';
      ++col;
    }
    std::size_t len = span.end.column > span.start.column
                          ? span.end.column - span.start.column
                          : 0;
    if (len == 0) len = 1;
    out.append(len, '^');
    col += len;
  }
  out += '\n';
}

// The pattern line by line, numbered when it has several, each marked line
// followed by its carets.
std::string notate(const std::vector<std::string_view>& lines, const Marks& marks,
                   std::size_t number_width) {
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
    if (i < marks.by_line.size() && !marks.by_line[i].empty()) {
      append_carets(notated, marks.by_line[i], padding);
    }
  }
  return notated;
}

// The spans over several lines, one per line of text.
std::string list_multi_line(const std::vector<Span>& spans) {
  std::string out;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const Span& s = spans[i];
    if (i > 0) out += '\n';
    out += "on line " + std::to_string(s.start.line) + " (column " +
           std::to_string(s.start.column) + ") through line " +
           std::to_string(s.end.line) + " (column " +
           std::to_string(s.end.column - 1) + ")";
  }
  if (!spans.empty()) out += '\n';
  return out;
}

}  // namespace

std::string format_error(std::string_view pattern, const SyntaxError& error) {
  const std::vector<std::string_view> lines = display_lines(pattern);
  std::size_t line_count = lines.size();
  if (!pattern.empty() && pattern.back() == '\n') ++line_count;
  const std::size_t number_width =
      line_count <= 1 ? 0 : std::to_string(line_count).size();
  const Marks marks = place_marks(error, line_count);
  const std::string notated = notate(lines, marks, number_width);

  std::string out = "regex parse error:\n";
  if (pattern.find('\n') != std::string_view::npos) {
    const std::string divider(79, '~');
    out += divider;
    out += '\n';
    out += notated;
    out += divider;
    out += '\n';
    out += list_multi_line(marks.multi_line);
  } else {
    out += notated;
  }
  out += "error: ";
  out += error_reason(error.kind);
  return out;
}

}  // namespace kelp::regex
