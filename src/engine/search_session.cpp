#include "engine/search_session.h"

#include "platform/text_codec.h"

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

void CSearchSession::ConnectWindow(IMessageWindow* wnd, std::uint32_t timeoutMs, int retry) {
    for (int n = 1; n <= GetSiteCount(); ++n) {
        m_connMap.SetErrorWnd(static_cast<std::uint32_t>(n), wnd);
        m_connMap.SetNotifyWnd(static_cast<std::uint32_t>(n), wnd);
    }
    SetTimeout(timeoutMs);
    SetRetry(retry);
}

CSearchSession::StatusLine CSearchSession::GetStatusLine(std::uint32_t msg, WPARAM site,
                                                         LPARAM code) const {
    const bool error = msg == WM_INET_ERROR;
    StatusLine status;
    status.m_strName = GetSiteName(static_cast<std::uint32_t>(site));
    status.m_strText = error ? GetErrorText(code) : GetStatusText(static_cast<std::uint32_t>(code));
    // Each part converts on its own, as each is shown on its own elsewhere.
    status.m_strLine =
        SjisToUtf8(status.m_strName) + (error ? " : ERROR " : " : ") + SjisToUtf8(status.m_strText);
    return status;
}

std::string CSearchSession::GetEndText(WPARAM how) {
    return how == kSearchEndKeywordUnsendable
               ? "キーワードを表せる文字コードのサイトがないため、検索しませんでした"
               : "検索が完了しました";
}

}  // namespace quennit
