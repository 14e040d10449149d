#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/collecting_window.h"
#include "engine/keyword.h"
#include "engine/search_session.h"

namespace quennit {
namespace {

using Rules = std::vector<std::pair<std::string, std::string>>;

void Fill(RuleList& list, int& count, const Rules& rules) {
    count = 0;
    for (const auto& [key, value] : rules) {
        list[static_cast<std::size_t>(count++)] = SiteRule{key, value};
    }
}

// A session holding one site (number 1) whose results go to `window`.
class Extraction : public testing::Test {
  protected:
    void Define(const Rules& entry, const Rules& page = {}, const Rules& clean = {},
                const std::string& startWord = "") {
        site.m_strHostId = "Site";
        Fill(site.m_entryRules, site.m_nEntryRules, entry);
        Fill(site.m_pageRules, site.m_nPageRules, page);
        Fill(site.m_cleanRules, site.m_nCleanRules, clean);
        site.m_strStartWord = startWord;
        session.StoreSite(1, site);
        session.SetServer(1, "searchhost");
        session.SetNotifyWnd(1, &window);
    }

    int Extract(const std::string& page) { return session.ExtractResults(page.c_str(), 1); }
    SiteDef Stored() const { return *session.LookupSite(1); }

    std::vector<std::string> Field(std::string SearchResult::*field) const {
        std::vector<std::string> out;
        for (const auto& r : window.results) {
            out.push_back(r.*field);
        }
        return out;
    }
    std::vector<int> Orders() const {
        std::vector<int> out;
        for (const auto& r : window.results) {
            out.push_back(r.m_nOrder);
        }
        return out;
    }

