// The state machine of the basic URL parser, run once without a base URL.
// Only the URL parser's own files include this header. The states come in
// groups, each run by one function in its own file: scheme (parser_scheme),
// the slashes after the scheme (parser_slashes), authority, host and port
// (parser_authority), file (parser_file), path (parser_path), query and
// fragment (parser_query).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "url/code_points.h"
#include "url/error.h"
#include "url/host.h"
#include "url/url.h"
#include "util/expected.h"

namespace kelp::url {

enum class ParserState : std::uint8_t {
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

// The input as the state machine reads it: decoded to code points, leading
// and trailing C0 controls and spaces removed, tabs and newlines dropped.
std::u32string prepare_input(std::string_view input);

// The pointer only moves back to read a part again once (the authority is
// re-read as the host), and the raw parts are views of the input, so the
// work is linear in its length. A group function runs its states one code
// point at a time until the state leaves the group, so that the long runs
// of one state stay inside one function.
class Parser {
 public:
  explicit Parser(std::u32string input) : input_(std::move(input)) {}

  Expected<Url, ParseError> run();

 private:
  using State = ParserState;

  // What a group function hands back to `run`.
  enum class Step : std::uint8_t {
    Next,    // the state left the group; run the group of the new state
    Done,    // the input is read
    Failed,  // `error_` says why
  };

  Step scheme_states();
  Step slash_states();
  Step authority_states();
  Step file_states();
  Step path_states();
  Step query_states();

  // Helpers of the scheme group.
  Step no_scheme();
  void end_scheme();
  // Helpers of the authority group. Those declared inline run once per '@'
  // or per path segment; each is defined in the one file that uses it, so
  // that it inlines into its group.
  inline void flush_userinfo();
  bool set_host(Expected<Host, ParseError>&& parsed);
  bool end_port();
  // Helpers of the file group.
  bool end_file_host();
  // Helpers of the path group.
  inline void end_segment(char32_t ch);
  inline void append_segment(std::string_view segment);
  inline void shorten_path();
  // Helpers of the query group, which the path states also use.
  void start_query();
  void start_fragment();

  char32_t c() const { return pointer_ < input_.size() ? input_[pointer_] : kEndOfInput; }
  char32_t peek(std::size_t ahead) const {
    return pointer_ + ahead < input_.size() ? input_[pointer_ + ahead] : kEndOfInput;
  }
  // Moves to the next code point; false once the end of the input was read.
  bool advance() {
    if (pointer_ >= input_.size()) return false;
    ++pointer_;
    return true;
  }
  void back() { --pointer_; }  // never below zero: every caller has read a code point
  // A state that fails returns false after noting why; a group fails with Step::Failed.
  bool refuse(ErrorKind kind) {
    error_ = kind;
    return false;
  }
  Step fail(ErrorKind kind) {
    error_ = kind;
    return Step::Failed;
  }
  bool special() const { return default_port_ >= 0; }
  // The code points that end the authority, the host and the port.
  bool ends_authority(char32_t ch) const {
    return ch == kEndOfInput || ch == '/' || ch == '?' || ch == '#' || (special() && ch == '\\');
  }
  // The raw text read since the current part began: user info, host or file host.
  std::u32string_view buffer() const {
    return std::u32string_view(input_).substr(buffer_start_, pointer_ - buffer_start_);
  }
  Url finish();

  std::u32string input_;
  std::size_t pointer_ = 0;
  State state_ = State::SchemeStart;
  ErrorKind error_ = ErrorKind::RelativeUrlWithoutBase;

  std::string scheme_;
  int default_port_ = -1;  // -1 for schemes that are not special
  std::string username_;
  std::string password_;
  bool has_host_ = false;
  Host host_;
  std::optional<std::uint16_t> port_;
  std::string path_;                         // "/a/b": each segment after a '/'
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
};

}  // namespace kelp::url
