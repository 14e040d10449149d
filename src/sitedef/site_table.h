#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "sitedef/number_map.h"
#include "sitedef/site_def.h"

namespace quennit {

// The in-memory site table: one SiteDef per site number 1..count, the site
// file's version label, and the enumeration cursor shared by the group and
// site-information listings.
//
// The window's thread and the search thread both use it, so every lookup,
// store and enumeration step takes the table's lock. Records are values:
// callers get copies and store whole records (or only the run state) back.
class SiteTable {
  public:
    std::optional<SiteDef> Lookup(std::uint32_t n) const;
    void Store(std::uint32_t n, SiteDef def);

    // Writes only the run-state fields of an existing record, so that a
    // switch flipped from the window while a page was scanned survives.
    void StoreRunState(std::uint32_t n, std::int32_t order, std::int32_t hits,
                       const SjisString& nextUrl);

    // Sets m_bEnabled of the lowest-numbered site whose name equals name
    // byte for byte. False when no site has that name.
    bool SetSiteEnabled(const SjisString& name, int enabled);

    // Sets m_bEnabled of site n. False when there is no such site.
    bool SetSiteEnabledByNumber(std::uint32_t n, int enabled);

    int GetSiteCount() const;
    SjisString GetSiteName(std::uint32_t n) const;
    SjisString GetSiteFileVer() const;
    void SetSiteFileVer(const SjisString& ver);

    // Empties the table (count 0); the version label stays.
    void RemoveAll();
    // Used by the site file reader while it fills the table.
    void SetSiteCount(int count);

    // One enumeration step: with first set, restart from the beginning.
    // Returns the next site's number and a copy of its record, or nullopt
    // after the last one (the cursor then stays at the end).
    std::optional<std::pair<std::uint32_t, SiteDef>> EnumNext(bool first);

    // Convenience for the group listing: the next site's group.
    bool EnumSiteGroup(bool first, SjisString& group);

  private:
    mutable std::mutex m_mutex;
    NumberMap<SiteDef> m_siteMap;
    int m_nSiteCount = 0;
    SjisString m_strSiteFileVer;
    std::optional<NumberMap<SiteDef>::Position> m_posEnum;
};

}  // namespace quennit
