#include "platform/mbcs.h"

#include <gtest/gtest.h>

namespace quennit {
namespace {

TEST(MbsCompare, EqualAndPrefixes) {
    EXPECT_EQ(MbsCompare("", ""), 0);
    EXPECT_EQ(MbsCompare("abc", "abc"), 0);
    EXPECT_LT(MbsCompare("ab", "abc"), 0);
    EXPECT_GT(MbsCompare("abc", "ab"), 0);
}

TEST(MbsCompare, DoubleByteCharacterComparesByItsCode) {
    // Byte-wise 0x81 < 0xB1, but the character 0x8140 is above the
    // half-width katakana 0xB1.
    EXPECT_GT(MbsCompare("\x81\x40", "\xB1"), 0);
    EXPECT_LT(MbsCompare("\xB1", "\x81\x40"), 0);
    // Trail bytes decide between two characters of the same lead byte.
    EXPECT_LT(MbsCompare("\x82\xA0", "\x82\xA2"), 0);
}

TEST(MbsCompare, LoneLeadByteAtTheEndIsASingleByte) {
    EXPECT_LT(MbsCompare("a\x81", "a\x81\x40"), 0);
    EXPECT_EQ(MbsCompare("a\x81", "a\x81"), 0);
}

TEST(SjisCutAt, NeverSplitsADoubleByteCharacter) {
    EXPECT_EQ(SjisCutAt("abc", 5), "abc");
    EXPECT_EQ(SjisCutAt("ab\x82\xA0", 3), "ab");
    EXPECT_EQ(SjisCutAt("ab\x82\xA0", 4), "ab\x82\xA0");
    // Half-width katakana are single bytes.
    EXPECT_EQ(SjisCutAt("\xB1\xB2\xB3", 2), "\xB1\xB2");
}

}  // namespace
}  // namespace quennit
