#include "recording_window.h"

#include <algorithm>

#include "platform/stop.h"

namespace quennit::test {

std::string Describe(const Msg& m) {
    const std::string site = std::to_string(m.wParam);
    switch (m.msg) {
        case WM_INET_STATUS:
            return "S" + site + ":" + std::to_string(m.lParam);
        case WM_INET_ERROR:
            return "E" + site + ":" + std::to_string(m.lParam);
        case WM_SEARCH_RESULT:
            return "R" + site + ":" + m.result.m_strUrl;
        case WM_SEARCH_END:
            return "END";
        default:
            return "?" + std::to_string(m.msg);
    }
}

Msg Status(WPARAM site, LPARAM code) {
    return Msg{WM_INET_STATUS, site, code, {}};
}
Msg Error(WPARAM site, LPARAM code) {
    return Msg{WM_INET_ERROR, site, code, {}};
}
Msg Result(WPARAM site) {
    return Msg{WM_SEARCH_RESULT, site, 0, {}};
}
Msg End() {
    return Msg{WM_SEARCH_END, 0, 0, {}};
}

LRESULT RecordingWindow::SendMessage(std::uint32_t msg, WPARAM wParam, LPARAM lParam) {
    Msg m{msg, wParam, lParam, {}};
    if (msg == WM_SEARCH_RESULT) {
        m.result = *reinterpret_cast<const SearchResult*>(lParam);
        m.lParam = 0;
    }
    {
        // Serialised with the sender's stop: nothing is kept once it is set.
        std::lock_guard lock(m_mutex);
        if (StopRequestedHere()) {
            return 0;
        }
        m_messages.push_back(m);
    }
    m_cv.notify_all();
    return 0;
}

std::vector<Msg> RecordingWindow::Messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<Msg> RecordingWindow::Only(std::initializer_list<std::uint32_t> kinds) const {
    std::vector<Msg> out = Messages();
    std::erase_if(out, [&](const Msg& m) {
        return std::find(kinds.begin(), kinds.end(), m.msg) == kinds.end();
    });
    return out;
}

std::vector<SearchResult> RecordingWindow::Results() const {
    std::vector<SearchResult> out;
    for (const auto& m : Only({WM_SEARCH_RESULT})) {
        out.push_back(m.result);
    }
    return out;
}

bool RecordingWindow::WaitUntil(const std::function<bool(const std::vector<Msg>&)>& pred,
                                std::chrono::seconds limit) const {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, limit, [&] { return pred(m_messages); });
}

}  // namespace quennit::test
