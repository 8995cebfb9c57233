// The states of "file:" URLs: the slashes, then a host, or a drive letter
// that starts the path.
#include "url/parser.h"

namespace kelp::url {

Parser::Step Parser::file_states() {
  for (;;) {
    const char32_t ch = c();
    switch (state_) {
      case State::File:
        // A file URL always has a host, the empty host unless one is given.
        has_host_ = true;
        host_ = Host{};
        if (ch == '/' || ch == '\\') {
          state_ = State::FileSlash;
        } else {
          state_ = State::Path;
          back();
        }
        break;

      case State::FileSlash:
        if (ch == '/' || ch == '\\') {
          state_ = State::FileHost;
          buffer_start_ = pointer_ + 1;
        } else {
          state_ = State::Path;
          back();
        }
        break;

      case State::FileHost:
        if (ch == kEndOfInput || ch == '/' || ch == '\\' || ch == '?' || ch == '#') {
          if (!end_file_host()) return Step::Failed;
          back();
        }
        break;

      default:
        return Step::Next;
    }
    if (!advance()) return Step::Done;
  }
}

// The text after "file://" up to the path: a drive letter that starts the
// path, nothing, or a host ("localhost" is the empty host).
bool Parser::end_file_host() {
  const std::u32string_view text = buffer();
  if (text.size() == 2 && is_ascii_alpha(text[0]) && (text[1] == ':' || text[1] == '|')) {
    // "file://c:/x" names a drive, not a host: the letter starts the path.
    segment_.push_back(static_cast<char>(text[0]));
    segment_.push_back(static_cast<char>(text[1]));
    state_ = State::Path;
  } else if (text.empty()) {
    host_ = Host{};
    state_ = State::PathStart;
  } else {
    if (!set_host(parse_host(text, false))) return false;
    if (host_.kind == HostKind::Domain && host_.serialized == "localhost") host_ = Host{};
    state_ = State::PathStart;
  }
  return true;
}

}  // namespace kelp::url
