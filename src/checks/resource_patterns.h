// Resource patterns of the kelp object: validating a pattern, resolving it
// against the snapshot's path maps (as a literal path or as a glob), and the
// glob language ("**" across segments, "*" and "?" within one segment).
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "checks/context.h"

namespace kelp {

// Nullopt when the pattern is acceptable; otherwise the error text (empty,
// absolute, or leaving the recipe directory). The pattern is only validated:
// callers resolve the same text afterwards.
std::optional<std::string> normalize_resource_pattern(std::string_view pattern);

// The recipe paths a pattern names, in byte order without duplicates. A
// literal names one file or directory path; a glob is tested against the
// file and directory paths that can match it. Empty when nothing matched.
std::vector<std::string> resolve_recipe_pattern(const CheckContext& context,
                                                std::string_view pattern);

// Resolves many patterns against one context. A glob whose leading segments
// are literal only looks at the paths below them, and a pattern that
// normalises like an earlier one is answered from the first resolution.
class PatternResolver {
 public:
  using Paths = std::vector<std::string_view>;

  explicit PatternResolver(const CheckContext& context) : context_(context) {}

  // The paths are borrowed from the context's maps. The list lives as long
  // as the resolver; the same list comes back for every pattern that
  // normalises alike, so callers can tell a repeat by its address.
  const Paths& resolve(std::string_view pattern);

  // How many paths the globs have tested so far.
  std::size_t paths_tested() const { return paths_tested_; }

 private:
  Paths resolve_glob(std::string_view normalized);

  const CheckContext& context_;
  std::map<std::string, Paths, std::less<>> resolved_;
  std::size_t paths_tested_ = 0;
};

// Whether the path segments match the pattern segments. A pattern segment
// that is exactly "**" matches any number of path segments, none included;
// any other segment matches one path segment by `glob_segment_match`.
bool glob_segments_match(std::span<const std::string_view> pattern,
                         std::span<const std::string_view> path);

// Matches whole path texts against one glob, with the same answers as
// `glob_segments_match` over the path's segments. The segments before the
// first "**" and after the last one are matched from either end of the
// text, so a pattern with at most one "**" reads only as many path segments
// as it has. The blocks between two "**" are searched leftmost first, and
// that search is kept per text: paths that view one text (a path and its
// ancestors) continue it instead of starting over.
class GlobMatcher {
 public:
  // The segments must outlive the matcher.
  explicit GlobMatcher(std::span<const std::string_view> pattern);
  // Paths handed to one matcher that start at the same address must be
  // views of one text that end where one of its segments ends, as the path
  // maps hold them.
  bool matches(std::string_view path);

 private:
  // How far the leftmost search of the middle blocks has come in one text.
  struct Search {
    std::size_t block = 0;  // the block being placed
    std::size_t start = 0;  // where it is tried next (byte offset)
    std::size_t end = 0;    // where the last block ended, once all are placed
    bool placed = false;
  };
  bool middle_matches(std::string_view path, std::size_t begin, std::size_t end);

  std::span<const std::string_view> pattern_;
  std::size_t first_double_;
  std::size_t last_double_;
  std::vector<std::span<const std::string_view>> blocks_;
  std::map<const char*, Search> searches_;
};

// One path against one glob.
bool glob_path_match(std::span<const std::string_view> pattern, std::string_view path);

// One segment, byte by byte: "*" matches any run of bytes, "?" one byte,
// everything else itself. A pattern "*" facing a path "*" is matched as a
// literal first.
bool glob_segment_match(std::string_view pattern, std::string_view text);

}  // namespace kelp
