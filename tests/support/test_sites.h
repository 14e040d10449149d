#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/search_session.h"
#include "platform/message_window.h"

namespace quennit::test {

// One site block of a site file whose rules cut the test server's /page
// results. format is the HOST_URL_FORMAT; extra lines go at the end.
std::string PageSite(const std::string& name, const std::string& hostAddr,
                     const std::string& format, const std::string& extra = "");

// Writes content to a temporary site file, loads it into the session and
// connects wnd with the time-out and attempt count (the session's defaults).
void LoadSites(CSearchSession& session, const std::string& content, IMessageWindow* wnd,
               std::uint32_t timeoutMs = 30000, int retry = 0);

// A pause clock that records every nominal pause and waits a thousandth of
// it (or scale times it), so tests see the pauses without sitting them out.
class PauseRecorder {
  public:
    explicit PauseRecorder(double scale = 0.001) : m_scale(scale) {}
    CInetSession::PauseClock Clock();
    std::vector<std::uint32_t> Pauses() const;
    int Count(std::uint32_t ms) const;
    // Waits until a pause of ms has begun (false after a generous limit).
    bool WaitForPause(std::uint32_t ms) const;

  private:
    double m_scale;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    std::vector<std::uint32_t> m_pauses;
};

}  // namespace quennit::test
