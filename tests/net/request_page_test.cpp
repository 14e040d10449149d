#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "net/inet_session.h"
#include "platform/text_codec.h"
#include "recording_window.h"
#include "test_files.h"
#include "test_server.h"
#include "test_sites.h"

namespace quennit {
namespace {

using namespace test;

constexpr std::uint32_t kSite = 3;

// The progress of one request that gets its answer, and of its closing.
std::vector<Msg> Asked(std::initializer_list<LPARAM> codes = {10, 11, 20, 21, 30, 31, 40, 41}) {
    std::vector<Msg> m;
    for (const LPARAM code : codes) {
        m.push_back(Status(kSite, code));
    }
    return m;
}

std::vector<Msg> Then(std::vector<Msg> first, const std::vector<Msg>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

const std::vector<Msg> kClosed = {Status(kSite, 50), Status(kSite, 51)};

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

    int Request(const std::string& object, const std::string* host = nullptr) {
        return session.RequestPage(kSite, host, &object, 80);
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

    RecordingWindow wnd;
    PauseRecorder pauses;
    CInetSession session;
    std::vector<char> page;
};

TEST_F(RequestPageTest, AnsweredRequestStaysOpenUntilReadThenCloses) {
    EXPECT_EQ(Request("/bytes?n=1023"), 200);
    EXPECT_TRUE(RequestOpen());
    EXPECT_EQ(wnd.Messages(), Asked());

    EXPECT_EQ(Read(), 1023);
    EXPECT_EQ(std::string(page.data()), std::string(1023, 'x'));
    EXPECT_FALSE(RequestOpen());
    EXPECT_EQ(wnd.Messages(), Then(Asked(), kClosed));
    // Every page ends with ten empty reads.
    EXPECT_EQ(pauses.Pauses(), std::vector<std::uint32_t>(10, 100));
}

TEST_F(RequestPageTest, StatusOtherThan200IsReportedOnceAndClosedAtOnce) {
    for (const int code : {404, 203, 500}) {
        RecordingWindow fresh;
        session.SetErrorWnd(kSite, &fresh);
        EXPECT_EQ(Request("/status/" + std::to_string(code)), code);
        EXPECT_FALSE(RequestOpen()) << code;
        EXPECT_EQ(fresh.Messages(), Then(Then(Asked(), {Error(kSite, code)}), kClosed));
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

TEST_F(RequestPageTest, RequestGoesOutWithTheBrowserHeadersOnly) {
    ASSERT_EQ(Request("/echo"), 200);
    ASSERT_GT(Read(), 0);
    const std::string echo = page.data();
    for (const char* line :
         {"GET /echo HTTP/1.1\r\n", "\nAccept: */*\n", "\nAccept-Language: ja\n",
          "\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)\n"}) {
        EXPECT_NE(echo.find(line), std::string::npos) << line << echo;
    }
    EXPECT_EQ(echo.find("Accept-Encoding"), std::string::npos) << echo;
    EXPECT_EQ(echo.find("curl"), std::string::npos) << echo;
}

TEST_F(RequestPageTest, FailedAttemptsAreReportedAndPausedEach) {
    struct Case {
        std::string host;  // empty: the test server
        std::string object;
        std::uint32_t timeout;
        int retry;
        int attempts;
    };
    const std::string refused = "127.0.0.1:" + std::to_string(ClosedPort());
    // A negative count from a hand-edited settings file must not retry for
    // ever; none at all sends nothing.
    for (const Case& c : {Case{"no-such-host.invalid", "/", 3000, 1, 1},
                          Case{refused, "/", 3000, 3, 3}, Case{refused, "/", 3000, -2, 1},
                          Case{"", "/page", 3000, 0, 0}, Case{"", "/stall-head", 200, 1, 1},
                          Case{"", "/loop", 3000, 1, 1}, Case{"", "/header-flood", 3000, 1, 1}}) {
        SCOPED_TRACE(c.host + c.object);
        RecordingWindow fresh;
        PauseRecorder freshPauses;
        session.SetErrorWnd(kSite, &fresh);
        session.SetPauseClock(freshPauses.Clock());
        session.SetRetry(c.retry);
        session.SetTimeout(c.timeout);
        const std::string host = c.host.empty() ? server->HostAddr() : c.host;
        EXPECT_EQ(Request(c.object, &host), 0);
        const auto n = static_cast<std::size_t>(c.attempts);
        EXPECT_EQ(fresh.Messages().empty(), n == 0);
        EXPECT_EQ(fresh.Only({WM_INET_ERROR}), std::vector<Msg>(n, Error(kSite, 1)));
        EXPECT_EQ(freshPauses.Pauses(), std::vector<std::uint32_t>(n, 1000));
        EXPECT_FALSE(RequestOpen());
        EXPECT_EQ(Read(), -1);
    }
}

TEST_F(RequestPageTest, TlsCertificateIsVerifiedAndAFailureNamedOnce) {
    TempDir certs;
    setenv("QUENNIT_CA_FILE", certs.Path("ca.pem").c_str(), 1);
    session.SetRetry(3);
    // "good" first: it makes the authority the other two share.
    for (const auto& [kind, status] : {std::pair{"good", 200}, {"self", 0}, {"wronghost", 0}}) {
        SCOPED_TRACE(kind);
        TestServer tls({"--tls", kind, certs.Path("")});
        RecordingWindow fresh;
        session.SetErrorWnd(kSite, &fresh);
        const std::string host = "https://127.0.0.1:" + std::to_string(tls.Port());
        EXPECT_EQ(Request("/bytes?n=5", &host), status);
        // The handshake belongs to "connected"; a failed check is one line.
        EXPECT_EQ(fresh.Messages(),
                  status == 200 ? Asked() : Then(Asked({10, 11, 20, 50, 51}), {Error(kSite, 3)}));
        EXPECT_EQ(Read(), status == 200 ? 5 : -1);
    }
    unsetenv("QUENNIT_CA_FILE");
}

TEST_F(RequestPageTest, NothingIsSentWithoutObjectOrHost) {
    EXPECT_EQ(session.RequestPage(kSite, nullptr, nullptr, 80), -1);
    session.SetErrorWnd(9, &wnd);
    const std::string path = "/page";
    EXPECT_EQ(session.RequestPage(9, nullptr, &path, 80), -1);  // no HOST_ADDR
    EXPECT_TRUE(wnd.Messages().empty());
}

// One page read: what is kept, and how many failures (each reported as a
// receive error and paused for) it took.
struct ReadCase {
    const char* name;
    const char* object;
    unsigned size;
    std::uint32_t timeout;
    int retry;  // set after the request, for the read
    int kept;   // -1: as much as the buffer takes
    int failures;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadPageTest : public RequestPageTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadPageTest, KeepsWhatFitsAndEndsWithNul) {
    const ReadCase& c = GetParam();
    session.SetTimeout(c.timeout);
    ASSERT_EQ(Request(c.object), 200);
    session.SetRetry(c.retry);
    const int kept = Read(c.size);
    if (c.kept < 0) {
        // Ends at a read boundary short of the limit, the rest abandoned.
        EXPECT_LE(kept, 654327);
        EXPECT_GT(kept, 654327 - 1023);
    } else {
        EXPECT_EQ(kept, c.kept);
    }
    ASSERT_GE(kept, 0);
    EXPECT_EQ(std::strlen(page.data()), static_cast<std::size_t>(kept));
    for (std::size_t i = c.size; i < page.size(); ++i) {
        ASSERT_EQ(page[i], '\x7f') << "written beyond the size at " << i;
    }
    EXPECT_FALSE(RequestOpen());
    const auto n = static_cast<std::size_t>(c.failures);
    EXPECT_EQ(wnd.Only({WM_INET_ERROR}), std::vector<Msg>(n, Error(kSite, 2)));
    EXPECT_EQ(pauses.Count(1000), c.failures);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ReadPageTest,
    ::testing::Values(ReadCase{"Empty", "/bytes?n=0", 655350, 3000, 1, 0, 0},
                      ReadCase{"SmallBuffer", "/bytes?n=5000", 3000, 3000, 1, 1023, 0},
                      ReadCase{"Huge", "/huge?mb=100", 655350, 3000, 1, -1, 0},
                      ReadCase{"Endless", "/endless", 655350, 3000, 1, -1, 0},
                      ReadCase{"Chunked", "/chunked?n=5000", 655350, 3000, 1, 5000, 0},
                      // The receive time-out is an idle limit, not a cap on the page.
                      ReadCase{"SlowButLive", "/slow?n=10&ms=60", 655350, 300, 1, 1000, 0},
                      ReadCase{"BreakAfter3000", "/break?n=3000", 655350, 3000, 1, 3000, 1},
                      ReadCase{"Stall", "/stall-body?n=700", 655350, 150, 2, 700, 2},
                      ReadCase{"NoAttemptsLeft", "/bytes?n=100", 655350, 3000, 0, 0, 0}),
    [](const auto& tested) { return std::string(tested.param.name); });

TEST(StatusText, Exact) {
    const std::pair<LPARAM, const char*> statuses[] = {
        {10, "IPアドレスを取得しています"}, {110, "送受信を完了しました"}, {100, ""}};
    for (const auto& [code, utf8] : statuses) {
        EXPECT_EQ(SjisToUtf8(CInetSession::GetStatusText(static_cast<std::uint32_t>(code))), utf8);
    }
    const std::pair<LPARAM, const char*> errors[] = {
        {1, "送信処理がタイムアウトしました"},
        {2, "受信処理がタイムアウトしました"},
        {3, "サーバー証明書を確認できませんでした"},
        {200, "正常応答を取得しました"},
        {404, "エラー応答を受信しました。(URL Not Found)"},
        {306, "エラー応答を受信しました。()"}};
    for (const auto& [code, utf8] : errors) {
        EXPECT_EQ(SjisToUtf8(CInetSession::GetErrorText(code)), utf8);
    }
}

}  // namespace
}  // namespace quennit
