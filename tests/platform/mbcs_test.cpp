#include "platform/mbcs.h"

#include <gtest/gtest.h>

namespace quennit {
namespace {

TEST(Mbcs, ComparesAndCutsCharactersNotBytes) {
    // Byte-wise 0x81 < 0xB1, but the character 0x8140 is above the half-width
    // katakana 0xB1; a lone lead byte at the end is a single byte.
    const std::tuple<const char*, const char*, int> compares[] = {{"", "", 0},
                                                                  {"ab", "abc", -1},
                                                                  {"abc", "ab", 1},
                                                                  {"\x81\x40", "\xB1", 1},
                                                                  {"\xB1", "\x81\x40", -1},
                                                                  {"\x82\xA0", "\x82\xA2", -1},
                                                                  {"a\x81", "a\x81\x40", -1},
                                                                  {"a\x81", "a\x81", 0}};
    for (const auto& [a, b, sign] : compares) {
        const int v = MbsCompare(a, b);
        EXPECT_EQ((v > 0) - (v < 0), sign) << a << " / " << b;
    }
    const std::tuple<const char*, std::size_t, const char*> cuts[] = {
        {"abc", 5, "abc"},
        {"ab\x82\xA0", 3, "ab"},
        {"ab\x82\xA0", 4, "ab\x82\xA0"},
        {"\xB1\xB2\xB3", 2, "\xB1\xB2"}};
    for (const auto& [text, size, cut] : cuts) {
        EXPECT_EQ(SjisCutAt(text, size), cut) << text;
    }
}

}  // namespace
}  // namespace quennit
