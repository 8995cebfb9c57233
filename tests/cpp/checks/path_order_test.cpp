#include <gtest/gtest.h>

#include <random>
#include <string>

#include "checks/path_order.h"

using namespace kelp;

// The comparator and its never-built seek keys agree with comparing built
// texts, also for views that share their first byte's address.
TEST(PathOrder, AgreesWithComparingBuiltTexts) {
  const std::string alphabet = "a/-.0\xC3";
  std::mt19937 rng(3);
  auto random_text = [&](std::size_t max) {
    std::string text;
    for (std::size_t n = rng() % (max + 1); n > 0; --n) text += alphabet[rng() % alphabet.size()];
    return text;
  };
  const PathViewLess less;
  std::size_t disagreements = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string a = random_text(5);
    std::string b = random_text(5);
    char byte = alphabet[rng() % alphabet.size()];
    std::string built = b + byte;
    if (less(std::string_view(a), std::string_view(b)) != (a < b)) ++disagreements;
    if (less(a, PathThenByte{b, byte}) != (a < built)) ++disagreements;
    if (less(PathThenByte{b, byte}, a) != (built < a)) ++disagreements;
    // Prefixes of one text, compared by their lengths.
    std::string_view whole = a;
    std::string_view shorter = whole.substr(0, rng() % (a.size() + 1));
    if (less(shorter, whole) != (std::string(shorter) < a)) ++disagreements;
    if (less(whole, PathThenByte{shorter, byte}) != (a < std::string(shorter) + byte))
      ++disagreements;
    if (less(PathThenByte{shorter, byte}, whole) != (std::string(shorter) + byte < a))
      ++disagreements;
  }
  EXPECT_EQ(disagreements, 0u);
}

TEST(PathOrder, BelowADirectory) {
  EXPECT_TRUE(is_below("a/b", "a"));
  EXPECT_TRUE(is_below("a//b", "a/"));
  EXPECT_FALSE(is_below("a", "a"));
  EXPECT_FALSE(is_below("a-b/c", "a"));
  EXPECT_FALSE(is_below("ab/c", "a"));
  EXPECT_FALSE(is_below("b/c", "a"));
  EXPECT_TRUE(is_below("/x", ""));
}
