#include <memory>

#include "net/inet_session.h"
#include "platform/errors.h"
#include "platform/http_client.h"
#include "platform/stop.h"

namespace quennit {

namespace {

// The headers every request carries, replacing the client's own.
constexpr const char* kRequestHeaders[] = {
    "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)",
    "Accept: */*",
    "Accept-Language: ja",
};

// Pause after a failed attempt.
constexpr std::uint32_t kRetryPauseMs = 1000;

}  // namespace

CInetSession::PageRequest CInetSession::RequestPage(std::uint32_t site, const SjisString* server,
                                                    const SjisString* object, int port) {
    SiteConn conn = m_connMap.Lookup(site).value_or(SiteConn{});
    PageRequest request;
    if ((server == nullptr && conn.m_strServer.empty()) ||
        (object == nullptr && conn.m_strObject.empty())) {
        request.status = -1;
        return request;
    }
    if (server != nullptr) {
        conn.m_strServer = *server;
    }
    if (object != nullptr) {
        conn.m_strObject = *object;
    }
    conn.m_nPort = port;
    m_connMap.Store(site, conn);

    const std::uint32_t timeout = m_nTimeout.load();
    const HttpTimeouts timeouts{timeout, timeout, timeout};
    auto progress = [this](std::uint32_t context, std::uint32_t code) {
        ReportProgress(context, code);
    };

    // A request that is given up is closed at once, so that its closing is
    // reported with it.
    const auto close = [&request] {
        if (request.page) {
            request.page->Close();
            request.page.reset();
        }
    };
    std::int32_t attempts = AttemptBudget();
    const auto giveUp = [&](ErrorKind kind) {
        ReportError(site, kind);
        close();
        attempts = 0;
    };
    while (attempts != 0) {
        ThrowIfStopped();
        try {
            request.page = OpenRequest(conn.m_strServer, conn.m_nPort, conn.m_strObject, site,
                                       timeouts, progress);
            for (const char* header : kRequestHeaders) {
                request.page->AddRequestHeader(header);
            }
            request.page->Send();
            request.status = request.page->GetStatusCode();
            break;
        } catch (const CertificateException&) {
            // The same certificate (proxy, answer) would fail every attempt:
            // one line, no pause.
            giveUp(ErrorKind::Certificate);
        } catch (const ProxyRefusedException&) {
            giveUp(ErrorKind::ProxyRefused);
        } catch (const BadResponseException&) {
            giveUp(ErrorKind::BadResponse);
        } catch (const InternetException&) {
            ReportError(site, ErrorKind::SendFailed);
            --attempts;
            close();
            Pause(kRetryPauseMs);
        }
    }

    if (request.status != 200 && attempts != 0) {
        ReportError(site, ErrorKind::HttpStatus, request.status);
        // Not read, so not kept: nothing of it lingers until the next page.
        close();
    }
    return request;
}

}  // namespace quennit
