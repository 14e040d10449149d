#include "engine/search_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/search_session.h"
#include "platform/stop.h"
#include "recording_window.h"
#include "test_server.h"
#include "test_sites.h"

namespace quennit {
namespace {

using namespace test;
using namespace std::string_literals;

bool Has(const std::vector<Msg>& ms, const Msg& m) {
    return std::find(ms.begin(), ms.end(), m) != ms.end();
}

class SearchThreadTest : public ServerTest {
  public:
    // Timeouts off: only a stop ends a stalled request.
    void Load(CSearchSession& s, const std::string& sites, IMessageWindow* window,
              double pauseScale = 0.001) {
        pauses = std::make_unique<PauseRecorder>(pauseScale);
        LoadSites(s, sites, window, 0, 1);
        s.SetPauseClock(pauses->Clock());
    }

    std::string Site(const std::string& name, const std::string& format,
                     const std::string& extra = "") {
        return PageSite(name, server->HostAddr(), format, extra);
    }

    bool Saw(const Msg& m) {
        return wnd.WaitUntil([&](const auto& ms) { return Has(ms, m); });
    }

    RecordingWindow wnd;
    std::unique_ptr<PauseRecorder> pauses;
};

TEST_F(SearchThreadTest, RunEndsWithOneCompletionMessage) {
    CSearchSession session;
    Load(session, Site("A", "/page?n=1&of=2&per=3&q=%s") + Site("B", "/status/404?%s"), &wnd);
    CThInetCtrl thread(session, &wnd, "", "kw");
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(Saw(End()));
    thread.Join();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(wnd.Only({WM_SEARCH_RESULT, WM_INET_ERROR, WM_SEARCH_END}),
              (std::vector<Msg>{Result(1), Result(1), Result(1), Result(1), Result(1), Result(1),
                                Error(2, 404), End()}));
}

class ForeignFailure : public CSearchSession {
  public:
    int ExtractResults(const char*, std::uint32_t) override {
        throw std::logic_error("scanner broke");
    }
};

TEST_F(SearchThreadTest, EscapingExceptionIsReportedThenCompletionFollows) {
    ForeignFailure session;
    Load(session, Site("A", "/page?n=1&of=1&per=1&q=%s"), &wnd);
    std::vector<std::string> reported;
    CThInetCtrl thread(session, &wnd, "", "kw", {}, [&](const std::string& what) {
        reported.push_back(what);
        EXPECT_FALSE(Has(wnd.Messages(), End()));
    });
    ASSERT_TRUE(thread.Start());
    thread.Join();
    EXPECT_EQ(reported, std::vector<std::string>{"scanner broke"});
    EXPECT_EQ(wnd.Messages().back(), End());
}

// Where the search is when it is stopped: the first site's server and path,
// and the status or pause (in ms) that shows the search got there.
struct StopCase {
    const char* name;
    const char* host;  // "stuck", "refused" or the test server
    const char* path;
    LPARAM status;
    std::uint32_t pause;
    int retry;
};

void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class StopTest : public SearchThreadTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopTest, StopIsHonouredAndNothingFollowsIt) {
    const StopCase& c = GetParam();
    StuckPort stuck;
    const std::string host = c.host == "stuck"s     ? "127.0.0.1:" + std::to_string(stuck.Port())
                             : c.host == "refused"s ? "127.0.0.1:" + std::to_string(ClosedPort())
                                                    : server->HostAddr();
    CSearchSession session;
    // Pauses as long as an hour: a stop that doesn't end them hangs the test.
    Load(session, PageSite("S", host, c.path) + Site("Next", "/page?n=1&of=1&per=1&q=%s"), &wnd,
         3600.0);
    session.SetRetry(c.retry);
    CThInetCtrl thread(session, &wnd, "", "kw");
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(c.status != 0 ? Saw(Status(1, c.status)) : pauses->WaitForPause(c.pause))
        << ::testing::PrintToString(wnd.Messages());
    thread.Stop();
    const auto atStop = wnd.Messages();
    thread.Join();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(wnd.Messages(), atStop);
    EXPECT_FALSE(Has(atStop, End()));
    EXPECT_FALSE(session.LookupConn(1)->m_pFile) << "the stopped request was left open";
}

INSTANTIATE_TEST_SUITE_P(
    States, StopTest,
    ::testing::Values(StopCase{"Connecting", "stuck", "/p?%s", 20, 0, 1},
                      StopCase{"WaitingForTheAnswer", "", "/stall-head?%s", 31, 0, 1},
                      StopCase{"Reading", "", "/stall-body?n=5&%s", 41, 0, 1},
                      StopCase{"RetryPause", "refused", "/p?%s", 0, 1000, 3},
                      StopCase{"EmptyReadPause", "", "/bytes?n=0&%s", 0, 100, 1}),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST_F(SearchThreadTest, OwnerGoingAwayStopsAndJoinsItsSearch) {
    // Members go in reverse order: the thread first, then session and window.
    struct Owner {
        RecordingWindow window;
        CSearchSession session;
        CThInetCtrl thread{session, &window, "", "kw"};
    };
    auto owner = std::make_unique<Owner>();
    Load(owner->session, Site("Stall", "/stall-body?n=5&%s"), &owner->window);
    ASSERT_TRUE(owner->thread.Start());
    ASSERT_TRUE(owner->window.WaitUntil([](const auto& ms) { return Has(ms, Status(1, 41)); }));
    owner.reset();
}

// A window that hands each message to its own thread and waits for it to be
// handled, as a GUI does; the wait also ends when the search is stopped.
class MarshallingWindow : public IMessageWindow {
  public:
    bool IsWindow() const override { return true; }
    LRESULT SendMessage(std::uint32_t, WPARAM, LPARAM) override {
        const std::stop_token stop = CurrentStopToken();
        std::unique_lock lock(m_mutex);
        ++m_posted;
        m_cv.notify_all();
        m_cv.wait(lock, stop, [] { return false; });  // this window's thread never gets to it
        return 0;
    }
    bool WaitPosted() {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(20), [&] { return m_posted > 0; });
    }

  private:
    std::mutex m_mutex;
    std::condition_variable_any m_cv;
    int m_posted = 0;
};

TEST_F(SearchThreadTest, StopAndJoinFromTheWindowsThreadDontDeadlock) {
    MarshallingWindow window;
    CSearchSession session;
    Load(session, Site("A", "/page?n=1&of=1&per=1&q=%s"), &window);
    CThInetCtrl thread(session, &window, "", "kw");
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(window.WaitPosted());  // the search now waits for this thread
    thread.Stop();
    thread.Join();
    EXPECT_FALSE(thread.IsRunning());
}

// Several sites at a time (MULTI): every site's messages as one after
// another gives them, never two sites of one server at once, never more than
// the job limit, and one page buffer per running site.
class PeakSession : public CSearchSession {
  public:
    int ExtractResults(const char* page, std::uint32_t site) override {
        for (int now = PageBuffersInUse(), was = peak.load(); now > was;) {
            peak.compare_exchange_weak(was, now);
        }
        return CSearchSession::ExtractResults(page, site);
    }
    std::atomic<int> peak{0};
};

TEST_F(SearchThreadTest, ConcurrentSitesKeepTheirOrderAndTheLimits) {
    std::string sites;
    for (int i = 0; i < 100; ++i) {
        const char* path = i % 10 == 3   ? "/status/404?%s"
                           : i % 10 == 7 ? "/page?n=1&of=2&per=3&brk=2&q=%s"
                                         : "/page?n=1&of=2&per=2&q=%s";
        sites += PageSite("S" + std::to_string(i), server->HostAddr(i % TestServer::kPorts), path);
    }
    RecordingWindow one;
    PeakSession session;
    Load(session, sites, &one);
    session.Search("", "kw");
    Load(session, sites, &wnd);
    CThInetCtrl thread(session, &wnd, "", "kw");
    thread.SetOptions(SearchOptions{6, {}});
    ASSERT_TRUE(thread.Start());
    thread.Join();
    const auto all = wnd.Messages();
    ASSERT_EQ(std::count(all.begin(), all.end(), End()), 1);
    EXPECT_EQ(all.back(), End());
    std::map<WPARAM, std::pair<std::size_t, std::size_t>> span;  // first and last message
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        span.try_emplace(all[i].wParam, i, i).first->second.second = i;
    }
    for (WPARAM n = 1; n <= 100; ++n) {
        const auto mine = span.at(n);
        auto perSite = [n](std::vector<Msg> ms) {
            std::erase_if(ms, [n](const Msg& m) { return m.wParam != n; });
            return ms;
        };
        ASSERT_EQ(perSite(all), perSite(one.Messages())) << "site " << n;
        int open = 0;
        for (const auto& [m, s] : span) {
            open += s.first <= mine.first && mine.first <= s.second;
            EXPECT_TRUE(m == n || (m - n) % TestServer::kPorts != 0 || s.second < mine.first ||
                        mine.second < s.first)
                << "sites " << m << " and " << n << " of one server overlap";
        }
        EXPECT_LE(open, 6);
    }
    EXPECT_LE(session.peak.load(), 6);
    EXPECT_EQ(CSearchSession::PageBuffersInUse(), 0);
}

