// The query and fragment states: everything after '?' up to '#', and
// everything after '#', percent-encoded.
#include "url/parser.h"
#include "url/percent.h"

namespace kelp::url {

Parser::Step Parser::query_states() {
  for (;;) {
    const char32_t ch = c();
    switch (state_) {
      case State::Query:
        if (ch == '#') {
          start_fragment();
        } else if (ch != kEndOfInput) {
          append_percent_encoded(*query_, ch, special() ? EncodeSet::SpecialQuery : EncodeSet::Query);
        }
        break;

      case State::Fragment:
        if (ch != kEndOfInput) append_percent_encoded(*fragment_, ch, EncodeSet::Fragment);
        break;

      default:
        return Step::Next;
    }
    if (!advance()) return Step::Done;
  }
}

void Parser::start_query() {
  query_.emplace();
  state_ = State::Query;
}

void Parser::start_fragment() {
  fragment_.emplace();
  state_ = State::Fragment;
}

}  // namespace kelp::url
