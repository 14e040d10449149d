#include "test_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace quennit::test {

TestServer::TestServer() {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const char* script = QUENNIT_TEST_SERVER;
    char python[] = "python3";
    char* argv[] = {python, const_cast<char*>(script), nullptr};
    const int rc = posix_spawnp(&m_pid, "python3", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
        close(in[1]);
        close(out[0]);
        throw std::runtime_error("cannot start the test server");
    }
    m_stdin = in[1];
    std::FILE* f = fdopen(out[0], "r");
    if (f == nullptr || std::fscanf(f, "%d", &m_port) != 1) {
        if (f != nullptr) {
            std::fclose(f);
        }
        throw std::runtime_error("the test server did not report its port");
    }
    std::fclose(f);
}

TestServer::~TestServer() {
    // Closing its standard input asks the server to shut down.
    close(m_stdin);
    int status = 0;
    waitpid(m_pid, &status, 0);
}

std::string TestServer::HostAddr() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

int ClosedPort() {
    // Bind a port and close it again: nothing listens there afterwards.
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

}  // namespace quennit::test

namespace quennit::test {

StuckPort::StuckPort() {
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(m_listener, 0);
    socklen_t len = sizeof addr;
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    // Never accepted: these fill the queue, and later handshakes go unanswered.
    for (int i = 0; i < 4; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        m_fillers.push_back(fd);
    }
}

StuckPort::~StuckPort() {
    for (const int fd : m_fillers) {
        close(fd);
    }
    close(m_listener);
}

TestServer* ServerTest::server = nullptr;

void ServerTest::SetUpTestSuite() {
    for (const char* var : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
        unsetenv(var);
    }
    server = new TestServer();
}

void ServerTest::TearDownTestSuite() {
    delete server;
    server = nullptr;
}

}  // namespace quennit::test
