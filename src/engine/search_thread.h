#pragma once

#include <atomic>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>

#include "engine/search_session.h"
#include "platform/message_window.h"
#include "sitedef/site_def.h"

namespace quennit {

// The worker thread of one search: runs Search over the session and tells
// the window that the search has finished (WM_SEARCH_END).
//
// Stop is cooperative: it returns at once, and the run notices it between
// sites, pages and attempts, inside every pause and inside an open request,
// which it abandons. From the moment Stop is called nothing more of this
// search reaches a window through the session: no result, no status line,
// no completion message.
//
// Ownership and threads:
//  - The constructor fixes what the thread works on; Start runs it.
//  - The session and the window must outlive the thread. Destroying this
//    object stops the search and joins the thread, so the owner of the
//    session and the window destroys (or joins) its thread objects first.
//  - A new search may start right after a stop while the stopped thread is
//    still unwinding: keep the old object alive until it has ended (or just
//    destroy it; that waits for the unwinding). The new run waits until the
//    old one has released the session before it touches any site.
//  - Deadlock rule: the search thread delivers messages with the window's
//    synchronous SendMessage. If that call hands the message to another
//    thread and waits for it, the wait must also end when the search's stop
//    token (CurrentStopToken(), taken on the calling thread) is set, and the
//    receiving side must drop the message if the token is set by the time it
//    is handled. Then Stop followed by Join (or the destructor) on that very
//    thread can never deadlock, and stale messages are never shown.
class CThInetCtrl {
  public:
    // onError receives the description of an exception that escaped the run,
    // on the search thread, before the completion message (stderr when
    // empty). onExit is the search thread's very last action, stopped or not.
    // The keyword is UTF-8, as typed; the group Shift_JIS, as the site file has it.
    CThInetCtrl(CSearchSession& session, IMessageWindow* wnd, SjisString group, std::string keyword,
                std::function<void()> onExit = {},
                std::function<void(const std::string&)> onError = {});
    ~CThInetCtrl();

    CThInetCtrl(const CThInetCtrl&) = delete;
    CThInetCtrl& operator=(const CThInetCtrl&) = delete;

    // How the run goes (one site after another unless set); before Start.
    // With jobs set, the sites' threads all run under this search's stop
    // token, so a window that admits the token admits them all.
    void SetOptions(SearchOptions options) { m_options = std::move(options); }

    // Starts the thread. False when it could not be created (or runs already).
    bool Start();

    // Asks the search to stop and returns at once.
    void Stop();

    // True from Start until the thread's work is over.
    bool IsRunning() const { return m_running.load(); }

    // Waits for the thread to end. Must not be called on the search thread.
    void Join();

    std::stop_token GetStopToken() const { return m_stop.get_token(); }

  private:
    void Run();

    CSearchSession& m_session;
    IMessageWindow* const m_pWnd;  // not owned; receives WM_SEARCH_END
    const SjisString m_strSearchGroup;
    const std::string m_strKeyword;
    const std::function<void()> m_onExit;
    const std::function<void(const std::string&)> m_onError;
    SearchOptions m_options;

    std::stop_source m_stop;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

}  // namespace quennit
