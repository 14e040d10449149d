#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <vector>

#include "engine/search_result.h"
#include "platform/message_window.h"
#include "platform/stop.h"

namespace quennit::test {

// One message as a window received it; a result's record is kept apart.
struct Msg {
    std::uint32_t msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool operator==(const Msg&) const = default;
};

inline void PrintTo(const Msg& m, std::ostream* os) {
    *os << "msg " << m.msg << " site " << m.wParam << " code " << m.lParam;
}

inline Msg Status(WPARAM site, LPARAM code) {
    return Msg{WM_INET_STATUS, site, code};
}
inline Msg Error(WPARAM site, LPARAM code) {
    return Msg{WM_INET_ERROR, site, code};
}
inline Msg Result(WPARAM site) {
    return Msg{WM_SEARCH_RESULT, site, 0};
}
inline Msg End() {
    return Msg{WM_SEARCH_END, 0, 0};
}

// Records every message it is sent, on the sending thread.
class RecordingWindow : public IMessageWindow {
  public:
    bool IsWindow() const override { return true; }
    LRESULT SendMessage(std::uint32_t msg, WPARAM wParam, LPARAM lParam) override {
        const bool result = msg == WM_SEARCH_RESULT;
        {
            // Serialised with the sender's stop: nothing is kept once it is set.
            std::lock_guard lock(m_mutex);
            if (StopRequestedHere()) {
                return 0;
            }
            m_messages.push_back(Msg{msg, wParam, result ? 0 : lParam});
            if (result) {
                m_results.push_back(*reinterpret_cast<const SearchResult*>(lParam));
            }
        }
        m_cv.notify_all();
        return 0;
    }

    std::vector<Msg> Messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    // Only the messages of the given kinds.
    std::vector<Msg> Only(std::initializer_list<std::uint32_t> kinds) const {
        std::vector<Msg> out = Messages();
        std::erase_if(out,
                      [&](const Msg& m) { return std::ranges::find(kinds, m.msg) == kinds.end(); });
        return out;
    }
    std::vector<SearchResult> Results() const {
        std::lock_guard lock(m_mutex);
        return m_results;
    }
    // Waits until pred holds for the messages so far; false when it didn't
    // within a limit (a safety net against hangs, not a speed check).
    bool WaitUntil(const std::function<bool(const std::vector<Msg>&)>& pred) const {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(20), [&] { return pred(m_messages); });
    }

  private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    std::vector<Msg> m_messages;
    std::vector<SearchResult> m_results;
};

}  // namespace quennit::test
