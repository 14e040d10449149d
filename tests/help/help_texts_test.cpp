// The help page explains every text that the status line can show; this
// keeps it in step with the texts the network layer actually produces.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "net/inet_session.h"
#include "platform/text_codec.h"

namespace quennit {
namespace {

std::string HelpPage() {
    std::ifstream in(QUENNIT_HELP_PAGE, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class HelpStatusTextTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(HelpStatusTextTest, ProgressTextIsExplained) {
    const std::string text = SjisToUtf8(CInetSession::GetStatusText(GetParam()));
    ASSERT_FALSE(text.empty()) << "code " << GetParam() << " has no text";
    EXPECT_NE(HelpPage().find(text), std::string::npos) << text;
}

// Every progress code that reaches the window with a text of its own.
INSTANTIATE_TEST_SUITE_P(Codes, HelpStatusTextTest,
                         ::testing::Values(10, 11, 20, 21, 30, 31, 40, 41, 50, 51, 110));

class HelpErrorTextTest : public ::testing::TestWithParam<LPARAM> {};

TEST_P(HelpErrorTextTest, ErrorTextIsExplained) {
    std::string text = SjisToUtf8(CInetSession::GetErrorText(GetParam()));
    // An error answer carries its reason in brackets; the page explains the
    // text before them and the common reasons separately.
    if (const auto bracket = text.find('('); bracket != std::string::npos) {
        const std::string reason = text.substr(bracket);
        EXPECT_NE(HelpPage().find(reason), std::string::npos) << reason;
        text.erase(bracket);
    }
    EXPECT_NE(HelpPage().find(text), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Codes, HelpErrorTextTest,
                         ::testing::Values(1, 2, 3, 200, 400, 401, 403, 404, 500, 502, 503, 504,
                                           306));

TEST(HelpPageTest, NamesTheSiteFileKeys) {
    const std::string page = HelpPage();
    for (const char* key :
         {"SITE_FILE_VER", "HOST_ID", "HOST_ADDR", "HOST_URL_FORMAT", "HOST_MAXCOUNT", "HOST_GROUP",
          "HOST_KANJI", "HOST_LINKDV", "STARTWORD", "T_SEARCH", "T_NEXTURL", "SEARCH", "URL",
          "TITLE", "TEXT", "TITLEADD", "TEXTADD", "ADDSTRING", "R_DEL"}) {
        EXPECT_NE(page.find(std::string("<code>") + key + "</code>"), std::string::npos) << key;
    }
}

TEST(HelpPageTest, SaysTheTimeOutIsAnIdleLimitAndHowToStop) {
    const std::string page = HelpPage();
    const std::size_t row = page.find("<td>検索タイムアウト（");
    const std::string text = page.substr(row, page.find("</tr>", row) - row);
    EXPECT_NE(text.find("無通信"), std::string::npos);
    EXPECT_NE(text.find("href=\"#search-stop\""), std::string::npos);
}

}  // namespace
}  // namespace quennit
