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

// "./" is dropped before backslashes become slashes, so ".\\" stays.
std::string normalize_for_resolution(std::string_view pattern) {
  std::string_view trimmed = unicode::trim(pattern);
  while (trimmed.starts_with("./")) trimmed.remove_prefix(2);
  std::string normalized(trimmed);
  std::replace(normalized.begin(), normalized.end(), '\\', '/');
  return normalized;
}

bool has_wildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

// Tests every key, or with a prefix only the key equal to it and the keys
// below it, in byte order.
template <typename Keys, typename Key>
void collect_matches(const Keys& keys, Key key, const std::string_view* prefix,
                     GlobMatcher& matcher, std::size_t& tested,
                     std::vector<std::string_view>& out) {
  auto test = [&](std::string_view path) {
    ++tested;
    if (matcher.matches(path)) out.push_back(path);
  };
  if (!prefix) {
    for (const auto& entry : keys) test(key(entry));
    return;
  }
  if (auto exact = keys.find(*prefix); exact != keys.end()) test(key(*exact));
  for (auto it = keys.lower_bound(PathThenByte{*prefix, '/'}); it != keys.end(); ++it) {
    std::string_view path = key(*it);
    if (!is_below(path, *prefix)) break;
    test(path);
  }
}

// Splits off the first or the last segment of the unread part of a path.
class SegmentCursor {
 public:
  explicit SegmentCursor(std::string_view path) : path_(path), end_(path.size()) {}
  bool done() const { return done_; }
  // The unread part is path[begin(), end()), one segment or more until done.
  std::size_t begin() const { return begin_; }
  std::size_t end() const { return end_; }
  std::string_view front() {
    std::size_t slash = path_.find('/', begin_);
    if (slash == std::string_view::npos || slash >= end_) return last_segment(begin_);
    std::string_view segment = path_.substr(begin_, slash - begin_);
    begin_ = slash + 1;
    return segment;
  }
  std::string_view back() {
    std::size_t slash = end_ == begin_ ? std::string_view::npos : path_.rfind('/', end_ - 1);
    if (slash == std::string_view::npos || slash < begin_) return last_segment(begin_);
    std::string_view segment = path_.substr(slash + 1, end_ - slash - 1);
    end_ = slash;
    return segment;
  }

 private:
  std::string_view last_segment(std::size_t from) {
    done_ = true;
    return path_.substr(from, end_ - from);
  }
  std::string_view path_;
  std::size_t begin_ = 0;
  std::size_t end_;
  bool done_ = false;
};

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
  PatternResolver resolver(context);
  const auto& paths = resolver.resolve(pattern);
  return {paths.begin(), paths.end()};
}

const PatternResolver::Paths& PatternResolver::resolve(std::string_view pattern) {
  std::string normalized = normalize_for_resolution(pattern);
  if (auto known = resolved_.find(normalized); known != resolved_.end()) return known->second;
  Paths paths;
  if (!has_wildcard(normalized)) {
    if (auto file = context_.files.find(normalized); file != context_.files.end()) {
      paths.push_back(file->first);
    } else if (auto dir = context_.directories.find(normalized);
               dir != context_.directories.end()) {
      paths.push_back(*dir);
    }
  } else {
    paths = resolve_glob(normalized);
  }
  return resolved_.emplace(std::move(normalized), std::move(paths)).first->second;
}

