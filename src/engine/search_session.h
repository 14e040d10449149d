#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/inet_session.h"
#include "sitedef/site_file.h"
#include "sitedef/site_table.h"

namespace quennit {

// The one search session of the program: the network session plus the site
// table and the search engine that runs over it.
class CSearchSession : public CInetSession {
  public:
    // Size of the page buffer and the most bytes one page read may keep.
    static constexpr unsigned PAGE_BUFFER_SIZE = 655352;
    static constexpr unsigned PAGE_READ_LIMIT = 655350;
    // Tries of one site when its work fails with an exception.
    static constexpr int SEARCH_ATTEMPTS = 2;

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
    bool EnumSiteInfo(bool first, SjisString& group, SjisString& name, SjisString& server,
                      int& enabled);
    // Same as EnumSiteInfo, and also yields the site's number.
    bool EnumSiteInfo(bool first, std::uint32_t& site, SjisString& group, SjisString& name,
                      SjisString& server, int& enabled);
    bool SetSiteEnabled(const SjisString& name, int enabled) {
        return m_sites.SetSiteEnabled(name, enabled);
    }
    bool SetSiteEnabled(std::uint32_t site, int enabled) {
        return m_sites.SetSiteEnabledByNumber(site, enabled);
    }

    // Search run: every enabled site of the group (all when empty), one
    // after another. Always 0.
    int Search(const SjisString& group, const SjisString& keyword);
    int RequestFirstPage(std::uint32_t site, SjisString keyword);
    int ReadResultPages(std::uint32_t site);
    int RequestNextPage(std::uint32_t site);
    void ResetPaging(std::uint32_t site);

    // Cuts one page (NUL-terminated; the scan ends at the first NUL) into
    // results and hands each to the site's window. 0 when scanned, -1 for no
    // record or an over-long capture, -2 when the site has no result window.
    virtual int ExtractResults(const char* page, std::uint32_t site);

    void NotifyResult(std::uint32_t site, const SjisString& siteName, const SjisString& url,
                      const SjisString& title, const SjisString& text, std::int32_t order);
    void CleanText(std::uint32_t site, SjisString& text) const;

  protected:
    // NotifyResult and CleanText for a caller that already holds copies of
    // the site's records (the extraction, once per result).
    static void DeliverResult(std::uint32_t site, const SiteDef* def, IMessageWindow* wnd,
                              const SjisString& siteName, const SjisString& url,
                              const SjisString& title, const SjisString& text, std::int32_t order);
    static void ApplyCleanRules(const SiteDef* def, SjisString& text);

    SiteTable m_sites;
};

}  // namespace quennit
