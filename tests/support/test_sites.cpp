#include "test_sites.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace quennit::test {

std::string PageSite(const std::string& name, const std::string& hostAddr,
                     const std::string& format, const std::string& extra) {
    return "HOST_ID\t" + name + "\nHOST_ADDR\t" + hostAddr + "\nHOST_URL_FORMAT\t" + format +
           "\nSTARTWORD\t<!-- results -->\n"
           "T_SEARCH\t<a class=\"next\" href=\"\n"
           "T_NEXTURL\t\">\n"
           "SEARCH\t<li>\n"
           "SEARCH\thref=\"http://\n"
           "URL\t\">\n"
           "TITLE\t</a>\n"
           "SEARCH\t<br>\n"
           "TEXT\t</li>\n" +
           extra;
}

void LoadSites(CSearchSession& session, const std::string& content, IMessageWindow* wnd,
               std::uint32_t timeoutMs, int retry) {
    char path[] = "/tmp/quennit-sites-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        throw std::runtime_error("mkstemp");
    }
    const bool written =
        write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    close(fd);
    std::string error;
    const bool loaded = written && session.LoadSiteFile(path, error);
    unlink(path);
    if (!loaded) {
        throw std::runtime_error("cannot load the test sites: " + error);
    }
    session.ConnectWindow(wnd, timeoutMs, retry);
}

CInetSession::PauseClock PauseRecorder::Clock() {
    return [this](std::uint32_t ms) {
        {
            std::lock_guard lock(m_mutex);
            m_pauses.push_back(ms);
        }
        m_cv.notify_all();
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::duration<double, std::milli>(ms * m_scale));
    };
}

std::vector<std::uint32_t> PauseRecorder::Pauses() const {
    std::lock_guard lock(m_mutex);
    return m_pauses;
}

int PauseRecorder::Count(std::uint32_t ms) const {
    const auto p = Pauses();
    return static_cast<int>(std::count(p.begin(), p.end(), ms));
}

bool PauseRecorder::WaitForPause(std::uint32_t ms) const {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::seconds(20), [&] {
        return std::find(m_pauses.begin(), m_pauses.end(), ms) != m_pauses.end();
    });
}

}  // namespace quennit::test
