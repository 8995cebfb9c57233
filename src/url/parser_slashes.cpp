// The states between a scheme and an authority: the slashes after a special
// scheme, and the choice between authority and path after "scheme:/".
#include "url/parser.h"

namespace kelp::url {

Parser::Step Parser::slash_states() {
  for (;;) {
    const char32_t ch = c();
    switch (state_) {
      case State::SpecialAuthoritySlashes: special_authority_slashes_state(ch); break;
      case State::SpecialAuthorityIgnoreSlashes: special_authority_ignore_slashes_state(ch); break;
      case State::PathOrAuthority: path_or_authority_state(ch); break;
      default: return Step::Next;
    }
    if (!advance()) return Step::Done;
  }
}

void Parser::special_authority_slashes_state(char32_t ch) {
  state_ = State::SpecialAuthorityIgnoreSlashes;
  if (ch == '/' && peek(1) == '/') {
    ++pointer_;
  } else {
    back();
  }
}

// Any number of slashes and backslashes may come before the authority.
void Parser::special_authority_ignore_slashes_state(char32_t ch) {
  if (ch != '/' && ch != '\\') {
    state_ = State::Authority;
    buffer_start_ = pointer_;
    back();
  }
}

void Parser::path_or_authority_state(char32_t ch) {
  if (ch == '/') {
    state_ = State::Authority;
    buffer_start_ = pointer_ + 1;
  } else {
    state_ = State::Path;
    back();
  }
}

}  // namespace kelp::url
