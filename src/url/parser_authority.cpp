// The authority states: user information up to the last '@', then the same
// text read again as the host, then the port.
#include <utility>

#include "url/parser.h"
#include "url/percent.h"

namespace kelp::url {

// Everything before an '@' is user information: the first ':' splits the
// user name from the password, and an earlier '@' is kept encoded.
inline void Parser::flush_userinfo() {
  if (at_sign_seen_) {
    std::string& target = password_token_seen_ ? password_ : username_;
    target += "%40";
  }
  at_sign_seen_ = true;
  for (char32_t cp : buffer()) {
    if (cp == ':' && !password_token_seen_) {
      password_token_seen_ = true;
      continue;
    }
    append_percent_encoded(password_token_seen_ ? password_ : username_, cp, EncodeSet::Userinfo);
  }
}

Parser::Step Parser::authority_states() {
  for (;;) {
    const char32_t ch = c();
    switch (state_) {
      case State::Authority:
        if (ch == '@') {
          flush_userinfo();
          buffer_start_ = pointer_ + 1;
        } else if (ends_authority(ch)) {
          if (at_sign_seen_ && buffer().empty()) return fail(ErrorKind::EmptyHost);
          // Read the same text again as the host.
          pointer_ = buffer_start_ - 1;
          state_ = State::Host;
        }
        break;

      case State::Host:
        if (ch == ':' && !inside_brackets_) {
          if (buffer().empty()) return fail(ErrorKind::EmptyHost);
          if (!set_host(parse_host(buffer(), !special()))) return Step::Failed;
          state_ = State::Port;
        } else if (ends_authority(ch)) {
          if (special() && buffer().empty()) return fail(ErrorKind::EmptyHost);
          if (!set_host(parse_host(buffer(), !special()))) return Step::Failed;
          back();
          state_ = State::PathStart;
        } else if (ch == '[') {
          inside_brackets_ = true;
        } else if (ch == ']') {
          inside_brackets_ = false;
        }
        break;

      case State::Port:
        if (is_ascii_digit(ch)) {
          port_digits_ = true;
          port_value_ = port_value_ * 10 + (ch - '0');
          if (port_value_ > 65535) port_value_ = 65536;
        } else if (ends_authority(ch)) {
          if (!end_port()) return Step::Failed;
          back();
        } else {
          return fail(ErrorKind::InvalidPort);
        }
        break;

      default:
        return Step::Next;
    }
    if (!advance()) return Step::Done;
  }
}

bool Parser::set_host(Expected<Host, ParseError>&& parsed) {
  if (!parsed) return refuse(parsed.error().kind);
  host_ = std::move(parsed.value());
  has_host_ = true;
  return true;
}

// The port ends: none, or a number up to 65535 that is kept unless it is
// the scheme's default port.
bool Parser::end_port() {
  if (port_digits_) {
    if (port_value_ > 65535) return refuse(ErrorKind::InvalidPort);
    if (static_cast<int>(port_value_) == default_port_) {
      port_.reset();
    } else {
      port_ = static_cast<std::uint16_t>(port_value_);
    }
  }
  state_ = State::PathStart;
  return true;
}

}  // namespace kelp::url
