#include <gtest/gtest.h>
#include "base/text.h"
TEST(Text, RoundTrip) { EXPECT_EQ(yomite::ToUtf8(yomite::FromUtf8("a澪")), "a澪"); }
