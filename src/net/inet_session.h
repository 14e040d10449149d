#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "net/request_events.h"
#include "net/site_conn.h"
#include "platform/http_client.h"
#include "sitedef/site_def.h"

namespace quennit {

// The network half of the search session: time-outs and attempt count, the
// per-site connection table, sending one GET per page and reading its body,
// and the progress and error texts of the status line.
class CInetSession {
  public:
    CInetSession();
    virtual ~CInetSession();

    CInetSession(const CInetSession&) = delete;
    CInetSession& operator=(const CInetSession&) = delete;

    // Connect, send and receive time-outs, in milliseconds; 0 means none.
    void SetTimeout(std::uint32_t milliseconds);
    std::uint32_t GetTimeout() const { return m_nTimeout.load(); }

    // Attempts per request, and the failure budget of a page read.
    void SetRetry(int count) { m_nRetry.store(count); }
    int GetRetry() const { return m_nRetry.load(); }

    // Where every site's progress and errors go (not owned; null: nowhere).
    // Set before a request is made.
    void SetEvents(IRequestEvents* events) { m_events = events; }
    void SetServer(std::uint32_t site, const SjisString& server) {
        m_connMap.SetServer(site, server);
    }
    std::optional<SiteConn> LookupConn(std::uint32_t site) const { return m_connMap.Lookup(site); }

    // An answered request whose body is still on the wire. Its owner reads
    // it with ReadPage, which closes it; dropped unread, it ends quietly.
    using OpenPage = std::unique_ptr<HttpFile>;
    struct PageRequest {
        int status = 0;  // 200: page waits; 0: no attempt got a response; -1: no host or path
        OpenPage page;
    };

    // Sends one GET for the site. A null server or object means the value
    // stored in the site's record (the record keeps what was asked).
    PageRequest RequestPage(std::uint32_t site, const SjisString* server, const SjisString* object,
                            int port);

    // How a page read ends: after ten empty reads 100 ms apart, or as soon
    // as the transport reports the end of the body (a read returns nothing
    // only once the body has ended, so no empty read is waited for).
    enum class PageEnd { AfterEmptyReads, AtBodyEnd };

    // Reads an answered request's body into buffer (at most size bytes
    // used, NUL-terminated), closes the request, returns the bytes kept, or
    // -1 when there is no request.
    int ReadPage(std::uint32_t site, OpenPage page, char* buffer, unsigned size,
                 PageEnd end = PageEnd::AfterEmptyReads);

    // A request's answer whole, for a caller that looks at the page rather
    // than at results (the site doctor, the learner): the status, the
    // Content-Type header and, for a 200, the body read as a search reads
    // it (to its end, at most limit bytes; read failures are reported as a
    // search's are). The request is closed.
    struct FetchedPage {
        int status = 0;           // as PageRequest's
        std::string contentType;  // empty: none
        std::string body;
    };
    FetchedPage ReadWholePage(std::uint32_t site, PageRequest request, unsigned limit);

    // Progress codes of the search run, after the request's progress
    // codes: why a site's paging ended before its next-page link ran out.
    static constexpr std::uint32_t kStatusPageWithoutResults = 120;
    static constexpr std::uint32_t kStatusPageRepeated = 121;
    static constexpr std::uint32_t kStatusPageLimit = 122;
    static constexpr std::uint32_t kStatusNextLinkTooLong = 123;

    // Status-line texts (Shift_JIS) of a progress code and of an error.
    static SjisString GetStatusText(std::uint32_t code);
    static SjisString GetErrorText(ErrorKind kind, int status);

    // How long a pause of the given nominal length really lasts. The
    // session's pauses (1,000 ms after a failure, 100 ms after an empty read)
    // all go through Pause; tests shorten them here. Set before a search.
    using PauseClock = std::function<std::chrono::nanoseconds(std::uint32_t ms)>;
    void SetPauseClock(PauseClock clock) { m_pauseClock = std::move(clock); }

  protected:
    // The attempts a request (or the failures a page read) may use. A
    // negative count, which a hand-edited settings file can carry, would
    // never run out and retry a failing site for ever: it counts as one.
    std::int32_t AttemptBudget() const {
        const std::int32_t retry = m_nRetry.load();
        return retry < 0 ? 1 : retry;
    }

    // Waits ms milliseconds (as the pause clock says), ending at once on a
    // stop of the calling thread's search, which it reports as StopRequested.
    void Pause(std::uint32_t ms) const;

    void ReportProgress(std::uint32_t site, std::uint32_t code) const;
    void ReportError(std::uint32_t site, ErrorKind kind, int status = 0) const;

    ConnTable m_connMap;
    std::atomic<std::int32_t> m_nRetry{0};
    std::atomic<std::uint32_t> m_nTimeout{0};

  private:
    IRequestEvents* m_events = nullptr;
    PauseClock m_pauseClock;
};

}  // namespace quennit
