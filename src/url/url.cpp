#include "url/url.h"

#include <string>
#include <utility>
#include <vector>

#include "unicode/text.h"
#include "url/code_points.h"
#include "url/host.h"
#include "url/percent.h"

namespace kelp::url {

namespace {

constexpr const char* kNoBase = "relative URL without a base";
constexpr const char* kEmptyHost = "empty host";
constexpr const char* kInvalidPort = "invalid port number";

// -1 for schemes that are not special; 0 for "file", which has no default port.
int special_default_port(std::string_view scheme) {
  if (scheme == "http" || scheme == "ws") return 80;
  if (scheme == "https" || scheme == "wss") return 443;
  if (scheme == "ftp") return 21;
  if (scheme == "file") return 0;
  return -1;
}

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

// The input as the state machine reads it: decoded to code points, leading
// and trailing C0 controls and spaces removed, tabs and newlines dropped.
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

enum class State {
  SchemeStart,
  Scheme,
  SpecialAuthoritySlashes,
  SpecialAuthorityIgnoreSlashes,
  PathOrAuthority,
  Authority,
  Host,
  Port,
  File,
  FileSlash,
  FileHost,
  PathStart,
  Path,
  OpaquePath,
  Query,
  Fragment,
};

// One run of the basic URL parser without a base URL. The pointer only moves
// back to read a part again once (the authority is re-read as the host), and
// the raw parts are views of the input, so the work is linear in its length.
class Parser {
 public:
  explicit Parser(std::u32string input) : input_(std::move(input)) {}

  Expected<Url, std::string> run();

 private:
  char32_t c() const { return pointer_ < input_.size() ? input_[pointer_] : kEndOfInput; }
  char32_t peek(std::size_t ahead) const {
    return pointer_ + ahead < input_.size() ? input_[pointer_ + ahead] : kEndOfInput;
  }
  bool special() const { return default_port_ >= 0; }
  // The code points that end the authority, the host and the port.
  bool ends_authority(char32_t ch) const {
    return ch == kEndOfInput || ch == '/' || ch == '?' || ch == '#' || (special() && ch == '\\');
  }
  void back() { --pointer_; }  // never below zero: every caller has read a code point

  // The raw text read since the current part began: user info, host or file host.
  std::u32string_view buffer() const {
    return std::u32string_view(input_).substr(buffer_start_, pointer_ - buffer_start_);
  }
  bool set_host(Expected<Host, std::string>&& parsed);
  void flush_userinfo();
  void end_segment(char32_t c);
  void append_segment(std::string_view segment);
  void shorten_path();
  Url finish();

  std::u32string input_;
  std::size_t pointer_ = 0;
  State state_ = State::SchemeStart;

  std::string scheme_;
  int default_port_ = -1;
  std::string username_;
  std::string password_;
  bool has_host_ = false;
  Host host_;
  std::optional<std::uint16_t> port_;
  std::string path_;                        // "/a/b": each segment after a '/'
  std::vector<std::size_t> segment_starts_;  // where each segment's '/' is in path_
  bool opaque_path_ = false;
  std::string opaque_path_text_;
  std::optional<std::string> query_;
  std::optional<std::string> fragment_;

