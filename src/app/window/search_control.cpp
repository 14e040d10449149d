#include "app/window/search_control.h"

#include <utility>

namespace quennit {

namespace {

// Sites at a time when the MULTI switch is on.
constexpr int kMultiJobs = 6;

}  // namespace

CSearchControl::CSearchControl(QObject* receiver, ISearchEvents& window)
    : m_window(window), m_relay(receiver, *this) {}

CSearchControl::~CSearchControl() {
    Join();
}

void CSearchControl::Connect(std::uint32_t timeoutMs, int retry) {
    m_session.Connect(&m_relay, timeoutMs, retry);
}

bool CSearchControl::Start(SjisString group, std::string keyword, bool multi) {
    // Two searches never share the session: a stopped one can't wait for
    // the window, so it ends promptly.
    Join();
    m_pThread = std::make_unique<SearchThread>(m_session, std::move(group), std::move(keyword));
    if (multi) {
        m_pThread->SetOptions(SearchOptions{kMultiJobs, {}});
    }
    m_bSearching = m_pThread->Start();
    return m_bSearching;
}

void CSearchControl::Stop() {
    if (m_bSearching) {
        m_pThread->Stop();
        m_bSearching = false;
    }
}

void CSearchControl::Join() {
    // Destroying the thread stops the search and joins it: after a stop it
    // never waits for the window again, so the join can't deadlock.
    m_pThread.reset();
    m_bSearching = false;
}

void CSearchControl::OnProgress(std::uint32_t site, std::uint32_t code) {
    m_window.OnProgress(site, code);
}

void CSearchControl::OnError(std::uint32_t site, ErrorKind kind, int status) {
    m_window.OnError(site, kind, status);
}

void CSearchControl::OnResult(std::uint32_t site, const SearchResult& result) {
    m_window.OnResult(site, result);
}

void CSearchControl::OnEnd(SearchEnd how) {
    m_bSearching = false;
    m_window.OnEnd(how);
}

}  // namespace quennit
