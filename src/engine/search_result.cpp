#include <algorithm>

#include "engine/search_result.h"
#include "engine/search_session.h"

namespace quennit {

void CSearchSession::NotifyResult(std::uint32_t site, const SjisString& siteName,
                                  const SjisString& url, const SjisString& title,
                                  const SjisString& text, std::int32_t order) {
    const auto conn = m_connMap.Lookup(site);
    if (!conn || conn->m_pNotifyWnd == nullptr) {
        return;
    }
    SearchResult result;
    result.m_strUrl = url;
    result.m_strText = text;
    CleanText(site, result.m_strText);
    result.m_strTitle = title;
    CleanText(site, result.m_strTitle);
    result.m_strSiteName = siteName;
    result.m_nOrder = order;
    SendToWindow(conn->m_pNotifyWnd, WM_SEARCH_RESULT, site, reinterpret_cast<LPARAM>(&result));
}

void CSearchSession::CleanText(std::uint32_t site, SjisString& text) const {
    std::replace(text.begin(), text.end(), '\t', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    const auto def = m_sites.Lookup(site);
    if (!def) {
        return;
    }
    for (int i = 0; i < def->m_nCleanRules; ++i) {
        const SiteRule& rule = def->m_cleanRules[static_cast<std::size_t>(i)];
        const std::string_view value(rule.m_strValue.c_str());
        if (rule.m_strKey != "R_DEL" || value.empty()) {
            continue;
        }
        // Always from the start: a deletion that joins two pieces into a new
        // occurrence deletes that one too.
        for (auto pos = text.find(value); pos != SjisString::npos; pos = text.find(value)) {
            text.erase(pos, value.size());
        }
    }
}

}  // namespace quennit
