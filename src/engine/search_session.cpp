#include "engine/search_session.h"

namespace quennit {

CSearchSession::CSearchSession() = default;

CSearchSession::~CSearchSession() {
    m_sites.RemoveAll();
}

bool CSearchSession::LoadSiteFile(const std::string& path, std::string& error,
                                  std::vector<SiteFileNote>* notes) {
    return quennit::LoadSiteFile(
        path, m_sites,
        [this](std::uint32_t site, const SjisString& server) { SetServer(site, server); }, error,
        notes);
}

void CSearchSession::LoadSiteText(std::string_view text, std::vector<SiteFileNote>* notes) {
    quennit::LoadSiteText(
        text, m_sites,
        [this](std::uint32_t site, const SjisString& server) { SetServer(site, server); }, notes);
}

bool CSearchSession::EnumSiteInfo(bool first, SjisString& group, SjisString& name,
                                  SjisString& server, int& enabled) {
    std::uint32_t site = 0;
    return EnumSiteInfo(first, site, group, name, server, enabled);
}

bool CSearchSession::EnumSiteInfo(bool first, std::uint32_t& site, SjisString& group,
                                  SjisString& name, SjisString& server, int& enabled) {
    auto next = m_sites.EnumNext(first);
    if (!next) {
        return false;
    }
    site = next->first;
    group = next->second.m_strGroup;
    name = next->second.m_strHostId;
    enabled = next->second.m_bEnabled;
    const auto conn = m_connMap.Lookup(site);
    if (!conn) {
        return false;
    }
    server = conn->m_strServer;
    return true;
}

}  // namespace quennit
