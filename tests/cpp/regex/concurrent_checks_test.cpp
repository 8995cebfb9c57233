#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "regex/check_text.h"
#include "regex/syntax.h"

// Checks run on many threads at once, and the shared class tables are built
// by whichever thread first needs them: every thread must see the outcome a
// lone thread sees.

namespace {

using kelp::regex_testing::check_text;
using kelp::regex::Flags;

const char* const kPatterns[] = {
    "^(?i:ok|fine)\\s+\\w+$", "\\pL+\\p{Greek}", "(?i)[\\w.+-]+@\\w+", "[^\\s,]+\\W",
    "\\p{Bidi_M}\\p{CWKCF}", "(?i)Straße\\x{212A}", "\\p{scx=Deva}\\p{age=6.0}",
    "[\\w&&[^\\d]]{3}", "(?s).\\D\\S", "\\w{300}", "\\p{Nope}", "[[:alpha:]]\\p{wb=ALetter}",
};

TEST(ConcurrentChecks, AgreeWithALoneThread) {
  constexpr int kThreads = 8;
  std::vector<std::vector<std::optional<std::string>>> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &seen] {
      for (int round = 0; round < 3; ++round) {
        for (const char* p : kPatterns) {
          seen[t].push_back(check_text(p, Flags{t % 2 == 1, false, false}));
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    std::size_t i = 0;
    for (int round = 0; round < 3; ++round) {
      for (const char* p : kPatterns) {
        EXPECT_EQ(seen[t][i++], check_text(p, Flags{t % 2 == 1, false, false})) << p;
      }
    }
  }
}

}  // namespace
