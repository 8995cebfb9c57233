#include "golden/recipe_snapshot.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "json/writer.h"
#include "unicode/text.h"

namespace kelp::golden {

namespace fs = std::filesystem;

namespace {

Expected<std::string, std::string> read_bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return unexpected("cannot open " + file.string());
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return unexpected("cannot read " + file.string());
  return bytes.str();
}

// Python's universal newlines: "\r\n" and a lone "\r" read as "\n".
std::string translate_newlines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out.push_back(text[i]);
      continue;
    }
    out.push_back('\n');
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return out;
}

struct Entries {
  std::vector<std::string> directories;
  std::vector<std::string> files;
};

// The names of one directory, split as os.walk splits them and sorted.
Expected<Entries, std::string> list_directory(const fs::path& dir) {
  Entries entries;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (it->is_directory(ec)) {
      entries.directories.push_back(std::move(name));
    } else {
      entries.files.push_back(std::move(name));
    }
  }
  if (ec) return unexpected("cannot list " + dir.string() + ": " + ec.message());
  std::sort(entries.directories.begin(), entries.directories.end());
  std::sort(entries.files.begin(), entries.files.end());
  return entries;
}

}  // namespace

Expected<std::string, std::string> recipe_snapshot_json(const fs::path& root) {
  std::string files_json;
  std::string directories_json;
  // Directories still to enter, as paths relative to the root ("" is the
  // root); the top of the stack is entered next.
  std::vector<std::string> pending = {""};
  while (!pending.empty()) {
    std::string relative = std::move(pending.back());
    pending.pop_back();
    if (!relative.empty()) {
      if (!directories_json.empty()) directories_json.push_back(',');
      json::write_string(directories_json, relative);
    }
    const std::string prefix = relative.empty() ? "" : relative + "/";
    auto entries = list_directory(root / relative);
    if (!entries) return unexpected(entries.error());
    for (const auto& name : entries->files) {
      auto bytes = read_bytes(root / relative / name);
      if (!bytes) return unexpected(bytes.error());
      if (!files_json.empty()) files_json.push_back(',');
      files_json += "{\"path\":";
      json::write_string(files_json, prefix + name);
      files_json += ",\"content\":";
      if (unicode::is_valid_utf8(*bytes)) {
        json::write_string(files_json, translate_newlines(*bytes));
      } else {
        files_json += "null";
      }
      files_json.push_back('}');
    }
    // Entered in sorted order, so pushed in reverse.
    for (auto it = entries->directories.rbegin(); it != entries->directories.rend(); ++it)
      pending.push_back(prefix + *it);
  }
  return "{\"files\":[" + files_json + "],\"directories\":[" + directories_json + "]}";
}

}  // namespace kelp::golden
