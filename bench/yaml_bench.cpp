// Composes a 20 MB YAML text into a JsonValue and prints the throughput.
// The document stays within the event and node budgets by carrying most of
// its bytes in long string values of several styles.
#include <chrono>
#include <cstdio>
#include <string>

#include "yaml/reader.h"

namespace {

std::string make_document(std::size_t target_bytes) {
  std::string text = "# benchmark document\nitems:\n";
  std::string words;
  while (words.size() < 2000) words += "lorem ipsum dolor sit amet, consectetur adipiscing elit ";
  std::size_t i = 0;
  while (text.size() < target_bytes) {
    std::string n = std::to_string(i);
    text += "  - id: " + n + "\n";
    text += "    name: item-" + n + "\n";
    text += "    enabled: yes\n    weight: 1.5\n";
    text += "    plain: " + words + "\n";
    text += "    quoted: \"" + words + "\\n\"\n";
    text += "    block: |\n      " + words + "\n      " + words + "\n";
    text += "    tags: [a, b, c]  # comment\n";
    ++i;
  }
  return text;
}

}  // namespace

int main() {
  const std::string text = make_document(20u * 1000 * 1000);
  double best = 0.0;
  for (int run = 0; run < 3; ++run) {
    auto start = std::chrono::steady_clock::now();
    auto value = kelp::yaml::read_json_value(text);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!value) {
      std::fprintf(stderr, "read failed: %s\n", value.error().c_str());
      return 1;
    }
    double rate = static_cast<double>(text.size()) / 1e6 / seconds;
    if (rate > best) best = rate;
    std::printf("run %d: %.1f MB in %.3f s: %.1f MB/s\n", run + 1, text.size() / 1e6, seconds, rate);
  }
  std::printf("best: %.1f MB/s\n", best);
  return 0;
}
