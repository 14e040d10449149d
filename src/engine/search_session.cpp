#include "engine/search_session.h"

#include <utility>

#include "platform/text_codec.h"

namespace quennit {

CSearchSession::CSearchSession() {
    SetEvents(&m_filter);
}

CSearchSession::~CSearchSession() = default;

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
    // A site without HOST_ADDR has no connection record.
    const auto conn = m_connMap.Lookup(site);
    server = conn ? conn->m_strServer : SjisString();
    return true;
}

void CSearchSession::Connect(ISearchEvents* sink, std::uint32_t timeoutMs, int retry) {
    m_filter.SetSink(sink);
    SetTimeout(timeoutMs);
    SetRetry(retry);
}

namespace {

CSearchSession::StatusLine MakeStatusLine(SjisString name, SjisString text, const char* separator) {
    CSearchSession::StatusLine status{std::move(name), std::move(text), {}};
    // Each part converts on its own, as each is shown on its own elsewhere.
    status.m_strLine = SjisToUtf8(status.m_strName) + separator + SjisToUtf8(status.m_strText);
    return status;
}

}  // namespace

CSearchSession::StatusLine CSearchSession::GetProgressLine(std::uint32_t site,
                                                           std::uint32_t code) const {
    return MakeStatusLine(GetSiteName(site), GetStatusText(code), " : ");
}

CSearchSession::StatusLine CSearchSession::GetErrorLine(std::uint32_t site, ErrorKind kind,
                                                        int status) const {
    return MakeStatusLine(GetSiteName(site), GetErrorText(kind, status), " : ERROR ");
}

std::string CSearchSession::GetEndText(SearchEnd how) {
    return how == SearchEnd::KeywordUnsendable
               ? "キーワードを表せる文字コードのサイトがないため、検索しませんでした"
               : "検索が完了しました";
}

}  // namespace quennit
