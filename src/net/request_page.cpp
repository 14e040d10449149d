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

int CInetSession::RequestPage(std::uint32_t site, const SjisString* server,
                              const SjisString* object, int port) {
    SiteConn conn = m_connMap.Lookup(site).value_or(SiteConn{});
    int status = 0;
    if ((server == nullptr && conn.m_strServer.empty()) ||
        (object == nullptr && conn.m_strObject.empty())) {
        return -1;
    }
    if (server != nullptr) {
        conn.m_strServer = *server;
    }
    if (object != nullptr) {
        conn.m_strObject = *object;
    }
    conn.m_nPort = port;
    // A request left open by an earlier run that was stopped is dropped
    // quietly; its closing is no news for this run's window.
    conn.m_pFile.reset();
    conn.m_pConnection.reset();

    const std::uint32_t timeout = m_nTimeout.load();
    const HttpTimeouts timeouts{timeout, timeout, timeout};
    auto progress = [this](std::uint32_t context, std::uint32_t code) {
        OnStatusCallback(context, code);
    };

    std::int32_t attempts = AttemptBudget();
    const auto giveUp = [&](LPARAM code) {
        SendToWindow(conn.m_pErrorWnd, WM_INET_ERROR, site, code);
        CloseRequestObjects(conn);
        attempts = 0;
    };
    while (attempts != 0) {
        ThrowIfStopped();
        try {
            conn.m_pConnection = std::make_shared<HttpConnection>(conn.m_strServer, conn.m_nPort);
            conn.m_pFile =
                conn.m_pConnection->OpenRequest(conn.m_strObject, site, timeouts, progress);
            for (const char* header : kRequestHeaders) {
                conn.m_pFile->AddRequestHeader(header);
            }
            conn.m_pFile->Send();
            status = conn.m_pFile->GetStatusCode();
            break;
        } catch (const CertificateException&) {
            // The same certificate (proxy, answer) would fail every attempt:
            // one line, no pause.
            giveUp(kErrorCertificate);
        } catch (const ProxyRefusedException&) {
            giveUp(kErrorProxyRefused);
        } catch (const BadResponseException&) {
            giveUp(kErrorBadResponse);
        } catch (const InternetException&) {
            SendToWindow(conn.m_pErrorWnd, WM_INET_ERROR, site, 1);
            --attempts;
            CloseRequestObjects(conn);
            Pause(kRetryPauseMs);
        }
    }

    if (status != 200 && attempts != 0) {
        SendToWindow(conn.m_pErrorWnd, WM_INET_ERROR, site, status);
        // Not read, so not kept: nothing of it lingers until the next page.
        CloseRequestObjects(conn);
    }
    m_connMap.Store(site, conn);
    return status;
}

}  // namespace quennit
