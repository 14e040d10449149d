// Whole searches against the local test server: the run over the sites and
// their pages, the search thread, stopping, and several sites at a time.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/search_session.h"
#include "engine/search_thread.h"
#include "platform/errors.h"
#include "recording_events.h"
#include "test_server.h"
#include "test_sites.h"

namespace quennit {
namespace {

using namespace test;
using Msgs = std::vector<Msg>;

// The messages of one site, in order.
Msgs Of(std::uint32_t site, Msgs ms) {
    std::erase_if(ms, [site](const Msg& m) { return m.site != site; });
    return ms;
}

class SearchTest : public ::testing::Test {
  protected:
    TestServer& server = SharedServer();
    // Time-outs off: only a stop ends a stalled request. Pauses are scaled.
    void Load(CSearchSession& s, const std::string& sites, ISearchEvents* window,
              double pauseScale = 0.001) {
        pauses = std::make_unique<PauseRecorder>(pauseScale);
        LoadSites(s, sites, window, 0, 1);
        s.SetPauseClock(pauses->Clock());
    }
    std::string Site(const std::string& name, const std::string& format,
                     const std::string& extra = "") {
        return PageSite(name, server.HostAddr(), format, extra);
    }

    RecordingEvents wnd;
    std::unique_ptr<PauseRecorder> pauses;
    CSearchSession session;
};

TEST_F(SearchTest, SitesAreVisitedInOrderThroughFailuresThenTheSearchCompletes) {
    Load(session,
         Site("One", "/page?n=1&of=1&per=3&q=%s") + Site("B", "/status/404?%s") +
             "HOST_ID\tNoFormat\nHOST_ADDR\t127.0.0.1:1\n" +
             PageSite("Refused", "127.0.0.1:" + std::to_string(ClosedPort()), "/p?%s") +
             Site("C", "/page?n=1&of=1&per=1&q=%s"),
         &wnd);
    SearchThread thread(session, "", "kw");
    ASSERT_TRUE(thread.Start());
    thread.Join();
    EXPECT_FALSE(thread.IsRunning());
    Msgs expected;  // every message of the first two sites
    for (const int code : {10, 11, 20, 21, 30, 31, 40, 41, 50, 51}) {
        expected.push_back(Status(1, code));
    }
    expected.insert(expected.end(), 3, Result(1));
    for (const int code : {10, 11, 20, 21, 30, 31, 40, 41}) {
        expected.push_back(Status(2, code));
    }
    expected.insert(expected.end(), {Http(2, 404), Status(2, 50), Status(2, 51)});
    const auto all = wnd.Messages();
    ASSERT_GT(all.size(), expected.size());
    EXPECT_EQ(Msgs(all.begin(), all.begin() + long(expected.size())), expected);
    EXPECT_EQ(wnd.Only({Ev::Error, Ev::Result, Ev::End}),
              (Msgs{Result(1), Result(1), Result(1), Http(2, 404), Error(4, ErrorKind::SendFailed),
                    Result(5), End()}));
    // A network failure is retried by the network layer, not by the run.
    EXPECT_EQ(std::ranges::count(pauses->Pauses(), 1000), 1);
}

// What the server receives: an EUC-JP site gets the extension kanji as a
// browser sends them (never control bytes), and '#' does not cut the path; a
// keyword the site's code can't hold fails that site alone.
TEST_F(SearchTest, KeywordsReachTheServerAsABrowserSendsThem) {
    const std::string echo = "\nHOST_ADDR\t" + server.HostAddr() +
                             "\nHOST_URL_FORMAT\t/echo?q=%s\nSEARCH\tGET \nURL\t HTTP/\n";
    Load(session, "HOST_ID\tEuc\nHOST_KANJI\tEUC-JP" + echo + "HOST_ID\tSjis" + echo, &wnd);
    session.Search("", "髙橋﨑ⅰ纊① #");
    session.Search("", "\uE000");  // the user-defined area
    std::vector<std::string> received;
    for (const SearchResult& r : wnd.Results()) {
        received.push_back(r.m_strUrl);
    }
    EXPECT_EQ(received, (std::vector<std::string>{
                            "/echo?q=%fc%e2%b6%b6%f9%f5%fc%f1%f9%a1%ad%a1+%23",
                            "/echo?q=%fb%fc%8b%b4%fa%b1%fa%40%fa%5c%87%40+%23", "/echo?q=%f0%40"}));
    EXPECT_EQ(wnd.Only({Ev::Error}), Msgs{Error(1, ErrorKind::KeywordUnsendable)});
}

// A next-page link that never runs out ends the site's paging with a line
// that says why: a page without results, a link back to a page already read,
// the page limit, a link too long to keep (the results stand). One site
// after another and several at once.
TEST_F(SearchTest, PagingThatWouldNeverEndIsEndedAndSaysWhy) {
    const std::string sites =
        Site("Empty", "/page?n=1&of=5&per=0&q=%s") +
        Site("Same", "/page?n=1&of=5&per=2&stay=1&q=%s") +
        Site("Endless", "/page?n=1&of=500&per=1&q=%s", "HOST_MAXCOUNT\t999\n") +
        Site("Long", "/page?n=1&of=5&per=2&pad=2100&q=%s");
    for (const int jobs : {0, 4}) {
        RecordingEvents window;
        Load(session, sites, &window);
        session.Search("", "kw", SearchOptions{jobs, {}});
        const auto all = window.Messages();
        const std::tuple<std::uint32_t, long, long, int> expected[] = {
            {1, 1, 0, CInetSession::kStatusPageWithoutResults},
            {2, 1, 2, CInetSession::kStatusPageRepeated},
            {3, CSearchSession::MAX_PAGES, CSearchSession::MAX_PAGES,
             CInetSession::kStatusPageLimit},
            {4, 1, 2, CInetSession::kStatusNextLinkTooLong}};
        for (const auto& [site, requests, results, why] : expected) {
            const Msgs mine = Of(site, all);
            EXPECT_EQ(std::ranges::count(mine, Status(site, 31)), requests) << site;
            EXPECT_EQ(std::ranges::count(mine, Result(site)), results) << site;
            EXPECT_EQ(mine.back(), Status(site, why)) << site;
        }
    }
}

TEST_F(SearchTest, NextPagesAreFollowedUpToTheLimit) {
    struct Case {
        const char* format;
        int maxCount;
        std::size_t fewest;  // results
        std::size_t most;
        long requests;
        std::size_t breaks;  // receive errors
    };
    // Page 2 breaking off: what arrived counts, and its next link came before the break.
    for (const Case& c : {Case{"/page?n=1&of=9&per=10&q=%s", 40, 40, 40, 4, 0},
                          Case{"/page?n=1&of=3&per=10&q=%s", 100, 30, 30, 3, 0},
                          // Links written with "&amp;" are read as a browser reads them.
                          Case{"/page?n=1&of=3&per=10&amp=1&q=%s", 100, 30, 30, 3, 0},
                          Case{"/page?n=1&of=3&per=10&brk=2&q=%s", 100, 21, 29, 3, 1}}) {
        SCOPED_TRACE(c.format);
        RecordingEvents window;
        Load(session, Site("Paged", c.format, "HOST_MAXCOUNT\t" + std::to_string(c.maxCount)),
             &window);
        session.Search("", "kw");
        const auto results = window.Results();
        EXPECT_GE(results.size(), c.fewest);
        EXPECT_LE(results.size(), c.most);
        for (std::size_t i = 0; i < results.size(); ++i) {
            ASSERT_EQ(results[i].m_nOrder, static_cast<std::int32_t>(10 * (i + 1)));
        }
        const auto statuses = window.Only({Ev::Progress});
        EXPECT_EQ(std::count(statuses.begin(), statuses.end(), Status(1, 31)), c.requests);
        EXPECT_EQ(window.Only({Ev::Error}), Msgs(c.breaks, Error(1, ErrorKind::ReadFailed)));
    }
}

// A pause clock that throws for the first pauses: our failure (one the run
// tries the site again for) or something that is not ours.
CInetSession::PauseClock ThrowingClock(int& failures, bool foreign) {
    return [&failures, foreign](std::uint32_t) -> std::chrono::nanoseconds {
        if (failures-- > 0) {
            if (foreign) {
                throw std::logic_error("clock broke");
            }
            throw InternetException("pause failed");
        }
        return {};
    };
}

TEST_F(SearchTest, SiteIsTriedOnceMoreAfterAnException) {
    // A refused site pauses after its failed attempt; both of its tries
    // fail there, then G goes on.
    const std::string refused = PageSite("F", "127.0.0.1:" + std::to_string(ClosedPort()), "/p?%s");
    int failures = 3;
    Load(session, refused + Site("G", "/page?n=1&of=1&per=2&q=%s"), &wnd);
    session.SetPauseClock(ThrowingClock(failures, false));
    session.Search("", "kw");
    const Msg failed = Error(1, ErrorKind::SendFailed);
    EXPECT_EQ(wnd.Only({Ev::Error, Ev::Result}), (Msgs{failed, failed, Result(2), Result(2)}));
    // Anything else ends the search: the thread reports it, then completes.
    RecordingEvents window;
    failures = 1;
    Load(session, refused, &window);
    session.SetPauseClock(ThrowingClock(failures, true));
    std::vector<std::string> reported;
    SearchThread thread(session, "", "kw", {}, [&](const std::string& what) {
        reported.push_back(what);
        EXPECT_EQ(std::ranges::count(window.Messages(), End()), 0);
    });
    ASSERT_TRUE(thread.Start());
    thread.Join();
    EXPECT_EQ(reported, std::vector<std::string>{"clock broke"});
    EXPECT_EQ(window.Messages().back(), End());
}

// Several sites at a time (MULTI): every site's messages as one after
// another gives them, never two sites of one server at once, never more than
// the job limit.

TEST_F(SearchTest, ConcurrentSitesKeepTheirOrderAndTheLimits) {
    std::string sites;
    for (int i = 0; i < 100; ++i) {
        const char* path = i % 10 == 3   ? "/status/404?%s"
                           : i % 10 == 7 ? "/page?n=1&of=2&per=3&brk=2&q=%s"
                                         : "/page?n=1&of=2&per=2&q=%s";
        // One server, however HOST_ADDR spells it.
        const char* scheme = i % 3 == 0 ? "" : i % 3 == 1 ? "http://" : "HTTP://";
        sites += PageSite("S" + std::to_string(i), scheme + server.HostAddr(i % TestServer::kPorts),
                          path);
    }
    RecordingEvents one;
    Load(session, sites, &one);
    session.Search("", "kw");
    Load(session, sites, &wnd);
    SearchThread thread(session, "", "kw");
    thread.SetOptions(SearchOptions{6, {}});
    ASSERT_TRUE(thread.Start());
    thread.Join();
    const auto all = wnd.Messages();
    ASSERT_EQ(std::count(all.begin(), all.end(), End()), 1);
    EXPECT_EQ(all.back(), End());
    std::map<std::uint32_t, std::pair<std::size_t, std::size_t>> span;  // first and last message
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        span.try_emplace(all[i].site, i, i).first->second.second = i;
    }
    for (std::uint32_t n = 1; n <= 100; ++n) {
        ASSERT_EQ(Of(n, all), Of(n, one.Messages())) << "site " << n;
        const auto mine = span.at(n);
        int open = 0;
        for (const auto& [m, s] : span) {
            open += s.first <= mine.first && mine.first <= s.second;
            EXPECT_TRUE(m == n || (m - n) % TestServer::kPorts != 0 || s.second < mine.first ||
                        mine.second < s.first)
                << "sites " << m << " and " << n << " of one server overlap";
        }
        EXPECT_LE(open, 6);
    }
}

// A stop at any moment, one site after another or several at a time, ends
// every request and pause in flight (an hour long here: a pause that a stop
// doesn't end hangs the test); nothing follows it, and the next search is clean.
TEST_F(SearchTest, StopAtAnyMomentEndsEverythingAndTheNextSearchIsClean) {
    const char* paths[] = {
        "/page?n=1&of=3&per=2&q=%s", "/slow?n=5&ms=20&%s", "/stall-head?%s", "/stall-body?n=5&%s",
        "/break?n=3000&%s",          "/status/500?%s",     "/bytes?n=0&%s"};
    std::string sites;
    for (int i = 0; i < 20; ++i) {
        sites += PageSite("S" + std::to_string(i), server.HostAddr(i % TestServer::kPorts),
                          paths[i % 7], i % 7 == 0 ? "HOST_GROUP\tGood\n" : "");
    }
    sites += PageSite("Refused", "127.0.0.1:" + std::to_string(ClosedPort()), "/p?%s");
    Load(session, sites, &wnd, 3600.0);
    for (const auto& [jobs, at] :
         {std::pair{0, 0}, {0, 5}, {0, 9}, {6, 0}, {6, 12}, {6, 24}, {6, 36}, {6, 48}}) {
        const std::size_t moment = at;  // a lambda below needs it
        SCOPED_TRACE(moment);
        const std::size_t before = wnd.Messages().size();
        SearchThread thread(session, "", "kw");
        thread.SetOptions(SearchOptions{jobs, {}});
        ASSERT_TRUE(thread.Start());
        wnd.WaitUntil([&](const Msgs& ms) { return ms.size() >= before + moment; });
        thread.Stop();
        const auto atStop = wnd.Messages();
        thread.Join();
        EXPECT_EQ(wnd.Messages(), atStop);
        EXPECT_EQ(std::ranges::count(atStop, End()), 0);
    }
    RecordingEvents next;
    Load(session, sites, &next);
    SearchThread thread(session, "Good", "kw");
    thread.SetOptions(SearchOptions{6, {}});
    ASSERT_TRUE(thread.Start());
    thread.Join();
    EXPECT_EQ(next.Only({Ev::Result, Ev::Error, Ev::End}).size(), 3u * 6 + 1);
}

}  // namespace
}  // namespace quennit
