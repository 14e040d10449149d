#include "platform/http_client.h"

#include <curl/curl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <stop_token>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/stop.h"

namespace quennit {

namespace {

using Clock = std::chrono::steady_clock;

// Body bytes buffered before the transfer is paused. One more delivery of
// libcurl (at most CURL_MAX_WRITE_SIZE) may land on top of it.
constexpr std::size_t kPauseAt = 16 * 1024;
// Most header bytes of one response; a server sending headers without end
// fails the request instead of filling memory.
constexpr std::size_t kMaxHeaderBytes = 256 * 1024;
constexpr int kMaxRedirects = 10;
// Longest single wait for socket activity; stops wake the wait at once.
constexpr int kMaxPollMs = 1000;

bool IsDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view TrimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::optional<int> ParsePort(std::string_view s) {
    if (!IsDigits(s) || s.size() > 5) {
        return std::nullopt;
    }
    int port = 0;
    std::from_chars(s.data(), s.data() + s.size(), port);
    if (port <= 0 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

// The object path as it goes on the request line. Site files write paths
// already escaped; only bytes that can't stand in a request line are encoded.
std::string EncodeObject(const std::string& object) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    if (object.empty() || object.front() != '/') {
        out += '/';
    }
    for (const char c : object) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F || c == '#') {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

GlobalHttpInit::GlobalHttpInit() : m_ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

GlobalHttpInit::~GlobalHttpInit() {
    if (m_ok) {
        curl_global_cleanup();
    }
}

HostPort SplitHostAddr(std::string_view server, int defaultPort) {
    HostPort hp{std::string(server), defaultPort};
    if (!server.empty() && server.front() == '[') {
        const auto close = server.find(']');
        if (close != std::string_view::npos) {
            const std::string_view rest = server.substr(close + 1);
            if (rest.empty()) {
                hp.host = std::string(server.substr(1, close - 1));
            } else if (rest.front() == ':') {
                if (const auto port = ParsePort(rest.substr(1))) {
                    hp.host = std::string(server.substr(1, close - 1));
                    hp.port = *port;
                }
            }
        }
        return hp;
    }
    const auto colon = server.find(':');
    if (colon != std::string_view::npos && server.find(':', colon + 1) == std::string_view::npos) {
        if (const auto port = ParsePort(server.substr(colon + 1))) {
            hp.host = std::string(server.substr(0, colon));
            hp.port = *port;
        }
    }
    return hp;
}

SchemeSplit SplitScheme(std::string_view server) {
    SchemeSplit out{Scheme::None, {}, server};
    const auto sep = server.find("://");
    if (sep == std::string_view::npos || sep == 0) {
        return out;
    }
    const std::string_view name = server.substr(0, sep);
    const bool schemeLike = std::isalpha(static_cast<unsigned char>(name.front())) != 0 &&
                            std::all_of(name.begin(), name.end(), [](char c) {
                                return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
                                       c == '+' || c == '-' || c == '.';
                            });
    if (!schemeLike) {
        return out;
    }
    const auto is = [name](std::string_view s) {
        return name.size() == s.size() && strncasecmp(name.data(), s.data(), s.size()) == 0;
    };
    out.scheme = is("https") ? Scheme::Https : is("http") ? Scheme::Http : Scheme::Other;
    out.name = name;
    out.rest = server.substr(sep + 3);
    return out;
}

ServerTarget SplitServer(std::string_view server, int defaultPort) {
    const SchemeSplit split = SplitScheme(server);
    return {split.scheme,
            SplitHostAddr(split.rest, split.scheme == Scheme::Https ? 443 : defaultPort)};
}

std::string ServerKey(std::string_view server, int defaultPort) {
    HostPort hp = SplitServer(server, defaultPort).hostPort;
    std::transform(hp.host.begin(), hp.host.end(), hp.host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return hp.host + ":" + std::to_string(hp.port);
}

struct HttpFile::Impl {
    std::string url;
    std::uint32_t context = 0;
    HttpTimeouts timeouts;
    HttpProgressFn progress;
    std::stop_token stop;

    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    std::vector<std::string> headerLines;
    // Wakes a wait in curl_multi_poll when the search is stopped.
    std::optional<std::stop_callback<std::function<void()>>> stopWake;

    // Transfer state.
    bool started = false;
    bool headDone = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    bool paused = false;
    bool reading = false;
    bool quiet = false;
    bool badResponse = false;
    int status = 0;
    std::string failure;  // our own reason for aborting, if any

    // Body bytes between libcurl and Read: buffer[pos, size).
    std::string buffer;
    std::size_t pos = 0;
    std::size_t peak = 0;

    // Per-response head state.
    bool sawLocation = false;
    std::string contentLength;  // as the first Content-Length header gave it
    std::size_t headerBytes = 0;
    bool statusLineSeen = false;

    // Which events of the current connection and request were reported.
    bool connecting = false;
    bool requestSentReported = false;
    bool closingReported = false;
    bool connected = false;    // the request is being sent
    bool requestSent = false;  // waiting for or reading the response
    Clock::time_point lastIn{};
    Clock::time_point lastOut{};

    void Emit(std::uint32_t code) {
        if (!quiet && progress) {
            progress(context, code);
        }
    }

    std::size_t Buffered() const { return buffer.size() - pos; }

    void Cleanup();
    void Drive(const std::function<bool()>& ready, Clock::time_point entry);
    [[noreturn]] void ThrowFailure() const;
    void Perform();
};

namespace {

HttpFile::Impl& Of(void* p) {
    return *static_cast<HttpFile::Impl*>(p);
}

int OnResolverStart(void*, void*, void* userdata) {
    Of(userdata).Emit(progress::kResolvingName);
    return 0;
}

curl_socket_t OnOpenSocket(void* clientp, curlsocktype, curl_sockaddr* addr) {
    auto& impl = Of(clientp);
    if (!impl.connecting) {
        impl.connecting = true;
        impl.closingReported = false;
        impl.Emit(progress::kNameResolved);
        impl.Emit(progress::kConnecting);
    }
    return socket(addr->family, addr->socktype | SOCK_CLOEXEC, addr->protocol);
}

int OnCloseSocket(void* clientp, curl_socket_t fd) {
    auto& impl = Of(clientp);
    const int rc = close(fd);
    if (impl.connecting) {
        impl.connecting = false;
        impl.Emit(progress::kConnectionClosed);
    }
    return rc;
}

int OnPreRequest(void* clientp, char*, char*, int, int) {
    auto& impl = Of(clientp);
    impl.Emit(progress::kConnected);
    impl.Emit(progress::kSendingRequest);
    impl.connected = true;
    impl.requestSent = false;
    impl.requestSentReported = false;
    impl.lastOut = Clock::now();
    return CURL_PREREQFUNC_OK;
}

int OnDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* userptr) {
    auto& impl = Of(userptr);
    switch (type) {
        case CURLINFO_HEADER_OUT:
        case CURLINFO_DATA_OUT:
            impl.lastOut = Clock::now();
            if (!impl.requestSentReported) {
                impl.requestSentReported = true;
                impl.requestSent = true;
                impl.lastIn = impl.lastOut;
                impl.Emit(progress::kRequestSent);
            }
            break;
        case CURLINFO_HEADER_IN:
        case CURLINFO_DATA_IN:
            impl.lastIn = Clock::now();
            break;
        case CURLINFO_TEXT: {
            static constexpr std::string_view kClosing = "Closing connection";
            if (impl.connecting && !impl.closingReported &&
                std::string_view(data, size).substr(0, kClosing.size()) == kClosing) {
                impl.closingReported = true;
                impl.Emit(progress::kClosingConnection);
            }
            break;
        }
        default:
            break;
    }
    return 0;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t nitems, void* userdata) {
    auto& impl = Of(userdata);
    const std::size_t total = size * nitems;
    const std::string_view line(data, total);
    impl.headerBytes += total;
    if (impl.headerBytes > kMaxHeaderBytes) {
        impl.failure = "response head too large";
        return 0;
    }
    if (line.substr(0, 5) == "HTTP/") {
        impl.sawLocation = false;
        impl.contentLength.clear();
        if (!impl.statusLineSeen) {
            impl.statusLineSeen = true;
            impl.Emit(progress::kReceivingResponse);
        }
        return total;
    }
    if (line.size() >= 9 && strncasecmp(line.data(), "location:", 9) == 0) {
        impl.sawLocation = true;
        return total;
    }
    if (line.size() >= 15 && strncasecmp(line.data(), "content-length:", 15) == 0) {
        // Two different lengths leave the body's end a guess; a page cut at
        // the wrong one would read as a site without results.
        std::string value(TrimBlanks(line.substr(15)));
        if (!impl.contentLength.empty() && value != impl.contentLength) {
            impl.failure = "conflicting Content-Length headers";
            impl.badResponse = true;
            return 0;
        }
        impl.contentLength = std::move(value);
        return total;
    }
    if (line == "\r\n" || line == "\n") {
        long code = 0;
        curl_easy_getinfo(impl.easy, CURLINFO_RESPONSE_CODE, &code);
        if (code >= 100 && code < 200) {
            return total;  // an interim answer; the real one follows
        }
        impl.headerBytes = 0;
        impl.statusLineSeen = false;
        if (code >= 300 && code < 400 && impl.sawLocation) {
            impl.sawLocation = false;
            impl.Emit(progress::kRedirect);
            return total;
        }
        impl.status = static_cast<int>(code);
        impl.headDone = true;
        impl.Emit(progress::kResponseReceived);
    }
    return total;
}

std::size_t OnWrite(char* data, std::size_t size, std::size_t nmemb, void* userdata) {
    auto& impl = Of(userdata);
    const std::size_t total = size * nmemb;
    // Until the first Read the body stays on the wire: Send ends with the
    // head, and whatever happens to the body is met by the reads.
    if (!impl.reading || impl.Buffered() >= kPauseAt) {
        impl.paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (impl.pos > 0) {
        impl.buffer.erase(0, impl.pos);
        impl.pos = 0;
    }
    impl.buffer.append(data, total);
    impl.peak = std::max(impl.peak, impl.buffer.size());
    return total;
}

int OnTransferInfo(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return Of(clientp).stop.stop_requested() ? 1 : 0;
}

}  // namespace

std::unique_ptr<HttpFile> OpenRequest(std::string_view server, int port, const std::string& object,
                                      std::uint32_t context, const HttpTimeouts& timeouts,
                                      HttpProgressFn progressFn) {
    const ServerTarget target = SplitServer(server, port);
    if (target.scheme == Scheme::Other) {
        throw InternetException("only http:// and https:// servers can be asked");
    }
    auto impl = std::make_unique<HttpFile::Impl>();
    const HostPort& hp = target.hostPort;
    const bool v6 = hp.host.find(':') != std::string::npos;
    impl->url = (target.scheme == Scheme::Https ? "https://" : "http://") +
                (v6 ? "[" + hp.host + "]" : hp.host) + ":" + std::to_string(hp.port) +
                EncodeObject(object);
    impl->context = context;
    impl->timeouts = timeouts;
    impl->progress = std::move(progressFn);
    impl->stop = CurrentStopToken();

    impl->easy = curl_easy_init();
    impl->multi = curl_multi_init();
    if (impl->easy == nullptr || impl->multi == nullptr) {
        impl->Cleanup();
        throw InternetException("cannot create a request");
    }
    CURLM* multi = impl->multi;
    impl->stopWake.emplace(impl->stop, [multi] { curl_multi_wakeup(multi); });
    return std::make_unique<HttpFile>(std::move(impl));
}

HttpFile::HttpFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

HttpFile::~HttpFile() {
    m_impl->quiet = true;
    m_impl->Cleanup();
}

void HttpFile::Impl::Cleanup() {
    // The wake-up must be gone before the handle it pokes.
    stopWake.reset();
    if (multi != nullptr && easy != nullptr && started) {
        curl_multi_remove_handle(multi, easy);
    }
    if (easy != nullptr) {
        curl_easy_cleanup(easy);
        easy = nullptr;
    }
    if (multi != nullptr) {
        curl_multi_cleanup(multi);
        multi = nullptr;
    }
    if (headers != nullptr) {
        curl_slist_free_all(headers);
        headers = nullptr;
    }
    std::string().swap(buffer);
    pos = 0;
}

void HttpFile::AddRequestHeader(const std::string& line) {
    m_impl->headerLines.push_back(line);
}

int HttpFile::GetStatusCode() const {
    return m_impl->status;
}

std::string HttpFile::GetContentType() const {
    char* type = nullptr;
    if (m_impl->easy == nullptr ||
        curl_easy_getinfo(m_impl->easy, CURLINFO_CONTENT_TYPE, &type) != CURLE_OK ||
        type == nullptr) {
        return {};
    }
    return type;
}

std::size_t HttpFile::PeakBuffered() const {
    return m_impl->peak;
}

void HttpFile::Close() {
    m_impl->Cleanup();
}

void HttpFile::Send() {
    Impl& impl = *m_impl;
    if (impl.easy == nullptr || impl.started) {
        throw InternetException("request not open");
    }
    ThrowIfStopped();
    CURL* e = impl.easy;
    for (const auto& line : impl.headerLines) {
        impl.headers = curl_slist_append(impl.headers, line.c_str());
    }
    impl.headers = curl_slist_append(impl.headers, "Accept-Encoding:");
    curl_easy_setopt(e, CURLOPT_URL, impl.url.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, impl.headers);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // Every request has a connection of its own, closed with the request, so
    // that its closing is reported with it and nothing outlives the page.
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(impl.timeouts.connectMs));
    curl_easy_setopt(e, CURLOPT_RESOLVER_START_FUNCTION, OnResolverStart);
    curl_easy_setopt(e, CURLOPT_RESOLVER_START_DATA, &impl);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, OnOpenSocket);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, &impl);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, OnCloseSocket);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, &impl);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, OnPreRequest);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, &impl);
    // The debug stream is where the request leaving and the connection
    // closing can be seen.
    curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, OnDebug);
    curl_easy_setopt(e, CURLOPT_DEBUGDATA, &impl);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &impl);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &impl);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    // An extra authority (a company proxy's, a test's) on top of the
    // system's store, which libcurl keeps finding through its CA path.
    if (const char* caFile = std::getenv("QUENNIT_CA_FILE"); caFile != nullptr && *caFile != 0) {
        curl_easy_setopt(e, CURLOPT_CAINFO, caFile);
    }
    // Through a proxy an https request first opens a tunnel; the proxy's
    // "200 Connection established" is not the server's answer.
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    // A body compressed although the request never offered it (some servers
    // and caches do) is decoded as a browser would. The request itself still
    // offers nothing: the empty Accept-Encoding header among the request's
    // headers keeps libcurl's own off the wire.
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, OnTransferInfo);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &impl);

    if (curl_multi_add_handle(impl.multi, e) != CURLM_OK) {
        throw InternetException("cannot start the request");
    }
    impl.started = true;
    impl.Drive([&impl] { return impl.headDone || impl.paused; }, Clock::now());
    if (!impl.headDone) {
        throw InternetException(impl.failure.empty() ? "no response" : impl.failure);
    }
}

