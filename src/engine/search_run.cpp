#include <memory>

#include "engine/keyword.h"
#include "engine/search_session.h"
#include "platform/errors.h"
#include "platform/stop.h"

namespace quennit {

namespace {

constexpr int kPort = 80;

}  // namespace

int CSearchSession::Search(const SjisString& group, const SjisString& keyword) {
    for (std::uint32_t n = 1; static_cast<int>(n) <= GetSiteCount(); ++n) {
        ThrowIfStopped();
        const auto def = m_sites.Lookup(n);
        if (!def || def->m_bEnabled == 0) {
            continue;
        }
        if (!group.empty() && group != def->m_strGroup) {
            continue;
        }
        for (int attempts = SEARCH_ATTEMPTS; attempts != 0;) {
            try {
                if (RequestFirstPage(n, keyword) == 200) {
                    ReadResultPages(n);
                }
                break;
            } catch (const StopRequested&) {
                // Leave nothing open for the next run to stumble over.
                CloseRequest(n);
                throw;
            } catch (const QuennitException&) {
                --attempts;
            }
        }
    }
    return 0;
}

int CSearchSession::RequestFirstPage(std::uint32_t site, SjisString keyword) {
    const auto def = m_sites.Lookup(site);
    if (!def || def->m_strUrlFormat.empty()) {
        return -1;
    }
    const SjisString path = BuildRequestPath(*def, keyword);
    return RequestPage(site, nullptr, &path, kPort);
}

int CSearchSession::ReadResultPages(std::uint32_t site) {
    ResetPaging(site);
    // Too big for a thread's stack to be a good neighbour; one block serves
    // every page of the site.
    const auto page = std::make_unique<char[]>(PAGE_BUFFER_SIZE);
    while (true) {
        ThrowIfStopped();
        if (ReadPage(site, page.get(), PAGE_READ_LIMIT) < 0) {
            return -1;
        }
        if (ExtractResults(page.get(), site) < 0) {
            return -2;
        }
        ThrowIfStopped();
        if (RequestNextPage(site) != 200) {
            return 0;
        }
    }
}

int CSearchSession::RequestNextPage(std::uint32_t site) {
    const auto def = m_sites.Lookup(site);
    if (!def || def->m_strUrlFormat.empty()) {
        return -1;
    }
    if (def->m_strNextUrl.empty()) {
        return 1;
    }
    if (def->m_nHits >= def->m_nMaxCount) {
        return 2;
    }
    return RequestPage(site, nullptr, &def->m_strNextUrl, kPort);
}

void CSearchSession::ResetPaging(std::uint32_t site) {
    m_sites.StoreRunState(site, 0, 0, {});
}

}  // namespace quennit
