#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "net/inet_session.h"
#include "platform/text_codec.h"
#include "recording_window.h"
#include "test_server.h"
#include "test_sites.h"

namespace quennit {
namespace {

using namespace test;

constexpr std::uint32_t kSite = 3;

// The progress of one request that gets its answer.
std::vector<Msg> Asked(WPARAM site) {
    std::vector<Msg> m;
    for (const LPARAM code : {10, 11, 20, 21, 30, 31, 40, 41}) {
        m.push_back(Status(site, code));
    }
    return m;
}

std::vector<Msg> Closed(WPARAM site) {
    return {Status(site, 50), Status(site, 51)};
}

std::vector<Msg> Join(std::initializer_list<std::vector<Msg>> parts) {
    std::vector<Msg> out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

class RequestPageTest : public ServerTest {
  protected:
    void SetUp() override {
        session.SetPauseClock(pauses.Clock());
        session.SetTimeout(3000);
        session.SetRetry(1);
        session.SetErrorWnd(kSite, &wnd);
        session.SetNotifyWnd(kSite, &wnd);
        session.SetServer(kSite, server->HostAddr());
    }

    int Request(const std::string& object) {
        return session.RequestPage(kSite, nullptr, &object, 80);
    }

    bool RequestOpen() {
        const auto conn = session.LookupConn(kSite);
        return conn && (conn->m_pFile || conn->m_pConnection);
    }

    // Reads into a buffer with guard bytes behind the given size.
    int Read(unsigned size = 655350) {
        page.assign(size + 64, '\x7f');
        return session.ReadPage(kSite, page.data(), size);
    }

    void ExpectMessages(const std::vector<Msg>& expected) {
        EXPECT_TRUE(SameSequence(wnd.Messages(), expected))
            << "got      " << Describe(wnd.Messages()) << "\nexpected " << Describe(expected);
    }

    RecordingWindow wnd;
    PauseRecorder pauses;
    CInetSession session;
    std::vector<char> page;
};

TEST_F(RequestPageTest, AnsweredRequestStaysOpenUntilReadThenCloses) {
    EXPECT_EQ(Request("/bytes?n=1023"), 200);
    EXPECT_TRUE(RequestOpen());
    ExpectMessages(Asked(kSite));

    EXPECT_EQ(Read(), 1023);
    EXPECT_EQ(std::string(page.data()), std::string(1023, 'x'));
    EXPECT_FALSE(RequestOpen());
    ExpectMessages(Join({Asked(kSite), Closed(kSite)}));
    // Every page ends with ten empty reads.
    EXPECT_EQ(pauses.Pauses(), std::vector<std::uint32_t>(10, 100));
}

TEST_F(RequestPageTest, StatusOtherThan200IsReportedOnceAndClosedAtOnce) {
    // (A 204 has no body to wait for: its connection closes before the
    // status is reported, which the order of the messages then shows.)
    for (const int code : {404, 203, 500}) {
        RecordingWindow fresh;
        session.SetErrorWnd(kSite, &fresh);
        EXPECT_EQ(Request("/status/" + std::to_string(code)), code);
        EXPECT_FALSE(RequestOpen()) << code;
        EXPECT_TRUE(SameSequence(fresh.Messages(),
                                 Join({Asked(kSite), {Error(kSite, code)}, Closed(kSite)})))
            << code << ": " << Describe(fresh.Messages());
        EXPECT_EQ(Read(), -1);
    }
    EXPECT_TRUE(pauses.Pauses().empty());
}

TEST_F(RequestPageTest, RedirectIsShownAndTheFinalPageRead) {
    EXPECT_EQ(Request("/redirect?to=/bytes%3Fn%3D10"), 200);
    const auto statuses = wnd.Only({WM_INET_STATUS});
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), Status(kSite, 110)), 1);
    EXPECT_EQ(statuses.back(), Status(kSite, 41));
    EXPECT_EQ(Read(), 10);
}

TEST_F(RequestPageTest, FailedAttemptsAreReportedAndPausedEach) {
    struct Case {
        std::string server;
        int retry;
        int attempts;
    };
    const std::string refused = "127.0.0.1:" + std::to_string(ClosedPort());
    // A negative count from a hand-edited settings file must not retry for ever.
    for (const Case& c :
         {Case{"no-such-host.invalid", 1, 1}, Case{refused, 3, 3}, Case{refused, -2, 1}}) {
        RecordingWindow fresh;
        PauseRecorder fresh_pauses;
        session.SetErrorWnd(kSite, &fresh);
        session.SetPauseClock(fresh_pauses.Clock());
        session.SetRetry(c.retry);
        const std::string object = "/page";
        EXPECT_EQ(session.RequestPage(kSite, &c.server, &object, 80), 0);
        EXPECT_TRUE(
            SameSequence(fresh.Only({WM_INET_ERROR}),
                         std::vector<Msg>(static_cast<std::size_t>(c.attempts), Error(kSite, 1))))
            << c.server << ": " << Describe(fresh.Messages());
        EXPECT_EQ(fresh_pauses.Pauses(),
                  std::vector<std::uint32_t>(static_cast<std::size_t>(c.attempts), 1000));
        EXPECT_FALSE(RequestOpen());
        EXPECT_EQ(Read(), -1);
    }
}

