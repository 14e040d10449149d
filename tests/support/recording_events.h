#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <vector>

#include "engine/search_events.h"

namespace quennit::test {

// One event as a sink received it; a result's record is kept apart.
enum class Ev { Progress, Error, Result, End };

struct Msg {
    Ev ev = Ev::Progress;
    std::uint32_t site = 0;
    int code = 0;  // progress code, HTTP status, or how a search ended
    ErrorKind kind = ErrorKind::HttpStatus;
    bool operator==(const Msg&) const = default;
};

inline void PrintTo(const Msg& m, std::ostream* os) {
    *os << "event " << static_cast<int>(m.ev) << " site " << m.site << " code " << m.code
        << " kind " << static_cast<int>(m.kind);
}

inline Msg Status(std::uint32_t site, int code) {
    return Msg{Ev::Progress, site, code};
}
inline Msg Error(std::uint32_t site, ErrorKind kind, int status = 0) {
    return Msg{Ev::Error, site, status, kind};
}
inline Msg Http(std::uint32_t site, int status) {
    return Error(site, ErrorKind::HttpStatus, status);
}
inline Msg Result(std::uint32_t site) {
    return Msg{Ev::Result, site};
}
inline Msg End(SearchEnd how = SearchEnd::Completed) {
    return Msg{Ev::End, 0, static_cast<int>(how)};
}

// Records every event it gets, on the sending thread.
class RecordingEvents : public ISearchEvents {
  public:
    void OnProgress(std::uint32_t site, std::uint32_t code) override {
        Record(Status(site, static_cast<int>(code)));
    }
    void OnError(std::uint32_t site, ErrorKind kind, int status) override {
        Record(Error(site, kind, status));
    }
    void OnResult(std::uint32_t site, const SearchResult& result) override {
        Record(Result(site), &result);
    }
    void OnEnd(SearchEnd how) override { Record(End(how)); }

    std::vector<Msg> Messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    // Only the events of the given kinds.
    std::vector<Msg> Only(std::initializer_list<Ev> kinds) const {
        std::vector<Msg> out = Messages();
        std::erase_if(out,
                      [&](const Msg& m) { return std::ranges::find(kinds, m.ev) == kinds.end(); });
        return out;
    }
    std::vector<SearchResult> Results() const {
        std::lock_guard lock(m_mutex);
        return m_results;
    }
    // Waits until pred holds for the events so far; false when it didn't
    // within a limit (a safety net against hangs, not a speed check).
    bool WaitUntil(const std::function<bool(const std::vector<Msg>&)>& pred) const {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(20), [&] { return pred(m_messages); });
    }

  private:
    void Record(const Msg& m, const SearchResult* result = nullptr) {
        {
            std::lock_guard lock(m_mutex);
            m_messages.push_back(m);
            if (result != nullptr) {
                m_results.push_back(*result);
            }
        }
        m_cv.notify_all();
    }

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    std::vector<Msg> m_messages;
    std::vector<SearchResult> m_results;
};

}  // namespace quennit::test
