#include "net/inet_session.h"
#include "platform/errors.h"
#include "platform/http_client.h"

namespace quennit {

namespace {

constexpr unsigned kChunk = 1023;
constexpr int kMaxEmptyReads = 10;
constexpr std::uint32_t kEmptyReadPauseMs = 100;
constexpr std::uint32_t kFailurePauseMs = 1000;

}  // namespace

int CInetSession::ReadPage(std::uint32_t site, char* buffer, unsigned size, PageEnd end) {
    auto found = m_connMap.Lookup(site);
    if (!found || !found->m_pFile || !found->m_pConnection) {
        return -1;
    }
    SiteConn conn = std::move(*found);

    // The request is closed and forgotten however the page ends, a stop
    // included.
    struct Closer {
        CInetSession& session;
        std::uint32_t site;
        SiteConn& conn;
        ~Closer() {
            CloseRequestObjects(conn);
            session.m_connMap.Store(site, conn);
        }
    } closer{*this, site, conn};

    unsigned kept = 0;
    unsigned chunk = 0;
    int empty = 0;
    std::int32_t failuresLeft = AttemptBudget();
    bool reading = true;
    while (reading) {
        if (empty >= kMaxEmptyReads) {
            break;
        }
        // Compared without overflow: kept + chunk + kChunk > size.
        if (kChunk > size || kept + chunk > size - kChunk) {
            break;
        }
        kept += chunk;
        if (failuresLeft == 0) {
            break;
        }
        while (true) {
            try {
                chunk = static_cast<unsigned>(conn.m_pFile->Read(buffer + kept, kChunk));
                break;
            } catch (const InternetException&) {
                SendToWindow(conn.m_pErrorWnd, WM_INET_ERROR, site, 2);
                --failuresLeft;
                Pause(kFailurePauseMs);
                if (failuresLeft == 0) {
                    reading = false;
                    break;
                }
            }
        }
        if (!reading) {
            break;
        }
        if (chunk == 0) {
            if (end == PageEnd::AtBodyEnd && conn.m_pFile->BodyEnded()) {
                break;
            }
            Pause(kEmptyReadPauseMs);
            ++empty;
        } else {
            empty = 0;
        }
    }
    buffer[kept] = '\0';
    return static_cast<int>(kept);
}

}  // namespace quennit