TEST_F(SearchThreadTest, ConcurrentSearchStopsAtAnyMomentAndTheNextIsClean) {
    const char* paths[] = {
        "/page?n=1&of=3&per=2&q=%s", "/slow?n=5&ms=20&%s", "/stall-head?%s", "/stall-body?n=5&%s",
        "/break?n=3000&%s",          "/status/500?%s",     "/bytes?n=0&%s"};
    std::string sites;
    for (int i = 0; i < 20; ++i) {
        sites += PageSite("S" + std::to_string(i), server->HostAddr(i % TestServer::kPorts),
                          paths[i % 7], i % 7 == 0 ? "HOST_GROUP\tGood\n" : "");
    }
    CSearchSession session;
    Load(session, sites, &wnd, 3600.0);  // pauses end only by a stop
    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < 8; ++round) {
        const std::size_t moment = random() % 50;
        SCOPED_TRACE(moment);
        const std::size_t before = wnd.Messages().size();
        CThInetCtrl thread(session, &wnd, "", "kw");
        thread.SetOptions(SearchOptions{6, {}});
        ASSERT_TRUE(thread.Start());
        wnd.WaitUntil([&](const auto& ms) { return ms.size() >= before + moment; });
        thread.Stop();
        const auto atStop = wnd.Messages();
        thread.Join();
        EXPECT_EQ(wnd.Messages(), atStop);
        EXPECT_FALSE(Has(atStop, End()));
    }
    RecordingWindow next;
    Load(session, sites, &next);
    CThInetCtrl thread(session, &next, "Good", "kw");
    thread.SetOptions(SearchOptions{6, {}});
    ASSERT_TRUE(thread.Start());
    thread.Join();
    EXPECT_EQ(next.Only({WM_SEARCH_RESULT, WM_INET_ERROR, WM_SEARCH_END}).size(), 3u * 6 + 1);
    for (std::uint32_t n = 1; n <= 20; ++n) {
        EXPECT_FALSE(session.LookupConn(n)->m_pFile) << n;
    }
}

}  // namespace
}  // namespace quennit
