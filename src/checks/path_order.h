// The byte order of recipe paths, as a comparator that is cheap on the
// shapes the path maps hold: a directory is a prefix of the paths below it,
// and the maps keep it as a view into one of those paths' text.
#pragma once

#include <string_view>

namespace kelp {

// The text `text` followed by the one byte `byte`, as a search key that is
// never built: `{dir, '/'}` seeks the first path inside `dir`, and
// `{dir, '/' + 1}` the first path past everything inside it.
struct PathThenByte {
  std::string_view text;
  char byte;
};

// Byte order (shorter first where one is a prefix of the other). Two views
// that start at the same address read the same bytes, so the shorter one is
// a prefix of the longer and the lengths decide without reading the text:
// ancestors stored as views of one path compare in constant time.
struct PathViewLess {
  using is_transparent = void;

  bool operator()(std::string_view a, std::string_view b) const {
    if (a.data() == b.data()) return a.size() < b.size();
    return a < b;
  }
  bool operator()(std::string_view a, const PathThenByte& b) const {
    std::size_t n = b.text.size();
    if (!starts_with(a, b.text)) return a < b.text;
    if (a.size() == n) return true;
    return static_cast<unsigned char>(a[n]) < static_cast<unsigned char>(b.byte);
  }
  bool operator()(const PathThenByte& a, std::string_view b) const {
    std::size_t n = a.text.size();
    if (!starts_with(b, a.text)) return a.text < b;
    if (b.size() == n) return false;
    auto x = static_cast<unsigned char>(a.byte);
    auto y = static_cast<unsigned char>(b[n]);
    return x != y ? x < y : b.size() > n + 1;
  }

  // Whether `text` begins with `prefix`, without reading the bytes when
  // both start at the same address.
  static bool starts_with(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return text.data() == prefix.data() || text.compare(0, prefix.size(), prefix) == 0;
  }
};

// Whether `path` lies below `dir` (begins with `dir` and "/").
inline bool is_below(std::string_view path, std::string_view dir) {
  return path.size() > dir.size() && path[dir.size()] == '/' &&
         PathViewLess::starts_with(path, dir);
}

}  // namespace kelp
