#include "engine/keyword.h"

#include <gtest/gtest.h>

#include "platform/text_codec.h"

namespace quennit {
namespace {

using namespace std::string_literals;

TEST(KeywordConversion, OddBytesAndCharactersOutsideJisX0208) {
    const std::tuple<bool, std::string, std::optional<std::string>> cases[] = {
        // to EUC?, from, to
        {true, "ab\x8C", "ab"},                               // a lone lead byte is dropped
        {false, "ab\xB8", "ab\xB8"},                          // a lone EUC byte stays
        {true, "a\0\x8C\x9F"s, "a"},                          // the text ends at NUL
        {true, "\xB6\xC5", "\x8E\xB6\x8E\xC5"},               // half-width katakana
        {false, "\x8E\xB6\x8E\xC5\x8E\xDF", "\xB6\xC5\xDF"},  // up to the last kana
        {false, "a\x8F\xB0\xA1z", "a\x81\xACz"},              // a supplementary character
        // The IBM extensions 髙 﨑 ⅰ 纊 as a browser sends them (rows 89-92),
        // ￢ where it stands first (row 2), ① and Ⅰ in the NEC row 13.
        {true, "\xFB\xFC\xFA\xB1\xFA\x40\xFA\x5C\xFA\x54\x87\x40\x87\x54",
         "\xFC\xE2\xF9\xF5\xFC\xF1\xF9\xA1\xA2\xCC\xAD\xA1\xAD\xB5"},
        {true, "a\xF0\x40", std::nullopt},  // the user-defined area has no EUC form
        {true, "\x85\x40", std::nullopt},   // nor has an unassigned code
        {true, "\x88\x0A", std::nullopt},   // nor a lead byte with a control byte
    };
    for (const auto& [toEuc, from, to] : cases) {
        EXPECT_EQ(toEuc ? SjisToEuc(from) : EucToSjis(from), to) << from;
    }
}

// Every JIS X 0208 character (rows of lead bytes 0x81-0x9F and 0xE0-0xEF)
// converts exactly as the Windows-compatible tables of the system library.
TEST(KeywordConversion, ArithmeticMatchesTheLibraryOverJisX0208) {
    int compared = 0;
    for (unsigned lead = 0x81; lead <= 0xEF; ++lead) {
        if (lead > 0x9F && lead < 0xE0) {
            continue;
        }
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            const std::string sjis{static_cast<char>(lead), static_cast<char>(trail)};
            const auto euc = ConvertStrict(sjis, "CP932", "EUC-JP-MS");
            const auto back = euc ? ConvertStrict(*euc, "EUC-JP-MS", "CP932") : std::nullopt;
            // Only characters with a two-byte EUC form that maps back to the
            // same bytes (CP932 has a few duplicate codes).
            if (!euc || euc->size() != 2 || back != sjis) {
                continue;
            }
            ASSERT_EQ(SjisToEuc(sjis), euc) << std::hex << lead << " " << trail;
            ASSERT_EQ(EucToSjis(*euc), sjis) << std::hex << lead << " " << trail;
            ++compared;
        }
    }
    EXPECT_GT(compared, 6800) << "the library should know all of JIS X 0208";
}

TEST(RequestPath, KeywordEscapedForTheSiteAndOnlyPercentSAndDoublePercentInterpreted) {
    struct Case {
        const char* format;
        int kanji;
        std::string keyword;  // UTF-8, as typed
        std::optional<std::string> path;
    };
    const Case cases[] = {
        // Shift_JIS keywords escape byte pairs and blanks, nothing else.
        {"/find?kw=%s&max=20", 2, "abc def", "/find?kw=abc+def&max=20"},
        {"%s", 2, "ア ｱｲ", "%83%41+%b1%b2"},
        {"/find?kw=%s&max=20", 2, "検索", "/find?kw=%8c%9f%8d%f5&max=20"},
        {"/find?kw=%s&max=20", 2, "a&b=c", "/find?kw=a&b=c&max=20"},
        {"/find?kw=%s&max=20", 1, "検索", "/find?kw=%b8%a1%ba%f7&max=20"},
        {"/find?kw=%s&max=20", 3, "検索 ｶa-_.~&=/+%*",
         "/find?kw=%E6%A4%9C%E7%B4%A2+%EF%BD%B6a-_.~%26%3D%2F%2B%25%2A&max=20"},
        // Only a UTF-8 site can be asked for what Shift_JIS lacks.
        {"%s", 3, "𠮷", "%F0%A0%AE%B7"},
        {"%s", 2, "𠮷", std::nullopt},
        {"%s", 1, "𠮷", std::nullopt},
        {"/s?%s&pct=100%%", 2, "k", "/s?k&pct=100%"},
        {"/%s/%s", 2, "k", "/k/k"},
        {"/q?%d%n%x%", 2, "k", "/q?%d%n%x%"},  // never a printf format
        {"/fixed", 2, "k", "/fixed"},
    };
    for (const Case& c : cases) {
        SiteDef site;
        site.m_strUrlFormat = c.format;
        site.m_nKanji = c.kanji;
        EXPECT_EQ(BuildRequestPath(site, c.keyword), c.path) << c.format;
    }
    // Bytes that are no Shift_JIS text: a pair's second byte may be ASCII, a
    // lone lead byte at the end is escaped alone.
    EXPECT_EQ(UrlEscapeKeyword("\x83\x41 \x80x\x81xab\x82"), "%83%41+\x80x%81%78ab%82");
}

TEST(RequestPath, LongEucKeywordIsCutAtACharacterBoundary) {
    SiteDef site;
    site.m_strUrlFormat = "%s";
    site.m_nKanji = 1;
    std::string keyword = "a";
    for (int i = 0; i < 1100; ++i) {
        keyword += "亜";  // B0 A1 in EUC-JP
    }
    const std::string path = BuildRequestPath(site, keyword).value_or("");
    // 'a' plus 1023 whole characters fit in 2,047 bytes; each escapes to 6.
    EXPECT_EQ(path.size(), 1 + 1023 * 6u);
    EXPECT_EQ(path.substr(path.size() - 6), "%b0%a1") << "ends with a whole character";
}

}  // namespace
}  // namespace quennit
