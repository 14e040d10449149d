#include "platform/http_client.h"

#include <gtest/gtest.h>

#include <ostream>
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

// Anything but a valid port after the last colon is part of the name.
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
