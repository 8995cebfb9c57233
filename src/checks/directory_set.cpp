#include "checks/directory_set.h"

#include <algorithm>
#include <utility>

namespace kelp {

DirectorySet::DirectorySet(std::initializer_list<std::string_view> paths) {
  for (auto path : paths) insert(path);
}

bool DirectorySet::insert(std::string_view path) {
  if (contains(path)) return false;
  set_.insert(storage_.emplace_back(path));
  stored_bytes_ += path.size();
  return true;
}

// In byte order, the prefixes of sorted texts appear as: for each text in
// turn, its prefixes longer than its common prefix with the text before it,
// shortest first. So a prefix is placed by the first text that has it and
// by its length, two integers, and sorting those pairs sorts the
// directories without comparing their bytes.
void DirectorySet::add_ancestors_of_sorted(const std::vector<SourcePath>& paths) {
  struct Member {
    std::size_t first;   // index of the first path that has this prefix
    std::size_t length;  // length of the prefix
    // The path whose text the member views: one where the prefix ends at a
    // "/" or at its end, so that the view holds whole segments of it.
    std::size_t source;
  };
  std::vector<Member> members;
  // Runs of earlier paths by their common prefix with the current one:
  // (common length, index of the first path of the run), lengths rising.
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  for (std::size_t j = 0; j < paths.size(); ++j) {
    std::string_view path = paths[j].path;
    std::size_t common = 0;
    std::size_t run_start = j;
    if (j > 0) {
      std::string_view previous = paths[j - 1].path;
      std::size_t limit = std::min(previous.size(), path.size());
      while (common < limit && previous[common] == path[common]) ++common;
      while (!runs.empty() && runs.back().first >= common) {
        run_start = runs.back().second;
        runs.pop_back();
      }
      runs.emplace_back(common, run_start);
    }
    runs.emplace_back(path.size(), j);
    // Ancestors within the common prefix, except one ending right at it,
    // are ancestors of the previous path and were added with it. The one
    // ending at the common prefix was first seen with the run's first path.
    for (std::size_t k = path.find('/', common); k != std::string_view::npos;
         k = path.find('/', k + 1)) {
      members.push_back({k == common ? run_start : j, k, j});
    }
    if (paths[j].listed) members.push_back({j, path.size(), j});
  }
  std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) {
    return a.first != b.first ? a.first < b.first : a.length < b.length;
  });
  // A listed directory can also be the ancestor of a later path.
  members.erase(std::unique(members.begin(), members.end(),
                            [](const Member& a, const Member& b) {
                              return a.first == b.first && a.length == b.length;
                            }),
                members.end());
  // Members view their source's text, or one stored copy of it as long as
  // its longest member; they are already in order, so each insertion goes
  // at the end.
  std::vector<std::size_t> longest(paths.size(), 0);
  for (const Member& member : members)
    longest[member.source] = std::max(longest[member.source], member.length);
  std::vector<std::string_view> texts(paths.size());
  for (const Member& member : members) {
    std::string_view& text = texts[member.source];
    if (text.data() == nullptr) {
      const SourcePath& source = paths[member.source];
      if (source.lasting) {
        text = source.path;
      } else {
        text = storage_.emplace_back(source.path.substr(0, longest[member.source]));
        stored_bytes_ += text.size();
      }
    }
    set_.emplace_hint(set_.end(), text.substr(0, member.length));
  }
}

bool operator==(const DirectorySet& a, const DirectorySet& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace kelp
