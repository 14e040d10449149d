#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/window/event_relay.h"
#include "engine/search_events.h"
#include "engine/search_session.h"
#include "engine/search_thread.h"

class QObject;

namespace quennit {

// Runs a window's searches over its session, one at a time, and hands their
// events to the window on the window's thread (see CEventRelay).
//
// Once a search is stopped none of its events arrive and it is never left
// waiting for the window; its thread is joined before the next search
// starts and before this object goes.
class CSearchControl final : private ISearchEvents {
  public:
    // receiver's thread handles the events; window receives them. Both must
    // outlive this object.
    CSearchControl(QObject* receiver, ISearchEvents& window);
    ~CSearchControl() override;

    CSearchControl(const CSearchControl&) = delete;
    CSearchControl& operator=(const CSearchControl&) = delete;

    CSearchSession& Session() { return m_session; }
    const CSearchSession& Session() const { return m_session; }

    // Points the session's events at the window, with these request options.
    void Connect(std::uint32_t timeoutMs, int retry);

    // Ends the last search's thread, then starts a search for keyword
    // (UTF-8, as typed) in group; with multi, several sites at a time.
    // False when its thread could not start.
    bool Start(SjisString group, std::string keyword, bool multi);

    // Stops the running search: nothing of it arrives any more, not even
    // its end.
    void Stop();

    // Stops the current search, if any, and joins its thread.
    void Join();

    // From a start until the search's end arrives or it is stopped.
    bool IsSearching() const { return m_bSearching; }

  private:
    void OnProgress(std::uint32_t site, std::uint32_t code) override;
    void OnError(std::uint32_t site, ErrorKind kind, int status) override;
    void OnResult(std::uint32_t site, const SearchResult& result) override;
    void OnEnd(SearchEnd how) override;

    ISearchEvents& m_window;
    // Declared before the thread: a search thread uses both until it ends.
    CSearchSession m_session;
    CEventRelay m_relay;
    std::unique_ptr<SearchThread> m_pThread;
    bool m_bSearching = false;
};

}  // namespace quennit