  bool is_file_ = false;
  std::size_t buffer_start_ = 0;
  std::string segment_;  // the path segment being read, percent-encoded
  bool at_sign_seen_ = false;
  bool inside_brackets_ = false;
  bool password_token_seen_ = false;
  std::uint32_t port_value_ = 0;  // saturates above 65535
  bool port_digits_ = false;
  std::string error_;
};

bool Parser::set_host(Expected<Host, std::string>&& parsed) {
  if (!parsed) {
    error_ = std::move(parsed.error());
    return false;
  }
  host_ = std::move(parsed.value());
  has_host_ = true;
  return true;
}

// Everything before an '@' is user information: the first ':' splits the
// user name from the password, and an earlier '@' is kept encoded.
void Parser::flush_userinfo() {
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

void Parser::shorten_path() {
  if (is_file_ && segment_starts_.size() == 1 &&
      is_normalized_windows_drive_letter(std::string_view(path_).substr(1))) {
    return;
  }
  if (segment_starts_.empty()) return;
  path_.resize(segment_starts_.back());
  segment_starts_.pop_back();
}

void Parser::append_segment(std::string_view segment) {
  segment_starts_.push_back(path_.size());
  path_.push_back('/');
  path_ += segment;
}

// A segment ends at `c` ('/', '\' for special URLs, '?', '#' or the end).
void Parser::end_segment(char32_t c) {
  bool slash = c == '/' || (special() && c == '\\');
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

Expected<Url, std::string> Parser::run() {
  for (;;) {
    const char32_t ch = c();
    switch (state_) {
      case State::SchemeStart:
        if (!is_ascii_alpha(ch)) return unexpected(std::string(kNoBase));
        scheme_.push_back(static_cast<char>(ascii_lower(ch)));
        state_ = State::Scheme;
        break;

      case State::Scheme:
        if (is_ascii_alphanumeric(ch) || ch == '+' || ch == '-' || ch == '.') {
          scheme_.push_back(static_cast<char>(ascii_lower(ch)));
        } else if (ch == ':') {
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
        } else {
          // Without a scheme the input could only be relative, and there is no base.
          return unexpected(std::string(kNoBase));
        }
        break;

      case State::SpecialAuthoritySlashes:
        if (ch == '/' && peek(1) == '/') {
          state_ = State::SpecialAuthorityIgnoreSlashes;
          ++pointer_;
        } else {
          state_ = State::SpecialAuthorityIgnoreSlashes;
          back();
        }
        break;

      case State::SpecialAuthorityIgnoreSlashes:
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

      case State::Authority:
        if (ch == '@') {
          flush_userinfo();
          buffer_start_ = pointer_ + 1;
        } else if (ends_authority(ch)) {
          if (at_sign_seen_ && buffer().empty()) return unexpected(std::string(kEmptyHost));
          // Read the same text again as the host.
          pointer_ = buffer_start_ - 1;
          state_ = State::Host;
        }
        break;

      case State::Host:
        if (ch == ':' && !inside_brackets_) {
          if (buffer().empty()) return unexpected(std::string(kEmptyHost));
          if (!set_host(parse_host(buffer(), !special()))) return unexpected(std::move(error_));
          state_ = State::Port;
        } else if (ends_authority(ch)) {
          if (special() && buffer().empty()) return unexpected(std::string(kEmptyHost));
          if (!set_host(parse_host(buffer(), !special()))) return unexpected(std::move(error_));
          back();
          state_ = State::PathStart;
        } else {
          if (ch == '[') inside_brackets_ = true;
          if (ch == ']') inside_brackets_ = false;
        }
        break;

      case State::Port:
        if (is_ascii_digit(ch)) {
          port_digits_ = true;
          port_value_ = port_value_ * 10 + (ch - '0');
          if (port_value_ > 65535) port_value_ = 65536;
        } else if (ends_authority(ch)) {
          if (port_digits_) {
            if (port_value_ > 65535) return unexpected(std::string(kInvalidPort));
            if (static_cast<int>(port_value_) == default_port_) {
              port_.reset();
            } else {
              port_ = static_cast<std::uint16_t>(port_value_);
            }
          }
          state_ = State::PathStart;
          back();
        } else {
          return unexpected(std::string(kInvalidPort));
        }
        break;

      case State::File:
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
            if (!set_host(parse_host(text, false))) return unexpected(std::move(error_));
            if (host_.kind == HostKind::Domain && host_.serialized == "localhost") host_ = Host{};
            state_ = State::PathStart;
          }
          back();
        }
        break;

      case State::PathStart:
        if (special()) {
          state_ = State::Path;
          if (ch != '/' && ch != '\\') back();
        } else if (ch == '?') {
          query_.emplace();
          state_ = State::Query;
        } else if (ch == '#') {
          fragment_.emplace();
          state_ = State::Fragment;
        } else if (ch != kEndOfInput) {
          state_ = State::Path;
          if (ch != '/') back();
        }
        break;

      case State::Path:
        if (ch == kEndOfInput || ch == '/' || (special() && ch == '\\') || ch == '?' || ch == '#') {
          end_segment(ch);
          if (ch == '?') {
            query_.emplace();
            state_ = State::Query;
          } else if (ch == '#') {
            fragment_.emplace();
            state_ = State::Fragment;
          }
        } else {
          append_percent_encoded(segment_, ch, EncodeSet::Path);
        }
        break;

      case State::OpaquePath:
        if (ch == '?') {
          query_.emplace();
          state_ = State::Query;
        } else if (ch == '#') {
          fragment_.emplace();
          state_ = State::Fragment;
        } else if (ch == ' ') {
          // A space right before the query or fragment would be lost as trailing space.
          char32_t next = peek(1);
          opaque_path_text_ += (next == '?' || next == '#') ? "%20" : " ";
        } else if (ch != kEndOfInput) {
          append_percent_encoded(opaque_path_text_, ch, EncodeSet::C0Control);
        }
        break;

      case State::Query:
        if (ch == '#') {
          fragment_.emplace();
          state_ = State::Fragment;
        } else if (ch != kEndOfInput) {
          append_percent_encoded(*query_, ch, special() ? EncodeSet::SpecialQuery : EncodeSet::Query);
        }
        break;

      case State::Fragment:
        if (ch != kEndOfInput) append_percent_encoded(*fragment_, ch, EncodeSet::Fragment);
        break;
    }
    if (pointer_ >= input_.size()) break;
    ++pointer_;
  }
  return finish();
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

}  // namespace

bool Url::is_loopback_host() const {
  switch (host_kind) {
    case HostKind::Domain:
      return host == "localhost";
    case HostKind::Ipv4:
      return ipv4 == 0x7F000001u;
    case HostKind::Ipv6:
      return ipv6 == std::array<std::uint16_t, 8>{0, 0, 0, 0, 0, 0, 0, 1};
    default:
      return false;
  }
}

std::string Url::href() const {
  std::string out = scheme;
  out.push_back(':');
  if (has_host()) {
    out += "//";
    if (has_credentials()) {
      out += username;
      if (password) {
        out.push_back(':');
        out += *password;
      }
      out.push_back('@');
    }
    out += host;
    if (port) {
      out.push_back(':');
      out += std::to_string(*port);
    }
  } else if (!has_opaque_path && path.size() > 1 && path[0] == '/' && path[1] == '/') {
    // Keeps "web+x:/.//p" from reading back as a host "p".
    out += "/.";
  }
  out += path;
  if (query) {
    out.push_back('?');
    out += *query;
  }
  if (fragment) {
    out.push_back('#');
    out += *fragment;
  }
  return out;
}

Expected<Url, std::string> parse(std::string_view input) {
  return Parser(prepare_input(input)).run();
}

}  // namespace kelp::url
