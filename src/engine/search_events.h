#pragma once

#include <cstdint>
#include <mutex>
#include <stop_token>

#include "engine/search_result.h"
#include "net/request_events.h"

namespace quennit {

// How a search ended: every site asked, or none, since no site's code could
// hold the keyword.
enum class SearchEnd { Completed, KeywordUnsendable };

// Everything a search reports: its requests' events, each result (valid for
// the duration of the call only) and, last, its end. The window, the command
// line and the tests each implement one.
class ISearchEvents : public IRequestEvents {
  public:
    virtual void OnResult(std::uint32_t site, const SearchResult& result) = 0;
    virtual void OnEnd(SearchEnd how) = 0;
};

// Passes a session's events on to its sink unless they come from a stopped
// search (the calling thread's stop token): the one place where a stopped
// search's events are dropped. Stop and delivery share a lock, so once Stop
// has returned nothing more of that search reaches the sink. A sink that
// waits for another thread must end that wait when the sender's stop token
// is set (CEventRelay does), or Stop would wait for it.
class StopFilter final : public ISearchEvents {
  public:
    void SetSink(ISearchEvents* sink);

    // Stops the search and waits for an event of it being delivered.
    void Stop(std::stop_source& search);

    void OnProgress(std::uint32_t site, std::uint32_t code) override;
    void OnError(std::uint32_t site, ErrorKind kind, int status) override;
    void OnResult(std::uint32_t site, const SearchResult& result) override;
    void OnEnd(SearchEnd how) override;

  private:
    template <class Deliver>
    void Pass(const Deliver& deliver);

    std::mutex m_mutex;
    ISearchEvents* m_sink = nullptr;
};

}  // namespace quennit