    SiteDef site;
    CSearchSession session;
    test::CollectingWindow window;
};

using V = std::vector<std::string>;

const Rules kExampleEntry = {{"SEARCH", "<dt><a href=http://"},
                             {"URL", ">"},
                             {"TITLE", "</a>"},
                             {"SEARCH", "<dd>"},
                             {"TEXT", "<br>"}};
const Rules kExamplePage = {{"T_SEARCH", "class=next href="}, {"T_NEXTURL", ">"}};
const Rules kExampleClean = {{"R_DEL", "<b>"}, {"R_DEL", "</b>"}};
const std::string kExamplePageText =
    "<p>1-2</p><a class=next href=/find?p=2>next</a><dl><dt><a href=http://pagehost/a>Alpha</a>"
    "<dd>First <b>hit</b><br><dt><a href=http://pagehost/b>Beta</a><dd>Second<br></dl>";

TEST_F(Extraction, WorkedExample) {
    Define(kExampleEntry, kExamplePage, kExampleClean, "<dl>");
    ASSERT_EQ(Extract(kExamplePageText), 0);
    EXPECT_EQ(Field(&SearchResult::m_strUrl), (V{"pagehost/a", "pagehost/b"}));
    EXPECT_EQ(Field(&SearchResult::m_strTitle), (V{"Alpha", "Beta"}));
    EXPECT_EQ(Field(&SearchResult::m_strText), (V{"First hit", "Second"}));
    EXPECT_EQ(Field(&SearchResult::m_strSiteName), (V{"Site", "Site"}));
    EXPECT_EQ(Orders(), (std::vector<int>{10, 20}));
    EXPECT_EQ(window.sites, (std::vector<std::uint32_t>{1, 1}));
    EXPECT_EQ(Stored().m_strNextUrl, "/find?p=2");
    EXPECT_EQ(Stored().m_nHits, 2);
}

TEST_F(Extraction, PageRulesThatDoNotMatch) {
    // The next-page marker is missing: no next page, entries still come.
    Define(kExampleEntry, {{"T_SEARCH", "class=nowhere"}, {"T_NEXTURL", ">"}}, {}, "<dl>");
    site.m_strNextUrl = "/stale";
    session.StoreSite(1, site);
    ASSERT_EQ(Extract(kExamplePageText), 0);
    EXPECT_EQ(window.results.size(), 2u);
    EXPECT_EQ(Stored().m_strNextUrl, "");
}

TEST_F(Extraction, MissingStartWordYieldsNoEntriesButKeepsTheNextPage) {
    Define(kExampleEntry, kExamplePage, {}, "<ol>");
    ASSERT_EQ(Extract(kExamplePageText), 0);
    EXPECT_TRUE(window.results.empty());
    EXPECT_EQ(Stored().m_strNextUrl, "/find?p=2");
}

TEST_F(Extraction, StartWordIsSearchedFromThePageStart) {
    // The page rules moved past "<dl>"; the entries still start on it.
    Define({{"SEARCH", "<dl><dt>"}, {"URL", "|"}}, {{"T_SEARCH", "</dl>"}}, {}, "<dl>");
    ASSERT_EQ(Extract("<dl><dt>x|</dl>"), 0);
    EXPECT_EQ(Field(&SearchResult::m_strUrl), (V{"x"}));
}

TEST_F(Extraction, MissingTitleMarkerStillDeliversTheEntry) {
    Define({{"SEARCH", "<li>"}, {"URL", "|"}, {"TITLE", "</t>"}});
    ASSERT_EQ(Extract("<li>u1|<li>u2|"), 0);
    EXPECT_EQ(Field(&SearchResult::m_strUrl), (V{"u1", "u2"}));
    EXPECT_EQ(Field(&SearchResult::m_strTitle), (V{"", ""}));
}

TEST_F(Extraction, GuardEndsAnEntryWhoseMarkerBelongsToTheNextOne) {
    // The first entry's link marker only appears inside the second entry:
    // the entry ends before capturing, has no link, and the page is done.
    Define({{"SEARCH", "<li>"}, {"URL", "|"}, {"TITLE", "#"}});
    ASSERT_EQ(Extract("<li>no link here<li>u2|t2#<li>u3|t3#"), 0);
    EXPECT_TRUE(window.results.empty());
}

TEST_F(Extraction, EntryWithoutLinkEndsThePage) {
    Define({{"SEARCH", "<li>"}, {"TITLE", "|"}, {"URL", "#"}});
    ASSERT_EQ(Extract("<li>a|u1#<li>b|<li>c|u3#"), 0);
    EXPECT_EQ(Field(&SearchResult::m_strUrl), (V{"u1"}));
}

TEST_F(Extraction, ResultLimitIsTestedAfterEachResult) {
    std::string page;
    for (int i = 0; i < 10; ++i) {
        page += "<li>u" + std::to_string(i) + "|";
    }
    for (const int limit : {3, 0, -5}) {
        window.results.clear();
        site.m_nMaxCount = limit;
        Define({{"SEARCH", "<li>"}, {"URL", "|"}});
        ASSERT_EQ(Extract(page), 0);
        EXPECT_EQ(Orders(), limit == 3 ? (std::vector<int>{10, 20, 30}) : std::vector<int>{10})
            << "limit " << limit;
    }
}

TEST_F(Extraction, OrderContinuesOverPages) {
    std::string page;
    for (int i = 0; i < 10; ++i) {
        page += "<li>u|";
    }
    Define({{"SEARCH", "<li>"}, {"URL", "|"}});
    ASSERT_EQ(Extract(page), 0);
    window.results.clear();
    ASSERT_EQ(Extract(page), 0);
    EXPECT_EQ(Orders().front(), 110);
    EXPECT_EQ(Orders().back(), 200);
    EXPECT_EQ(Stored().m_nHits, 20);
}

TEST_F(Extraction, AddStringAndAppends) {
    Define({{"SEARCH", "<li>"}, {"URL", "|"}, {"ADDSTRING", "x"}, {"TEXT", "#"}});
    ASSERT_EQ(Extract("<li>u|captured#"), 0);
    EXPECT_EQ(Field(&SearchResult::m_strText), (V{"captured"}));

    window.results.clear();
    Define({{"SEARCH", "<li>"},
            {"URL", "|"},
            {"ADDSTRING", "x"},
            {"TEXTADD", "#"},
            {"TITLE", "!"},
            {"TITLEADD", "?"},
            {"SKIP", ";"},
            {"TEXTADD", "."}});
    ASSERT_EQ(Extract("<li>u|one#T1!T2?gone;two."), 0);
    EXPECT_EQ(Field(&SearchResult::m_strText), (V{"xonetwo"}));
    EXPECT_EQ(Field(&SearchResult::m_strTitle), (V{"T1T2"}));
}

TEST_F(Extraction, LocalLinksGetTheServerInFront) {
    site.m_strLinkDv = "LOCAL";
    Define({{"SEARCH", "href="}, {"URL", ">"}});
    ASSERT_EQ(Extract("<a href=/a.html>"), 0);
    EXPECT_EQ(Field(&SearchResult::m_strUrl), (V{"searchhost/a.html"}));
    window.results.clear();
    site.m_strLinkDv = "local";
    Define({{"SEARCH", "href="}, {"URL", ">"}});
    ASSERT_EQ(Extract("<a href=/a.html>"), 0);
    EXPECT_EQ(Field(&SearchResult::m_strUrl), (V{"/a.html"})) << "only LOCAL exactly";
}

TEST_F(Extraction, EucSiteTextArrivesInShiftJis) {
    site.m_nKanji = 1;
    // EUC 検索 in the link, the title and the text.
    Define({{"SEARCH", "<li>"}, {"URL", "|"}, {"TITLE", "|"}, {"TEXT", "|"}});
    ASSERT_EQ(Extract("<li>\xB8\xA1|\xB8\xA1\xBA\xF7|a\xBA\xF7|"), 0);
    ASSERT_EQ(window.results.size(), 1u);
    EXPECT_EQ(window.results[0].m_strUrl, "\xB8\xA1") << "links are not converted";
    EXPECT_EQ(window.results[0].m_strTitle, "\x8C\x9F\x8D\xF5");
    EXPECT_EQ(window.results[0].m_strText, "a\x8D\xF5");
}

TEST_F(Extraction, ScanEndsAtANulByte) {
    Define({{"SEARCH", "<li>"}, {"URL", "|"}});
    const std::string page("<li>a|<li>b|\0<li>c|", 19);
    ASSERT_EQ(session.ExtractResults(page.data(), 1), 0);
    EXPECT_EQ(Field(&SearchResult::m_strUrl), (V{"a", "b"}));
}

TEST_F(Extraction, OverLongCaptureFailsAndKeepsTheOldRunState) {
    Define({{"SEARCH", "<li>"}, {"URL", "|"}}, {{"T_NEXTURL", "!"}});
    const std::string fits(kFieldMax, 'x');
    ASSERT_EQ(Extract("/next!<li>" + fits + "|<li>" + fits + "y|<li>c|"), -1);
    EXPECT_EQ(Field(&SearchResult::m_strUrl), (V{fits})) << "earlier results stay delivered";
    const SiteDef stored = Stored();
    EXPECT_EQ(stored.m_nHits, 0);
    EXPECT_EQ(stored.m_nOrder, 0);
    EXPECT_EQ(stored.m_strNextUrl, "");

    Define({{"SEARCH", "<li>"}, {"URL", "|"}}, {{"T_NEXTURL", "!"}});
    EXPECT_EQ(Extract(std::string(kFieldMax + 1, 'p') + "!"), -1) << "page rules too";
}

TEST_F(Extraction, AppendedFieldsStayWithinTheFieldSize) {
    // 700 double-byte characters per capture, appended three times.
    const std::string chunk = [] {
        std::string s;
        for (int i = 0; i < 700; ++i) {
            s += "\x82\xA0";
        }
        return s;
    }();
    Define({{"SEARCH", "<li>"},
            {"URL", "|"},
            {"TITLEADD", "|"},
            {"TITLEADD", "|"},
            {"ADDSTRING", std::string(3000, 'a')}});
    site.m_strLinkDv = "LOCAL";
    session.SetServer(1, std::string(2040, 'h'));
    site.m_strLinkDv = "LOCAL";
    session.StoreSite(1, [&] {
        SiteDef d = site;
        d.m_strLinkDv = "LOCAL";
        return d;
    }());
    ASSERT_EQ(Extract("<li>" + std::string(100, 'u') + "|" + chunk + "|" + chunk + "|"), 0);
    ASSERT_EQ(window.results.size(), 1u);
    const SearchResult& r = window.results[0];
    EXPECT_EQ(r.m_strTitle.size(), 2046u) << "cut before a character that would not fit";
    EXPECT_EQ(r.m_strTitle.substr(r.m_strTitle.size() - 2), "\x82\xA0");
    EXPECT_EQ(r.m_strText.size(), kFieldMax);
    EXPECT_EQ(r.m_strUrl.size(), kFieldMax);
}

TEST_F(Extraction, SitesWithoutRecordOrWindow) {
    EXPECT_EQ(session.ExtractResults("<li>", 7), -1);
    SiteDef other;
    session.StoreSite(2, other);
    EXPECT_EQ(session.ExtractResults("<li>", 2), -2);
    session.SetServer(2, "h");
    EXPECT_EQ(session.ExtractResults("<li>", 2), -2);
}

// The entry loop as first written: the first entry rule's marker is searched
// afresh for every rule of every entry. The scanner remembers that search;
// both must cut every page into the same results.
std::vector<std::string> ReferenceUrls(const std::string& page, const Rules& rules) {
    std::vector<std::string> urls;
    std::size_t cursor = 0;
    while (cursor < page.size()) {
        std::string url;
        for (std::size_t i = 0; i < rules.size(); ++i) {
            const auto& [key, marker] = rules[i];
            const std::size_t pos = page.find(marker, cursor);
            if (pos == std::string::npos) {
                if (key == "SEARCH") {
                    break;
                }
                continue;
            }
            if (i > 0) {
                const std::size_t first = page.find(rules[0].second, cursor);
                if (first != std::string::npos && first < pos) {
                    break;
                }
            }
            if (key == "URL") {
                url = page.substr(cursor, pos - cursor);
            }
            cursor = pos + marker.size();
        }
        if (url.empty()) {
            break;
        }
        urls.push_back(url);
    }
    return urls;
}

TEST_F(Extraction, RememberedGuardGivesTheSameResultsAsSearchingAfresh) {
    std::mt19937 rng(20261206);
    const std::vector<Rules> ruleSets = {
        {{"SEARCH", "<a"}, {"URL", ">"}, {"NOTE", "<b"}, {"TITLE", "<"}},
        {{"NOTE", "!"}, {"SEARCH", "<a"}, {"URL", ">"}},
        {{"URL", ">"}, {"SEARCH", "<a"}, {"TITLE", ">"}},
        {{"SEARCH", ""}, {"URL", "<b"}, {"SEARCH", "<a"}},
    };
    const char alphabet[] = "<ab>!x";
    for (int round = 0; round < 400; ++round) {
        std::string page;
        const int length = 1 + static_cast<int>(rng() % 120);
        for (int i = 0; i < length; ++i) {
            page += alphabet[rng() % (sizeof alphabet - 1)];
        }
        const Rules& rules = ruleSets[static_cast<std::size_t>(round) % ruleSets.size()];
        window.results.clear();
        site = SiteDef{};
        site.m_nMaxCount = 1000;
        Define(rules);
        ASSERT_EQ(Extract(page), 0);
        ASSERT_EQ(Field(&SearchResult::m_strUrl), ReferenceUrls(page, rules)) << page;
    }
}

}  // namespace
}  // namespace quennit
