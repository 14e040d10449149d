#include "test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/http_client.h"

extern char** environ;

namespace quennit::test {

namespace {

// A TCP socket bound to a free port on 127.0.0.1; returns the port.
int BindLoopback(int fd) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

}  // namespace

TestServer::TestServer(const std::vector<std::string>& args) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> words = {"python3", QUENNIT_TEST_SERVER, "--ports",
                                      std::to_string(kPorts)};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const int rc = posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    m_stdin = in[1];
    std::FILE* f = fdopen(out[0], "r");
    int read = 0;
    while (rc == 0 && read < kPorts && std::fscanf(f, "%d", &m_ports[read]) == 1) {
        ++read;
    }
    const bool reported = read == kPorts;
    std::fclose(f);
    if (!reported) {
        close(m_stdin);
        throw std::runtime_error("the test server did not start");
    }
}

TestServer::~TestServer() {
    // Closing its standard input asks the server to shut down.
    close(m_stdin);
    waitpid(m_pid, nullptr, 0);
}

std::string TestServer::HostAddr(int i) const {
    return "127.0.0.1:" + std::to_string(m_ports[i]);
}

int ClosedPort() {
    // Nothing listens on a port once it is closed again.
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int port = BindLoopback(fd);
    close(fd);
    return port;
}

StuckPort::StuckPort() {
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    m_port = BindLoopback(m_listener);
    listen(m_listener, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(m_port));
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
    for (const char* var :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        unsetenv(var);
    }
    static const GlobalHttpInit http;
    server = new TestServer();
}

void ServerTest::TearDownTestSuite() {
    delete server;
    server = nullptr;
}

}  // namespace quennit::test
