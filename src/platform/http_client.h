#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quennit {

// A small HTTP/1.1 GET client over libcurl with exactly what the search
// session needs: one request per object, the response head before the body,
// and the body pulled in small reads on demand so that a page is never held
// whole and a break in the body shows up in the read that meets it.

// Keeps libcurl initialised while it lives. A program makes one at start,
// before any thread starts, and keeps it until every request has ended.
class GlobalHttpInit {
  public:
    GlobalHttpInit();
    ~GlobalHttpInit();

    GlobalHttpInit(const GlobalHttpInit&) = delete;
    GlobalHttpInit& operator=(const GlobalHttpInit&) = delete;

    // False when libcurl could not be initialised.
    bool Ok() const { return m_ok; }

  private:
    bool m_ok;
};

// Progress events of a request, in the order a request produces them. The
// numbers are the status codes the window's texts are keyed by.
namespace progress {
inline constexpr std::uint32_t kResolvingName = 10;
inline constexpr std::uint32_t kNameResolved = 11;
inline constexpr std::uint32_t kConnecting = 20;
inline constexpr std::uint32_t kConnected = 21;
inline constexpr std::uint32_t kSendingRequest = 30;
inline constexpr std::uint32_t kRequestSent = 31;
inline constexpr std::uint32_t kReceivingResponse = 40;
inline constexpr std::uint32_t kResponseReceived = 41;
inline constexpr std::uint32_t kClosingConnection = 50;
inline constexpr std::uint32_t kConnectionClosed = 51;
inline constexpr std::uint32_t kRedirect = 110;
}  // namespace progress

// Receives the progress events of a request: its context value and the code.
// Called on the thread that drives the request, inside its calls.
using HttpProgressFn = std::function<void(std::uint32_t context, std::uint32_t code)>;

// Time-outs in milliseconds; 0 means no limit. Send and receive are idle
// limits (no progress in that direction for that long), not caps on the
// whole transfer, so a large page on a slow but live link still arrives.
struct HttpTimeouts {
    std::uint32_t connectMs = 0;
    std::uint32_t sendMs = 0;
    std::uint32_t receiveMs = 0;
};

// Host and port of a server name. A name of the form "host:port" or
// "[v6]:port" carries its own port; any other name uses defaultPort.
struct HostPort {
    std::string host;  // without brackets
    int port = 80;
};
HostPort SplitHostAddr(std::string_view server, int defaultPort);

// The scheme a server name may start with: "http://" or "https://" (any
// case), some other "name://", or none (plain http, as site files always
// wrote it).
enum class Scheme { None, Http, Https, Other };
struct SchemeSplit {
    Scheme scheme = Scheme::None;
    std::string_view name;  // the scheme as written, without "://"
    std::string_view rest;  // host, optional ":port", whatever follows
};
SchemeSplit SplitScheme(std::string_view server);

// Scheme, host and port of a HOST_ADDR value: "https://" defaults to port
// 443, anything else to defaultPort.
struct ServerTarget {
    Scheme scheme = Scheme::None;
    HostPort hostPort;
};
ServerTarget SplitServer(std::string_view server, int defaultPort);

// Which server a HOST_ADDR value names, however it is spelled: the host in
// lower case and the port, the scheme's default filled in ("host:port").
// Politeness (one request at a time per server) goes by this key.
std::string ServerKey(std::string_view server, int defaultPort);

class HttpFile;

// A GET request for object (path and query, sent as given except that
// blanks, control and non-ASCII bytes are percent-encoded) to a server as
// the site file writes it, on port unless it names one. Every request opens
// a connection of its own. A server starting with "https://" is asked over
// TLS, on port 443 unless it names one; the certificate is verified against
// the system's store and the bundle QUENNIT_CA_FILE names, if any. Any other
// scheme fails (InternetException). Nothing is sent before Send. Must be
// called on the thread that will drive the request; a stop of that thread's
// search abandons it.
std::unique_ptr<HttpFile> OpenRequest(std::string_view server, int port, const std::string& object,
                                      std::uint32_t context, const HttpTimeouts& timeouts,
                                      HttpProgressFn progress);

class HttpFile {
  public:
    // Ends the request quietly (no progress events).
    ~HttpFile();

    HttpFile(const HttpFile&) = delete;
    HttpFile& operator=(const HttpFile&) = delete;

    // One header line without line end, replacing a header of the same name.
    void AddRequestHeader(const std::string& line);

    // Sends the request and returns once the head of the final response is
    // in (redirects to http and https followed, at most 10). Throws
    // InternetException on failure or time-out (CertificateException,
    // ProxyRefusedException and BadResponseException for the failures that
    // another attempt can't mend), StopRequested on a stop.
    void Send();

    // Status code of the final response; 0 before Send.
    int GetStatusCode() const;

    // The final response's Content-Type header (its charset names the
    // page's code); empty when there is none.
    std::string GetContentType() const;

    // Up to size body bytes. Blocks until at least one byte, the end of the
    // body (0) or a failure (InternetException, also for the receive
    // time-out; StopRequested on a stop).
    std::size_t Read(char* buffer, std::size_t size);

    // True once the whole body has arrived and been read.
    bool BodyEnded() const;

    // Ends the request; the connection's closing events are reported.
    void Close();

    // Most body bytes ever held between the network and Read.
    std::size_t PeakBuffered() const;

    struct Impl;  // defined with the client's callbacks

    explicit HttpFile(std::unique_ptr<Impl> impl);

  private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace quennit
