#include "checks/resource_patterns.h"

#include <algorithm>
#include <iterator>

#include "unicode/text.h"

namespace kelp {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Splits at every "/", keeping empty segments ("a//b" -> "a", "", "b").
void split_segments(std::string_view text, std::vector<std::string_view>& out) {
  out.clear();
  std::size_t start = 0;
  for (;;) {
    std::size_t slash = text.find('/', start);
    if (slash == std::string_view::npos) {
      out.push_back(text.substr(start));
      return;
    }
    out.push_back(text.substr(start, slash - start));
    start = slash + 1;
  }
}

std::string quoted_pattern_message(std::string_view pattern, std::string_view tail) {
  std::string message = "resource pattern '";
  message.append(pattern);
  message += '\'';
  message.append(tail);
  return message;
}

// Appends to `out`, in byte order, the keys in [first, last) whose segments
// match the pattern. `scratch` is reused so that a path costs no allocation.
template <typename It, typename Key>
void collect_matches(It first, It last, Key key,
                     std::span<const std::string_view> pattern_segments,
                     std::vector<std::string_view>& scratch, std::vector<std::string_view>& out) {
  for (; first != last; ++first) {
    std::string_view path = key(*first);
    split_segments(path, scratch);
    if (glob_segments_match(pattern_segments, scratch)) out.push_back(path);
  }
}

}  // namespace

std::optional<std::string> normalize_resource_pattern(std::string_view pattern) {
  std::string_view trimmed = unicode::trim(pattern);
  if (trimmed.empty()) return std::string("resource pattern must be non-empty");
  if (trimmed.front() == '/') return quoted_pattern_message(pattern, " must be relative");
  std::size_t start = 0;
  for (std::size_t k = 0; k <= trimmed.size(); ++k) {
    if (k < trimmed.size() && trimmed[k] != '/' && trimmed[k] != '\\') continue;
    std::string_view piece = trimmed.substr(start, k - start);
    if (piece.empty() || piece == "..") {
      return quoted_pattern_message(pattern, " escapes the recipe directory");
    }
    start = k + 1;
  }
  return std::nullopt;
}

std::vector<std::string> resolve_recipe_pattern(const CheckContext& context,
                                                std::string_view pattern) {
  std::string_view trimmed = unicode::trim(pattern);
  // "./" is dropped before backslashes become slashes, so ".\" stays.
  while (trimmed.starts_with("./")) trimmed.remove_prefix(2);
  std::string normalized(trimmed);
  std::replace(normalized.begin(), normalized.end(), '\\', '/');

  if (normalized.find_first_of("*?") == std::string::npos) {
    if (context.files.contains(normalized) || context.directories.contains(normalized)) {
      return {std::move(normalized)};
    }
    return {};
  }

  std::vector<std::string_view> pattern_segments;
  split_segments(normalized, pattern_segments);
  std::vector<std::string_view> scratch;
  std::vector<std::string_view> matched_files;
  std::vector<std::string_view> matched_dirs;
  collect_matches(context.files.begin(), context.files.end(),
                  [](const auto& entry) -> std::string_view { return entry.first; },
                  pattern_segments, scratch, matched_files);
  collect_matches(context.directories.begin(), context.directories.end(),
                  [](const std::string& dir) -> std::string_view { return dir; },
                  pattern_segments, scratch, matched_dirs);

  // Both maps are in byte order, so a merge lists a path that is both a file
  // and a directory once, still in byte order.
  std::vector<std::string_view> merged;
  merged.reserve(matched_files.size() + matched_dirs.size());
  std::set_union(matched_files.begin(), matched_files.end(), matched_dirs.begin(),
                 matched_dirs.end(), std::back_inserter(merged));
  return {merged.begin(), merged.end()};
}

// Trying every tail for every "**" is exponential in the number of "**"
// segments. Keeping only the latest "**" and its resume point gives the same
// answers: every other segment matches exactly one path segment, so the
// blocks between two "**" are fixed-width and taking the leftmost place for
// each block never loses a match that a later place would find. Each pair of
// (pattern segment, path segment) is then compared at most once.
bool glob_segments_match(std::span<const std::string_view> pattern,
                         std::span<const std::string_view> path) {
  std::size_t i = 0;
  std::size_t j = 0;
  std::size_t star = kNone;
  std::size_t resume = 0;
  while (j < path.size()) {
    if (i < pattern.size() && pattern[i] == "**") {
      star = i;
      resume = j;
      ++i;
    } else if (i < pattern.size() && glob_segment_match(pattern[i], path[j])) {
      ++i;
      ++j;
    } else if (star != kNone) {
      // Let the latest "**" take one more segment and retry the rest.
      i = star + 1;
      j = ++resume;
    } else {
      return false;
    }
  }
  while (i < pattern.size() && pattern[i] == "**") ++i;
  return i == pattern.size();
}

// One remembered star: each retry moves the star's text position forward, so
// the work is at most the product of the two lengths.
bool glob_segment_match(std::string_view pattern, std::string_view text) {
  std::size_t p = 0;
  std::size_t t = 0;
  std::size_t star_p = kNone;
  std::size_t star_t = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star_p = p;
      star_t = t;
      ++p;
    } else if (star_p != kNone) {
      t = ++star_t;
      p = star_p + 1;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace kelp
