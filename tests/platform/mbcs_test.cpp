#include "platform/mbcs.h"

#include <gtest/gtest.h>

namespace quennit {
namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(MbsCompare, ComparesCharactersNotBytes) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"", "", 0},
        {"abc", "abc", 0},
        {"ab", "abc", -1},
        {"abc", "ab", 1},
        // Byte-wise 0x81 < 0xB1, but the character 0x8140 is above the
        // half-width katakana 0xB1.
        {"\x81\x40", "\xB1", 1},
        {"\xB1", "\x81\x40", -1},
        {"\x82\xA0", "\x82\xA2", -1},
        // A lone lead byte at the end is a single byte.
        {"a\x81", "a\x81\x40", -1},
        {"a\x81", "a\x81", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sign(MbsCompare(c.a, c.b)), c.sign) << c.a << " / " << c.b;
    }
}

TEST(SjisCutAt, NeverSplitsADoubleByteCharacter) {
    EXPECT_EQ(SjisCutAt("abc", 5), "abc");
    EXPECT_EQ(SjisCutAt("ab\x82\xA0", 3), "ab");
    EXPECT_EQ(SjisCutAt("ab\x82\xA0", 4), "ab\x82\xA0");
    EXPECT_EQ(SjisCutAt("\xB1\xB2\xB3", 2), "\xB1\xB2") << "half-width katakana are single bytes";
}

}  // namespace
}  // namespace quennit
