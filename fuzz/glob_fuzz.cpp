// The glob matcher's handling of "**" against plain backtracking over the
// path's tails, on short inputs where backtracking is affordable.
#include <cstdlib>
#include <string>
#include <vector>

#include "checks/resource_patterns.h"
#include "fuzz_input.h"

namespace {

// "**" by plain backtracking over the path's tails, zero segments first;
// the segment rule itself is the matcher's own.
bool reference_segments(std::span<const std::string_view> p, std::span<const std::string_view> t) {
  if (p.empty()) return t.empty();
  if (p[0] == "**") {
    for (std::size_t skip = 0; skip <= t.size(); ++skip) {
      if (reference_segments(p.subspan(1), t.subspan(skip))) return true;
    }
    return false;
  }
  if (t.empty() || !kelp::glob_segment_match(p[0], t[0])) return false;
  return reference_segments(p.subspan(1), t.subspan(1));
}

std::vector<std::string_view> segments(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == '/') {
      out.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = kelp::fuzz::split_parts(kelp::fuzz::as_text(data, size));
  if (parts.size() != 2 || parts[0].size() > 64 || parts[1].size() > 64) return 0;
  auto pattern = segments(parts[0]);
  auto path = segments(parts[1]);
  if (pattern.size() > 10 || path.size() > 10) return 0;
  bool expected = reference_segments(pattern, path);
  if (kelp::glob_segments_match(pattern, path) != expected) std::abort();
  if (kelp::glob_path_match(pattern, parts[1]) != expected) std::abort();
  // The whole-text matcher continues its search along a path's ancestors,
  // which view the same text: every prefix that ends at a segment boundary.
  kelp::GlobMatcher matcher(pattern);
  std::string_view whole = parts[1];
  for (std::size_t end = 0; end <= whole.size(); ++end) {
    if (end != whole.size() && whole[end] != '/') continue;
    std::string_view prefix = whole.substr(0, end);
    auto prefix_segments = segments(prefix);
    if (matcher.matches(prefix) != reference_segments(pattern, prefix_segments)) std::abort();
  }
  (void)kelp::normalize_resource_pattern(parts[0]);
  return 0;
}
