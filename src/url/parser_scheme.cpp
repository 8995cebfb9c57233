// The scheme states, and the no-scheme state, which without a base URL
// always fails.
#include <string_view>

#include "url/parser.h"

namespace kelp::url {

namespace {

// -1 for schemes that are not special; 0 for "file", which has no default port.
int special_default_port(std::string_view scheme) {
  if (scheme == "http" || scheme == "ws") return 80;
  if (scheme == "https" || scheme == "wss") return 443;
  if (scheme == "ftp") return 21;
  if (scheme == "file") return 0;
  return -1;
}

}  // namespace

Parser::Step Parser::scheme_states() {
  for (;;) {
    const char32_t ch = c();
    switch (state_) {
      case State::SchemeStart:
        if (!is_ascii_alpha(ch)) return no_scheme();
        scheme_.push_back(static_cast<char>(ascii_lower(ch)));
        state_ = State::Scheme;
        break;

      case State::Scheme:
        if (is_ascii_alphanumeric(ch) || ch == '+' || ch == '-' || ch == '.') {
          scheme_.push_back(static_cast<char>(ascii_lower(ch)));
        } else if (ch == ':') {
          end_scheme();
        } else {
          return no_scheme();
        }
        break;

      default:
        return Step::Next;
    }
    if (!advance()) return Step::Done;
  }
}

// Without a scheme the input could only be relative, and there is no base.
Parser::Step Parser::no_scheme() { return fail(ErrorKind::RelativeUrlWithoutBase); }

// The ':' after the scheme: the scheme decides which state reads the rest.
void Parser::end_scheme() {
  default_port_ = special_default_port(scheme_);
  is_file_ = scheme_ == "file";
  if (is_file_) {
    state_ = State::File;
  } else if (special()) {
    state_ = State::SpecialAuthoritySlashes;
  } else if (peek(1) == '/') {
    state_ = State::PathOrAuthority;
    ++pointer_;
  } else {
    opaque_path_ = true;
    state_ = State::OpaquePath;
  }
}

}  // namespace kelp::url
