// The help page explains every text the status line can show and names every
// site file key.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "net/inet_session.h"
#include "platform/text_codec.h"

namespace quennit {
namespace {

TEST(HelpPage, ExplainsTheStatusTextsAndNamesTheSiteFileKeys) {
    std::ifstream file(QUENNIT_HELP_PAGE, std::ios::binary);
    const std::string page{std::istreambuf_iterator<char>(file), {}};
    const auto has = [&page](const std::string& text) { return page.find(text) != page.npos; };
    for (const std::uint32_t code :
         {10, 11, 20, 21, 30, 31, 40, 41, 50, 51, 110, 120, 121, 122, 123}) {
        const std::string text = SjisToUtf8(CInetSession::GetStatusText(code));
        EXPECT_TRUE(!text.empty() && has(text)) << code << " " << text;
    }
    // An error answer's reason in brackets is explained apart from the text.
    std::vector<SjisString> errors;
    for (const ErrorKind kind :
         {ErrorKind::SendFailed, ErrorKind::ReadFailed, ErrorKind::Certificate,
          ErrorKind::ProxyRefused, ErrorKind::BadResponse, ErrorKind::KeywordUnsendable}) {
        errors.push_back(CInetSession::GetErrorText(kind, 0));
    }
    for (const int status : {200, 400, 401, 403, 404, 500, 502, 503, 504, 306}) {
        errors.push_back(CInetSession::GetErrorText(ErrorKind::HttpStatus, status));
    }
    for (const SjisString& error : errors) {
        const std::string text = SjisToUtf8(error);
        const auto bracket = std::min(text.find('('), text.size());
        EXPECT_TRUE(has(text.substr(0, bracket)) && has(text.substr(bracket))) << text;
    }
    for (const char* key : {"SITE_FILE_VER", "HOST_ID",    "HOST_ADDR",  "HOST_URL_FORMAT",
                            "HOST_MAXCOUNT", "HOST_GROUP", "HOST_KANJI", "HOST_LINKDV",
                            "STARTWORD",     "ENDWORD",    "T_SEARCH",   "T_NEXTURL",
                            "SEARCH",        "URL",        "TITLE",      "TEXT",
                            "TITLEADD",      "TEXTADD",    "ADDSTRING",  "R_DEL"}) {
        EXPECT_TRUE(has(std::string("<code>") + key + "</code>")) << key;
    }
}

}  // namespace
}  // namespace quennit
