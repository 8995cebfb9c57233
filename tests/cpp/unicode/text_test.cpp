#include <gtest/gtest.h>

#include "unicode/text.h"

using namespace kelp::unicode;

TEST(Unicode, TrimsTheWholeWhiteSpaceSet) {
  EXPECT_EQ(trim("\u3000 a b\u2029\t"), "a b");
  EXPECT_EQ(trim("\u00a0\u0085"), "");
  EXPECT_EQ(trim("\u200b x"), "\u200b x");  // zero width space is not White_Space
}

TEST(Unicode, CountsCharacters) {
  EXPECT_EQ(char_count("h\u00e9\U0001F600"), 3u);
  EXPECT_FALSE(char_count_exceeds("\u00e9\u00e9", 2));
  EXPECT_TRUE(char_count_exceeds("\u00e9\u00e9a", 2));
}

TEST(Unicode, QuotedForm) {
  EXPECT_EQ(quoted("CI"), "\"CI\"");
  EXPECT_EQ(quoted(std::string_view("a\"\\\t\r\n\0b", 8)), "\"a\\\"\\\\\\t\\r\\n\\0b\"");
  EXPECT_EQ(quoted("\x01\x7f"), "\"\\u{1}\\u{7f}\"");
  EXPECT_EQ(quoted("\u00e9\u200b\u0301"), "\"\u00e9\\u{200b}\\u{301}\"");
}

TEST(Unicode, Utf8Validity) {
  EXPECT_TRUE(is_valid_utf8("abc\u00e9\U0010FFFF"));
  EXPECT_FALSE(is_valid_utf8("\xed\xa0\x80"));
  EXPECT_FALSE(is_valid_utf8("\xc0\xaf"));
  EXPECT_FALSE(is_valid_utf8("\xe2\x82"));
}

TEST(Unicode, Lowercase) {
  EXPECT_EQ(to_lower("\u212a"), "k");
  EXPECT_EQ(to_lower("My Server"), "my server");
  EXPECT_EQ(to_lower("\u0130"), "i\u0307");
}