PatternResolver::Paths PatternResolver::resolve_glob(std::string_view normalized) {
  std::vector<std::string_view> pattern_segments;
  split_segments(normalized, pattern_segments);
  // A path can only match when it has the leading literal segments, so the
  // search is confined to the path they spell and the paths below it.
  std::size_t literal = 0;
  while (literal < pattern_segments.size() && !has_wildcard(pattern_segments[literal])) ++literal;
  std::string_view prefix;
  if (literal > 0) {
    const std::string_view& last = pattern_segments[literal - 1];
    prefix = normalized.substr(
        0, static_cast<std::size_t>(last.data() - normalized.data()) + last.size());
  }
  const std::string_view* below = literal > 0 ? &prefix : nullptr;
  GlobMatcher matcher(pattern_segments);
  Paths matched_files;
  Paths matched_dirs;
  collect_matches(
      context_.files, [](const auto& entry) -> std::string_view { return entry.first; }, below,
      matcher, paths_tested_, matched_files);
  collect_matches(
      context_.directories, [](std::string_view dir) { return dir; }, below, matcher,
      paths_tested_, matched_dirs);

  // Both maps are in byte order, so a merge lists a path that is both a file
  // and a directory once, still in byte order.
  Paths merged;
  merged.reserve(matched_files.size() + matched_dirs.size());
  std::set_union(matched_files.begin(), matched_files.end(), matched_dirs.begin(),
                 matched_dirs.end(), std::back_inserter(merged), PathViewLess());
  return merged;
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

GlobMatcher::GlobMatcher(std::span<const std::string_view> pattern)
    : pattern_(pattern), first_double_(kNone), last_double_(kNone) {
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != "**") continue;
    if (first_double_ == kNone) first_double_ = i;
    last_double_ = i;
  }
  if (first_double_ == kNone) return;
  std::size_t block_start = first_double_ + 1;
  for (std::size_t i = first_double_ + 1; i <= last_double_; ++i) {
    if (pattern[i] != "**") continue;
    if (i > block_start) blocks_.push_back(pattern.subspan(block_start, i - block_start));
    block_start = i + 1;
  }
}

bool GlobMatcher::matches(std::string_view path) {
  SegmentCursor cursor(path);
  const std::size_t head = first_double_ == kNone ? pattern_.size() : first_double_;
  for (std::size_t i = 0; i < head; ++i) {
    if (cursor.done() || !glob_segment_match(pattern_[i], cursor.front())) return false;
  }
  if (first_double_ == kNone) return cursor.done();
  // The segments after the last "**" match the path's last segments.
  for (std::size_t i = pattern_.size(); i-- > last_double_ + 1;) {
    if (cursor.done() || !glob_segment_match(pattern_[i], cursor.back())) return false;
  }
  if (blocks_.empty()) return true;
  if (cursor.done()) return false;
  return middle_matches(path, cursor.begin(), cursor.end());
}

// The segments left between the two ends are path[begin, end) split at "/".
// Each block takes the leftmost place after the one before it; a place that
// fits no later block could not be helped by a later place, so the blocks
// fit exactly when this search places them all before `end`. Every view of
// one text reads the same bytes and has the same `begin`, only a different
// `end`: the search stops where a view ends and goes on with a longer one.
bool GlobMatcher::middle_matches(std::string_view path, std::size_t begin, std::size_t end) {
  auto [entry, inserted] = searches_.try_emplace(path.data());
  Search& search = entry->second;
  if (inserted) search.start = begin;
  // The segment that starts at `from`, cut at `end` (always a segment end).
  auto segment_end = [&](std::size_t from) {
    std::size_t slash = path.find('/', from);
    return slash == std::string_view::npos || slash > end ? end : slash;
  };
  while (!search.placed) {
    std::size_t at = search.start;
    bool fits = true;
    for (std::string_view wanted : blocks_[search.block]) {
      // A segment starts at `at` only when `at` is not past `end`.
      if (at > end) return false;
      std::size_t stop = segment_end(at);
      if (!glob_segment_match(wanted, path.substr(at, stop - at))) {
        fits = false;
        break;
      }
      search.end = stop;
      at = stop + 1;
    }
    if (fits) {
      if (++search.block == blocks_.size()) {
        search.placed = true;
      } else {
        search.start = at;
      }
    } else {
      search.start = segment_end(search.start) + 1;
    }
  }
  return search.end <= end;
}

bool glob_path_match(std::span<const std::string_view> pattern, std::string_view path) {
  return GlobMatcher(pattern).matches(path);
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
