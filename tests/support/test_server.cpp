#include "test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/http_client.h"

namespace quennit::test {

TestServer::TestServer(const std::vector<std::string>& args) {
    // exec: the shell becomes the server, so its id is the one it prints.
    std::string command =
        "exec python3 '" QUENNIT_TEST_SERVER "' --ports " + std::to_string(kPorts);
    for (const std::string& arg : args) {
        command += " '" + arg + "'";
    }
    m_pipe = popen(command.c_str(), "re");
    // Once it listens, the server prints its process id and its ports.
    bool started = m_pipe != nullptr && std::fscanf(m_pipe, "%d", &m_pid) == 1;
    for (int& port : m_ports) {
        started = started && std::fscanf(m_pipe, "%d", &port) == 1;
    }
    if (!started) {
        throw std::runtime_error("the test server did not start");
    }
}

TestServer::~TestServer() {
    kill(m_pid, SIGTERM);
    pclose(m_pipe);
}

int ClosedPort() {
    // Nothing listens on a port once it is closed again.
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

TestServer& SharedServer() {
    [[maybe_unused]] static const bool direct = [] {
        for (const char* var :
             {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
            unsetenv(var);
        }
        return true;
    }();
    static const GlobalHttpInit http;
    static TestServer server;
    return server;
}

}  // namespace quennit::test
