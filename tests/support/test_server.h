#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace quennit::test {

// The fault-injection HTTP server (http_server.py) as a child process,
// listening on kPorts ports of 127.0.0.1 (each a server of its own to the
// client) once the constructor returns; ended by the destructor.
class TestServer {
  public:
    static constexpr int kPorts = 8;
    // args go to http_server.py (its TLS mode).
    explicit TestServer(const std::vector<std::string>& args = {});
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    int Port(int i = 0) const { return m_ports[i]; }
    // "127.0.0.1:PORT", the HOST_ADDR form of port i.
    std::string HostAddr(int i = 0) const { return "127.0.0.1:" + std::to_string(m_ports[i]); }

  private:
    std::FILE* m_pipe = nullptr;
    int m_pid = 0;
    int m_ports[kPorts] = {};
};

// The one server of a test program, started at first use with the proxy
// variables cleared (requests to 127.0.0.1 must go straight there).
TestServer& SharedServer();

// A port on 127.0.0.1 on which nothing listens (connections are refused).
int ClosedPort();

}  // namespace quennit::test
