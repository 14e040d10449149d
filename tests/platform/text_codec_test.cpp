#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace quennit {
namespace {

TEST(TextCodec, WindowsMappingsRoundTrip) {
    // Backslash stays a backslash; NEC and IBM extension characters exist.
    const std::string utf8 = "検索\\①髙ｶﾅ";
    const auto sjis = Utf8ToSjis(utf8);
    ASSERT_TRUE(sjis.has_value());
    EXPECT_EQ(*sjis, "\x8C\x9F\x8D\xF5\x5C\x87\x40\xFB\xFC\xB6\xC5");
    EXPECT_EQ(SjisToUtf8(*sjis), utf8);
    EXPECT_EQ(Utf8ToSjis("").value(), "");
}

TEST(TextCodec, BadInputIsReplacedOrRefused) {
    // A lone lead byte, an unassigned pair and a lead byte cut off at the end.
    EXPECT_EQ(SjisToUtf8("a\x85\x40"
                         "b"),
              "a\xEF\xBF\xBD@b");
    EXPECT_EQ(SjisToUtf8("ok\x82"), "ok\xEF\xBF\xBD");
    EXPECT_EQ(SjisToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_FALSE(Utf8ToSjis("snow ☃").has_value());
    EXPECT_FALSE(Utf8ToSjis("bad \xC3").has_value());
    EXPECT_FALSE(ConvertStrict("\xFF", "EUC-JP-MS", "CP932").has_value());
}

}  // namespace
}  // namespace quennit
