// The ordered set of directory paths of a snapshot. Every ancestor of a path
// is a prefix of that path, so the set keeps each directory as a view into
// the text of a path below it: a path of N segments costs its own bytes
// once, not N copies of its prefixes.
#pragma once

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "checks/path_order.h"

namespace kelp {

class DirectorySet {
  using Set = std::set<std::string_view, PathViewLess>;

 public:
  using value_type = std::string_view;
  using iterator = Set::const_iterator;
  using const_iterator = Set::const_iterator;

  DirectorySet() = default;
  DirectorySet(std::initializer_list<std::string_view> paths);
  // The members are views into `storage_` or into lasting texts; a copy
  // would point into the original, so the set can only be moved.
  DirectorySet(const DirectorySet&) = delete;
  DirectorySet& operator=(const DirectorySet&) = delete;
  DirectorySet(DirectorySet&&) = default;
  DirectorySet& operator=(DirectorySet&&) = default;

  // Adds one path; false when it was already a member.
  bool insert(std::string_view path);

  // One path of `add_ancestors_of_sorted`.
  struct SourcePath {
    std::string_view path;
    // The path itself is a member, not only its ancestors.
    bool listed;
    // The text outlives the set (a key of the file map built with it), so
    // members may view it instead of a stored copy.
    bool lasting;
  };

  // Adds every proper ancestor of every path in `paths` (sorted byte-wise,
  // without duplicates), and the listed paths themselves. Time is linear in
  // the bytes of `paths` plus a sort of the new members by two integers.
  void add_ancestors_of_sorted(const std::vector<SourcePath>& paths);

  bool contains(std::string_view path) const { return set_.find(path) != set_.end(); }
  std::size_t count(std::string_view path) const { return contains(path) ? 1 : 0; }
  const_iterator find(std::string_view path) const { return set_.find(path); }
  const_iterator lower_bound(std::string_view path) const { return set_.lower_bound(path); }
  const_iterator lower_bound(const PathThenByte& key) const { return set_.lower_bound(key); }
  const_iterator begin() const { return set_.begin(); }
  const_iterator end() const { return set_.end(); }
  std::size_t size() const { return set_.size(); }
  // Bytes of path text the set holds for its members.
  std::size_t stored_bytes() const { return stored_bytes_; }
  bool empty() const { return set_.empty(); }

  friend bool operator==(const DirectorySet& a, const DirectorySet& b);

 private:
  // A deque never moves its elements, so views into them stay valid.
  std::deque<std::string> storage_;
  Set set_;
  std::size_t stored_bytes_ = 0;
};

}  // namespace kelp
