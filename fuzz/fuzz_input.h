// Shapes raw fuzzer bytes into the inputs the module can actually receive:
// interpreter strings are always valid UTF-8, and a snapshot or batch is a
// list of (path, content) pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "unicode/text.h"

namespace kelp::fuzz {

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Byte 0xFF never occurs in UTF-8, so it can separate the parts of an input
// without limiting what the parts hold.
inline std::vector<std::string_view> split_parts(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || static_cast<unsigned char>(text[i]) == 0xFF) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

// Pairs of parts: a path, then a content. A path part that is a single
// digit picks one of the names the checks look for, so that short inputs
// reach the interesting files.
inline std::vector<std::pair<std::string, std::string>> path_content_pairs(
    std::string_view text) {
  static constexpr std::string_view kNames[] = {
      "package.json",        "agents/a.yaml", "agents/b.yml", "judges/j.yaml",
      ".kelp/mcp.local.example.json", "judges/k.yml", "skills/s/SKILL.md",
      "agents",              "prompts/p.md",  "mcp/servers.json",
  };
  std::vector<std::pair<std::string, std::string>> out;
  auto parts = split_parts(text);
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string_view path = parts[i];
    if (path.size() == 1 && path[0] >= '0' && path[0] <= '9') path = kNames[path[0] - '0'];
    if (!unicode::is_valid_utf8(path) || !unicode::is_valid_utf8(parts[i + 1])) continue;
    out.emplace_back(std::string(path), std::string(parts[i + 1]));
  }
  return out;
}

}  // namespace kelp::fuzz
