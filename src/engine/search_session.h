#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/extract.h"
#include "engine/search_events.h"
#include "net/inet_session.h"
#include "sitedef/site_file.h"
#include "sitedef/site_table.h"

namespace quennit {

// One site asked by a search, when it has ended (never after a stop).
struct SiteOutcome {
    std::uint32_t site = 0;
    int pages = 0;  // pages read, over all its attempts
    double seconds = 0;
};

// How a search run goes. With jobs 0 the sites are asked one after another;
// with jobs N up to N at a time (the MULTI switch), never two sites of one
// server at once, each by the same steps and with its messages in the same
// order, and a page ends as soon as its body has arrived.
struct SearchOptions {
    int jobs = 0;
    // Called on the thread that asked the site; may be called concurrently.
    std::function<void(const SiteOutcome&)> onSiteEnd;
};

// The one search session of the program: the network session plus the site
// table and the search engine that runs over it.
class CSearchSession : public CInetSession {
  public:
    // Size of the page buffer and the most bytes one page read may keep: the
    // buffer holds the page, the NUL that ends it and one byte to spare.
    static constexpr unsigned PAGE_BUFFER_SIZE = 655352;
    static constexpr unsigned PAGE_READ_LIMIT = kPageReadLimit;
    // Tries of one site when its work fails with an exception.
    static constexpr int SEARCH_ATTEMPTS = 2;
    // Most pages read of one site in one search: far beyond any real site's
    // paging, and an end to a next-page link that never runs out.
    static constexpr int MAX_PAGES = 100;

    CSearchSession();
    ~CSearchSession() override;

    // Site table. LoadSiteFile empties the table and fills it from the file;
    // false with the system's reason in error when it can't be opened.
    bool LoadSiteFile(const std::string& path, std::string& error,
                      std::vector<SiteFileNote>* notes = nullptr);
    // The same for a site file's bytes in memory.
    void LoadSiteText(std::string_view text, std::vector<SiteFileNote>* notes = nullptr);
    int GetSiteCount() const { return m_sites.GetSiteCount(); }
    SjisString GetSiteName(std::uint32_t site) const { return m_sites.GetSiteName(site); }
    SjisString GetSiteFileVer() const { return m_sites.GetSiteFileVer(); }
    std::optional<SiteDef> LookupSite(std::uint32_t site) const { return m_sites.Lookup(site); }
    void StoreSite(std::uint32_t site, const SiteDef& def) { m_sites.Store(site, def); }
    bool EnumSiteGroup(bool first, SjisString& group) {
        return m_sites.EnumSiteGroup(first, group);
    }
    bool EnumSiteInfo(bool first, std::uint32_t& site, SjisString& group, SjisString& name,
                      SjisString& server, int& enabled);
    bool SetSiteEnabled(const SjisString& name, int enabled) {
        return m_sites.SetSiteEnabled(name, enabled);
    }
    bool SetSiteEnabled(std::uint32_t site, int enabled) {
        return m_sites.SetSiteEnabledByNumber(site, enabled);
    }

    // How a window (or the command line, or a test) connects to the
    // searches of this session: every event goes to sink, through the stop
    // filter, and the time-out (milliseconds, 0: none) and the attempt count
    // apply from now on. Before a search starts.
    void Connect(ISearchEvents* sink, std::uint32_t timeoutMs, int retry);

    // Stops the search that runs under search's stop token: nothing more of
    // it reaches the sink once this returns.
    void StopSearch(std::stop_source& search) { m_filter.Stop(search); }
    // The end of a search, through the stop filter (the search thread's).
    void ReportEnd(SearchEnd how) { m_filter.OnEnd(how); }

    // The status line of a progress event or an error, and its parts for a
    // per-site list.
    struct StatusLine {
        SjisString m_strName;
        SjisString m_strText;
        std::string m_strLine;  // UTF-8: "name : text" or "name : ERROR text"
    };
    StatusLine GetProgressLine(std::uint32_t site, std::uint32_t code) const;
    StatusLine GetErrorLine(std::uint32_t site, ErrorKind kind, int status) const;
    // The status line that ends a search (UTF-8).
    static std::string GetEndText(SearchEnd how);

    // Search run: every enabled site of the group (all when empty), one
    // after another unless options say otherwise. The keyword is UTF-8, as
    // typed; a site whose code can't hold it is skipped with an error line.
    // Returns how the search ended.
    SearchEnd Search(const SjisString& group, const std::string& keyword,
                     const SearchOptions& options = {});
    void ResetPaging(std::uint32_t site);

    // The site's first page for the keyword (UTF-8), asked with the
    // search's own request and read whole (the site doctor). Status -2 when
    // the site's code can't hold the keyword (an error is reported), -1
    // when the site has no address or request format.
    static constexpr int KEYWORD_UNSENDABLE = -2;
    FetchedPage FetchFirstPage(std::uint32_t site, const std::string& keyword);

  protected:
    SiteTable m_sites;
    StopFilter m_filter;

  private:
    // The site's turn: whether the run asks it, and asking it (its attempts,
    // first page and page loop).
    bool IsAsked(std::uint32_t site, const SjisString& group) const;
    // False when the site was skipped: its code can't hold the keyword.
    bool SearchSite(std::uint32_t site, const std::string& keyword, const SearchOptions& options);
    PageRequest RequestFirstPage(std::uint32_t site, const std::string& keyword);
    // The site's next page, or status -1 when there is none to ask for.
    PageRequest RequestNextPage(std::uint32_t site);
    int ReadSitePages(std::uint32_t site, OpenPage first, PageEnd end, int& pages);
    // Cuts one page (NUL-terminated; the scan ends at the first NUL) into
    // results (ExtractPage), reports each and keeps the site's run state.
    // 0 when scanned, NEXT_LINK_TOO_LONG when scanned but a page rule's
    // capture was too long to keep (no next page then), -1 for no record or
    // an over-long capture of an entry.
    static constexpr int NEXT_LINK_TOO_LONG = 1;
    int ExtractResults(const char* page, std::uint32_t site);
    // Why the site's paging ends here although a next page is named (a
    // status code), or 0 to go on. asked holds the paths read so far.
    std::uint32_t PagingEnd(std::uint32_t site, int hitsBefore, int pagesRead,
                            std::set<SjisString>& asked) const;
};

}  // namespace quennit
