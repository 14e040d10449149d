#include "learn/learner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stop_token>

#include "learn/request_format.h"
#include "platform/errors.h"
#include "platform/http_client.h"
#include "platform/stop.h"
#include "sitedef/site_def.h"
#include "test_server.h"

namespace quennit::learn {
namespace {

TEST(RequestFormat, KeywordSpotsInEveryEscaping) {
    struct Case {
        const char* url;
        const char* keyword;
        const char* server;
        const char* format;
        int kanji;
    };
    const Case cases[] = {
        {"http://H/s?q=%E6%A4%9C%E7%B4%A2&x=1", "検索", "h", "/s?q=%s&x=1", kKanjiUtf8},
        {"http://h:80/s?q=%8c%9f%8d%f5", "検索", "h", "/s?q=%s", kKanjiSjis},
        {"https://h:443/s?kw=%B8%A1%BA%F7", "検索", "https://h", "/s?kw=%s", kKanjiEuc},
        {"https://h:8443/s?kw=検索", "検索", "https://h:8443", "/s?kw=%s", kKanjiUtf8},
        {"http://h:8080/s?q=a+b&p=100%", "a b", "h:8080", "/s?q=%s&p=100%%", 0},
        {"http://h/s?q=a%20b", "a b", "h", "/s?q=%s", 0},
        // A page name echoing the keyword: the query parameter carries the search.
        {"http://h/wiki/kw?cmd=search&word=kw", "kw", "h", "/wiki/kw?cmd=search&word=%s", 0},
    };
    for (const Case& c : cases) {
        const auto address = ParseAddress(c.url);
        ASSERT_TRUE(address) << c.url;
        EXPECT_EQ(address->server, c.server) << c.url;
        const auto spots = FindKeyword(address->object, c.keyword);
        ASSERT_FALSE(spots.empty()) << c.url;
        EXPECT_EQ(spots[0].format, c.format) << c.url;
        EXPECT_EQ(spots[0].kanji, c.kanji) << c.url;
    }
    EXPECT_FALSE(ParseAddress("ftp://h/s?q=kw"));
    EXPECT_EQ(DeclaredCode("text/html; charset=EUC-JP", "<meta charset=utf-8>"), kKanjiEuc);
    EXPECT_EQ(DeclaredCode("", "<meta http-equiv=x content='text/html; charset=Shift_JIS'>"),
              kKanjiSjis);
}

// Results pages of one style for a keyword: a sponsored list and related
// searches around the results, highlight markup, server paths, a next link.
std::string Page(const std::string& kw, int first, bool next = true) {
    std::string page = "<html><head><title>" + kw +
                       " - Find</title></head><body>"
                       "<div class=ads><a href=\"http://ad.test/1\">" +
                       kw + " sale</a></div>\n<dl>\n";
    for (int i = first; i < first + 4; ++i) {
        const std::string n = std::to_string(i);
        page += "<dt><a href=\"/d?id=" + n + "&amp;s=1\">On <em>" + kw + "</em> " + n +
                "</a><dd>Text " + n + "\n";
    }
    page += "</dl>\n<p>Related: <a href=\"/find?q=" + kw + "+more\">" + kw + " more</a>";
    if (next) {
        page += "<p class=pager><a href=\"/find?q=" + kw + "&amp;n=" + std::to_string(first + 4) +
                "\">Next</a>";
    }
    return page + "</body></html>";
}

LearnRequest Offline(const std::string& first, const std::string& second) {
    LearnRequest r;
    r.url = "http://find.test/find?q=alpha";
    r.keyword = "alpha";
    r.secondKeyword = "beta";
    r.page = first;
    r.secondPage = second;
    return r;
}

TEST(Learn, BlockFromTwoSavedPages) {
    const LearnResult result = Learn(Offline(Page("alpha", 1), Page("beta", 11, false)));
    ASSERT_TRUE(result.Learned()) << result.message;
    EXPECT_EQ(result.blockSjis,
              "HOST_ID\t\tFind\nHOST_ADDR\tfind.test\nHOST_URL_FORMAT\t/find?q=%s\n"
              "HOST_KANJI\tShift_JIS\nHOST_LINKDV\tLOCAL\nT_SEARCH\t<p class=pager><a href=\"\n"
              "T_NEXTURL\t\"\nSEARCH\t\t<dt><a href=\"\nURL\t\t\">\nTITLE\t\t</a>\n"
              "R_DEL\t\t<em>\nR_DEL\t\t</em>\n");
    ASSERT_EQ(result.proof.size(), 2u);
    EXPECT_EQ(result.proof[0].entries.size(), 4u);
    EXPECT_EQ(result.proof[0].entries[1].m_strUrl, "find.test/d?id=2&s=1");
    EXPECT_EQ(result.proof[0].entries[1].m_strTitle, "On alpha 2");
    EXPECT_EQ(result.proof[0].nextUrl, "/find?q=alpha&n=5");
    EXPECT_EQ(result.proof[1].entries.size(), 4u);
    EXPECT_EQ(result.proof[1].nextUrl, "");
}

// A pager of numbers only: the link with the next larger number in the
// query is the next page, unless it is relative to the page ("?q=…"),
// which a request to the server can't use and which mustn't hide one that
// it can.
TEST(Learn, NextByNumberNeedsAServerPath) {
    const std::string server = "<a href=\"/find?q=alpha&amp;n=5\">5</a>";
    const std::string relative = "<a href=\"?q=alpha&amp;n=3\">3</a>";
    for (const auto& [pager, next] :
         {std::pair{server, "/find?q=alpha&n=5"}, std::pair{relative, ""},
          std::pair{relative + server, "/find?q=alpha&n=5"}}) {
        std::string first = Page("alpha", 1, false);
        first.insert(first.find("</body>"), "<p class=pager>" + pager);
        const LearnResult result = Learn(Offline(first, Page("beta", 11, false)));
        ASSERT_TRUE(result.Learned()) << result.message;
        EXPECT_EQ(result.proof[0].nextUrl, next) << pager;
    }
}

TEST(Learn, RefusesWithTheReason) {
    const std::string good = Page("alpha", 1);
    struct Case {
        LearnRequest request;
        int exit;
        const char* says;
    };
    std::vector<Case> cases;
    auto add = [&](int exit, const char* says, auto change) {
        LearnRequest r = Offline(good, Page("beta", 11));
        change(r);
        cases.push_back({r, exit, says});
    };
    add(2, "http:// か https://", [](LearnRequest& r) { r.url = "find.test/find?q=alpha"; });
    add(2, "キーワード「alpha」が見つかりません", [](LearnRequest& r) { r.url = "http://f/?q=x"; });
    add(3, "ページが空", [](LearnRequest& r) { r.page = ""; });
    add(3, "3 件以上並ぶ", [](LearnRequest& r) { r.page = "<script>draw()</script>"; });
    add(3, "2 つ目のページに", [](LearnRequest& r) { r.secondPage = "<p>no hits</p>"; });
    add(3, "相対アドレス", [](LearnRequest& r) {
        for (std::string* p : {&*r.page, &*r.secondPage}) {
            for (std::size_t at; (at = p->find("\"/d?")) != std::string::npos;) {
                p->replace(at, 4, "\"d?");
            }
        }
    });
    add(3, "例", [](LearnRequest& r) { r.examples = {"On alpha 9"}; });
    for (const Case& c : cases) {
        const LearnResult result = Learn(c.request);
        EXPECT_EQ(result.exitCode, c.exit) << c.says;
        EXPECT_NE(result.message.find(c.says), std::string::npos) << result.message;
        EXPECT_TRUE(result.blockSjis.empty());
    }
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(Learn, AppendKeepsEveryByteAndRefusesADuplicate) {
    const LearnResult learned = Learn(Offline(Page("alpha", 1), Page("beta", 11)));
    ASSERT_TRUE(learned.Learned());
    const std::string path = testing::TempDir() + "learn_sites.ini";
    const std::string before = "SITE_FILE_VER\t1\r\nHOST_ID\tOld\r\n# no line end";
    std::ofstream(path, std::ios::binary) << before;
    std::string error;
    ASSERT_TRUE(AppendBlock(path, learned, "http://find.test/find?q=alpha", error)) << error;
    const std::string after = Slurp(path);
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_NE(after.find("\r\n\r\n# Quennit "), std::string::npos);
    EXPECT_NE(after.find("\r\nHOST_ID\t\tFind\r\nHOST_ADDR\tfind.test\r\n"), std::string::npos);
    EXPECT_FALSE(AppendBlock(path, learned, "x", error));
    EXPECT_NE(error.find("「Find」"), std::string::npos);
    EXPECT_EQ(Slurp(path), after);
    EXPECT_FALSE(AppendBlock(testing::TempDir(), learned, "x", error));
}

TEST(Learn, FetchesThroughTheLearnedFormatAndStops) {
    const GlobalHttpInit http;
    test::TestServer& server = test::SharedServer();
    LearnRequest r;
    r.url = "http://" + server.HostAddr() + "/learn?q=alpha";
    r.keyword = "alpha";
    const LearnResult result = Learn(r);
    ASSERT_TRUE(result.Learned()) << result.message;
    EXPECT_EQ(result.site.m_nKanji, kKanjiUtf8);  // from the Content-Type header
    ASSERT_EQ(result.proof.size(), 3u);           // first, next, second keyword's
    EXPECT_EQ(result.proof[1].entries.front().m_strUrl, server.HostAddr() + "/doc/alpha/21");
    EXPECT_EQ(result.proof[2].entries.size(), 5u);
    EXPECT_NE(result.warnings.back().find("「Guide」"), std::string::npos);

    std::stop_source stop;
    stop.request_stop();
    const ScopedStopToken token(stop.get_token());
    EXPECT_THROW(Learn(r), StopRequested);
}

}  // namespace
}  // namespace quennit::learn