std::size_t HttpFile::Read(char* out, std::size_t size) {
    Impl& impl = *m_impl;
    if (impl.easy == nullptr || !impl.started) {
        throw InternetException("request not open");
    }
    if (size == 0) {
        return 0;
    }
    impl.reading = true;
    if (impl.Buffered() == 0 && !impl.done) {
        if (impl.paused) {
            impl.paused = false;
            curl_easy_pause(impl.easy, CURLPAUSE_CONT);
        }
        impl.Drive([&impl] { return impl.Buffered() > 0; }, Clock::now());
    }
    const std::size_t n = std::min(size, impl.Buffered());
    if (n > 0) {
        std::memcpy(out, impl.buffer.data() + impl.pos, n);
        impl.pos += n;
        if (impl.pos == impl.buffer.size()) {
            impl.buffer.clear();
            impl.pos = 0;
        }
        return n;
    }
    ThrowIfStopped();
    if (impl.result != CURLE_OK) {
        throw InternetException(impl.failure.empty() ? curl_easy_strerror(impl.result)
                                                     : impl.failure);
    }
    return 0;
}

bool HttpFile::BodyEnded() const {
    return m_impl->done && m_impl->result == CURLE_OK && m_impl->Buffered() == 0;
}

// The failed transfer's reason, as the exception the session tells apart.
void HttpFile::Impl::ThrowFailure() const {
    if (result == CURLE_PEER_FAILED_VERIFICATION || result == CURLE_SSL_CACERT_BADFILE) {
        throw CertificateException(curl_easy_strerror(result));
    }
    if (badResponse) {
        throw BadResponseException(failure);
    }
    long connectCode = 0;
    curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    if (connectCode >= 300) {
        throw ProxyRefusedException("the proxy answered the tunnel request with " +
                                    std::to_string(connectCode));
    }
    throw InternetException(failure.empty() ? curl_easy_strerror(result) : failure);
}

