#include "yaml/scanner.h"

#include "yaml/scanner_internal.h"

namespace kelp::yaml {

using scan::is_flow_indicator;

namespace {

// Characters at which a plain scalar's run of content may stop: blanks and
// breaks and ":" everywhere, the flow indicators in flow context.
constexpr unsigned char kStopBlock = 1;
constexpr unsigned char kStopFlow = 2;
struct PlainStops {
  unsigned char table[256] = {};
  constexpr PlainStops() {
    for (unsigned char c : {' ', '\t', '\n', '\r', ':'}) table[c] = kStopBlock | kStopFlow;
    for (unsigned char c : {',', '[', ']', '{', '}'}) table[c] = kStopFlow;
  }
};
constexpr PlainStops kPlainStops;

// The runs of content of one row from `p`, with the blanks between them.
// Returns where the scan stopped (past the trailing blanks, at the row break
// or the end of the text); `content_end` becomes the end of the row's last
// run, and is kept when the row holds none. `stop` is set when the scalar
// ends on this row: at a comment or at a character that cannot continue it.
// A run ends at a blank, a break, ": ", and in flow context at a flow
// indicator or a ":" before one.
std::size_t scan_plain_row(const char* data, std::size_t p, std::size_t size, bool flow,
                           std::size_t& content_end, bool& stop) {
  const unsigned char stop_mask = flow ? kStopFlow : kStopBlock;
  for (;;) {
    std::size_t run = p;
    while (p < size) {
      char c = data[p];
      if ((kPlainStops.table[static_cast<unsigned char>(c)] & stop_mask) == 0) {
        ++p;
        continue;
      }
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') break;
      if (c == ':') {
        std::size_t n = p + 1;
        if (n >= size) break;
        char d = data[n];
        if (d == ' ' || d == '\t' || d == '\n' || d == '\r') break;
        if (flow && is_flow_indicator(d)) break;
      } else if (flow && is_flow_indicator(c)) {
        break;
      }
      ++p;
    }
    if (p == run) {
      stop = true;
      return p;
    }
    content_end = p;
    std::size_t q = p;
    while (q < size && (data[q] == ' ' || data[q] == '\t')) ++q;
    if (q >= size || data[q] == '\n' || data[q] == '\r') return q;
    if (data[q] == '#') {
      stop = true;
      return p;
    }
    p = q;
  }
}

}  // namespace

bool Scanner::fetch_plain() {
  if (!save_simple_key()) return false;
  simple_key_allowed_ = false;
  adjacent_value_allowed_ = false;
  Token t;
  if (!scan_plain(t)) return false;
  // A scalar that ran up to a new row leaves room for a key there.
  if (pos_ == row_start_ && flows_.empty()) simple_key_allowed_ = true;
  push(t);
  return true;
}

bool Scanner::scan_plain(Token& t) {
  const bool flow = !flows_.empty();
  const std::size_t start = pos_;
  const char* data = in_.data();
  const std::size_t size = in_.size();
  std::size_t seg_start = pos_;
  std::size_t seg_end = pos_;
  // The text is a view into the input until a row break folds into it.
  bool built = false;
  std::size_t text_start = 0;
  std::size_t pending_breaks = 0;
  std::size_t end = pos_;

  for (;;) {
    bool stop = false;
    std::size_t next = scan_plain_row(data, pos_, size, flow, seg_end, stop);
    if (seg_end > seg_start) {
      if (pending_breaks > 0 || built) {
        if (!built) {
          built = true;
          text_start = buffer_.size();
          buffer_.append(data + start, end - start);
        }
        if (pending_breaks == 1) {
          buffer_.push_back(' ');
        } else {
          buffer_.append(pending_breaks - 1, '\n');
        }
        buffer_.append(data + seg_start, seg_end - seg_start);
        if (!building_within_budget(text_start, start)) return false;
      }
      end = seg_end;
      pending_breaks = 0;
    }
    if (stop) {
      pos_ = seg_end;
      break;
    }
    pos_ = next;
    if (pos_ >= size || !plain_continues(flow, pending_breaks)) break;
    seg_start = pos_;
    seg_end = pos_;
  }
  t = make(TokenType::Scalar, start, end);
  t.style = ScalarStyle::Plain;
  if (built) {
    t.built = true;
    t.text_start = text_start;
    t.text_size = buffer_.size() - text_start;
  } else {
    t.text_start = start;
    t.text_size = end - start;
  }
  return count_scalar_bytes(t.text_size, start);
}

bool Scanner::plain_continues(bool flow, std::size_t& breaks) {
  const std::ptrdiff_t min_indent = indent_ + 1;
  const char* data = in_.data();
  const std::size_t size = in_.size();
  breaks = 0;
  for (;;) {
    skip_break();
    ++breaks;
    std::size_t row_mark = pos_;
    std::size_t q = pos_;
    while (q < size && data[q] == ' ') ++q;
    std::size_t spaces = q - pos_;
    std::size_t r = q;
    while (r < size && (data[r] == ' ' || data[r] == '\t')) ++r;
    if (r < size && (data[r] == '\n' || data[r] == '\r')) {
      pos_ = r;
      continue;
    }
    // The row must start something a plain scalar may hold; otherwise the
    // scalar ends and the position stays at the row's start.
    bool ends = r >= size || is_document_marker_at(row_mark) ||
                static_cast<std::ptrdiff_t>(spaces) < min_indent || data[r] == '#' ||
                (data[r] == ':' && (is_blankz_at(r + 1) || (flow && is_flow_indicator_at(r + 1)))) ||
                (flow && is_flow_indicator(data[r]));
    if (ends) {
      pos_ = row_mark;
      row_start_ = row_mark;
      return false;
    }
    pos_ = r;
    return true;
  }
}

}  // namespace kelp::yaml
