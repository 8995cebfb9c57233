#include "url/parser.h"

#include <utility>

#include "unicode/text.h"

namespace kelp::url {

std::u32string prepare_input(std::string_view input) {
  std::u32string decoded;
  decoded.reserve(input.size());
  std::size_t pos = 0;
  while (pos < input.size()) decoded.push_back(unicode::next_code_point(input, pos));
  std::size_t begin = 0;
  std::size_t end = decoded.size();
  while (begin < end && is_c0_control_or_space(decoded[begin])) ++begin;
  while (end > begin && is_c0_control_or_space(decoded[end - 1])) --end;
  std::size_t kept = 0;
  for (std::size_t i = begin; i < end; ++i) {
    if (!is_ascii_tab_or_newline(decoded[i])) decoded[kept++] = decoded[i];
  }
  decoded.resize(kept);
  return decoded;
}

Expected<Url, ParseError> Parser::run() {
  for (;;) {
    Step step = Step::Next;
    switch (state_) {
      case State::SchemeStart:
      case State::Scheme:
        step = scheme_states();
        break;
      case State::SpecialAuthoritySlashes:
      case State::SpecialAuthorityIgnoreSlashes:
      case State::PathOrAuthority:
        step = slash_states();
        break;
      case State::Authority:
      case State::Host:
      case State::Port:
        step = authority_states();
        break;
      case State::File:
      case State::FileSlash:
      case State::FileHost:
        step = file_states();
        break;
      case State::PathStart:
      case State::Path:
      case State::OpaquePath:
        step = path_states();
        break;
      case State::Query:
      case State::Fragment:
        step = query_states();
        break;
    }
    if (step == Step::Done) return finish();
    if (step == Step::Failed) return unexpected(ParseError{error_});
  }
}

Url Parser::finish() {
  Url url;
  url.scheme = std::move(scheme_);
  url.username = std::move(username_);
  if (!password_.empty()) url.password = std::move(password_);
  if (has_host_) {
    url.host_kind = host_.kind;
    url.host = std::move(host_.serialized);
    url.ipv4 = host_.ipv4;
    url.ipv6 = host_.ipv6;
  }
  url.port = port_;
  url.has_opaque_path = opaque_path_;
  if (opaque_path_) {
    url.path = std::move(opaque_path_text_);
  } else {
    url.path = std::move(path_);
  }
  url.query = std::move(query_);
  url.fragment = std::move(fragment_);
  return url;
}

}  // namespace kelp::url
