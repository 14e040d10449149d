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

TEST(SplitServer, SchemePortAndAnythingButAValidPortAfterTheLastColonIsPartOfTheName) {
    const struct {
        const char* server;
        Scheme scheme;
        const char* host;
        int port;
    } cases[] = {{"www.example.jp", Scheme::None, "www.example.jp", 80},
                 {"127.0.0.1:8631", Scheme::None, "127.0.0.1", 8631},
                 {"[::1]:8080", Scheme::None, "::1", 8080},
                 {"[::1]", Scheme::None, "::1", 80},
                 {"::1", Scheme::None, "::1", 80},
                 {"host:", Scheme::None, "host:", 80},
                 {"host:http", Scheme::None, "host:http", 80},
                 {"host:70000", Scheme::None, "host:70000", 80},
                 {"host:0", Scheme::None, "host:0", 80},
                 {"https://h", Scheme::Https, "h", 443},
                 {"HTTPS://h:8443", Scheme::Https, "h", 8443},
                 {"http://[::1]", Scheme::Http, "::1", 80},
                 {"ftp://h", Scheme::Other, "h", 80},
                 {"://h", Scheme::None, "://h", 80}};
    for (const auto& c : cases) {
        const auto target = SplitServer(c.server, 80);
        EXPECT_EQ(target.scheme, c.scheme) << c.server;
        EXPECT_EQ(target.hostPort.host, c.host) << c.server;
        EXPECT_EQ(target.hostPort.port, c.port) << c.server;
    }
}

}  // namespace
}  // namespace quennit
