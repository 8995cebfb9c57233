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
  // directories are their ancestors, and the listed ones themselves.
  std::vector<std::string_view> paths;
  std::vector<bool> is_listed;
  paths.reserve(files.size() + listed.size());
  is_listed.reserve(files.size() + listed.size());
  auto file = files.begin();
  auto dir = listed.begin();
  while (file != files.end() || dir != listed.end()) {
    if (dir == listed.end() || (file != files.end() && file->first < *dir)) {
      paths.push_back(file->first);
      is_listed.push_back(false);
      ++file;
    } else {
      if (file != files.end() && file->first == *dir) ++file;
      paths.push_back(*dir);
      is_listed.push_back(true);
      ++dir;
    }
  }
  directories.add_ancestors_of_sorted(paths, is_listed);
}

std::vector<std::string_view> files_in_dir(const CheckContext& context, std::string_view dir) {
  std::string prefix(dir);
  prefix.push_back('/');
  std::vector<std::string_view> out;
  auto it = context.files.lower_bound(prefix);
  while (it != context.files.end()) {
    std::string_view key = it->first;
    if (key.compare(0, prefix.size(), prefix) != 0) break;
    auto slash = key.find('/', prefix.size());
    if (slash == std::string_view::npos) {
      out.push_back(key);
      ++it;
      continue;
    }
    // Seek past the whole subdirectory instead of walking its files.
    std::string skip(key.substr(0, slash));
    skip.push_back('/' + 1);
    it = context.files.lower_bound(skip);
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
