#pragma once

#include <cstdint>

namespace quennit {

// Why a site's request or page read failed.
enum class ErrorKind {
    SendFailed,         // an attempt got no answer
    ReadFailed,         // a read of the body failed
    Certificate,        // TLS verification failed
    ProxyRefused,       // the proxy refused the tunnel
    BadResponse,        // an answer that can't be read
    KeywordUnsendable,  // the keyword has no form in the site's code
    HttpStatus,         // answered with a status other than 200
};

// What a request tells about its site while it runs. Delivered on the
// thread that asks the site, synchronously: the receiver has handled each
// event when the call returns.
class IRequestEvents {
  public:
    virtual ~IRequestEvents() = default;

    // A progress code of the site's request (the HTTP client's, or the run's).
    virtual void OnProgress(std::uint32_t site, std::uint32_t code) = 0;
    // status is the HTTP status for ErrorKind::HttpStatus, else 0.
    virtual void OnError(std::uint32_t site, ErrorKind kind, int status) = 0;
};

}  // namespace quennit
