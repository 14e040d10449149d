#include "platform/http_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <ostream>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "platform/errors.h"
#include "platform/stop.h"
#include "test_server.h"

namespace quennit {
namespace {

using test::TestServer;

class HttpClientTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Requests to the local server must not wander off to a proxy.
        for (const char* var :
             {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
            unsetenv(var);
        }
        HttpGlobalInit();
        server = new TestServer();
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    std::shared_ptr<HttpFile> Open(const std::string& object, HttpTimeouts t = {5000, 5000, 5000},
                                   std::string host = "") {
        HttpConnection conn(host.empty() ? server->HostAddr() : host, 80);
        return conn.OpenRequest(object, 7, t, [this](std::uint32_t ctx, std::uint32_t code) {
            {
                std::lock_guard lock(mutex);
                EXPECT_EQ(ctx, 7u);
                events.push_back(code);
            }
            cv.notify_all();
        });
    }

    std::vector<std::uint32_t> Events() {
        std::lock_guard lock(mutex);
        return events;
    }

    static std::string ReadAll(HttpFile& file) {
        std::string body;
        char buf[1023];
        while (const std::size_t n = file.Read(buf, sizeof buf)) {
            body.append(buf, n);
        }
        return body;
    }

    static TestServer* server;
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::uint32_t> events;
};

TestServer* HttpClientTest::server = nullptr;

TEST_F(HttpClientTest, PlainPageReportsEveryStepInOrder) {
    auto file = Open("/bytes?n=5000");
    file->Send();
    EXPECT_EQ(file->GetStatusCode(), 200);
    EXPECT_EQ(Events(), (std::vector<std::uint32_t>{10, 11, 20, 21, 30, 31, 40, 41}));
    EXPECT_EQ(ReadAll(*file), std::string(5000, 'x'));
    file->Close();
    EXPECT_EQ(Events(), (std::vector<std::uint32_t>{10, 11, 20, 21, 30, 31, 40, 41, 50, 51}));
}

TEST_F(HttpClientTest, FollowedRedirectIsReportedAndFinalStatusWins) {
    auto file = Open("/redirect?to=/status/404");
    file->Send();
    EXPECT_EQ(file->GetStatusCode(), 404);
    const auto ev = Events();
    ASSERT_GE(ev.size(), 8u);
    EXPECT_EQ(std::vector<std::uint32_t>(ev.begin(), ev.begin() + 8),
              (std::vector<std::uint32_t>{10, 11, 20, 21, 30, 31, 40, 110}));
    EXPECT_EQ(ev.back(), 41u);
    EXPECT_EQ(std::count(ev.begin(), ev.end(), 41u), 1);
}

TEST_F(HttpClientTest, StatusOtherThan200IsPassedOn) {
    for (const int code : {203, 204, 404, 500}) {
        auto file = Open("/status/" + std::to_string(code));
        file->Send();
        EXPECT_EQ(file->GetStatusCode(), code);
    }
}

TEST_F(HttpClientTest, SendsTheGivenHeadersAndNoEncodingRequest) {
    auto file = Open("/echo");
    file->AddRequestHeader("User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)");
    file->AddRequestHeader("Accept: */*");
    file->AddRequestHeader("Accept-Language: ja");
    file->Send();
    const std::string echo = ReadAll(*file);
    EXPECT_NE(echo.find("GET /echo HTTP/1.1"), std::string::npos) << echo;
    EXPECT_NE(echo.find("User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)"),
              std::string::npos);
    EXPECT_NE(echo.find("Accept-Language: ja"), std::string::npos);
    EXPECT_EQ(echo.find("Accept-Encoding"), std::string::npos);
    EXPECT_EQ(echo.find("curl"), std::string::npos);
}

TEST_F(HttpClientTest, BodiesArriveWhole) {
    struct Case {
        const char* object;
        std::size_t length;
    };
    for (const Case c : {Case{"/empty", 0}, Case{"/bytes?n=1023", 1023},
                         Case{"/chunked?n=40&size=777", 40 * 777}, Case{"/slow?n=4&ms=30", 400}}) {
        auto file = Open(c.object);
        file->Send();
        EXPECT_EQ(ReadAll(*file).size(), c.length) << c.object;
        // The end of the body stays the end.
        char buf[16];
        EXPECT_EQ(file->Read(buf, sizeof buf), 0u) << c.object;
    }
}

TEST_F(HttpClientTest, ReceiveTimeOutIsAnIdleLimitNotATransferCap) {
    // Ten pieces 60 ms apart take longer than the 300 ms limit in all.
    auto file = Open("/slow?n=10&ms=60", {5000, 5000, 300});
    file->Send();
    EXPECT_EQ(ReadAll(*file).size(), 1000u);
}

TEST_F(HttpClientTest, LargeBodyIsPulledNotHoarded) {
    auto file = Open("/huge?mb=4");
    file->Send();
    std::size_t total = 0;
    char buf[1023];
    while (total < 2 * 1024 * 1024) {
        const std::size_t n = file->Read(buf, sizeof buf);
        ASSERT_GT(n, 0u);
        total += n;
    }
    EXPECT_LE(file->PeakBuffered(), 32u * 1024);
    file->Close();  // abandons the rest
}

TEST_F(HttpClientTest, BrokenBodyFailsInTheReadThatMeetsIt) {
    auto file = Open("/break?n=3000");
    file->Send();
    EXPECT_EQ(file->GetStatusCode(), 200);
    std::string body;
    char buf[1023];
    EXPECT_THROW(
        {
            while (const std::size_t n = file->Read(buf, sizeof buf)) {
                body.append(buf, n);
            }
        },
        InternetException);
    EXPECT_EQ(body.size(), 3000u);
    EXPECT_THROW(file->Read(buf, sizeof buf), InternetException);
}

TEST_F(HttpClientTest, StalledBodyTimesOutOnReceive) {
    auto file = Open("/stall-body?n=500", {5000, 5000, 150});
    file->Send();
    char buf[1023];
    EXPECT_EQ(file->Read(buf, sizeof buf), 500u);
    EXPECT_THROW(file->Read(buf, sizeof buf), InternetException);
}

TEST_F(HttpClientTest, FailedRequestsThrow) {
    const std::string refused = "127.0.0.1:" + std::to_string(test::ClosedPort());
    struct Case {
        std::string host;
        std::string object;
    };
    const std::vector<Case> cases = {
        {refused, "/page"},    {"no-such-host.invalid", "/page"},
        {"", "/stall-head"},    // receive time-out before any answer
        {"", "/loop"},          // redirect loop
        {"", "/header-flood"},  // a head without end
    };
    for (const auto& c : cases) {
        auto file = Open(c.object, {3000, 3000, 200}, c.host);
        EXPECT_THROW(file->Send(), InternetException) << c.host << c.object;
    }
}

TEST_F(HttpClientTest, StopAbandonsARequestWaitingForItsHead) {
    // No time-outs: only the stop can end this.
    std::stop_source stop;
    const ScopedStopToken scope(stop.get_token());
    auto file = Open("/stall-head", {0, 0, 0});
    std::thread stopper([&] {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return std::find(events.begin(), events.end(), 31u) != events.end(); });
        stop.request_stop();
    });
    EXPECT_THROW(file->Send(), StopRequested);
    stopper.join();
}

