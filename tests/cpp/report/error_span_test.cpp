#include "report/error_span.h"

#include <gtest/gtest.h>

namespace kelp {
namespace {

TEST(ErrorNumberAfter, ReadsTheNumberAfterTheFirstMarker) {
  auto n = error_number_after("oops at line 3, column 7", "line");
  ASSERT_TRUE(n);
  EXPECT_EQ(n->first, 3u);
  EXPECT_EQ(n->second, ", column 7");
  // Leading Unicode whitespace is skipped, including a no-break space.
  EXPECT_EQ(error_number_after("line \xC2\xA0\t42x", "line")->first, 42u);
  // The marker may stand inside a word.
  EXPECT_EQ(error_number_after("baseline9", "line")->first, 9u);
  EXPECT_FALSE(error_number_after("no marker here", "line"));
  EXPECT_FALSE(error_number_after("line x 3", "line"));
  EXPECT_FALSE(error_number_after("line 123456789012345678901", "line"));
  EXPECT_EQ(error_number_after("line 18446744073709551615", "line")->first,
            18446744073709551615u);
}

TEST(SpanFromErrorText, FollowsTheSpanRule) {
  EXPECT_EQ(span_from_error_text("bad thing at line 3, column 7"), (Span{3, 7}));
  EXPECT_FALSE(span_from_error_text("bad thing at line 3"));
  EXPECT_FALSE(span_from_error_text("newline trouble at line 3, column 7"));
  EXPECT_FALSE(span_from_error_text("at line 123456789012345678901, column 7"));
  EXPECT_FALSE(span_from_error_text("column 2 then line 3"));
}

}  // namespace
}  // namespace kelp