void HttpFile::Impl::Perform() {
    int running = 0;
    const CURLMcode mc = curl_multi_perform(multi, &running);
    if (mc != CURLM_OK) {
        throw InternetException(curl_multi_strerror(mc));
    }
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
        if (msg->msg == CURLMSG_DONE) {
            done = true;
            result = msg->data.result;
        }
    }
}

// Drives the transfer until ready() holds or it ends. Idle time-outs count
// only time spent here: a caller that reads slowly holds back the transfer
// (it is paused), which is not the server's fault.
void HttpFile::Impl::Drive(const std::function<bool()>& ready, Clock::time_point entry) {
    while (true) {
        if (stop.stop_requested()) {
            throw StopRequested();
        }
        Perform();
        if (stop.stop_requested()) {
            throw StopRequested();
        }
        if (ready()) {
            return;
        }
        if (done) {
            if (result != CURLE_OK && !headDone) {
                ThrowFailure();
            }
            return;
        }
        const auto now = Clock::now();
        std::optional<Clock::time_point> deadline;
        if (requestSent && timeouts.receiveMs != 0) {
            deadline = std::max(lastIn, entry) + std::chrono::milliseconds(timeouts.receiveMs);
        } else if (connected && !requestSent && timeouts.sendMs != 0) {
            deadline = std::max(lastOut, entry) + std::chrono::milliseconds(timeouts.sendMs);
        }
        int waitMs = kMaxPollMs;
        if (deadline) {
            if (now >= *deadline) {
                throw InternetException(requestSent ? "receive timed out" : "send timed out");
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now).count();
            waitMs = static_cast<int>(std::min<long long>(left, kMaxPollMs));
        }
        const CURLMcode mc = curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        if (mc != CURLM_OK) {
            throw InternetException(curl_multi_strerror(mc));
        }
    }
}

}  // namespace quennit
