#include <atomic>
#include <chrono>
#include <memory>

#include "engine/keyword.h"
#include "engine/search_session.h"
#include "engine/site_scheduler.h"
#include "platform/errors.h"
#include "platform/http_client.h"
#include "platform/stop.h"

namespace quennit {

namespace {

constexpr int kPort = 80;

}  // namespace

SearchEnd CSearchSession::Search(const SjisString& group, const std::string& keyword,
                                 const SearchOptions& options) {
    // Sites due, and those skipped because their code can't hold the keyword.
    std::atomic<int> due{0};
    std::atomic<int> skipped{0};
    const auto searchSite = [&](std::uint32_t n) {
        ++due;
        skipped += SearchSite(n, keyword, options) ? 0 : 1;
    };
    const auto outcome = [&] {
        return due > 0 && skipped == due ? SearchEnd::KeywordUnsendable : SearchEnd::Completed;
    };
    if (options.jobs <= 0) {
        for (std::uint32_t n = 1; static_cast<int>(n) <= GetSiteCount(); ++n) {
            ThrowIfStopped();
            if (IsAsked(n, group)) {
                searchSite(n);
            }
        }
        return outcome();
    }
    std::uint32_t next = 1;
    RunSiteJobs(
        options.jobs,
        [&]() -> std::optional<SiteJob> {
            // The site count, the switches and the group are read at each
            // site's turn, as one after another would.
            for (; static_cast<int>(next) <= GetSiteCount(); ++next) {
                if (IsAsked(next, group)) {
                    const auto conn = m_connMap.Lookup(next);
                    return SiteJob{next++, ServerKey(conn ? conn->m_strServer : "", kPort)};
                }
            }
            return std::nullopt;
        },
        searchSite);
    return outcome();
}

bool CSearchSession::IsAsked(std::uint32_t site, const SjisString& group) const {
    const auto def = m_sites.Lookup(site);
    return def && def->m_bEnabled != 0 && (group.empty() || group == def->m_strGroup);
}

bool CSearchSession::SearchSite(std::uint32_t n, const std::string& keyword,
                                const SearchOptions& options) {
    const auto started = std::chrono::steady_clock::now();
    const PageEnd end = options.jobs > 0 ? PageEnd::AtBodyEnd : PageEnd::AfterEmptyReads;
    int pages = 0;
    for (int attempts = SEARCH_ATTEMPTS; attempts != 0;) {
        try {
            // An open request belongs to this frame: a stop or a failure that
            // unwinds it ends the request.
            PageRequest first = RequestFirstPage(n, keyword);
            if (first.status == KEYWORD_UNSENDABLE) {
                return false;  // not asked, so no outcome either
            }
            if (first.status == 200) {
                ReadSitePages(n, std::move(first.page), end, pages);
            }
            break;
        } catch (const StopRequested&) {
            throw;  // a stop is no failure to try again
        } catch (const QuennitException&) {
            --attempts;
        }
    }
    if (options.onSiteEnd) {
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        options.onSiteEnd(SiteOutcome{n, pages, took.count()});
    }
    return true;
}

CSearchSession::PageRequest CSearchSession::RequestFirstPage(std::uint32_t site,
                                                             const std::string& keyword) {
    const auto def = m_sites.Lookup(site);
    if (!def || def->m_strUrlFormat.empty()) {
        return {-1, nullptr};
    }
    const auto path = BuildRequestPath(*def, keyword);
    if (!path) {
        ReportError(site, ErrorKind::KeywordUnsendable);
        return {KEYWORD_UNSENDABLE, nullptr};
    }
    return RequestPage(site, nullptr, &*path, kPort);
}

CSearchSession::FetchedPage CSearchSession::FetchFirstPage(std::uint32_t site,
                                                           const std::string& keyword) {
    return ReadWholePage(site, RequestFirstPage(site, keyword), PAGE_READ_LIMIT);
}

int CSearchSession::ReadSitePages(std::uint32_t site, OpenPage open, PageEnd end, int& pages) {
    ResetPaging(site);
    // Too big for a thread's stack to be a good neighbour; one block serves
    // every page of the site and goes with it.
    const auto page = std::make_unique<char[]>(PAGE_BUFFER_SIZE);
    std::set<SjisString> asked;
    if (const auto conn = m_connMap.Lookup(site)) {
        asked.insert(conn->m_strObject);
    }
    for (int read = 1;; ++read) {
        ThrowIfStopped();
        const int hitsBefore = m_sites.Lookup(site).value_or(SiteDef{}).m_nHits;
        if (ReadPage(site, std::move(open), page.get(), PAGE_READ_LIMIT, end) < 0) {
            return -1;
        }
        ++pages;
        const int scanned = ExtractResults(page.get(), site);
        if (scanned < 0) {
            return -2;
        }
        ThrowIfStopped();
        const std::uint32_t why = scanned == NEXT_LINK_TOO_LONG
                                      ? kStatusNextLinkTooLong
                                      : PagingEnd(site, hitsBefore, read, asked);
        if (why != 0) {
            ReportProgress(site, why);
            return 0;
        }
        PageRequest next = RequestNextPage(site);
        if (next.status != 200) {
            return 0;
        }
        open = std::move(next.page);
    }
}

std::uint32_t CSearchSession::PagingEnd(std::uint32_t site, int hitsBefore, int pagesRead,
                                        std::set<SjisString>& asked) const {
    const auto def = m_sites.Lookup(site);
    if (!def || def->m_strNextUrl.empty() || def->m_nHits >= def->m_nMaxCount) {
        return 0;  // paging ends by itself
    }
    // A stale site block (entry rules that no longer match, a next-page rule
    // that still does) or a link back to a page already read would otherwise
    // ask the server for ever.
    if (def->m_nHits == hitsBefore) {
        return kStatusPageWithoutResults;
    }
    if (!asked.insert(def->m_strNextUrl).second) {
        return kStatusPageRepeated;
    }
    return pagesRead >= MAX_PAGES ? kStatusPageLimit : 0;
}

CSearchSession::PageRequest CSearchSession::RequestNextPage(std::uint32_t site) {
    const auto def = m_sites.Lookup(site);
    // Nothing to ask: no next page, or the site's limit is reached.
    if (!def || def->m_strUrlFormat.empty() || def->m_strNextUrl.empty() ||
        def->m_nHits >= def->m_nMaxCount) {
        return {-1, nullptr};
    }
    return RequestPage(site, nullptr, &def->m_strNextUrl, kPort);
}

void CSearchSession::ResetPaging(std::uint32_t site) {
    m_sites.StoreRunState(site, 0, 0, {});
}

}  // namespace quennit
