#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/search_session.h"

namespace quennit::test {

// One site block of a site file whose rules cut the test server's /page
// results. format is the HOST_URL_FORMAT; extra lines go at the end.
inline std::string PageSite(const std::string& name, const std::string& hostAddr,
                            const std::string& format, const std::string& extra = "") {
    return "HOST_ID\t" + name + "\nHOST_ADDR\t" + hostAddr + "\nHOST_URL_FORMAT\t" + format +
           "\nSTARTWORD\t<!-- results -->\nT_SEARCH\t<a class=\"next\" href=\"\nT_NEXTURL\t\">\n"
           "SEARCH\t<li>\nSEARCH\thref=\"http://\nURL\t\">\nTITLE\t</a>\nSEARCH\t<br>\n"
           "TEXT\t</li>\n" +
           extra;
}

// Loads a site file's content into the session and connects sink with the
// time-out and attempt count (the session's defaults).
inline void LoadSites(CSearchSession& session, const std::string& content, ISearchEvents* sink,
                      std::uint32_t timeoutMs = 30000, int retry = 0) {
    session.LoadSiteText(content);
    session.Connect(sink, timeoutMs, retry);
}

// A pause clock that records every nominal pause and waits a thousandth of
// it (or scale times it), so tests see the pauses without sitting them out.
class PauseRecorder {
  public:
    explicit PauseRecorder(double scale = 0.001) : m_scale(scale) {}

    CInetSession::PauseClock Clock() {
        return [this](std::uint32_t ms) {
            {
                std::lock_guard lock(m_mutex);
                m_pauses.push_back(ms);
            }
            return std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::chrono::duration<double, std::milli>(ms * m_scale));
        };
    }
    std::vector<std::uint32_t> Pauses() const {
        std::lock_guard lock(m_mutex);
        return m_pauses;
    }

  private:
    double m_scale;
    mutable std::mutex m_mutex;
    std::vector<std::uint32_t> m_pauses;
};

}  // namespace quennit::test
