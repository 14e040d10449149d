#pragma once

#include <stdexcept>
#include <string>

namespace quennit {

// Base of every failure that the network and file layers raise. The search
// run catches exactly this type (and its subclasses) where a site's work is
// retried; anything else is a programming error and is left alone.
class QuennitException : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file could not be opened or read.
class FileException : public QuennitException {
  public:
    using QuennitException::QuennitException;
};

// A network operation failed: name not resolved, refused, reset, timed out.
class InternetException : public QuennitException {
  public:
    using QuennitException::QuennitException;
};

// The server's TLS certificate failed verification (untrusted, expired, or
// for another host name). Retrying can't help.
class CertificateException : public InternetException {
  public:
    using InternetException::InternetException;
};

// A forward proxy refused to open the tunnel to the server (a CONNECT
// answered with anything but 2xx). Retrying can't help either.
class ProxyRefusedException : public InternetException {
  public:
    using InternetException::InternetException;
};

// The server's answer can't be trusted as a page (two different lengths
// announced). Retrying would get the same answer.
class BadResponseException : public InternetException {
  public:
    using InternetException::InternetException;
};

// The search was stopped by its owner. Raised inside network calls so that a
// blocked request unwinds at once; the search run never retries after it.
class StopRequested : public QuennitException {
  public:
    StopRequested() : QuennitException("search stopped") {}
};

}  // namespace quennit
