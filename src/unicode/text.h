// Text helpers over UTF-8: decoding, the Unicode White_Space set, trimming,
// counting characters, and the quoted (debug) form used in error texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelp::unicode {

// Decodes the code point at `pos` of valid UTF-8 text and advances `pos`.
// Invalid bytes decode as U+FFFD one byte at a time, so any input terminates.
char32_t next_code_point(std::string_view text, std::size_t& pos);

// Appends the UTF-8 encoding of `cp`.
void append_utf8(std::string& out, char32_t cp);

// The full Unicode White_Space property.
bool is_white_space(char32_t cp);

// Trims White_Space characters at both ends.
std::string_view trim(std::string_view text);
std::string_view trim_start(std::string_view text);

// Non-empty after trimming.
bool is_non_empty_text(std::string_view text);

// Number of Unicode scalar values.
std::size_t char_count(std::string_view text);

// Whether `text` has more than `limit` characters, without counting past it.
bool char_count_exceeds(std::string_view text, std::size_t limit);

// Whether `text` is valid UTF-8 (no surrogates, no overlongs).
bool is_valid_utf8(std::string_view text);

// Appends the quoted form: double quotes around the text, \" \\ \t \r \n \0
// escapes, \u{hex} for other control, format, unassigned, private-use,
// separator (other than the space) and grapheme-extending characters.
void append_quoted(std::string& out, std::string_view text);
std::string quoted(std::string_view text);

// Full Unicode lowercase mapping (one character may become several).
std::string to_lower(std::string_view text);

}  // namespace kelp::unicode
