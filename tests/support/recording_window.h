#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "engine/search_result.h"
#include "platform/message_window.h"

namespace quennit::test {

// One message as a window received it. Results keep a copy of the record
// and compare by site only.
struct Msg {
    std::uint32_t msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    SearchResult result;

    bool operator==(const Msg& o) const {
        return msg == o.msg && wParam == o.wParam && lParam == o.lParam;
    }
};

std::string Describe(const Msg& m);
inline void PrintTo(const Msg& m, std::ostream* os) {
    *os << Describe(m);
}

Msg Status(WPARAM site, LPARAM code);
Msg Error(WPARAM site, LPARAM code);
Msg Result(WPARAM site);
Msg End();

// Records every message it is sent, on the sending thread.
class RecordingWindow : public IMessageWindow {
  public:
    bool IsWindow() const override { return true; }
    LRESULT SendMessage(std::uint32_t msg, WPARAM wParam, LPARAM lParam) override;

    std::vector<Msg> Messages() const;
    // Only the messages of the given kinds.
    std::vector<Msg> Only(std::initializer_list<std::uint32_t> kinds) const;
    std::vector<SearchResult> Results() const;

    // Waits until pred holds for the messages so far; false when it didn't
    // within limit (a safety net against hangs, not a speed check).
    bool WaitUntil(const std::function<bool(const std::vector<Msg>&)>& pred,
                   std::chrono::seconds limit = std::chrono::seconds(20)) const;

  private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    std::vector<Msg> m_messages;
};

}  // namespace quennit::test