TEST_F(RequestPageTest, BadResponsesFailTheAttemptWithinBounds) {
    session.SetTimeout(200);
    for (const char* object : {"/stall-head", "/loop", "/header-flood"}) {
        RecordingWindow fresh;
        session.SetErrorWnd(kSite, &fresh);
        EXPECT_EQ(Request(object), 0) << object;
        EXPECT_TRUE(SameSequence(fresh.Only({WM_INET_ERROR}), {Error(kSite, 1)}))
            << object << ": " << Describe(fresh.Messages());
    }
}

TEST_F(RequestPageTest, NothingIsSentWithoutAttemptsOrHost) {
    EXPECT_EQ(session.RequestPage(kSite, nullptr, nullptr, 80), -1);  // no object yet
    session.SetErrorWnd(9, &wnd);
    const std::string path = "/page";
    EXPECT_EQ(session.RequestPage(9, nullptr, &path, 80), -1);  // no HOST_ADDR
    session.SetRetry(0);
    EXPECT_EQ(Request("/page"), 0);
    EXPECT_TRUE(wnd.Messages().empty()) << Describe(wnd.Messages());
    EXPECT_TRUE(pauses.Pauses().empty());
}

TEST_F(RequestPageTest, ReadKeepsWhatFitsAndEndsWithNul) {
    struct Case {
        std::string object;
        unsigned size;
        int expected;
    };
    for (const Case& c : {Case{"/empty", 655350, 0}, Case{"/chunked?n=7&size=500", 655350, 3500},
                          Case{"/bytes?n=5000", 3000, 1023}, Case{"/huge?mb=100", 655350, -2},
                          Case{"/endless", 655350, -2}}) {
        ASSERT_EQ(Request(c.object), 200) << c.object;
        const int kept = Read(c.size);
        if (c.expected == -2) {
            // Ends at a chunk boundary short of the limit, the rest abandoned.
            EXPECT_LE(kept, 654327);
            EXPECT_GT(kept, 654327 - 1023);
        } else {
            EXPECT_EQ(kept, c.expected) << c.object;
        }
        ASSERT_GE(kept, 0);
        EXPECT_EQ(page[static_cast<std::size_t>(kept)], '\0');
        EXPECT_EQ(std::strlen(page.data()), static_cast<std::size_t>(kept));
        for (std::size_t i = c.size; i < page.size(); ++i) {
            ASSERT_EQ(page[i], '\x7f') << "written beyond the size at " << i;
        }
        EXPECT_FALSE(RequestOpen());
    }
}

TEST_F(RequestPageTest, BrokenBodyKeepsWhatArrived) {
    ASSERT_EQ(Request("/break?n=3000"), 200);
    EXPECT_EQ(Read(), 3000);
    EXPECT_TRUE(SameSequence(wnd.Only({WM_INET_ERROR}), {Error(kSite, 2)}));
    EXPECT_EQ(pauses.Pauses(), (std::vector<std::uint32_t>{1000}));
}

TEST_F(RequestPageTest, StalledBodyUsesThePagesFailureBudget) {
    session.SetTimeout(150);
    session.SetRetry(2);
    ASSERT_EQ(Request("/stall-body?n=700"), 200);
    EXPECT_EQ(Read(), 700);
    EXPECT_TRUE(SameSequence(wnd.Only({WM_INET_ERROR}), {Error(kSite, 2), Error(kSite, 2)}));
    EXPECT_EQ(pauses.Pauses(), (std::vector<std::uint32_t>{1000, 1000}));
}

TEST_F(RequestPageTest, NoAttemptsLeftForReadingClosesUnread) {
    ASSERT_EQ(Request("/bytes?n=100"), 200);
    session.SetRetry(0);
    EXPECT_EQ(Read(), 0);
    EXPECT_EQ(page[0], '\0');
    EXPECT_FALSE(RequestOpen());
}

TEST_F(RequestPageTest, OnlyProgressReachesTheWindow) {
    for (const std::uint32_t code : {60u, 70u}) {
        session.OnStatusCallback(kSite, code);
    }
    session.OnStatusCallback(kSite, 100);
    session.OnStatusCallback(77, 10);  // no such site
    ExpectMessages({Status(kSite, 100)});
}

struct TextCase {
    bool error;
    LPARAM code;
    const char* utf8;
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << (c.error ? "error " : "status ") << c.code;
}

class StatusTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(StatusTextTest, Exact) {
    const auto& c = GetParam();
    const SjisString text = c.error
                                ? CInetSession::GetErrorText(c.code)
                                : CInetSession::GetStatusText(static_cast<std::uint32_t>(c.code));
    EXPECT_EQ(SjisToUtf8(text), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, StatusTextTest,
    ::testing::Values(TextCase{false, 10, "IPアドレスを取得しています"},
                      TextCase{false, 21, "サーバーへ接続しました"},
                      TextCase{false, 110, "送受信を完了しました"}, TextCase{false, 60, ""},
                      TextCase{false, 100, ""}, TextCase{true, 1, "送信処理がタイムアウトしました"},
                      TextCase{true, 2, "受信処理がタイムアウトしました"},
                      TextCase{true, 200, "正常応答を取得しました"},
                      TextCase{true, 404, "エラー応答を受信しました。(URL Not Found)"},
                      TextCase{true, 203,
                               "エラー応答を受信しました。(Non-Authoritative Information)"},
                      TextCase{true, 306, "エラー応答を受信しました。()"},
                      TextCase{true, 0, "エラー応答を受信しました。()"}));

}  // namespace
}  // namespace quennit
