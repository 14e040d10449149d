#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/search_session.h"
#include "platform/errors.h"
#include "recording_window.h"
#include "test_server.h"
#include "test_sites.h"

namespace quennit {
namespace {

using namespace test;

class SearchRunTest : public ServerTest {
  protected:
    void Load(CSearchSession& s, const std::string& sites) {
        LoadSites(s, sites, &wnd);
        s.SetPauseClock(pauses.Clock());
        s.SetTimeout(3000);
        s.SetRetry(1);
    }

    std::string Site(const std::string& name, const std::string& format,
                     const std::string& extra = "") {
        return PageSite(name, server->HostAddr(), format, extra);
    }

    // The order values of the results of one site, in arrival order.
    std::vector<std::int32_t> Orders(WPARAM site) const {
        std::vector<std::int32_t> out;
        for (const auto& m : wnd.Messages()) {
            if (m.msg == WM_SEARCH_RESULT && m.wParam == site) {
                out.push_back(m.result.m_nOrder);
            }
        }
        return out;
    }

    int Requests(WPARAM site) const {
        const auto all = wnd.Only({WM_INET_STATUS});
        return static_cast<int>(std::count(all.begin(), all.end(), Status(site, 31)));
    }

    static std::vector<std::int32_t> Tens(int n) {
        std::vector<std::int32_t> v;
        for (int i = 1; i <= n; ++i) {
            v.push_back(i * 10);
        }
        return v;
    }

    RecordingWindow wnd;
    PauseRecorder pauses;
    CSearchSession session;
};

TEST_F(SearchRunTest, OnePageSiteGivesExactlyItsMessages) {
    Load(session, Site("One", "/page?n=1&of=1&per=3&q=%s"));
    EXPECT_EQ(session.Search("", "kw"), 0);
    std::vector<Msg> expected;
    for (const LPARAM code : {10, 11, 20, 21, 30, 31, 40, 41, 50, 51}) {
        expected.push_back(Status(1, code));
    }
    expected.insert(expected.end(), 3, Result(1));
    EXPECT_TRUE(SameSequence(wnd.Messages(), expected)) << Describe(wnd.Messages());
    const auto results = wnd.Results();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].m_strUrl, "example.test/doc/1");
    EXPECT_EQ(results[0].m_strTitle, "Title 1");
    EXPECT_EQ(results[0].m_strText, "Text 1");
    EXPECT_EQ(results[0].m_strSiteName, "One");
    EXPECT_EQ(Orders(1), Tens(3));
}

TEST_F(SearchRunTest, PagingStopsAtTheResultLimit) {
    // Ten results a page and a limit of 40: pages 1 to 4, no fifth request.
    Load(session, Site("Paged", "/page?n=1&of=9&per=10&q=%s", "HOST_MAXCOUNT\t40\n"));
    session.Search("", "kw");
    EXPECT_EQ(Orders(1), Tens(40));
    EXPECT_EQ(Requests(1), 4);
    const auto def = session.LookupSite(1);
    EXPECT_EQ(def->m_nHits, 40);
    EXPECT_FALSE(def->m_strNextUrl.empty());
}

TEST_F(SearchRunTest, PagingStopsOnTheLastPage) {
    Load(session, Site("Paged", "/page?n=1&of=3&per=10&q=%s", "HOST_MAXCOUNT\t100\n"));
    session.Search("", "kw");
    EXPECT_EQ(Orders(1), Tens(30));
    EXPECT_EQ(Requests(1), 3);
}

TEST_F(SearchRunTest, BrokenSecondPageDeliversWhatArrivedAndGoesOn) {
    Load(session, Site("Broken", "/page?n=1&of=3&per=10&brk=2&q=%s", "HOST_MAXCOUNT\t100\n"));
    session.Search("", "kw");
    const auto orders = Orders(1);
    // Page 1 whole, part of page 2, then page 3 (its link came before the break).
    EXPECT_GT(orders.size(), 20u);
    EXPECT_LT(orders.size(), 30u);
    EXPECT_EQ(orders, Tens(static_cast<int>(orders.size())));
    EXPECT_TRUE(SameSequence(wnd.Only({WM_INET_ERROR}), {Error(1, 2)}));
    EXPECT_EQ(Requests(1), 3);
}

TEST_F(SearchRunTest, SitesAreVisitedInOrderAndFailuresDontStopTheRun) {
    Load(session, Site("A", "/status/404?%s") + Site("B", "/page?n=1&of=1&per=2&q=%s") +
                      "HOST_ID\tNoFormat\nHOST_ADDR\t127.0.0.1:1\n" +
                      PageSite("Refused", "127.0.0.1:" + std::to_string(ClosedPort()), "/p?%s") +
                      Site("C", "/page?n=1&of=1&per=1&q=%s"));
    session.Search("", "kw");
    EXPECT_TRUE(SameSequence(wnd.Only({WM_INET_ERROR, WM_SEARCH_RESULT}),
                             {Error(1, 404), Result(2), Result(2), Error(4, 1), Result(5)}))
        << Describe(wnd.Messages());
    // A network failure is retried by the network layer, not by the run.
    EXPECT_EQ(pauses.Count(1000), 1);
}

