// The states between a scheme and an authority: the slashes after a special
// scheme, and the choice between authority and path after "scheme:/".
#include "url/parser.h"

namespace kelp::url {

Parser::Step Parser::slash_states() {
  for (;;) {
    const char32_t ch = c();
    switch (state_) {
      case State::SpecialAuthoritySlashes:
        state_ = State::SpecialAuthorityIgnoreSlashes;
        if (ch == '/' && peek(1) == '/') {
          ++pointer_;
        } else {
          back();
        }
        break;

      case State::SpecialAuthorityIgnoreSlashes:
        // Any number of slashes and backslashes may come before the authority.
        if (ch != '/' && ch != '\\') {
          state_ = State::Authority;
          buffer_start_ = pointer_;
          back();
        }
        break;

      case State::PathOrAuthority:
        if (ch == '/') {
          state_ = State::Authority;
          buffer_start_ = pointer_ + 1;
        } else {
          state_ = State::Path;
          back();
        }
        break;

      default:
        return Step::Next;
    }
    if (!advance()) return Step::Done;
  }
}

}  // namespace kelp::url