TEST_F(HttpClientTest, StopAbandonsAStalledBody) {
    std::stop_source stop;
    const ScopedStopToken scope(stop.get_token());
    auto file = Open("/stall-body?n=10", {0, 0, 0});
    file->Send();
    char buf[1023];
    EXPECT_EQ(file->Read(buf, sizeof buf), 10u);
    std::thread stopper([&] { stop.request_stop(); });
    EXPECT_THROW(file->Read(buf, sizeof buf), StopRequested);
    stopper.join();
}

struct HostAddrCase {
    const char* server;
    const char* host;
    int port;
};

void PrintTo(const HostAddrCase& c, std::ostream* os) {
    *os << c.server;
}

class SplitHostAddrTest : public ::testing::TestWithParam<HostAddrCase> {};

TEST_P(SplitHostAddrTest, Splits) {
    const auto hp = SplitHostAddr(GetParam().server, 80);
    EXPECT_EQ(hp.host, GetParam().host);
    EXPECT_EQ(hp.port, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(Forms, SplitHostAddrTest,
                         ::testing::Values(HostAddrCase{"www.example.jp", "www.example.jp", 80},
                                           HostAddrCase{"127.0.0.1:8631", "127.0.0.1", 8631},
                                           HostAddrCase{"[::1]:8080", "::1", 8080},
                                           HostAddrCase{"[::1]", "::1", 80},
                                           HostAddrCase{"::1", "::1", 80},
                                           HostAddrCase{"host:", "host:", 80},
                                           HostAddrCase{"host:http", "host:http", 80},
                                           HostAddrCase{"host:70000", "host:70000", 80},
                                           HostAddrCase{"host:0", "host:0", 80}));

}  // namespace
}  // namespace quennit
