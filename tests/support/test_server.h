#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace quennit::test {

// The fault-injection HTTP server (http_server.py) as a child process on
// 127.0.0.1. Started by the constructor, which returns once the server
// listens; stopped and reaped by the destructor.
class TestServer {
  public:
    // args go to http_server.py (its TLS mode).
    explicit TestServer(const std::vector<std::string>& args = {});
    ~TestServer();

    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    int Port() const { return m_ports[0]; }
    // "127.0.0.1:PORT", the HOST_ADDR form of the server; it listens on
    // kPorts ports, each a server of its own to the client.
    static constexpr int kPorts = 8;
    std::string HostAddr(int i = 0) const;

  private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_ports[kPorts] = {};
};

// A test suite that shares one server, started before its first test with
// the proxy variables cleared (requests to 127.0.0.1 must go straight there).
class ServerTest : public ::testing::Test {
  public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

  protected:
    static TestServer* server;
};

// A port on 127.0.0.1 on which nothing listens (connections are refused).
int ClosedPort();

// A port on 127.0.0.1 whose listen queue is full, so that a connection
// attempt hangs in the middle of connecting until it gives up.
class StuckPort {
  public:
    StuckPort();
    ~StuckPort();
    StuckPort(const StuckPort&) = delete;
    StuckPort& operator=(const StuckPort&) = delete;
    int Port() const { return m_port; }

  private:
    int m_listener = -1;
    std::vector<int> m_fillers;
    int m_port = 0;
};

}  // namespace quennit::test
