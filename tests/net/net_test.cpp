// Requests and page reads over the fault-injection server: what the window
// is told, what is kept, and how failures are retried and paused for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "net/inet_session.h"
#include "platform/http_client.h"
#include "recording_events.h"
#include "test_files.h"
#include "test_server.h"
#include "test_sites.h"

namespace quennit {
namespace {

using namespace test;

constexpr std::uint32_t kSite = 3;

// The progress of one request that gets its answer, and of its closing.
std::vector<Msg> Asked(std::initializer_list<int> codes = {10, 11, 20, 21, 30, 31, 40, 41}) {
    std::vector<Msg> m;
    for (const int code : codes) {
        m.push_back(Status(kSite, code));
    }
    return m;
}

std::vector<Msg> Then(std::vector<Msg> first, const std::vector<Msg>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

const std::vector<Msg> kClosed = {Status(kSite, 50), Status(kSite, 51)};

class RequestPageTest : public ::testing::Test {
  protected:
    TestServer& server = SharedServer();
    void SetUp() override {
        session.SetPauseClock(pauses.Clock());
        session.SetTimeout(3000);
        session.SetRetry(1);
        session.SetEvents(&wnd);
        session.SetServer(kSite, server.HostAddr());
    }

    int Request(const std::string& object, const std::string* host = nullptr) {
        auto request = session.RequestPage(kSite, host, &object, 80);
        open = std::move(request.page);
        return request.status;
    }

    bool RequestOpen() const { return open != nullptr; }

    // Reads into a buffer with guard bytes behind the given size.
    int Read(unsigned size = 655350) {
        page.assign(size + 64, '\x7f');
        return session.ReadPage(kSite, std::move(open), page.data(), size);
    }

    RecordingEvents wnd;
    PauseRecorder pauses;
    CInetSession session;
    CInetSession::OpenPage open;
    std::vector<char> page;
};

TEST_F(RequestPageTest, AnsweredRequestGoesOutWithTheBrowserHeadersAndClosesAfterTheRead) {
    ASSERT_EQ(Request("/echo"), 200);
    EXPECT_TRUE(RequestOpen());
    EXPECT_EQ(wnd.Messages(), Asked());
    ASSERT_GT(Read(), 0);
    EXPECT_FALSE(RequestOpen());
    EXPECT_EQ(wnd.Messages(), Then(Asked(), kClosed));
    // Every page ends with ten empty reads.
    EXPECT_EQ(pauses.Pauses(), std::vector<std::uint32_t>(10, 100));
    const std::string echo = page.data();
    for (const char* line :
         {"GET /echo HTTP/1.1\r\n", "\nAccept: */*\n", "\nAccept-Language: ja\n",
          "\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)\n"}) {
        EXPECT_NE(echo.find(line), std::string::npos) << line << echo;
    }
    EXPECT_EQ(echo.find("Accept-Encoding"), std::string::npos) << echo;
    EXPECT_EQ(echo.find("curl"), std::string::npos) << echo;
}

// The fault matrix. A request that gets no page reports each failed
// attempt (a send error) and pauses for it; an answer other than 200 is
// reported once and closed at once; a certificate that fails its check is
// named once. A page read keeps what fits, ends with a
// NUL, reports each failure as a receive error and pauses for it.
TEST_F(RequestPageTest, FaultsAreReportedRetriedAndPausedFor) {
    struct Case {
        std::string host;  // empty: the test server; "tls KIND": a TLS one
        std::string object;
        std::uint32_t timeout;
        int retry;  // for a page of status 200: for its read, the request has 1
        int status;
        int kept;  // -1: as much as the buffer takes
        int errors;
        unsigned size = 655350;
        std::optional<ErrorKind> error = {};  // when not the usual one
    };
    const std::string refused = "127.0.0.1:" + std::to_string(ClosedPort());
    // A negative count from a hand-edited settings file must not retry for
    // ever; none at all sends nothing. The receive time-out is an idle
    // limit, not a cap on the page. TLS "good" first: it makes the authority
    // the others share.
    TempDir certs;
    for (const Case& c :
         {Case{"no-such-host.invalid", "/", 3000, 1, 0, 0, 1}, Case{refused, "/", 3000, 3, 0, 0, 3},
          Case{refused, "/", 3000, -2, 0, 0, 1}, Case{"", "/page", 3000, 0, 0, 0, 0},
          Case{"", "/stall-head", 200, 1, 0, 0, 1}, Case{"", "/loop", 3000, 1, 0, 0, 1},
          Case{"", "/header-flood", 3000, 1, 0, 0, 1}, Case{"", "/status/404", 3000, 3, 404, 0, 1},
          Case{"", "/status/203", 3000, 1, 203, 0, 1}, Case{"", "/status/500", 3000, 1, 500, 0, 1},
          Case{"", "/bytes?n=0", 3000, 1, 200, 0, 0},
          Case{"", "/bytes?n=5000", 3000, 1, 200, 1023, 0, 3000},
          Case{"", "/bytes?n=104857600", 3000, 1, 200, -1, 0},
          Case{"", "/chunked", 3000, 1, 200, -1, 0},
          Case{"", "/chunked?n=5000", 3000, 1, 200, 5000, 0},
          Case{"", "/slow?n=10&ms=60", 300, 1, 200, 1000, 0},
          Case{"", "/break?n=3000", 3000, 1, 200, 3000, 1},
          Case{"", "/stall-body?n=700", 150, 2, 200, 700, 2},
          Case{"", "/bytes?n=100", 3000, 0, 200, 0, 0},
          Case{"", "/redirect?to=/bytes%3Fn%3D10", 3000, 1, 200, 10, 0},
          // Compressed unasked: decoded, as a browser does.
          Case{"", "/gzip?n=5000", 3000, 1, 200, 5000, 0},
          Case{"", "/two-lengths", 3000, 3, 0, 0, 1, 655350, ErrorKind::BadResponse},
          Case{"tls good", "/bytes?n=5", 3000, 3, 200, 5, 0},
          Case{"tls self", "/bytes?n=5", 3000, 3, 0, 0, 1},
          Case{"tls wronghost", "/bytes?n=5", 3000, 3, 0, 0, 1},
          // An authority file that can't be read is no network fault.
          Case{"tls badca", "/bytes?n=5", 3000, 3, 0, 0, 1}}) {
        SCOPED_TRACE(c.host + c.object);
        RecordingEvents fresh;
        PauseRecorder freshPauses;
        session.SetEvents(&fresh);
        session.SetPauseClock(freshPauses.Clock());
        session.SetRetry(c.status == 200 ? 1 : c.retry);
        session.SetTimeout(c.timeout);
        std::optional<TestServer> tls;
        std::string host = c.host.empty() ? server.HostAddr() : c.host;
        if (host.rfind("tls ", 0) == 0) {
            const bool badCa = host == "tls badca";
            tls.emplace(
                std::vector<std::string>{"--tls", badCa ? "good" : host.substr(4), certs.Path("")});
            host = "https://127.0.0.1:" + std::to_string(tls->Port());
            setenv("QUENNIT_CA_FILE", certs.Path(badCa ? "missing.pem" : "ca.pem").c_str(), 1);
        }
        ASSERT_EQ(Request(c.object, &host), c.status);
        session.SetRetry(c.retry);
        const int kept = Read(c.size);
        if (c.status != 200) {
            EXPECT_EQ(kept, -1);
        } else if (c.kept < 0) {
            // Ends at a read boundary short of the limit, the rest abandoned.
            EXPECT_LE(kept, 654327);
            EXPECT_GT(kept, 654327 - 1023);
        } else {
            EXPECT_EQ(kept, c.kept);
        }
        if (kept >= 0) {
            EXPECT_EQ(std::strlen(page.data()), static_cast<std::size_t>(kept));
        }
        for (std::size_t i = c.size; i < page.size(); ++i) {
            ASSERT_EQ(page[i], '\x7f') << "written beyond the size at " << i;
        }
        EXPECT_FALSE(RequestOpen());
        const auto n = static_cast<std::size_t>(c.errors);
        const Msg error = c.error ? Error(kSite, *c.error)
                          : c.status == 0
                              ? Error(kSite, tls ? ErrorKind::Certificate : ErrorKind::SendFailed)
                          : c.status == 200 ? Error(kSite, ErrorKind::ReadFailed)
                                            : Http(kSite, c.status);
        EXPECT_EQ(fresh.Only({Ev::Error}), std::vector<Msg>(n, error));
        if (c.status != 0 && c.status != 200) {
            EXPECT_EQ(fresh.Messages(), Then(Then(Asked(), {error}), kClosed));
        } else if (tls && c.status == 0) {
            // The handshake belongs to "connected".
            EXPECT_EQ(fresh.Messages(), Then(Asked({10, 11, 20, 50, 51}), {error}));
        } else if (c.status == 200) {
            const auto statuses = fresh.Only({Ev::Progress});
            EXPECT_EQ(std::count(statuses.begin(), statuses.end(), Status(kSite, 110)),
                      c.object.rfind("/redirect", 0) == 0 ? 1 : 0);
        }
        EXPECT_EQ(fresh.Messages().empty(), c.status == 0 && n == 0);
        const bool paused =
            error.kind == ErrorKind::SendFailed || error.kind == ErrorKind::ReadFailed;
        EXPECT_EQ(std::ranges::count(freshPauses.Pauses(), 1000), paused ? c.errors : 0);
    }
    unsetenv("QUENNIT_CA_FILE");
}

// Through a forward proxy (the test server is one too): plain http as a
// request for the full address, https through a tunnel, a host in no_proxy
// straight; a tunnel the proxy refuses is named as such, and a certificate
// that fails behind the proxy as a certificate failure.
TEST_F(RequestPageTest, ThroughAForwardProxy) {
    TempDir certs;
    setenv("QUENNIT_CA_FILE", certs.Path("ca.pem").c_str(), 1);
    const TestServer good({"--tls", "good", certs.Path("")});
    const TestServer wrong({"--tls", "wronghost", certs.Path("")});
    const std::string proxy = "http://" + server.HostAddr();
    setenv("http_proxy", proxy.c_str(), 1);
    setenv("https_proxy", proxy.c_str(), 1);
    setenv("no_proxy", "localhost", 1);
    const auto tls = [](const TestServer& s) {
        return "https://127.0.0.1:" + std::to_string(s.Port());
    };
    const std::string local = "localhost:" + std::to_string(server.Port(1));
    const std::tuple<std::string, int, std::vector<Msg>, const char*> cases[] = {
        {server.HostAddr(1), 200, {}, "\nVia: 1.1 test-proxy"},
        {tls(good), 200, {}, "GET /echo HTTP/1.1"},
        {local, 200, {}, "\nHost: localhost"},
        {tls(wrong), 0, {Error(kSite, ErrorKind::Certificate)}, ""},
        {"https://refused.invalid", 0, {Error(kSite, ErrorKind::ProxyRefused)}, ""}};
    for (const auto& [host, status, errors, body] : cases) {
        SCOPED_TRACE(host);
        RecordingEvents fresh;
        session.SetEvents(&fresh);
        ASSERT_EQ(Request("/echo", &host), status);
        if (status == 200) {
            ASSERT_GT(Read(), 0);
            EXPECT_NE(std::string(page.data()).find(body), std::string::npos) << page.data();
        }
        EXPECT_EQ(fresh.Only({Ev::Error}), errors);
    }
    for (const char* var : {"http_proxy", "https_proxy", "no_proxy", "QUENNIT_CA_FILE"}) {
        unsetenv(var);
    }
    // All but the request to localhost went through the proxy.
    session.SetEvents(&wnd);
    const std::string direct = server.HostAddr();
    ASSERT_EQ(Request("/proxied", &direct), 200);
    ASSERT_GT(Read(), 0);
    EXPECT_STREQ(page.data(), "3");
}

TEST(HttpClient, LargeBodyIsPulledNotHoarded) {
    auto file =
        OpenRequest(SharedServer().HostAddr(), 80, "/bytes?n=4194304", 7, {5000, 5000, 5000}, {});
    file->Send();
    char buf[1023];
    for (std::size_t total = 0; total < 2 * 1024 * 1024;) {
        const std::size_t n = file->Read(buf, sizeof buf);
        ASSERT_GT(n, 0u);
        total += n;
    }
    EXPECT_LE(file->PeakBuffered(), 32u * 1024);
    file->Close();  // abandons the rest
}

// Anything but a valid port after the last colon is part of the name.
TEST(SplitServer, SchemeHostAndPort) {
    const std::tuple<const char*, Scheme, const char*, int> cases[] = {
        {"www.example.jp", Scheme::None, "www.example.jp", 80},
        {"127.0.0.1:8631", Scheme::None, "127.0.0.1", 8631},
        {"[::1]:8080", Scheme::None, "::1", 8080},
        {"::1", Scheme::None, "::1", 80},
        {"host:", Scheme::None, "host:", 80},
        {"host:70000", Scheme::None, "host:70000", 80},
        {"https://h", Scheme::Https, "h", 443},
        {"HTTPS://h:8443", Scheme::Https, "h", 8443},
        {"http://[::1]", Scheme::Http, "::1", 80},
        {"ftp://h", Scheme::Other, "h", 80},
        {"://h", Scheme::None, "://h", 80}};
    for (const auto& [text, scheme, host, port] : cases) {
        const auto target = SplitServer(text, 80);
        EXPECT_EQ(target.scheme, scheme) << text;
        EXPECT_EQ(target.hostPort.host, host) << text;
        EXPECT_EQ(target.hostPort.port, port) << text;
    }
    // One server to the politeness rule however HOST_ADDR spells it.
    for (const char* same : {"Example.JP", "http://example.jp:80", "HTTP://EXAMPLE.jp"}) {
        EXPECT_EQ(ServerKey(same, 80), "example.jp:80") << same;
    }
    EXPECT_EQ(ServerKey("https://Example.jp", 80), "example.jp:443");
    EXPECT_EQ(ServerKey("https://example.jp:443", 80), "example.jp:443");
}

}  // namespace
}  // namespace quennit
