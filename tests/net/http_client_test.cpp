#include "platform/http_client.h"

#include <gtest/gtest.h>

#include <string>

#include "test_server.h"

namespace quennit {
namespace {

using HttpClientTest = test::ServerTest;

TEST_F(HttpClientTest, LargeBodyIsPulledNotHoarded) {
    HttpConnection conn(server->HostAddr(), 80);
    auto file = conn.OpenRequest("/huge?mb=4", 7, {5000, 5000, 5000}, {});
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

TEST(SplitHostAddr, AnythingButAValidPortAfterTheLastColonIsPartOfTheName) {
    const struct {
        const char* server;
        const char* host;
        int port;
    } cases[] = {{"www.example.jp", "www.example.jp", 80},
                 {"127.0.0.1:8631", "127.0.0.1", 8631},
                 {"[::1]:8080", "::1", 8080},
                 {"[::1]", "::1", 80},
                 {"::1", "::1", 80},
                 {"host:", "host:", 80},
                 {"host:http", "host:http", 80},
                 {"host:70000", "host:70000", 80},
                 {"host:0", "host:0", 80}};
    for (const auto& c : cases) {
        const auto hp = SplitHostAddr(c.server, 80);
        EXPECT_EQ(hp.host, c.host) << c.server;
        EXPECT_EQ(hp.port, c.port) << c.server;
    }
}

}  // namespace
}  // namespace quennit
