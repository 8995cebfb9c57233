// Throughput of reading a recipe snapshot whose bytes are mostly file
// contents. Usage: snapshot_json_bench [megabytes]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "report/records_json.h"

int main(int argc, char** argv) {
  std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
  std::string content;
  for (int i = 0; content.size() < 64 * 1024; ++i)
    content += "line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog\\n";
  std::string text = "{\"files\":[";
  for (int i = 0; text.size() < megabytes * 1024 * 1024; ++i) {
    if (i) text += ",";
    text += "{\"path\":\"docs/file" + std::to_string(i) + ".md\",\"content\":\"" + content + "\"}";
  }
  text += "],\"directories\":[\"docs\"]}";

  double best = 0;
  for (int round = 0; round < 5; ++round) {
    auto start = std::chrono::steady_clock::now();
    auto parsed = kelp::parse_recipe_snapshot(text);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!parsed) {
      std::fprintf(stderr, "parse failed: %s\n", parsed.error().c_str());
      return 1;
    }
    double rate = static_cast<double>(text.size()) / (1024.0 * 1024.0) / seconds;
    if (rate > best) best = rate;
  }
  std::printf("snapshot JSON: %.1f MB in, best %.0f MB/s\n",
              static_cast<double>(text.size()) / (1024.0 * 1024.0), best);
  return 0;
}