TEST_F(SearchRunTest, GroupAndSwitchSelectTheSites) {
    const std::string sites = Site("A", "/page?n=1&of=1&per=1&q=%s", "HOST_GROUP\tWeb\n") +
                              Site("B", "/page?n=1&of=1&per=1&q=%s", "HOST_GROUP\tNews\n") +
                              Site("C", "/page?n=1&of=1&per=1&q=%s", "HOST_GROUP\tWeb\n") +
                              Site("D", "/page?n=1&of=1&per=1&q=%s");
    struct Case {
        std::string group;
        std::vector<WPARAM> sites;
    };
    for (const Case& c :
         {Case{"Web", {1, 3}}, Case{"", {1, 3, 4}}, Case{"web", {}}, Case{"Nothing", {}}}) {
        RecordingWindow fresh;
        CSearchSession s;
        LoadSites(s, sites, &fresh);
        s.SetPauseClock(pauses.Clock());
        s.SetRetry(1);
        s.SetSiteEnabled(2, 0);  // B is switched off
        s.Search(c.group, "kw");
        std::vector<WPARAM> got;
        for (const auto& m : fresh.Only({WM_SEARCH_RESULT})) {
            got.push_back(m.wParam);
        }
        EXPECT_EQ(got, c.sites) << "group " << c.group;
        if (c.sites.empty()) {
            EXPECT_TRUE(fresh.Messages().empty()) << "group " << c.group;
        }
    }
}

TEST_F(SearchRunTest, EmptyTableEndsAtOnce) {
    Load(session, "# no sites\n");
    EXPECT_EQ(session.Search("", "kw"), 0);
    EXPECT_TRUE(wnd.Messages().empty());
}

// Fails the first scan after delivering its results, or throws something
// that is not ours.
class FlakySession : public CSearchSession {
  public:
    int failures = 1;
    bool foreign = false;
    int ExtractResults(const char* page, std::uint32_t site) override {
        const int rc = CSearchSession::ExtractResults(page, site);
        if (failures > 0) {
            --failures;
            if (foreign) {
                throw std::logic_error("not a network failure");
            }
            throw InternetException("scan failed");
        }
        return rc;
    }
};

TEST_F(SearchRunTest, SiteIsTriedAgainAfterAnException) {
    struct Case {
        int failures;
        int deliveries;  // pages whose results reach the window
    };
    for (const Case& c : {Case{1, 2}, Case{2, 2}, Case{3, 2}}) {
        RecordingWindow fresh;
        FlakySession s;
        s.failures = c.failures;
        LoadSites(s,
                  Site("F", "/page?n=1&of=1&per=2&q=%s") + Site("G", "/page?n=1&of=1&per=1&q=%s"),
                  &fresh);
        s.SetPauseClock(pauses.Clock());
        s.SetRetry(1);
        s.Search("", "kw");
        const auto results = fresh.Only({WM_SEARCH_RESULT});
        // Two attempts for F, each delivering before it fails (or not); then G,
        // whose first scan may still be a failing one.
        std::size_t forF = 0;
        for (const auto& m : results) {
            forF += m.wParam == 1 ? 1 : 0;
        }
        EXPECT_EQ(forF, 2u * static_cast<std::size_t>(c.deliveries)) << c.failures;
        EXPECT_EQ(results.back().wParam, 2u) << c.failures;
    }
}

TEST_F(SearchRunTest, ForeignExceptionsAreNotRetried) {
    FlakySession s;
    s.foreign = true;
    LoadSites(s, Site("F", "/page?n=1&of=1&per=1&q=%s"), &wnd);
    s.SetPauseClock(pauses.Clock());
    s.SetRetry(1);
    EXPECT_THROW(s.Search("", "kw"), std::logic_error);
}

TEST_F(SearchRunTest, KeywordReachesTheSiteEscaped) {
    // The echo page shows the request line; the site's rules don't match it,
    // so look at what the server saw through a LOCAL-less raw site.
    Load(session, "HOST_ID\tEcho\nHOST_ADDR\t" + server->HostAddr() +
                      "\nHOST_URL_FORMAT\t/echo?q=%s\n"
                      "SEARCH\tGET \nURL\t HTTP/1.1\n");
    session.Search("", "a b\x8c\x9f");
    const auto results = wnd.Results();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].m_strUrl, "/echo?q=a+b%8c%9f");
}

}  // namespace
}  // namespace quennit
