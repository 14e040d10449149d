#include "sitedef/site_table.h"

#include <utility>

namespace quennit {

std::optional<SiteDef> SiteTable::Lookup(std::uint32_t n) const {
    std::lock_guard lock(m_mutex);
    if (const SiteDef* def = m_siteMap.Find(n)) {
        return *def;
    }
    return std::nullopt;
}

void SiteTable::Store(std::uint32_t n, SiteDef def) {
    std::lock_guard lock(m_mutex);
    m_siteMap.Set(n, std::move(def));
}

void SiteTable::StoreRunState(std::uint32_t n, std::int32_t order, std::int32_t hits,
                              const SjisString& nextUrl) {
    std::lock_guard lock(m_mutex);
    if (SiteDef* def = m_siteMap.Find(n)) {
        def->m_nOrder = order;
        def->m_nHits = hits;
        def->m_strNextUrl = nextUrl;
    }
}

bool SiteTable::SetSiteEnabled(const SjisString& name, int enabled) {
    std::lock_guard lock(m_mutex);
    for (int n = 1; n <= m_nSiteCount; ++n) {
        SiteDef* def = m_siteMap.Find(static_cast<std::uint32_t>(n));
        if (def != nullptr && def->m_strHostId == name) {
            def->m_bEnabled = enabled;
            return true;
        }
    }
    return false;
}

bool SiteTable::SetSiteEnabledByNumber(std::uint32_t n, int enabled) {
    std::lock_guard lock(m_mutex);
    if (SiteDef* def = m_siteMap.Find(n)) {
        def->m_bEnabled = enabled;
        return true;
    }
    return false;
}

int SiteTable::GetSiteCount() const {
    std::lock_guard lock(m_mutex);
    return m_nSiteCount;
}

SjisString SiteTable::GetSiteName(std::uint32_t n) const {
    std::lock_guard lock(m_mutex);
    const SiteDef* def = m_siteMap.Find(n);
    return def != nullptr ? def->m_strHostId : SjisString();
}

SjisString SiteTable::GetSiteFileVer() const {
    std::lock_guard lock(m_mutex);
    return m_strSiteFileVer;
}

void SiteTable::SetSiteFileVer(const SjisString& ver) {
    std::lock_guard lock(m_mutex);
    m_strSiteFileVer = ver;
}

void SiteTable::RemoveAll() {
    std::lock_guard lock(m_mutex);
    m_siteMap.RemoveAll();
    m_nSiteCount = 0;
    m_posEnum.reset();
}

void SiteTable::SetSiteCount(int count) {
    std::lock_guard lock(m_mutex);
    m_nSiteCount = count;
}

std::optional<std::pair<std::uint32_t, SiteDef>> SiteTable::EnumNext(bool first) {
    std::lock_guard lock(m_mutex);
    if (first) {
        m_posEnum = m_siteMap.Start();
    }
    if (!m_posEnum) {
        return std::nullopt;
    }
    const std::uint32_t n = m_siteMap.Next(m_posEnum);
    return std::make_pair(n, *m_siteMap.Find(n));
}

bool SiteTable::EnumSiteGroup(bool first, SjisString& group) {
    auto next = EnumNext(first);
    if (!next) {
        return false;
    }
    group = next->second.m_strGroup;
    return true;
}

}  // namespace quennit
