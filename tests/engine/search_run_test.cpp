#include <gtest/gtest.h>

#include <ostream>
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
    void Load(CSearchSession& s, const std::string& sites, RecordingWindow& window) {
        LoadSites(s, sites, &window, 3000, 1);
        s.SetPauseClock(pauses.Clock());
    }

    std::string Site(const std::string& name, const std::string& format,
                     const std::string& extra = "") {
        return PageSite(name, server->HostAddr(), format, extra);
    }

    // The order values of the results of one site, in arrival order.
    std::vector<std::int32_t> Orders(WPARAM site) const {
        std::vector<std::int32_t> out;
        for (const auto& m : wnd.Only({WM_SEARCH_RESULT})) {
            if (m.wParam == site) {
                out.push_back(m.result.m_nOrder);
            }
        }
        return out;
    }

    RecordingWindow wnd;
    PauseRecorder pauses;
    CSearchSession session;
};

TEST_F(SearchRunTest, OnePageSiteGivesExactlyItsMessages) {
    Load(session, Site("One", "/page?n=1&of=1&per=3&q=%s"), wnd);
    EXPECT_EQ(session.Search("", "kw"), 0);
    std::vector<Msg> expected;
    for (const LPARAM code : {10, 11, 20, 21, 30, 31, 40, 41, 50, 51}) {
        expected.push_back(Status(1, code));
    }
    expected.insert(expected.end(), 3, Result(1));
    EXPECT_EQ(wnd.Messages(), expected);
    const auto results = wnd.Results();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].m_strUrl, "example.test/doc/1");
    EXPECT_EQ(results[0].m_strTitle, "Title 1");
    EXPECT_EQ(results[0].m_strText, "Text 1");
    EXPECT_EQ(results[0].m_strSiteName, "One");
    EXPECT_EQ(Orders(1), (std::vector<std::int32_t>{10, 20, 30}));
}

// A site of ten results a page, followed page by page.
struct PagingCase {
    const char* name;
    const char* format;
    int maxCount;
    std::size_t fewest;  // results
    std::size_t most;
    int requests;
    int breaks;  // receive errors
};

void PrintTo(const PagingCase& c, std::ostream* os) {
    *os << c.name;
}

class PagingTest : public SearchRunTest, public testing::WithParamInterface<PagingCase> {};

TEST_P(PagingTest, FollowsNextPages) {
    const PagingCase& c = GetParam();
    Load(session, Site("Paged", c.format, "HOST_MAXCOUNT\t" + std::to_string(c.maxCount) + "\n"),
         wnd);
    session.Search("", "kw");
    const auto orders = Orders(1);
    EXPECT_GE(orders.size(), c.fewest);
    EXPECT_LE(orders.size(), c.most);
    for (std::size_t i = 0; i < orders.size(); ++i) {
        ASSERT_EQ(orders[i], static_cast<std::int32_t>(10 * (i + 1)));
    }
    const auto statuses = wnd.Only({WM_INET_STATUS});
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), Status(1, 31)), c.requests);
    EXPECT_EQ(wnd.Only({WM_INET_ERROR}), std::vector<Msg>(std::size_t(c.breaks), Error(1, 2)));
}

INSTANTIATE_TEST_SUITE_P(
    Sites, PagingTest,
    testing::Values(PagingCase{"StopsAtTheLimit", "/page?n=1&of=9&per=10&q=%s", 40, 40, 40, 4, 0},
                    PagingCase{"StopsOnTheLastPage", "/page?n=1&of=3&per=10&q=%s", 100, 30, 30, 3,
                               0},
                    // Page 2 breaks off: what arrived counts, and its next link
                    // came before the break.
                    PagingCase{"GoesOnAfterABrokenPage", "/page?n=1&of=3&per=10&brk=2&q=%s", 100,
                               21, 29, 3, 1}),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST_F(SearchRunTest, SitesAreVisitedInOrderAndFailuresDontStopTheRun) {
    Load(session,
         Site("A", "/status/404?%s") + Site("B", "/page?n=1&of=1&per=2&q=%s") +
             "HOST_ID\tNoFormat\nHOST_ADDR\t127.0.0.1:1\n" +
             PageSite("Refused", "127.0.0.1:" + std::to_string(ClosedPort()), "/p?%s") +
             Site("C", "/page?n=1&of=1&per=1&q=%s"),
         wnd);
    session.Search("", "kw");
    EXPECT_EQ(wnd.Only({WM_INET_ERROR, WM_SEARCH_RESULT}),
              (std::vector<Msg>{Error(1, 404), Result(2), Result(2), Error(4, 1), Result(5)}));
    // A network failure is retried by the network layer, not by the run.
    EXPECT_EQ(pauses.Count(1000), 1);
}

TEST_F(SearchRunTest, GroupAndSwitchSelectTheSites) {
    const std::string sites = Site("A", "/page?n=1&of=1&per=1&q=%s", "HOST_GROUP\tWeb\n") +
                              Site("B", "/page?n=1&of=1&per=1&q=%s", "HOST_GROUP\tNews\n") +
                              Site("C", "/page?n=1&of=1&per=1&q=%s", "HOST_GROUP\tWeb\n") +
                              Site("D", "/page?n=1&of=1&per=1&q=%s");
    const std::pair<std::string, std::vector<Msg>> cases[] = {
        {"Web", {Result(1), Result(3)}},
        {"", {Result(1), Result(3), Result(4)}},
        {"web", {}},
        {"Nothing", {}}};
    for (const auto& [group, expected] : cases) {
        RecordingWindow fresh;
        CSearchSession s;
        Load(s, sites, fresh);
        s.SetSiteEnabled(2, 0);  // B is switched off
        s.Search(group, "kw");
        EXPECT_EQ(fresh.Only({WM_SEARCH_RESULT}), expected) << "group " << group;
        if (expected.empty()) {
            EXPECT_TRUE(fresh.Messages().empty()) << "group " << group;
        }
    }
}

// Fails the first scans after delivering their results, or throws something
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

TEST_F(SearchRunTest, SiteIsTriedOnceMoreAfterAnException) {
    // F's two attempts both deliver (and may both fail); a third failure
    // falls to G, which is tried again in its turn.
    for (const int failures : {1, 3}) {
        RecordingWindow fresh;
        FlakySession s;
        s.failures = failures;
        Load(s, Site("F", "/page?n=1&of=1&per=2&q=%s") + Site("G", "/page?n=1&of=1&per=1&q=%s"),
             fresh);
        s.Search("", "kw");
        const auto results = fresh.Only({WM_SEARCH_RESULT});
        EXPECT_EQ(std::count(results.begin(), results.end(), Result(1)), 4) << failures;
        EXPECT_EQ(results.back(), Result(2)) << failures;
    }
    FlakySession foreign;
    foreign.foreign = true;
    Load(foreign, Site("F", "/page?n=1&of=1&per=1&q=%s"), wnd);
    EXPECT_THROW(foreign.Search("", "kw"), std::logic_error) << "only our failures are retried";
}

}  // namespace
}  // namespace quennit
