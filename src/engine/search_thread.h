#pragma once

#include <atomic>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>

#include "engine/search_session.h"
#include "sitedef/site_def.h"

namespace quennit {

// The worker thread of one search: runs Search over the session and reports
// its end through the session's events.
//
// Stop returns at once: the run notices it between sites, pages and
// attempts, inside every pause and inside an open request, which it
// abandons. Once Stop has returned nothing more of this search reaches the
// session's sink: no result, no status line, no end (see StopFilter).
//
// Ownership and threads:
//  - The constructor fixes what the thread works on; Start runs it.
//  - The session and its sink must outlive the thread. Destroying this
//    object stops the search and joins the thread.
//  - One search at a time: its owner destroys (or joins) the thread of a
//    search before it starts the next over the same session. A stopped
//    search ends promptly, so that wait is short.
class SearchThread {
  public:
    // onError receives the description of an exception that escaped the run,
    // on the search thread, before the completion message (stderr when
    // empty). onExit is the search thread's very last action, stopped or not.
    // The keyword is UTF-8, as typed; the group Shift_JIS, as the site file has it.
    SearchThread(CSearchSession& session, SjisString group, std::string keyword,
                 std::function<void()> onExit = {},
                 std::function<void(const std::string&)> onError = {});
    ~SearchThread();

    SearchThread(const SearchThread&) = delete;
    SearchThread& operator=(const SearchThread&) = delete;

    // How the run goes (one site after another unless set); before Start.
    // With jobs set, the sites' threads all run under this search's stop
    // token, so one stop ends them all.
    void SetOptions(SearchOptions options) { m_options = std::move(options); }

    // Starts the thread. False when it could not be created (or runs already).
    bool Start();

    // Stops the search; returns once an event of it being delivered is done.
    void Stop();

    // True from Start until the thread's work is over.
    bool IsRunning() const { return m_running.load(); }

    // Waits for the thread to end. Must not be called on the search thread.
    void Join();

  private:
    void Run();

    CSearchSession& m_session;
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
