// The path states: the start of a path, its segments with "." and ".."
// resolved as they end, and the opaque path of a non-special URL without
// slashes ("mailto:x@y").
#include <string_view>

#include "url/parser.h"
#include "url/percent.h"

namespace kelp::url {

namespace {

// Two code points: an ASCII letter, then ':' or '|'.
bool is_windows_drive_letter(std::string_view s) {
  return s.size() == 2 && is_ascii_alpha(static_cast<unsigned char>(s[0])) && (s[1] == ':' || s[1] == '|');
}

bool is_normalized_windows_drive_letter(std::string_view s) {
  return is_windows_drive_letter(s) && s[1] == ':';
}

bool equals_ascii_ci(std::string_view a, std::string_view lower) {
  if (a.size() != lower.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(static_cast<unsigned char>(a[i])) != static_cast<unsigned char>(lower[i])) return false;
  }
  return true;
}

bool is_single_dot_segment(std::string_view s) { return s == "." || equals_ascii_ci(s, "%2e"); }

bool is_double_dot_segment(std::string_view s) {
  return s == ".." || equals_ascii_ci(s, ".%2e") || equals_ascii_ci(s, "%2e.") ||
         equals_ascii_ci(s, "%2e%2e");
}

}  // namespace

// A segment ends at `ch` ('/', '\' for special URLs, '?', '#' or the end).
inline void Parser::end_segment(char32_t ch) {
  bool slash = ch == '/' || (special() && ch == '\\');
  if (is_double_dot_segment(segment_)) {
    shorten_path();
    if (!slash) append_segment("");
  } else if (is_single_dot_segment(segment_)) {
    if (!slash) append_segment("");
  } else {
    if (is_file_ && segment_starts_.empty() && is_windows_drive_letter(segment_)) segment_[1] = ':';
    append_segment(segment_);
  }
  segment_.clear();
}

inline void Parser::append_segment(std::string_view segment) {
  segment_starts_.push_back(path_.size());
  path_.push_back('/');
  path_ += segment;
}

// Drops the last segment; the drive letter of a file path stays.
inline void Parser::shorten_path() {
  if (is_file_ && segment_starts_.size() == 1 &&
      is_normalized_windows_drive_letter(std::string_view(path_).substr(1))) {
    return;
  }
  if (segment_starts_.empty()) return;
  path_.resize(segment_starts_.back());
  segment_starts_.pop_back();
}

Parser::Step Parser::path_states() {
  for (;;) {
    const char32_t ch = c();
    switch (state_) {
      case State::PathStart:
        if (special()) {
          state_ = State::Path;
          if (ch != '/' && ch != '\\') back();
        } else if (ch == '?') {
          start_query();
        } else if (ch == '#') {
          start_fragment();
        } else if (ch != kEndOfInput) {
          state_ = State::Path;
          if (ch != '/') back();
        }
        break;

      case State::Path:
        if (ch == kEndOfInput || ch == '/' || (special() && ch == '\\') || ch == '?' || ch == '#') {
          end_segment(ch);
          if (ch == '?') {
            start_query();
          } else if (ch == '#') {
            start_fragment();
          }
        } else {
          append_percent_encoded(segment_, ch, EncodeSet::Path);
        }
        break;

      case State::OpaquePath:
        if (ch == '?') {
          start_query();
        } else if (ch == '#') {
          start_fragment();
        } else if (ch == ' ') {
          // A space right before the query or fragment would be lost as trailing space.
          char32_t next = peek(1);
          opaque_path_text_ += (next == '?' || next == '#') ? "%20" : " ";
        } else if (ch != kEndOfInput) {
          append_percent_encoded(opaque_path_text_, ch, EncodeSet::C0Control);
        }
        break;

      default:
        return Step::Next;
    }
    if (!advance()) return Step::Done;
  }
}

}  // namespace kelp::url
