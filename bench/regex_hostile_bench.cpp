// Times the regex syntax check on megabyte hostile patterns: deep nesting,
// long repetitions, huge classes and comments. Linear work on a megabyte
// takes milliseconds; quadratic work would take minutes.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "regex/syntax.h"

namespace {

std::string repeat(const std::string& piece, std::size_t times) {
  std::string out;
  out.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

struct Case {
  const char* name;
  std::string pattern;
};

}  // namespace

int main() {
  const std::vector<Case> cases = {
      {"nested groups", repeat("(", 100000) + "a" + repeat(")", 100000)},
      {"nested classes", repeat("[", 100000) + "a" + repeat("]", 100000)},
      {"unclosed groups", repeat("(", 100000)},
      {"a megabyte of literals", repeat("a", 1 << 20)},
      {"alternation of 2^18", repeat("a|b|", 1 << 18) + "c"},
      {"letters class 350,000 times", repeat("\\pL", 350000)},
      {"one class of letters, digits, Greek", "[" + repeat("\\pL\\pN\\p{Greek}", 80000) + "]"},
      {"set algebra", "[" + repeat("[\\pLa--b]", 110000) + "]"},
      {"case-insensitive word classes", "(?i)[" + repeat("[\\w\\pN]", 140000) + "]"},
      {"case-insensitive megabyte", "(?i)" + repeat("k", 1 << 20)},
      {"verbose comments", "(?x)" + repeat(" #\n", 350000) + "a"},
      {"counted repetitions of groups", repeat("(?:a|bc){2}", 95000)},
      {"long counts", "a{" + repeat("0", 1 << 20) + "1}"},
  };
  std::printf("%-40s %10s %12s  %s\n", "case", "bytes", "best ms", "outcome");
  for (const Case& c : cases) {
    double best = 1e300;
    std::string outcome;
    for (int round = 0; round < 3; ++round) {
      auto start = std::chrono::steady_clock::now();
      auto checked = kelp::regex::check(c.pattern, {});
      std::string error = checked ? "" : kelp::regex::error_text(checked.error());
      double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      if (ms < best) best = ms;
      outcome = checked ? "compiles" : error.substr(error.rfind('\n') + 1);
    }
    std::printf("%-40s %10zu %12.2f  %s\n", c.name, c.pattern.size(), best, outcome.c_str());
  }
  return 0;
}
