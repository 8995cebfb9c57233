#include "yaml/scanner.h"

#include "unicode/text.h"
#include "yaml/scanner_internal.h"

namespace kelp::yaml {

using scan::hex_value;
using scan::is_hex;

bool Scanner::fetch_quoted(bool single) {
  if (!save_simple_key()) return false;
  simple_key_allowed_ = false;
  Token t;
  if (!scan_quoted(single, t)) return false;
  adjacent_value_allowed_ = true;
  push(t);
  return true;
}

bool Scanner::scan_escape(std::string& out) {
  // At the backslash; the escaped break is handled by the caller.
  std::size_t start = pos_;
  char c = at(pos_ + 1);
  pos_ += 2;
  switch (c) {
    case '0': out.push_back('\0'); return true;
    case 'a': out.push_back('\a'); return true;
    case 'b': out.push_back('\b'); return true;
    case 't':
    case '\t': out.push_back('\t'); return true;
    case 'n': out.push_back('\n'); return true;
    case 'v': out.push_back('\v'); return true;
    case 'f': out.push_back('\f'); return true;
    case 'r': out.push_back('\r'); return true;
    case 'e': out.push_back('\x1B'); return true;
    case ' ': out.push_back(' '); return true;
    case '"': out.push_back('"'); return true;
    case '/': out.push_back('/'); return true;
    case '\\': out.push_back('\\'); return true;
    case 'N': out.append("\xC2\x85"); return true;
    case '_': out.append("\xC2\xA0"); return true;
    case 'L': out.append("\xE2\x80\xA8"); return true;
    case 'P': out.append("\xE2\x80\xA9"); return true;
    case 'x':
    case 'u':
    case 'U': {
      std::size_t digits = c == 'x' ? 2 : c == 'u' ? 4 : 8;
      auto read_hex = [&](std::size_t from, std::size_t n, char32_t& value) {
        value = 0;
        for (std::size_t i = 0; i < n; ++i) {
          if (!is_hex(at(from + i))) return false;
          value = value * 16 + static_cast<char32_t>(hex_value(at(from + i)));
        }
        return true;
      };
      char32_t cp = 0;
      if (!read_hex(pos_, digits, cp)) return fail(start, "malformed escape sequence");
      pos_ += digits;
      if (cp >= 0xD800 && cp <= 0xDBFF && c == 'u' && at(pos_) == '\\' && at(pos_ + 1) == 'u') {
        // A UTF-16 surrogate pair, as JSON writers emit it.
        char32_t low = 0;
        if (read_hex(pos_ + 2, 4, low) && low >= 0xDC00 && low <= 0xDFFF) {
          pos_ += 6;
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
      }
      if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        return fail(start, "escape sequence names no valid character");
      }
      unicode::append_utf8(out, cp);
      return true;
    }
    default:
      return fail(start, "unknown escape sequence");
  }
}

// The text of a quoted scalar while it is scanned: a view into the input
// until an escape, a doubled quote or a folded break makes it differ, then
// built in the buffer from `text_start`.
struct Scanner::QuotedText {
  // The opening quote, and the first character after it.
  std::size_t start = 0;
  std::size_t content = 0;
  bool built = false;
  std::size_t text_start = 0;
};

bool Scanner::scan_quoted(bool single, Token& t) {
  const char quote = single ? '\'' : '"';
  const char* data = in_.data();
  const std::size_t size = in_.size();
  QuotedText q;
  q.start = pos_;
  q.content = ++pos_;
  for (;;) {
    std::size_t run = pos_;
    while (pos_ < size) {
      char c = data[pos_];
      if (c == quote || c == '\\' || c == ' ' || c == '\t' || c == '\n' || c == '\r') break;
      ++pos_;
    }
    if (q.built) {
      buffer_.append(data + run, pos_ - run);
      if (!building_within_budget(q.text_start, q.start)) return false;
    }
    if (pos_ >= size) return fail(q.start, single ? "single-quoted scalar without its closing quote"
                                                  : "double-quoted scalar without its closing quote");
    char c = data[pos_];
    if (c == quote) {
      if (!single || at(pos_ + 1) != '\'') break;
      // A doubled single quote stands for one.
      build_quoted(q, pos_);
      buffer_.push_back('\'');
      pos_ += 2;
    } else if (c == '\\') {
      if (!quoted_backslash(single, q)) return false;
    } else {
      // Blanks are content inside a row and dropped before a break.
      std::size_t blanks = pos_;
      while (pos_ < size && (data[pos_] == ' ' || data[pos_] == '\t')) ++pos_;
      if (pos_ < size && data[pos_] != '\n' && data[pos_] != '\r') {
        if (q.built) buffer_.append(data + blanks, pos_ - blanks);
      } else if (pos_ < size && !fold_quoted_break(q, blanks)) {
        // At the end of the text the loop reports the missing quote.
        return false;
      }
    }
  }
  ++pos_;  // the closing quote
  t = make(TokenType::Scalar, q.start, pos_);
  t.style = single ? ScalarStyle::SingleQuoted : ScalarStyle::DoubleQuoted;
  if (q.built) {
    t.built = true;
    t.text_start = q.text_start;
    t.text_size = buffer_.size() - q.text_start;
  } else {
    t.text_start = q.content;
    t.text_size = pos_ - 1 - q.content;
  }
  return count_scalar_bytes(t.text_size, q.start);
}

void Scanner::build_quoted(QuotedText& q, std::size_t upto) {
  if (q.built) return;
  q.built = true;
  q.text_start = buffer_.size();
  buffer_.append(in_.data() + q.content, upto - q.content);
}

bool Scanner::quoted_backslash(bool single, QuotedText& q) {
  if (single) {
    // A plain character in a single-quoted scalar.
    if (q.built) buffer_.push_back('\\');
    ++pos_;
    return true;
  }
  build_quoted(q, pos_);
  if (!is_break_at(pos_ + 1)) return scan_escape(buffer_);
  // An escaped break joins the rows without a space; empty rows after it
  // still count as breaks.
  ++pos_;
  skip_break();
  std::size_t breaks = 0;
  if (!quoted_continuation(breaks)) return false;
  buffer_.append(breaks, '\n');
  return building_within_budget(q.text_start, q.start);
}

bool Scanner::fold_quoted_break(QuotedText& q, std::size_t blanks) {
  build_quoted(q, blanks);
  skip_break();
  std::size_t breaks = 1;
  if (!quoted_continuation(breaks)) return false;
  // One break folds into a space; more keep all but the first.
  if (breaks == 1) {
    buffer_.push_back(' ');
  } else {
    buffer_.append(breaks - 1, '\n');
  }
  return building_within_budget(q.text_start, q.start);
}

bool Scanner::quoted_continuation(std::size_t& breaks) {
  const char* data = in_.data();
  const std::size_t size = in_.size();
  for (;;) {
    std::size_t q = pos_;
    while (q < size && data[q] == ' ') ++q;
    std::size_t spaces = q - pos_;
    while (q < size && (data[q] == ' ' || data[q] == '\t')) ++q;
    if (q < size && (data[q] == '\n' || data[q] == '\r')) {
      pos_ = q;
      skip_break();
      ++breaks;
      continue;
    }
    if (is_document_marker_at(pos_)) return fail(pos_, "document marker inside a quoted scalar");
    if (q < size && static_cast<std::ptrdiff_t>(spaces) <= indent_) {
      return fail(q, "quoted scalar continuation is not indented enough");
    }
    pos_ = q;
    return true;
  }
}

}  // namespace kelp::yaml
