#include "checks/paths.h"

#include <algorithm>

#include "unicode/text.h"

namespace kelp {

std::string normalize_recipe_path(std::string_view path) {
  std::string s(unicode::trim(path));
  for (char& c : s)
    if (c == '\\') c = '/';
  std::size_t start = 0;
  while (s.compare(start, 2, "./") == 0) start += 2;
  while (start < s.size() && s[start] == '/') ++start;
  std::size_t end = s.size();
  while (end > start && s[end - 1] == '/') --end;
  return s.substr(start, end - start);
}

std::vector<std::string_view> path_ancestors(std::string_view path) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < path.size(); ++i)
    if (path[i] == '/') out.push_back(path.substr(0, i));
  return out;
}

void build_path_maps(const RecipeFiles& snapshot, FileMap& files, DirectorySet& directories) {
  build_path_maps(RecipeFiles(snapshot), files, directories);
}

void build_path_maps(RecipeFiles&& snapshot, FileMap& files, DirectorySet& directories) {
  for (auto& file : snapshot.files) {
    std::string path = normalize_recipe_path(file.path);
    if (path.empty()) continue;
    files.insert_or_assign(std::move(path), std::move(file.content));
  }
  std::vector<std::string> listed;
  listed.reserve(snapshot.directories.size());
  for (const auto& dir : snapshot.directories) {
    std::string path = normalize_recipe_path(dir);
    if (!path.empty()) listed.push_back(std::move(path));
  }
  std::sort(listed.begin(), listed.end());
  listed.erase(std::unique(listed.begin(), listed.end()), listed.end());

  // Every file path and listed directory, merged in byte order: the
  // directories are their ancestors, and the listed ones themselves. The
  // file keys live as long as the map, so directories may view them.
  std::vector<DirectorySet::SourcePath> paths;
  paths.reserve(files.size() + listed.size());
  auto file = files.begin();
  auto dir = listed.begin();
  while (file != files.end() || dir != listed.end()) {
    if (dir == listed.end() || (file != files.end() && file->first < *dir)) {
      paths.push_back({file->first, false, true});
      ++file;
    } else if (file != files.end() && file->first == *dir) {
      paths.push_back({file->first, true, true});
      ++file;
      ++dir;
    } else {
      paths.push_back({*dir, true, false});
      ++dir;
    }
  }
  directories.add_ancestors_of_sorted(paths);
}

std::vector<std::string_view> files_in_dir(const CheckContext& context, std::string_view dir) {
  std::vector<std::string_view> out;
  // The seek keys stand for `dir` + "/" and `subdirectory` + "0" without
  // building either: a deep directory costs no copy of its text.
  auto it = context.files.lower_bound(PathThenByte{dir, '/'});
  while (it != context.files.end()) {
    std::string_view key = it->first;
    if (!is_below(key, dir)) break;
    auto slash = key.find('/', dir.size() + 1);
    if (slash == std::string_view::npos) {
      out.push_back(key);
      ++it;
      continue;
    }
    // Seek past the whole subdirectory instead of walking its files.
    it = context.files.lower_bound(PathThenByte{key.substr(0, slash), '/' + 1});
  }
  return out;
}

bool is_yaml_path(std::string_view path) {
  auto slash = path.rfind('/');
  std::string_view segment = slash == std::string_view::npos ? path : path.substr(slash + 1);
  auto dot = segment.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  auto ext = segment.substr(dot + 1);
  return ext == "yml" || ext == "yaml";
}

}  // namespace kelp
