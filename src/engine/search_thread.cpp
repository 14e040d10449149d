#include "engine/search_thread.h"

#include <cstdio>
#include <exception>
#include <system_error>
#include <utility>

#include "engine/search_session.h"
#include "platform/errors.h"
#include "platform/stop.h"

namespace quennit {

SearchThread::SearchThread(CSearchSession& session, SjisString group, std::string keyword,
                           std::function<void()> onExit,
                           std::function<void(const std::string&)> onError)
    : m_session(session),
      m_strSearchGroup(std::move(group)),
      m_strKeyword(std::move(keyword)),
      m_onExit(std::move(onExit)),
      m_onError(std::move(onError)) {}

SearchThread::~SearchThread() {
    Stop();
    Join();
}

bool SearchThread::Start() {
    if (m_thread.joinable()) {
        return false;
    }
    m_running.store(true);
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        m_running.store(false);
        return false;
    }
    return true;
}

void SearchThread::Stop() {
    m_session.StopSearch(m_stop);
}

void SearchThread::Join() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
}

void SearchThread::Run() {
    const ScopedStopToken scope(m_stop.get_token());
    SearchEnd how = SearchEnd::Completed;
    try {
        how = m_session.Search(m_strSearchGroup, m_strKeyword, m_options);
    } catch (const StopRequested&) {
        // Stopped: the run just ends.
    } catch (const std::exception& e) {
        if (!StopRequestedHere()) {
            if (m_onError) {
                m_onError(e.what());
            } else {
                std::fprintf(stderr, "quennit: search failed: %s\n", e.what());
            }
        }
    }
    m_session.ReportEnd(how);
    m_running.store(false);
    if (m_onExit) {
        m_onExit();
    }
}

}  // namespace quennit
